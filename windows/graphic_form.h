// TGraphicForm: the plot window: numbered tabs of plots, and Delete, Save As Text, To
// Clipboard, Print and Auto-Range for the active one.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <memory>

#include "instruments/plot_call_queue.h"
#include "instruments/plot_model.h"
#include "instruments/plot_window.h"
#include "windows/picture_size_dialog.h"

class QCheckBox;
class QLabel;
class QPrinter;
class QPushButton;
class QTabWidget;
class QTimer;

namespace NuvixWindows {

class TFuncGraphicPanel;

// One per process, created hidden; a plot shows it, and hiding it (closing) discards every
// tab. The tabs and curves live in a TPlotModel, which the calculation thread's calls
// change on the GUI thread, in the order they were made; the pages mirror the model.
class TGraphicForm : public QWidget {
    Q_OBJECT

public:
    explicit TGraphicForm(QWidget* parent = nullptr);
    ~TGraphicForm() override;

    // The window as the plot functions reach it from the calculation thread: the queries
    // wait for the GUI thread's answer, every other call is queued for it.
    NuvixParser::TPlotWindow& PlotWindow();

    // GUI thread only: applies one operation to the model and brings the pages, the active
    // tab and the controls up to date.
    template <class F> auto Apply(F operation) {
        auto answer = operation(model_);
        Mirror();
        return answer;
    }
    const NuvixParser::TPlotModel& Model() const { return model_; }
    // GUI thread only: applies every call of the calculation thread still waiting, at once
    // (the window does so at most once a frame by itself).
    void DrainCalls();
    // The page widget of a tab, or none.
    TFuncGraphicPanel* PageOf(int tab) const;
    int ActiveTab() const;
    void SetActiveTab(int tab);
    // The active tab's view before its last zoom, pan or autoscale by the user.
    bool ZoomBack();

    // Writes the active tab's curves as the plot text file (CR LF rows, 8-bit), through a
    // temporary file renamed over the target, so a failed write leaves an old file as it
    // was. False, with `error` telling why, when it could not be written; false without
    // an error when there is no plot to save.
    bool SaveText(const QString& path, QString* error = nullptr);
    // The active tab's plot with its caption as title, at a size in millimetres converted
    // with the screen's size, on the clipboard as SVG and as an image. False without a
    // plot. The button asks for the size first.
    bool CopyPicture(int widthMm = 100, int heightMm = 75);
    // The active tab's plot with its caption as title, at a size in millimetres, as an SVG
    // or PNG picture or a PDF page, chosen by the file's extension (a PNG at `dotsPerInch`);
    // written through a temporary file. False, with `error` telling why, when it could
    // not be written.
    bool SavePicture(const QString& path, int widthMm, int heightMm, QString* error = nullptr, int dotsPerInch = 96);
    // The file a Save As Picture dialog's choice names: the chosen filter decides the
    // format, and its extension is added to a name that does not end in it.
    static QString PicturePath(const QString& selected, const QString& nameFilter);
    // Prints the active tab's plot: a picture of 150 x 112 mm stretched into a box of 90 %
    // of the page width (three quarters as high on an upright page; 90 % of the height on
    // a lying one), centred. False without a plot or when the printer could not start.
    bool PrintTo(QPrinter& printer);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    class TGuiThreadPlot;
    static constexpr qint64 kFrameMilliseconds = 16;
    void DrainSoon();
    void Mirror();
    void RefreshControls();
    void SetAutoRangeBox(bool checked);
    void DeleteClicked();
    void SaveClicked();
    void PrintClicked();
    void CopyClicked();
    void SavePictureClicked();
    // Paints a tab's plot with its caption as title; none for a tab without a plot.
    TDrawingRoutine DrawingOf(int tab) const;
    void AutoRangeClicked(bool checked);
    void LogClicked();

    NuvixParser::TPlotModel model_;
    NuvixParser::TPlotCallQueue calls_;
    std::unique_ptr<TGuiThreadPlot> plotWindow_;
    QTimer* drainTimer_ = nullptr;
    QElapsedTimer sinceDrain_;

    QPushButton* btnDelete = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnPrint = nullptr;
    QPushButton* btnPicture = nullptr;
    QCheckBox* CbAutoRange = nullptr;
    QPushButton* btnBack = nullptr;
    QCheckBox* CbLogX = nullptr;
    QCheckBox* CbLogY = nullptr;
    QLabel* lblReadout = nullptr;
    QTabWidget* PageControl = nullptr;
    TPictureSizeDialog* sizeDialog_ = nullptr;
    int dotsPerInch_ = 96; // of PNG pictures, as last chosen
    bool guard_ = true; // false while the window itself sets the Auto-Range box
};

} // namespace NuvixWindows
