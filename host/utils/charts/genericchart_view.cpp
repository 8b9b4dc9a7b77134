#include "utils/charts/genericchart.h"

#include "utils/charts/chartrow.h"
#include "utils/charts/columnpainter.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_div.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_widget.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>
#include <limits>

// The part of the chart that decides which stretch of the history is in view:
// following the newest point, panning and zooming with the mouse, the overview.
namespace Utils {
namespace Charts {

namespace {

constexpr double MinSpanMs = 10.0;
constexpr double MaxSpanMs = 1.0e11;
constexpr double WheelZoomStep = 0.8;
// How far, as a part of the span, the live view's end lies ahead of the newest point.
constexpr double LiveLead = 0.125;

// Whether the time axis's labels keep `gap` pixels between each other.
bool labelsApart(const QwtPlot &plot, const QFont &font, int gap)
{
    const QwtScaleDraw *draw = plot.axisScaleDraw(QwtPlot::xBottom);
    double right = -std::numeric_limits<double>::infinity();
    for (double tick : plot.axisScaleDiv(QwtPlot::xBottom).ticks(QwtScaleDiv::MajorTick)) {
        const QRectF label = draw->labelRect(font, tick).translated(draw->labelPosition(tick));
        if (label.left() < right + gap)
            return false;
        right = label.right();
    }
    return true;
}

} // namespace

void GenericChart::updateChart(bool jumpToNewest)
{
    if (jumpToNewest) {
        m_following = true;
        m_viewStart = m_viewEnd; // placed anew by refresh()
    }
    refresh();
}

void GenericChart::setLiveSpan(double milliseconds)
{
    m_liveSpan = std::clamp(milliseconds, MinSpanMs, MaxSpanMs);
    if (m_following)
        refresh();
}

void GenericChart::setView(double startMs, double endMs)
{
    if (!(endMs > startMs))
        return;
    m_following = false;
    limitView(startMs, endMs);
    m_viewStart = startMs;
    m_viewEnd = endMs;
    applyView();
}

void GenericChart::scheduleRefresh()
{
    // Points may come far faster than the screen needs them; one redraw
    // serves all points of an interval.
    if (!m_refreshTimer->isActive())
        m_refreshTimer->start();
}

void GenericChart::refresh()
{
    m_refreshTimer->stop();
    bool markerMoved = false;
    for (auto &row : m_rows) {
        row->updateCurrentValue();
        markerMoved = row->updateRightMarker() || markerMoved;
    }
    if (m_following) {
        const bool empty = std::all_of(m_rows.begin(), m_rows.end(),
                                       [](const auto &r) { return r->history.isEmpty(); });
        const double newest = empty ? double(QDateTime::currentMSecsSinceEpoch()) : lastTime();
        // The view stays while the newest point lies in it, and then moves on by
        // whole stretches: new points meanwhile only add pixel columns.
        if (!(m_viewEnd - m_viewStart == m_liveSpan && newest >= m_viewStart
              && newest <= m_viewEnd)) {
            m_viewEnd = newest + LiveLead * m_liveSpan;
            m_viewStart = m_viewEnd - m_liveSpan;
        }
    }
    if (markerMoved || !paintNewPoints())
        applyView();
    emit refreshed();
}

bool GenericChart::paintNewPoints()
{
    const QwtInterval painted = m_timeline->axisScaleDiv(QwtPlot::xBottom).interval();
    for (auto &row : m_rows) {
        const QwtScaleDiv &shown = row->plot->axisScaleDiv(QwtPlot::xBottom);
        const ChartHistory &h = row->history;
        if (shown.lowerBound() != m_viewStart || shown.upperBound() != m_viewEnd
            || h.size() < row->drawnPoints || (row->drawnPoints == 0 && !h.isEmpty())
            || (!h.isEmpty() && h.lastTime() > painted.maxValue()))
            return false;
    }
    for (auto &row : m_rows) {
        const ChartHistory &h = row->history;
        if (h.size() == row->drawnPoints)
            continue;
        // From the newest point already shown, whose line goes on to the new ones.
        const double from = h.time(row->drawnPoints - 1);
        if (!ColumnPainter::paint(row->plot, from, h.lastTime()))
            return false;
        auto *overview = qobject_cast<QwtPlotCanvas *>(m_timeline->canvas());
        if (!m_timeline->isVisible() && overview) { // drawn anew when shown
            overview->invalidateBackingStore();
            row->overviewColumn = std::numeric_limits<int>::min();
        } else if (!overviewCovers(*row)
                   && !ColumnPainter::paint(m_timeline, from, h.lastTime())) {
            return false;
        }
        row->drawnPoints = h.size();
    }
    return true;
}

bool GenericChart::overviewCovers(ChartRow &row) const
{
    // A day of history puts minutes into one pixel column of the overview, so
    // most new points fall on its newest column, within the rows already inked.
    const QwtScaleMap xMap = m_timeline->canvasMap(QwtPlot::xBottom);
    const QwtScaleMap yMap = m_timeline->canvasMap(QwtPlot::yLeft);
    const ChartHistory &h = row.history;
    bool covered = true;
    for (std::size_t i = row.drawnPoints; i < h.size(); ++i) {
        const double v = h.value(i, ChartHistory::Value);
        const double x = xMap.transform(h.time(i));
        const double y = yMap.transform(v);
        if (!std::isfinite(v) || !std::isfinite(x) || !std::isfinite(y)
            || std::abs(x) > 1e6 || std::abs(y) > 1e6) {
            row.overviewColumn = std::numeric_limits<int>::min();
            return false;
        }
        const int column = qRound(x);
        const int pixel = qRound(y);
        if (column != row.overviewColumn) {
            covered = false;
            row.overviewColumn = column;
            row.overviewLow = row.overviewHigh = pixel;
        } else if (pixel < row.overviewLow || pixel > row.overviewHigh) {
            covered = false;
            row.overviewLow = std::min(row.overviewLow, pixel);
            row.overviewHigh = std::max(row.overviewHigh, pixel);
        }
    }
    return covered;
}

void GenericChart::applyView()
{
    ++m_fullRedraws;
    for (auto &row : m_rows) {
        row->plot->setAxisScale(QwtPlot::xBottom, m_viewStart, m_viewEnd);
        fitTimeLabels(*row);
        row->plot->replot();
        row->drawnPoints = row->history.size();
        row->overviewColumn = std::numeric_limits<int>::min(); // not known after a redraw
    }
    double first = m_viewStart;
    double last = m_viewEnd;
    for (auto &row : m_rows) {
        if (row->history.isEmpty())
            continue;
        first = std::min(first, row->history.time(0));
        last = std::max(last, row->history.lastTime());
    }
    m_timeline->setAxisScale(QwtPlot::xBottom, first, last > first ? last : first + 1.0);
    m_timelineZone->setInterval(m_viewStart, m_viewEnd);
    m_timeline->replot();
}

void GenericChart::fitTimeLabels(ChartRow &row)
{
    // Starting from as many ticks as the narrowest labels allow, fewer until
    // the labels the scale engine then chooses keep a gap of two digits.
    QwtPlot *plot = row.plot;
    const QFont font = plot->axisWidget(QwtPlot::xBottom)->font();
    const QFontMetrics metrics(font);
    const int gap = metrics.horizontalAdvance(QStringLiteral("00"));
    const int narrowest = metrics.horizontalAdvance(QStringLiteral("00:00"));
    for (int n = std::max(1, plot->canvas()->width() / (narrowest + gap));; --n) {
        plot->setAxisMaxMajor(QwtPlot::xBottom, n);
        plot->updateAxes();
        if (n == 1 || labelsApart(*plot, font, gap))
            return;
    }
}

double GenericChart::firstTime() const
{
    double t = std::numeric_limits<double>::infinity();
    for (const auto &row : m_rows)
        if (!row->history.isEmpty())
            t = std::min(t, row->history.time(0));
    return t;
}

double GenericChart::lastTime() const
{
    double t = -std::numeric_limits<double>::infinity();
    for (const auto &row : m_rows)
        if (!row->history.isEmpty())
            t = std::max(t, row->history.lastTime());
    return t;
}

double GenericChart::msPerPixel() const
{
    const int width = m_rows.front()->plot->canvas()->width();
    return (m_viewEnd - m_viewStart) / std::max(width, 100);
}

void GenericChart::limitView(double &start, double &end) const
{
    const double span = std::clamp(end - start, MinSpanMs, MaxSpanMs);
    const double centre = 0.5 * (start + end);
    start = centre - 0.5 * span;
    end = centre + 0.5 * span;
    const double first = firstTime();
    const double last = lastTime();
    if (!(first <= last))
        return;
    int minPan = 0;
    int maxPan = 0;
    for (const auto &row : m_rows) {
        minPan = std::max(minPan, row->minPan);
        maxPan = std::max(maxPan, row->maxPan);
    }
    const int width = std::max(m_rows.front()->plot->canvas()->width(), 100);
    const double perPixel = span / width;
    const double lowest = first - minPan * perPixel;
    const double highest = last + maxPan * perPixel;
    if (highest - lowest <= span) {
        // The whole history fits; keep it at the left edge.
        start = lowest;
        end = lowest + span;
        return;
    }
    if (start < lowest) {
        end += lowest - start;
        start = lowest;
    }
    if (end > highest) {
        start -= end - highest;
        end = highest;
    }
}

bool GenericChart::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_timeline->canvas())
        return handleTimelineEvent(event);
    for (auto &row : m_rows) {
        if (watched == row->canvas)
            return handleCanvasEvent(*row, event);
    }
    return QWidget::eventFilter(watched, event);
}

bool GenericChart::handleCanvasEvent(ChartRow &row, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (e->button() != Qt::LeftButton)
            return false;
        row.panning = true;
        row.pressPos = e->pos();
        row.pressStart = m_viewStart;
        row.pressEnd = m_viewEnd;
        return true;
    }
    case QEvent::MouseMove: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (!row.panning)
            return false;
        const int width = std::max(row.plot->canvas()->width(), 1);
        const double dt = -(e->pos().x() - row.pressPos.x()) * (row.pressEnd - row.pressStart)
                          / width;
        setView(row.pressStart + dt, row.pressEnd + dt);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!row.panning)
            return false;
        row.panning = false;
        return true;
    case QEvent::MouseButtonDblClick:
        jumpToPlottingArea();
        return true;
    case QEvent::Resize:
        fitTimeLabels(row);
        row.plot->replot();
        return false;
    case QEvent::Wheel:
        return handleWheel(row, static_cast<QWheelEvent *>(event));
    default:
        return false;
    }
}

bool GenericChart::handleWheel(ChartRow &row, QWheelEvent *e)
{
    const double steps = e->angleDelta().y() / 120.0;
    if (steps == 0.0)
        return false;
    const double factor = std::pow(WheelZoomStep, steps);
    const QPointF pos = e->position();
    if (e->modifiers() & Qt::ControlModifier) {
        const double v = row.plot->invTransform(QwtPlot::yLeft, pos.y());
        row.low = v - (v - row.low) * factor;
        row.high = v + (row.high - v) * factor;
        row.applyYScale();
        row.plot->replot();
    } else {
        const double t = row.plot->invTransform(QwtPlot::xBottom, pos.x());
        setView(t - (t - m_viewStart) * factor, t + (m_viewEnd - t) * factor);
    }
    return true;
}

bool GenericChart::handleTimelineEvent(QEvent *event)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseMove)
        return false;
    auto *e = static_cast<QMouseEvent *>(event);
    if (!(e->buttons() & Qt::LeftButton))
        return false;
    const double t = m_timeline->invTransform(QwtPlot::xBottom, e->pos().x());
    const double half = 0.5 * (m_viewEnd - m_viewStart);
    setView(t - half, t + half);
    return true;
}

} // namespace Charts
} // namespace Utils
