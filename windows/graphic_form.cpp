// TGraphicForm: the pages mirror the plot model; the buttons act on the active tab.
#include "windows/graphic_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QShortcut>
#include <QSignalBlocker>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <unordered_map>

#include "instruments/graphic_panel.h"
#include "instruments/plot_text_file.h"
#include "instruments/svg_canvas.h"
#include "windows/picture_size_dialog.h"
#include "windows/cp1252.h"
#include "windows/tool_button.h"
#include "windows/func_graphic_panel.h"
#include "windows/gui_thread.h"
#include "windows/mnemonic_text.h"
#include "windows/painter_canvas.h"
#include "windows/plot_picture.h"

namespace NuvixWindows {
namespace {

// A size in millimetres as pixels of the primary screen.
QSize ScreenPixels(int widthMm, int heightMm) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return PicturePixels(widthMm, heightMm, false, screen ? screen->size() : QSize(1, 1),
                         screen ? screen->physicalSize().toSize() : QSize());
}

} // namespace

// The calculation thread's side. Every call goes through the form's call queue, in order;
// the two queries wait, and apply what waits before them, so they see every call made
// before them. Appends answer the curve's point count without waiting: the count is kept
// here, learnt from the window once per curve and forgotten whenever curves may go.
class TGraphicForm::TGuiThreadPlot final : public NuvixParser::TPlotWindow {
public:
    explicit TGuiThreadPlot(TGraphicForm& form) : form_(form) {}

    bool Plot(NuvixParser::TPlotData data) override {
        if (data.tab <= NuvixParser::TPlotModel::kLastTab) {
            std::lock_guard lock(countsMutex_);
            counts_[Key(data.tab, data.curve)] = static_cast<int>(data.x.size());
        }
        return Ask(form_.calls_.PushPlot(std::move(data)));
    }
    int Append(std::uint16_t tab, std::uint16_t curve, double x, double y) override {
        if (tab > NuvixParser::TPlotModel::kLastTab) return 0;
        int count = -1;
        {
            std::lock_guard lock(countsMutex_);
            const auto it = counts_.find(Key(tab, curve));
            if (it != counts_.end()) count = ++it->second;
        }
        if (count < 0) {
            count = CallAndWait(&form_, [f = &form_, tab, curve] {
                        f->DrainCalls();
                        return f->model_.PointCount(tab, curve);
                    }) + 1;
            std::lock_guard lock(countsMutex_);
            counts_[Key(tab, curve)] = count;
        }
        Ask(form_.calls_.PushAppend(tab, curve, x, y));
        return count;
    }
    int TabCount() override {
        return CallAndWait(&form_, [f = &form_] {
            f->DrainCalls();
            return f->Apply([](auto& m) { return m.TabCount(); });
        });
    }
    int CurveCount(int tab) override {
        return CallAndWait(&form_, [f = &form_, tab] {
            f->DrainCalls();
            return f->Apply([&](auto& m) { return m.CurveCount(tab); });
        });
    }
    bool ClearCurve(int tab, int curve) override {
        return Forgetting([=](auto& m) { m.ClearCurve(tab, curve); });
    }
    bool ClearTab(int tab) override {
        return Forgetting([=](auto& m) { m.ClearTab(tab); });
    }
    bool ClearAll() override {
        return Forgetting([](auto& m) { m.ClearAll(); });
    }
    bool SetTitle(int tab, std::string title) override {
        return Queue([=](auto& m) { m.SetTitle(tab, title); });
    }
    bool SetAxisLabels(int tab, std::string x, std::string y) override {
        return Queue([=](auto& m) { m.SetAxisLabels(tab, x, y); });
    }
    bool SetCurveStyle(std::uint16_t tab, std::uint16_t curve, std::uint8_t color, bool connected,
                       std::uint8_t thickness) override {
        return Queue([=](auto& m) { m.SetCurveStyle(tab, curve, color, connected, thickness); });
    }
    bool SetView(int tab, double minX, double minY, double maxX, double maxY) override {
        return Queue([=](auto& m) { m.SetView(tab, minX, minY, maxX, maxY); });
    }
    bool SetAutoScale(int tab, bool x, bool y) override {
        return Queue([=](auto& m) { m.SetAutoScale(tab, x, y); });
    }
    bool SetLogAxes(int tab, bool x, bool y) override {
        return Queue([=](auto& m) { m.SetLogAxes(tab, x, y); });
    }
    bool SetCurveName(std::uint16_t tab, std::uint16_t curve, std::string name) override {
        return Queue([=](auto& m) { m.SetCurveName(tab, curve, name); });
    }

    // Curves may have lost points (the user deleted a tab or closed the window).
    void ForgetCounts() {
        std::lock_guard lock(countsMutex_);
        counts_.clear();
    }

private:
    static std::uint32_t Key(std::uint16_t tab, std::uint16_t curve) { return std::uint32_t{tab} << 16 | curve; }
    // Asks the window's thread to drain the queue when the queue says it must.
    bool Ask(bool needed) {
        return !needed || Post(&form_, [f = &form_] { f->DrainSoon(); });
    }
    template <class F> bool Queue(F operation) {
        return Ask(form_.calls_.PushOther([operation](NuvixParser::TPlotModel& m) { operation(m); }));
    }
    template <class F> bool Forgetting(F operation) {
        ForgetCounts();
        return Queue(operation);
    }

    TGraphicForm& form_;
    std::mutex countsMutex_;
    std::unordered_map<std::uint32_t, int> counts_;
};

TGraphicForm::TGraphicForm(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Plots"));
    resize(495, 311);

    auto* toolBar = new QWidget(this);
    toolBar->setFixedHeight(33);
    auto* buttons = new QHBoxLayout(toolBar);
    buttons->setContentsMargins(3, 3, 3, 3);
    buttons->setSpacing(4);
    btnDelete = MakeToolButton(toolBar, "btnDelete", QStringLiteral("Delete"), QStyle::SP_TrashIcon, 75);
    btnSave = MakeToolButton(toolBar, "btnSave", QStringLiteral("Save As Text"), QStyle::SP_DialogSaveButton, 102);
    btnCopy = MakeToolButton(toolBar, "btnCopy", QStringLiteral("To Clipboard"), QStyle::SP_FileIcon, 94);
    btnPrint = MakeToolButton(toolBar, "btnPrint", QStringLiteral("Print"), QStyle::SP_FileDialogContentsView, 80);
    // A picture button only, so the tool bar keeps to the window's width of 495.
    btnPicture = MakeToolButton(toolBar, "btnPicture", QString(), QStyle::SP_DesktopIcon, 28);
    btnPicture->setToolTip(QStringLiteral("Save As Picture..."));
    CbAutoRange = new QCheckBox(QStringLiteral("Auto-Range"), toolBar);
    CbAutoRange->setObjectName(QStringLiteral("CbAutoRange"));
    CbAutoRange->setChecked(true);
    for (QWidget* w : std::initializer_list<QWidget*>{btnDelete, btnSave, btnCopy, btnPrint, btnPicture, CbAutoRange})
        buttons->addWidget(w);
    buttons->addStretch();

    // Under the plot: the readout of the pointer, then zoom back and the logarithmic axes,
    // so the tool bar keeps to the window's width.
    auto* statusBar = new QWidget(this);
    auto* status = new QHBoxLayout(statusBar);
    status->setContentsMargins(4, 1, 3, 1);
    status->setSpacing(3);
    lblReadout = new QLabel(statusBar);
    lblReadout->setObjectName(QStringLiteral("lblReadout"));
    lblReadout->setTextFormat(Qt::PlainText); // whatever the values read
    lblReadout->setMinimumWidth(1);
    lblReadout->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    btnBack = MakeToolButton(statusBar, "btnBack", QString(), QStyle::SP_ArrowBack, 28);
    btnBack->setToolTip(QStringLiteral("Zoom back (Backspace)"));
    CbLogX = new QCheckBox(QStringLiteral("log x"), statusBar);
    CbLogX->setObjectName(QStringLiteral("CbLogX"));
    CbLogY = new QCheckBox(QStringLiteral("log y"), statusBar);
    CbLogY->setObjectName(QStringLiteral("CbLogY"));
    for (QCheckBox* b : {CbLogX, CbLogY}) {
        b->setFocusPolicy(Qt::TabFocus);
        b->setToolTip(QStringLiteral("Logarithmic axis"));
    }
    status->addWidget(lblReadout, 1);
    for (QWidget* w : std::initializer_list<QWidget*>{btnBack, CbLogX, CbLogY}) status->addWidget(w);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(PageControl);
    layout->addWidget(statusBar);

    connect(btnDelete, &QPushButton::clicked, this, &TGraphicForm::DeleteClicked);
    connect(btnSave, &QPushButton::clicked, this, &TGraphicForm::SaveClicked);
    connect(btnCopy, &QPushButton::clicked, this, &TGraphicForm::CopyClicked);
    connect(btnPrint, &QPushButton::clicked, this, &TGraphicForm::PrintClicked);
    connect(btnPicture, &QPushButton::clicked, this, &TGraphicForm::SavePictureClicked);
    connect(CbAutoRange, &QCheckBox::toggled, this, &TGraphicForm::AutoRangeClicked);
    connect(btnBack, &QPushButton::clicked, this, [this] { ZoomBack(); });
    connect(CbLogX, &QCheckBox::toggled, this, [this] { LogClicked(); });
    connect(CbLogY, &QCheckBox::toggled, this, [this] { LogClicked(); });
    auto* back = new QShortcut(QKeySequence(Qt::Key_Backspace), this);
    connect(back, &QShortcut::activated, this, [this] { ZoomBack(); });
    auto* copy = new QShortcut(QKeySequence::Copy, this);
    connect(copy, &QShortcut::activated, this, [this] {
        if (TFuncGraphicPanel* page = PageOf(ActiveTab())) page->CopySnapped();
    });

    plotWindow_ = std::make_unique<TGuiThreadPlot>(*this);
    drainTimer_ = new QTimer(this);
    drainTimer_->setSingleShot(true);
    connect(drainTimer_, &QTimer::timeout, this, &TGraphicForm::DrainCalls);
    connect(PageControl, &QTabWidget::currentChanged, this, [this] { RefreshControls(); });
    sizeDialog_ = new TPictureSizeDialog(this);
    RefreshControls();
}

TGraphicForm::~TGraphicForm() = default;

NuvixParser::TPlotWindow& TGraphicForm::PlotWindow() {
    return *plotWindow_;
}

TFuncGraphicPanel* TGraphicForm::PageOf(int tab) const {
    return tab >= 0 && tab < PageControl->count() ? static_cast<TFuncGraphicPanel*>(PageControl->widget(tab)) : nullptr;
}

int TGraphicForm::ActiveTab() const {
    return PageControl->currentIndex();
}

void TGraphicForm::SetActiveTab(int tab) {
    if (tab >= 0 && tab < PageControl->count()) PageControl->setCurrentIndex(tab);
}

// At most once a frame: a loop that plots faster than the screen shows gets its calls
// folded meanwhile, and the window's thread stays free for the user.
void TGraphicForm::DrainSoon() {
    if (drainTimer_->isActive()) return;
    const qint64 since = sinceDrain_.isValid() ? sinceDrain_.elapsed() : kFrameMilliseconds;
    if (since >= kFrameMilliseconds)
        DrainCalls();
    else
        drainTimer_->start(static_cast<int>(kFrameMilliseconds - since));
}

void TGraphicForm::DrainCalls() {
    drainTimer_->stop();
    sinceDrain_.start();
    const NuvixParser::TPlotCallQueue::TDrained drained = calls_.Drain(model_);
    if (drained.calls == 0) return;
    Mirror();
    if (drained.plotted) SetActiveTab(model_.ActiveTab());
}

// Pages are added and removed at the end only, as the model's tabs are. The pages that stay
// learn their plots first: removing a page shows another, and nothing may read a plot the
// model has gone on from meanwhile (the controls are refreshed once, at the end).
void TGraphicForm::Mirror() {
    const auto& tabs = model_.Tabs();
    const int n = static_cast<int>(tabs.size());
    const QSignalBlocker quiet(PageControl);
    for (int i = 0; i < std::min(n, PageControl->count()); ++i) PageOf(i)->SetPanel(tabs[i].panel.get());
    for (int i = n; i < PageControl->count(); ++i) PageOf(i)->SetPanel(nullptr);
    while (PageControl->count() > n) {
        QWidget* page = PageControl->widget(PageControl->count() - 1);
        PageControl->removeTab(PageControl->count() - 1);
        delete page;
    }
    while (PageControl->count() < n) {
        auto* page = new TFuncGraphicPanel(PageControl);
        page->setFont(PlotFont());
        connect(page, &TFuncGraphicPanel::ReadoutChanged, lblReadout, [this](const QString& text) {
            lblReadout->setText(text);
            lblReadout->setToolTip(text); // the whole text, where the line cuts it
        });
        connect(page, &TFuncGraphicPanel::ViewChanged, this, [this] { RefreshControls(); });
        PageControl->addTab(page, QString());
    }
    for (int i = 0; i < n; ++i) {
        const QString caption = MnemonicSafe(FromCp1252(tabs[i].caption));
        if (PageControl->tabText(i) != caption) PageControl->setTabText(i, caption);
        PageOf(i)->SetPanel(tabs[i].panel.get());
    }
    RefreshControls();
    if (model_.Visible() && !isVisible()) show();
}

void TGraphicForm::SetAutoRangeBox(bool checked) {
    guard_ = false;
    CbAutoRange->setChecked(checked);
    guard_ = true;
}

void TGraphicForm::RefreshControls() {
    btnDelete->setEnabled(PageControl->count() > 0);
    const TFuncGraphicPanel* page = PageOf(ActiveTab());
    const NuvixParser::TPlotPanel* panel = page ? page->Panel() : nullptr;
    if (panel) SetAutoRangeBox(panel->autoScaleX && panel->autoScaleY);
    const bool hasCurves = panel && !panel->curves.empty();
    for (QWidget* w : std::initializer_list<QWidget*>{btnSave, btnCopy, btnPicture, CbAutoRange, CbLogX, CbLogY})
        w->setEnabled(hasCurves);
    btnPrint->setEnabled(true);
    guard_ = false;
    CbLogX->setChecked(panel && panel->xLog);
    CbLogY->setChecked(panel && panel->yLog);
    guard_ = true;
    btnBack->setEnabled(page && page->CanZoomBack());
}

void TGraphicForm::LogClicked() {
    if (!guard_) return;
    TFuncGraphicPanel* page = PageOf(ActiveTab());
    if (!page || !page->Panel()) return;
    page->Panel()->xLog = CbLogX->isChecked();
    page->Panel()->yLog = CbLogY->isChecked();
    page->Panel()->Rescale();
    page->update();
}

bool TGraphicForm::ZoomBack() {
    TFuncGraphicPanel* page = PageOf(ActiveTab());
    const bool went = page && page->ZoomBack();
    RefreshControls();
    return went;
}

// Closing the window discards every plot.
void TGraphicForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) return; // minimised, not closed
    plotWindow_->ForgetCounts();
    Apply([](NuvixParser::TPlotModel& m) {
        m.Hide();
        return true;
    });
}

void TGraphicForm::DeleteClicked() {
    const int tab = ActiveTab();
    plotWindow_->ForgetCounts();
    if (tab >= 0) Apply([tab](NuvixParser::TPlotModel& m) { return m.ClearTab(tab); });
}

void TGraphicForm::AutoRangeClicked(bool checked) {
    if (!guard_) return;
    TFuncGraphicPanel* page = PageOf(ActiveTab());
    if (!page || !page->Panel()) return;
    page->Panel()->autoScaleX = page->Panel()->autoScaleY = checked;
    if (checked) page->Panel()->Rescale();
    page->update();
}

bool TGraphicForm::SaveText(const QString& path, QString* error) {
    const TFuncGraphicPanel* page = PageOf(ActiveTab());
    if (!page || !page->Panel()) return false;
    const bool csv = QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
    const std::string bytes = csv ? NuvixParser::PlotCsv(*page->Panel()) : NuvixParser::PlotText(*page->Panel());
    QSaveFile file(path);
    const auto size = static_cast<qint64>(bytes.size());
    if (file.open(QIODevice::WriteOnly) && file.write(bytes.data(), size) == size && file.commit()) return true;
    if (error) *error = file.errorString();
    file.cancelWriting();
    return false;
}

void TGraphicForm::SaveClicked() {
    const TFuncGraphicPanel* page = PageOf(ActiveTab());
    if (!page || !page->Panel()) return;
    QFileDialog dialog(this, QStringLiteral("Save plot as text file"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Text files (*.txt)"), QStringLiteral("CSV files (*.csv)"),
                           QStringLiteral("All files (*.*)")});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter.contains(QLatin1String("*.csv")) ? QStringLiteral("csv") : QStringLiteral("txt"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    QString path = dialog.selectedFiles().constFirst();
    // The CSV filter writes CSV, whatever the name says.
    if (dialog.selectedNameFilter().contains(QLatin1String("*.csv")) && !path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        path += QLatin1String(".csv");
    if (!SaveText(path))
        QMessageBox::warning(this, QStringLiteral("Save As ASCII file"), QStringLiteral("Error creating file ") + path);
}

TDrawingRoutine TGraphicForm::DrawingOf(int tab) const {
    const TFuncGraphicPanel* page = PageOf(tab);
    if (!page || !page->Panel()) return nullptr;
    // The drawing looks the tab up when it runs: while the size dialog is open, its event
    // loop goes on handling queued plot calls, which may change or remove the tab.
    return [this, tab](NuvixParser::TPlotCanvas& canvas, int width, int height) {
        const auto& tabs = model_.Tabs();
        if (tab >= static_cast<int>(tabs.size()) || !tabs[tab].panel) return;
        NuvixParser::TGraphicPanel drawing;
        drawing.Paint(canvas, *tabs[tab].panel, tabs[tab].caption, width, height);
    };
}

bool TGraphicForm::CopyPicture(int widthMm, int heightMm) {
    const TDrawingRoutine draw = DrawingOf(ActiveTab());
    if (!draw) return false;
    PutOnClipboard(MakePicture(widthMm, heightMm, draw, false));
    return true;
}

void TGraphicForm::CopyClicked() {
    const TDrawingRoutine draw = DrawingOf(ActiveTab());
    if (!draw) return;
    int width = 100, height = 75;
    sizeDialog_->AskAndCopy(width, height, draw, false);
}

QString TGraphicForm::PicturePath(const QString& selected, const QString& nameFilter) {
    // "PNG images (*.png)": the extension between "*." and ")".
    const int from = nameFilter.indexOf(QLatin1String("(*."));
    const int to = nameFilter.indexOf(QLatin1Char(')'), from);
    if (from < 0 || to < 0) return selected;
    const QString extension = nameFilter.mid(from + 3, to - from - 3);
    if (QFileInfo(selected).suffix().compare(extension, Qt::CaseInsensitive) == 0) return selected;
    return selected + QLatin1Char('.') + extension;
}

bool TGraphicForm::SavePicture(const QString& path, int widthMm, int heightMm, QString* error, int dotsPerInch) {
    const TDrawingRoutine draw = DrawingOf(ActiveTab());
    if (!draw) return false;
    const QString suffix = QFileInfo(path).suffix().toLower();
    // Sizes of 0 or below give a picture of one pixel, as on the clipboard.
    const QSize pixels = ScreenPixels(widthMm, heightMm).expandedTo(QSize(1, 1));
    QByteArray bytes;
    if (suffix == QLatin1String("pdf")) {
        bytes = PdfPicture(draw, pixels, QSizeF(std::max(widthMm, 1), std::max(heightMm, 1)));
    } else if (suffix == QLatin1String("png")) {
        const auto fine = [&](int mm) { return std::max(1, static_cast<int>(std::lround(mm * dotsPerInch / 25.4))); };
        bytes = PngPicture(draw, pixels, QSize(fine(widthMm), fine(heightMm)), dotsPerInch);
    } else {
        NuvixParser::TSvgCanvas svg;
        draw(svg, pixels.width(), pixels.height());
        bytes = QByteArray::fromStdString(svg.Document(pixels.width(), pixels.height()));
    }
    QSaveFile file(path);
    if (!bytes.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error) *error = bytes.isEmpty() ? QStringLiteral("the picture could not be made") : file.errorString();
    file.cancelWriting();
    return false;
}

void TGraphicForm::SavePictureClicked() {
    if (!DrawingOf(ActiveTab())) return;
    int width = 100, height = 75;
    if (!sizeDialog_->AskSize(width, height, false, &dotsPerInch_)) return;
    QFileDialog dialog(this, QStringLiteral("Save plot as picture"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("SVG pictures (*.svg)"), QStringLiteral("PDF documents (*.pdf)"),
                           QStringLiteral("PNG images (*.png)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = PicturePath(dialog.selectedFiles().constFirst(), dialog.selectedNameFilter());
    QString error;
    if (!SavePicture(path, width, height, &error, dotsPerInch_))
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Cannot save %1:\n%2").arg(path, error));
}

bool TGraphicForm::PrintTo(QPrinter& printer) {
    const int tab = ActiveTab();
    const TFuncGraphicPanel* page = PageOf(tab);
    if (!page || !page->Panel()) return false;
    printer.setDocName(QStringLiteral("Calculator Plot"));
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const int pw = printer.width(), ph = printer.height();
    const int w = static_cast<int>(0.9 * pw);
    const int h = pw < ph ? static_cast<int>(0.75 * w) : static_cast<int>(0.9 * ph);
    const QSize picture = ScreenPixels(150, 112);
    painter.translate((pw - w) / 2, (ph - h) / 2);
    painter.scale(static_cast<double>(w) / picture.width(), static_cast<double>(h) / picture.height());
    TFuncGraphicPanel::Render(painter, *page->Panel(), model_.Tabs()[tab].caption, picture.width(), picture.height(),
                              page->font());
    return painter.end();
}

void TGraphicForm::PrintClicked() {
    if (!PageOf(ActiveTab()) || !PageOf(ActiveTab())->Panel()) return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (!PrintTo(printer)) QMessageBox::critical(this, windowTitle(), QStringLiteral("Printing failed."));
}

} // namespace NuvixWindows
