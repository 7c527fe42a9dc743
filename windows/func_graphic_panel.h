// TFuncGraphicPanel: the widget of one plot tab: draws its plot, reads values off it, zooms
// and pans with the mouse.
#pragma once

#include <QElapsedTimer>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <optional>
#include <string_view>
#include <vector>

#include "instruments/graphic_panel.h"

class QPainter;
class QRubberBand;
class QTimer;

namespace NuvixParser {
struct TPlotPanel;
}

namespace NuvixWindows {

// Shows a plot that the plot window's model owns; a page whose plot was cleared shows
// nothing.
// - Readout: the pointer's x and y over the plot, in the axes' number format; with Shift,
//   the nearest point of the nearest curve, with its curve number, index and exact values
//   (CopySnapped puts them on the clipboard as "x<TAB>y").
// - Left drag of more than 5 pixels: the selected rectangle becomes the fixed view; a drag
//   that starts on the legend moves the legend.
// - Middle drag, or Ctrl and left drag: pans. The wheel zooms about the pointer (Shift: x
//   only, Ctrl: y only). Each of these fixes the view (autoscaling off).
// - Right click inside the plot: autoscaling on again.
// - ZoomBack: the view before the last zoom, pan or autoscale, as far back as they go.
class TFuncGraphicPanel : public QWidget {
    Q_OBJECT

public:
    explicit TFuncGraphicPanel(QWidget* parent = nullptr);

    // Not owned; none for an empty page. A different plot starts a new zoom history.
    void SetPanel(NuvixParser::TPlotPanel* panel);
    NuvixParser::TPlotPanel* Panel() const { return panel_; }
    const NuvixParser::TGraphicPanel& Drawing() const { return drawing_; }
    // Repaints, but at most once a frame: a plot changed by a fast loop is drawn at the
    // screen's pace.
    void RequestRepaint();
    int PaintCount() const { return paints_; }

    // The readout of a pointer position (empty outside the plot); with `snap`, of the
    // nearest point, which then is the one CopySnapped copies.
    QString ReadoutAt(QPoint p, bool snap);
    // Puts the snapped point on the clipboard as "x<TAB>y"; false when none is snapped.
    bool CopySnapped() const;
    bool ZoomBack();
    bool CanZoomBack() const { return !history_.empty(); }

    // Draws a plot onto any device at a size in its pixels, with `title` above it when not
    // empty: the same drawing as on screen, for pictures and printing.
    static void Render(QPainter& painter, const NuvixParser::TPlotPanel& panel, std::string_view title, int width,
                       int height, const QFont& font);

signals:
    void ReadoutChanged(const QString& text);
    // The view changed by the user's zoom, pan or autoscale.
    void ViewChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct TView {
        double xMin, xMax, yMin, yMax;
        bool autoX, autoY;
    };
    struct TSnap {
        int curve;
        std::size_t index;
        double x, y;
    };
    QPoint ClampToPlot(QPoint p) const;
    bool InsidePlot(QPoint p) const;
    void FinishZoom(QPoint corner);
    void PushView();
    void FixView(double xMin, double xMax, double yMin, double yMax);

    NuvixParser::TPlotPanel* panel_ = nullptr;
    NuvixParser::TGraphicPanel drawing_;
    QRubberBand* band_ = nullptr;
    QTimer* repaintTimer_ = nullptr;
    QElapsedTimer sincePaint_;
    int paints_ = 0;
    QPoint anchor_;
    bool selecting_ = false;
    // Panning: the pointer and the view where the drag began.
    bool panning_ = false;
    TView panFrom_{};
    // Moving the legend: its offset where the drag began.
    bool movingLegend_ = false;
    QPoint legendFrom_;
    std::vector<TView> history_;
    std::optional<TSnap> snapped_;
};

} // namespace NuvixWindows
