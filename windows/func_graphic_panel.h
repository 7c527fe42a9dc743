// TFuncGraphicPanel: the widget of one plot tab: draws its plot and zooms with the mouse.
#pragma once

#include <QPoint>
#include <QWidget>
#include <string_view>

#include "instruments/graphic_panel.h"

class QPainter;
class QRubberBand;

namespace NuvixParser {
struct TPlotPanel;
}

namespace NuvixWindows {

// Shows a plot that the plot window's model owns; a page whose plot was cleared shows
// nothing. Mouse zoom: a left-button drag of more than 5 pixels selects a rectangle whose
// data ranges become the fixed view (autoscaling off); a right click inside the plot
// switches autoscaling on again.
class TFuncGraphicPanel : public QWidget {
    Q_OBJECT

public:
    explicit TFuncGraphicPanel(QWidget* parent = nullptr);

    // Not owned; none for an empty page.
    void SetPanel(NuvixParser::TPlotPanel* panel);
    NuvixParser::TPlotPanel* Panel() const { return panel_; }
    const NuvixParser::TGraphicPanel& Drawing() const { return drawing_; }

    // Draws a plot onto any device at a size in its pixels, with `title` above it when not
    // empty: the same drawing as on screen, for pictures and printing.
    static void Render(QPainter& painter, const NuvixParser::TPlotPanel& panel, std::string_view title, int width,
                       int height, const QFont& font);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint ClampToPlot(QPoint p) const;
    void FinishZoom(QPoint corner);

    NuvixParser::TPlotPanel* panel_ = nullptr;
    NuvixParser::TGraphicPanel drawing_;
    QRubberBand* band_ = nullptr;
    QPoint anchor_;
    bool selecting_ = false;
};

} // namespace NuvixWindows
