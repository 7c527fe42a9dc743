// TFuncGraphicPanel: painting through TGraphicPanel, the readout, and zooming and panning
// with the mouse.
#include "windows/func_graphic_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "instruments/plot_model.h"
#include "windows/cp1252.h"
#include "windows/painter_canvas.h"

namespace NuvixWindows {
namespace {

constexpr int kDragThreshold = 5; // a drag of this many pixels or fewer is a click
constexpr double kWheelZoom = 0.8; // the part of the view one wheel step keeps
constexpr std::size_t kHistoryDepth = 100;

// The shortest text that reads back as the same double: the exact value of a point.
QString Exact(double v) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return QString::fromLatin1(buffer, static_cast<int>(result.ptr - buffer));
}

// A range moved or scaled in the axis's own measure (log10 on a logarithmic axis), about
// `at`: the measure of lo and hi is at + (measure - at) * factor - shift.
void Transform(const NuvixParser::TAxisScale& scale, double& lo, double& hi, double at, double factor, double shift) {
    const double a = scale.Map(lo), b = scale.Map(hi);
    if (!std::isfinite(a) || !std::isfinite(b)) return;
    const double newLo = scale.Unmap(at + (a - at) * factor - shift), newHi = scale.Unmap(at + (b - at) * factor - shift);
    if (std::isfinite(newLo) && std::isfinite(newHi) && newLo < newHi) {
        lo = newLo;
        hi = newHi;
    }
}

} // namespace

TFuncGraphicPanel::TFuncGraphicPanel(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setMouseTracking(true);
    band_ = new QRubberBand(QRubberBand::Rectangle, this);
    repaintTimer_ = new QTimer(this);
    repaintTimer_->setSingleShot(true);
    connect(repaintTimer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void TFuncGraphicPanel::SetPanel(NuvixParser::TPlotPanel* panel) {
    if (panel != panel_) {
        history_.clear();
        snapped_.reset();
        panel_ = panel;
        update();
        return;
    }
    RequestRepaint();
}

void TFuncGraphicPanel::RequestRepaint() {
    if (repaintTimer_->isActive()) return;
    const QScreen* s = screen();
    const double rate = s && s->refreshRate() > 1 ? s->refreshRate() : 60;
    const qint64 frame = static_cast<qint64>(1000 / rate);
    const qint64 since = sincePaint_.isValid() ? sincePaint_.elapsed() : frame;
    if (since >= frame)
        update();
    else
        repaintTimer_->start(static_cast<int>(frame - since));
}

void TFuncGraphicPanel::Render(QPainter& painter, const NuvixParser::TPlotPanel& panel, std::string_view title,
                               int width, int height, const QFont& font) {
    TPainterCanvas canvas(painter, font);
    NuvixParser::TGraphicPanel drawing;
    drawing.Paint(canvas, panel, title, width, height);
}

void TFuncGraphicPanel::paintEvent(QPaintEvent*) {
    repaintTimer_->stop();
    sincePaint_.start();
    ++paints_;
    if (!panel_) return;
    QPainter painter(this);
    TPainterCanvas canvas(painter, font());
    drawing_.Paint(canvas, *panel_, "", width(), height());
}

QPoint TFuncGraphicPanel::ClampToPlot(QPoint p) const {
    const NuvixParser::TPlotLayout& l = drawing_.Layout();
    return {std::clamp(p.x(), l.left, std::max(l.left, l.right)), std::clamp(p.y(), l.top, std::max(l.top, l.bottom))};
}

bool TFuncGraphicPanel::InsidePlot(QPoint p) const {
    const NuvixParser::TPlotLayout& l = drawing_.Layout();
    return drawing_.Drawn() && p.x() >= l.left && p.x() <= l.right && p.y() >= l.top && p.y() <= l.bottom;
}

QString TFuncGraphicPanel::ReadoutAt(QPoint p, bool snap) {
    snapped_.reset();
    if (!panel_ || !InsidePlot(p)) return {};
    if (!snap) {
        const double x = drawing_.XValueAt(p.x()), y = drawing_.YValueAt(p.y());
        return QStringLiteral("x = %1  y = %2")
            .arg(FromCp1252(drawing_.XScale().ValueText(x)), FromCp1252(drawing_.YScale().ValueText(y)));
    }
    // The nearest point on screen of any curve; points without a place are passed over.
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t c = 0; c < panel_->curves.size(); ++c) {
        if (!panel_->curves[c]) continue;
        const NuvixParser::TPlotCurve& curve = *panel_->curves[c];
        const std::size_t n = std::min(curve.x.size(), curve.y.size());
        for (std::size_t i = 0; i < n; ++i) {
            const double dx = drawing_.XPixelOf(curve.x[i]) - p.x(), dy = drawing_.YPixelOf(curve.y[i]) - p.y();
            const double d = dx * dx + dy * dy;
            if (d < best) {
                best = d;
                snapped_ = TSnap{static_cast<int>(c), i, curve.x[i], curve.y[i]};
            }
        }
    }
    if (!snapped_) return {};
    return QStringLiteral("curve %1 [%2]  x = %3  y = %4")
        .arg(snapped_->curve)
        .arg(snapped_->index)
        .arg(Exact(snapped_->x), Exact(snapped_->y));
}

bool TFuncGraphicPanel::CopySnapped() const {
    if (!snapped_) return false;
    QApplication::clipboard()->setText(Exact(snapped_->x) + QLatin1Char('\t') + Exact(snapped_->y));
    return true;
}

void TFuncGraphicPanel::PushView() {
    if (!panel_) return;
    const NuvixParser::TPlotPanel& p = *panel_;
    history_.push_back({p.xMin, p.xMax, p.yMin, p.yMax, p.autoScaleX, p.autoScaleY});
    if (history_.size() > kHistoryDepth) history_.erase(history_.begin());
}

bool TFuncGraphicPanel::ZoomBack() {
    if (!panel_ || history_.empty()) return false;
    const TView v = history_.back();
    history_.pop_back();
    panel_->autoScaleX = v.autoX;
    panel_->autoScaleY = v.autoY;
    panel_->SetXRange(v.xMin, v.xMax);
    panel_->SetYRange(v.yMin, v.yMax);
    if (v.autoX || v.autoY) panel_->Rescale(); // the data may have grown meanwhile
    update();
    emit ViewChanged();
    return true;
}

void TFuncGraphicPanel::FixView(double xMin, double xMax, double yMin, double yMax) {
    panel_->autoScaleX = panel_->autoScaleY = false;
    panel_->SetXRange(xMin, xMax);
    panel_->SetYRange(yMin, yMax);
    update();
    emit ViewChanged();
}

void TFuncGraphicPanel::mousePressEvent(QMouseEvent* event) {
    if (!panel_) return;
    const QPoint p = event->position().toPoint();
    const bool pan = event->button() == Qt::MiddleButton ||
                     (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier));
    if (pan && InsidePlot(p)) {
        panning_ = true;
        anchor_ = p;
        PushView();
        panFrom_ = history_.back();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        if (drawing_.Legend().Contains(p.x(), p.y())) {
            movingLegend_ = true;
            anchor_ = p;
            legendFrom_ = QPoint(panel_->legendDx, panel_->legendDy);
            return;
        }
        anchor_ = ClampToPlot(p);
        selecting_ = false;
        return;
    }
    const NuvixParser::TPlotLayout& l = drawing_.Layout();
    if (event->button() == Qt::RightButton && p.x() > l.left && p.x() < l.right && p.y() > l.top && p.y() < l.bottom) {
        PushView();
        panel_->autoScaleX = panel_->autoScaleY = true;
        panel_->Rescale();
        update();
        emit ViewChanged();
    }
}

void TFuncGraphicPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!panel_) return;
    const QPoint raw = event->position().toPoint();
    if (panning_) {
        // The view moves with the pointer, in the measure of each axis.
        const NuvixParser::TGraphicPanel& d = drawing_;
        double xMin = panFrom_.xMin, xMax = panFrom_.xMax, yMin = panFrom_.yMin, yMax = panFrom_.yMax;
        Transform(d.XScale(), xMin, xMax, 0, 1, (raw.x() - anchor_.x()) / d.XScale().R());
        Transform(d.YScale(), yMin, yMax, 0, 1, (raw.y() - anchor_.y()) / d.YScale().R());
        FixView(xMin, xMax, yMin, yMax);
        return;
    }
    if (movingLegend_) {
        const QPoint moved = legendFrom_ + (raw - anchor_);
        panel_->legendDx = moved.x();
        panel_->legendDy = moved.y();
        update();
        return;
    }
    emit ReadoutChanged(ReadoutAt(raw, event->modifiers() & Qt::ShiftModifier));
    const QPoint p = ClampToPlot(raw);
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
    if (panning_ && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        panning_ = false;
        return;
    }
    if (movingLegend_ && event->button() == Qt::LeftButton) {
        movingLegend_ = false;
        return;
    }
    if (panel_ && selecting_ && event->button() == Qt::LeftButton) FinishZoom(ClampToPlot(event->position().toPoint()));
}

// Zooms about the pointer: the value under it stays where it is.
void TFuncGraphicPanel::wheelEvent(QWheelEvent* event) {
    const QPoint p = event->position().toPoint();
    const int steps = event->angleDelta().y() / 120;
    if (!panel_ || !InsidePlot(p) || steps == 0) return;
    const double factor = std::pow(kWheelZoom, steps);
    const bool xOnly = event->modifiers() & Qt::ShiftModifier, yOnly = event->modifiers() & Qt::ControlModifier;
    const NuvixParser::TGraphicPanel& d = drawing_;
    double xMin = panel_->xMin, xMax = panel_->xMax, yMin = panel_->yMin, yMax = panel_->yMax;
    PushView();
    if (!yOnly) Transform(d.XScale(), xMin, xMax, d.XScale().Map(d.XValueAt(p.x())), factor, 0);
    if (!xOnly) Transform(d.YScale(), yMin, yMax, d.YScale().Map(d.YValueAt(p.y())), factor, 0);
    FixView(xMin, xMax, yMin, yMax);
    event->accept();
}

void TFuncGraphicPanel::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (!snapped_) emit ReadoutChanged(QString());
}

// The rectangle's edges, turned into data values by the mapping of the last paint, become
// the fixed ranges.
void TFuncGraphicPanel::FinishZoom(QPoint corner) {
    selecting_ = false;
    band_->hide();
    const QRect r = QRect(anchor_, corner).normalized();
    PushView();
    FixView(drawing_.XValueAt(r.left()), drawing_.XValueAt(r.right()), drawing_.YValueAt(r.top()),
            drawing_.YValueAt(r.bottom()));
}

} // namespace NuvixWindows
