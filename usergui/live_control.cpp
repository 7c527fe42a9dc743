// The six live controls: static text, display, track bar, edit field with "Ok", push
// button and check box, each bound to its object's fields.
#include "usergui/live_control.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cstdint>

#include "windows/cp1252.h"
#include "windows/mnemonic_text.h"

namespace NuvixUserGui {

using namespace NuvixParser;
using NuvixWindows::FromCp1252;
using NuvixWindows::ToCp1252;

QRect PixelRect(const TGridRect& cells) {
    const int left = std::min(cells.left, cells.right), right = std::max(cells.left, cells.right);
    const int top = std::min(cells.top, cells.bottom), bottom = std::max(cells.top, cells.bottom);
    return QRect(QPoint(left * kGridPixels, top * kGridPixels),
                 QSize((right - left) * kGridPixels, (bottom - top) * kGridPixels));
}

TLiveControl::TLiveControl(TEditObject& object, QWidget* parent) : QWidget(parent), object_(object) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void TLiveControl::PlaceOnGrid() {
    setGeometry(PixelRect(object_.rect));
}

namespace {

// The horizontal placement of a text: 0 left, 1 centre, 2 right. False for any other
// number, which the screen does not take.
bool AlignmentFlag(std::int32_t alignment, Qt::Alignment& flag) {
    switch (alignment) {
    case 0:
        flag = Qt::AlignLeft;
        return true;
    case 1:
        flag = Qt::AlignHCenter;
        return true;
    case 2:
        flag = Qt::AlignRight;
        return true;
    default:
        return false;
    }
}

// Static text: labels and displays (a display is a label in yellow on black, in its own
// font size).
class TLiveLabel final : public TLiveControl {
public:
    TLiveLabel(TLabelObject& object, QWidget* parent) : TLiveControl(object, parent), label_(object) {
        text_ = new QLabel(this);
        text_->setObjectName(QStringLiteral("liveText"));
        // Script texts are shown as they are, never as markup.
        text_->setTextFormat(Qt::PlainText);
        text_->setWordWrap(true);
        text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        layout()->addWidget(text_);
        if (object.TypeId() == 1) {
            text_->setAutoFillBackground(true);
            QPalette colours = text_->palette();
            colours.setColor(QPalette::Window, QColor(0, 0, 0));
            colours.setColor(QPalette::WindowText, QColor(255, 255, 0));
            text_->setPalette(colours);
        }
    }
    void Apply() override {
        text_->setText(FromCp1252(label_.text));
        Qt::Alignment flag;
        if (AlignmentFlag(label_.alignment, flag)) text_->setAlignment(flag | Qt::AlignTop);
        if (label_.TypeId() == 1) {
            QFont font = text_->font();
            font.setPointSize(std::max(1, static_cast<const TDisplayObject&>(label_).fontSize));
            text_->setFont(font);
        }
    }

private:
    TLabelObject& label_;
    QLabel* text_;
};

// The range a track bar takes: it never holds a minimum above its maximum. When the wanted
// range is inverted, the edge that fits the bar's current range is taken and the other is
// kept; when neither fits, the bar keeps its range.
std::pair<int, int> TrackBarRange(std::pair<int, int> current, std::pair<int, int> wanted) {
    if (wanted.first <= wanted.second) return wanted;
    if (wanted.first <= current.second) return {wanted.first, current.second};
    if (current.first <= wanted.second) return {current.first, wanted.second};
    return current;
}

class TLiveScrollbar final : public TLiveControl {
public:
    TLiveScrollbar(TScrollbarObject& object, QWidget* parent) : TLiveControl(object, parent), bar_(object) {
        slider_ = new QSlider(this);
        slider_->setObjectName(QStringLiteral("liveTrackBar"));
        slider_->setTickPosition(QSlider::TicksBothSides);
        layout()->addWidget(slider_);
        connect(slider_, &QSlider::valueChanged, this, [this](int position) { Take(position); });
    }
    void Apply() override {
        {
            const QSignalBlocker quiet(slider_);
            slider_->setOrientation(bar_.orientation == 1 ? Qt::Horizontal : Qt::Vertical);
            const auto [low, high] =
                TrackBarRange({slider_->minimum(), slider_->maximum()}, {bar_.minimum, bar_.maximum});
            slider_->setRange(low, high);
            slider_->setPageStep(std::max(0, bar_.pageSize));
            slider_->setSingleStep(std::max(0, bar_.lineSize));
            const std::int64_t span = std::int64_t{bar_.maximum} - bar_.minimum;
            slider_->setTickInterval(static_cast<int>(std::clamp<std::int64_t>(span / 10, 0, INT32_MAX)));
            slider_->setValue(bar_.value);
        }
        // A value outside the range puts the bar at its end: the object learns where.
        Take(slider_->value());
    }
    // While realising, the bar's clamping of a file's value is not a change to report.
    bool quiet = false;

private:
    // Every new position of the bar, the user's or a script's, is the value and a change.
    void Take(int position) {
        if (position == bar_.value) return;
        bar_.value = position;
        if (!quiet) bar_.NotifyChanged();
    }

    TScrollbarObject& bar_;
    QSlider* slider_;
};

// An edit box with an "Ok" button at its right end: typing enables "Ok", and "Ok" (or
// Enter while it is enabled) hands the text to the object.
class TLiveEdit final : public TLiveControl {
public:
    TLiveEdit(TEditControlObject& object, QWidget* parent) : TLiveControl(object, parent), edit_(object) {
        box_ = new QLineEdit(this);
        box_->setObjectName(QStringLiteral("liveEdit"));
        ok_ = new QPushButton(QStringLiteral("Ok"), this);
        ok_->setObjectName(QStringLiteral("liveOk"));
        ok_->setFixedWidth(23);
        ok_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        ok_->setEnabled(false);
        layout()->addWidget(box_);
        layout()->addWidget(ok_);
        connect(box_, &QLineEdit::textEdited, this, [this] { ok_->setEnabled(true); });
        connect(box_, &QLineEdit::returnPressed, this, [this] {
            if (ok_->isEnabled()) Commit();
        });
        connect(ok_, &QPushButton::clicked, this, [this] { Commit(); });
    }
    void Apply() override {
        box_->setText(FromCp1252(edit_.text));
        Qt::Alignment flag;
        if (AlignmentFlag(edit_.alignment, flag)) box_->setAlignment(flag | Qt::AlignVCenter);
        ok_->setEnabled(false);
    }

private:
    void Commit() {
        edit_.text = ToCp1252(box_->text());
        ok_->setEnabled(false);
        edit_.NotifyChanged();
    }

    TEditControlObject& edit_;
    QLineEdit* box_;
    QPushButton* ok_;
};

// A push button: held down it reads as pressed, a click is a change.
class TLiveButton final : public TLiveControl {
public:
    TLiveButton(TButtonObject& object, QWidget* parent) : TLiveControl(object, parent), button_(object) {
        push_ = new QPushButton(this);
        push_->setObjectName(QStringLiteral("liveButton"));
        push_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout()->addWidget(push_);
        connect(push_, &QPushButton::pressed, this, [this] { button_.pressed = true; });
        connect(push_, &QPushButton::released, this, [this] { button_.pressed = false; });
        connect(push_, &QPushButton::clicked, this, [this] { button_.NotifyChanged(); });
    }
    void Apply() override { push_->setText(NuvixWindows::MnemonicSafe(FromCp1252(button_.text))); }

private:
    TButtonObject& button_;
    QPushButton* push_;
};

// A check box: every click by the user is a change (a script's set property reports its
// own through the object).
class TLiveCheckbox final : public TLiveControl {
public:
    TLiveCheckbox(TCheckboxObject& object, QWidget* parent) : TLiveControl(object, parent), box_(object) {
        check_ = new QCheckBox(this);
        check_->setObjectName(QStringLiteral("liveCheckBox"));
        layout()->addWidget(check_);
        connect(check_, &QCheckBox::clicked, this, [this] {
            box_.checked = check_->isChecked();
            box_.NotifyChanged();
        });
    }
    void Apply() override {
        const QSignalBlocker quiet(check_);
        check_->setText(NuvixWindows::MnemonicSafe(FromCp1252(box_.text)));
        check_->setChecked(box_.checked);
    }

private:
    TCheckboxObject& box_;
    QCheckBox* check_;
};

TLiveControl* MakeLiveControl(TEditObject& object, QWidget* parent) {
    switch (object.TypeId()) {
    case 0:
    case 1:
        return new TLiveLabel(static_cast<TLabelObject&>(object), parent);
    case 2:
        return new TLiveScrollbar(static_cast<TScrollbarObject&>(object), parent);
    case 3:
        return new TLiveEdit(static_cast<TEditControlObject&>(object), parent);
    case 4:
        return new TLiveButton(static_cast<TButtonObject&>(object), parent);
    default:
        return new TLiveCheckbox(static_cast<TCheckboxObject&>(object), parent);
    }
}

} // namespace

TLiveControl* Realise(TEditObject& object, QWidget* parent) {
    TLiveControl* live = MakeLiveControl(object, parent);
    auto* bar = dynamic_cast<TLiveScrollbar*>(live);
    if (bar) bar->quiet = true;
    live->Apply();
    if (bar) bar->quiet = false;
    if (object.TypeId() == 4) static_cast<TButtonObject&>(object).pressed = false;
    live->PlaceOnGrid();
    live->show();
    object.SetChanged(false);
    return live;
}

} // namespace NuvixUserGui
