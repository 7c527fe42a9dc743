// TGraphicForm: the pages mirror the plot model; the buttons act on the active tab.
#include "windows/graphic_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "instruments/graphic_panel.h"
#include "instruments/plot_text_file.h"
#include "instruments/svg_canvas.h"
#include "windows/clipb_form.h"
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

// The calculation thread's side. Posted calls carry their arguments by value; the two
// queries wait, so they see every call queued before them.
class TGraphicForm::TGuiThreadPlot final : public NuvixParser::TPlotWindow {
public:
    explicit TGuiThreadPlot(TGraphicForm& form) : form_(form) {}

    bool Plot(NuvixParser::TPlotData data) override {
        return Post(&form_, [f = &form_, data = std::move(data)]() mutable {
            const int tab = data.tab;
            f->Apply([&](NuvixParser::TPlotModel& m) { return m.Plot(std::move(data)); });
            if (tab <= NuvixParser::TPlotModel::kLastTab) f->SetActiveTab(tab);
        });
    }
    int TabCount() override {
        return CallAndWait(&form_, [f = &form_] { return f->Apply([](auto& m) { return m.TabCount(); }); });
    }
    int CurveCount(int tab) override {
        return CallAndWait(&form_, [f = &form_, tab] { return f->Apply([&](auto& m) { return m.CurveCount(tab); }); });
    }
    bool ClearCurve(int tab, int curve) override {
        return Queue([=](auto& m) { return m.ClearCurve(tab, curve); });
    }
    bool ClearTab(int tab) override {
        return Queue([=](auto& m) { return m.ClearTab(tab); });
    }
    bool ClearAll() override {
        return Queue([](auto& m) { return m.ClearAll(); });
    }
    bool SetTitle(int tab, std::string title) override {
        return Queue([=](auto& m) { return m.SetTitle(tab, title); });
    }
    bool SetAxisLabels(int tab, std::string x, std::string y) override {
        return Queue([=](auto& m) { return m.SetAxisLabels(tab, x, y); });
    }
    bool SetCurveStyle(std::uint16_t tab, std::uint16_t curve, std::uint8_t color, bool connected,
                       std::uint8_t thickness) override {
        return Queue([=](auto& m) { return m.SetCurveStyle(tab, curve, color, connected, thickness); });
    }
    bool SetView(int tab, double minX, double minY, double maxX, double maxY) override {
        return Queue([=](auto& m) { return m.SetView(tab, minX, minY, maxX, maxY); });
    }
    bool SetAutoScale(int tab, bool x, bool y) override {
        return Post(&form_, [f = &form_, tab, x, y] {
            f->Apply([&](auto& m) { return m.SetAutoScale(tab, x, y); });
            // The box shows the active tab's state; a script's setting shows at once.
            if (tab == f->ActiveTab()) f->SetAutoRangeBox(x && y);
        });
    }

private:
    template <class F> bool Queue(F operation) {
        return Post(&form_, [f = &form_, operation] { f->Apply(operation); });
    }
    TGraphicForm& form_;
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

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(PageControl);

    connect(btnDelete, &QPushButton::clicked, this, &TGraphicForm::DeleteClicked);
    connect(btnSave, &QPushButton::clicked, this, &TGraphicForm::SaveClicked);
    connect(btnCopy, &QPushButton::clicked, this, &TGraphicForm::CopyClicked);
    connect(btnPrint, &QPushButton::clicked, this, &TGraphicForm::PrintClicked);
    connect(btnPicture, &QPushButton::clicked, this, &TGraphicForm::SavePictureClicked);
    connect(CbAutoRange, &QCheckBox::toggled, this, &TGraphicForm::AutoRangeClicked);

    plotWindow_ = std::make_unique<TGuiThreadPlot>(*this);
    clipbForm_ = new TClipbForm(this);
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

// Pages are added and removed at the end only, as the model's tabs are.
void TGraphicForm::Mirror() {
    const auto& tabs = model_.Tabs();
    const int n = static_cast<int>(tabs.size());
    while (PageControl->count() > n) {
        QWidget* page = PageControl->widget(PageControl->count() - 1);
        PageControl->removeTab(PageControl->count() - 1);
        delete page;
    }
    while (PageControl->count() < n) {
        auto* page = new TFuncGraphicPanel(PageControl);
        page->setFont(PlotFont());
        PageControl->addTab(page, QString());
    }
    for (int i = 0; i < n; ++i) {
        PageControl->setTabText(i, MnemonicSafe(FromCp1252(tabs[i].caption)));
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
    for (QWidget* w : std::initializer_list<QWidget*>{btnSave, btnCopy, btnPicture, CbAutoRange})
        w->setEnabled(hasCurves);
    btnPrint->setEnabled(true);
}

// Closing the window discards every plot.
void TGraphicForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) return; // minimised, not closed
    Apply([](NuvixParser::TPlotModel& m) {
        m.Hide();
        return true;
    });
}

void TGraphicForm::DeleteClicked() {
    const int tab = ActiveTab();
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
    const std::string bytes = NuvixParser::PlotText(*page->Panel());
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
    dialog.setNameFilters({QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*.*)")});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().constFirst();
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
    clipbForm_->AskAndCopy(width, height, draw, false);
}

bool TGraphicForm::SavePicture(const QString& path, int widthMm, int heightMm, QString* error) {
    const TDrawingRoutine draw = DrawingOf(ActiveTab());
    if (!draw) return false;
    const QString suffix = QFileInfo(path).suffix().toLower();
    // Sizes of 0 or below give a picture of one pixel, as on the clipboard.
    const QSize pixels = ScreenPixels(widthMm, heightMm).expandedTo(QSize(1, 1));
    QByteArray bytes;
    if (suffix == QLatin1String("pdf")) {
        bytes = PdfPicture(draw, pixels, QSizeF(std::max(widthMm, 1), std::max(heightMm, 1)));
    } else if (suffix == QLatin1String("png")) {
        bytes = PngPicture(draw, pixels);
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
    if (!clipbForm_->AskSize(width, height, false)) return;
    QFileDialog dialog(this, QStringLiteral("Save plot as picture"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("SVG pictures (*.svg)"), QStringLiteral("PDF documents (*.pdf)"),
                           QStringLiteral("PNG images (*.png)")});
    dialog.setDefaultSuffix(QStringLiteral("svg"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().constFirst();
    QString error;
    if (!SavePicture(path, width, height, &error))
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
