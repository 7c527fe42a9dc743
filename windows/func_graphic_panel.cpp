// TFuncGraphicPanel: painting through TGraphicPanel, and the mouse zoom.
#include "windows/func_graphic_panel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <algorithm>

#include "instruments/plot_model.h"
#include "windows/painter_canvas.h"

namespace NuvixWindows {
namespace {

constexpr int kDragThreshold = 5; // a drag of this many pixels or fewer is a click

}

TFuncGraphicPanel::TFuncGraphicPanel(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    band_ = new QRubberBand(QRubberBand::Rectangle, this);
}

void TFuncGraphicPanel::SetPanel(NuvixParser::TPlotPanel* panel) {
    panel_ = panel;
    update();
}

void TFuncGraphicPanel::Render(QPainter& painter, const NuvixParser::TPlotPanel& panel, std::string_view title,
                               int width, int height, const QFont& font) {
    TPainterCanvas canvas(painter, font);
    NuvixParser::TGraphicPanel drawing;
    drawing.Paint(canvas, panel, title, width, height);
}

void TFuncGraphicPanel::paintEvent(QPaintEvent*) {
    if (!panel_) return;
    QPainter painter(this);
    TPainterCanvas canvas(painter, font());
    drawing_.Paint(canvas, *panel_, "", width(), height());
}

QPoint TFuncGraphicPanel::ClampToPlot(QPoint p) const {
    const NuvixParser::TPlotLayout& l = drawing_.Layout();
    return {std::clamp(p.x(), l.left, std::max(l.left, l.right)), std::clamp(p.y(), l.top, std::max(l.top, l.bottom))};
}

void TFuncGraphicPanel::mousePressEvent(QMouseEvent* event) {
    if (!panel_) return;
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        anchor_ = ClampToPlot(p);
        selecting_ = false;
        return;
    }
    const NuvixParser::TPlotLayout& l = drawing_.Layout();
    if (event->button() == Qt::RightButton && p.x() > l.left && p.x() < l.right && p.y() > l.top && p.y() < l.bottom) {
        panel_->autoScaleX = panel_->autoScaleY = true;
        panel_->Rescale();
        update();
    }
}

void TFuncGraphicPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!panel_) return;
    const QPoint p = ClampToPlot(event->position().toPoint());
    if (!(event->buttons() & Qt::LeftButton)) {
        if (selecting_) FinishZoom(p);
        return;
    }
    if (!selecting_ && (p - anchor_).manhattanLength() > kDragThreshold) {
        selecting_ = true;
        band_->show();
    }
    if (selecting_) band_->setGeometry(QRect(anchor_, p).normalized());
}

void TFuncGraphicPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (panel_ && selecting_ && event->button() == Qt::LeftButton) FinishZoom(ClampToPlot(event->position().toPoint()));
}

// The rectangle's edges, turned into data values by the mapping of the last paint, become
// the fixed ranges.
void TFuncGraphicPanel::FinishZoom(QPoint corner) {
    selecting_ = false;
    band_->hide();
    const QRect r = QRect(anchor_, corner).normalized();
    panel_->autoScaleX = panel_->autoScaleY = false;
    panel_->SetXRange(drawing_.XValueAt(r.left()), drawing_.XValueAt(r.right()));
    panel_->SetYRange(drawing_.YValueAt(r.top()), drawing_.YValueAt(r.bottom()));
    update();
}

} // namespace NuvixWindows
