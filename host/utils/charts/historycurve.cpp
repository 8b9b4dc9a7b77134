#include "utils/charts/historycurve.h"

#include <QPainter>

#include <qwt_graphic.h>
#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>

namespace Utils {
namespace Charts {

namespace {

// Coordinates far outside the canvas overflow the raster engine's fixed-point
// arithmetic; values that extreme are drawn at this distance instead.
constexpr double FarOutside = 100000.0;

// Moves `outer` along the segment towards `inner` until its x lies in [xMin, xMax].
QPointF pullInside(const QPointF &outer, const QPointF &inner, double xMin, double xMax)
{
    const double x = std::clamp(outer.x(), xMin, xMax);
    if (x == outer.x() || inner.x() == outer.x())
        return outer;
    const double f = (x - outer.x()) / (inner.x() - outer.x());
    return QPointF(x, outer.y() + f * (inner.y() - outer.y()));
}

// Collects the line pieces of one series, pixel column by pixel column.
class PieceBuilder
{
public:
    PieceBuilder(const ChartHistory &history, ChartHistory::Series series,
                 const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QRectF &canvasRect)
        : m_history(history)
        , m_series(series)
        , m_xMap(xMap)
        , m_yMap(yMap)
        , m_yLow(canvasRect.top() - FarOutside)
        , m_yHigh(canvasRect.bottom() + FarOutside)
    {}

    // One point; a value that is not finite breaks the line.
    void addPoint(std::size_t i)
    {
        if (std::isfinite(valueAt(i)))
            m_current.append(pointAt(i));
        else
            flush();
    }

    // The points [begin, end) of the column at pixel x: up to four point by
    // point, more as first, minimum, maximum and last.
    void addColumn(double x, std::size_t begin, std::size_t end)
    {
        const std::size_t n = end > begin ? end - begin : 0;
        if (n <= 4) {
            for (std::size_t i = begin; i < end; ++i)
                addPoint(i);
            return;
        }
        const ChartHistory::Extremes e = m_history.extremes(m_series, begin, end);
        if (e.nonFinite == 0) {
            m_current.append(pointAt(begin));
            m_current.append(QPointF(x, yOf(e.min)));
            m_current.append(QPointF(x, yOf(e.max)));
            m_current.append(pointAt(end - 1));
            return;
        }
        addPoint(begin);
        flush();
        if (e.finite > 0)
            m_pieces.append(QPolygonF(QVector<QPointF>{QPointF(x, yOf(e.min)),
                                                       QPointF(x, yOf(e.max))}));
        addPoint(end - 1);
    }

    // The pieces, their ends moved into [xMin, xMax].
    QVector<QPolygonF> finish(double xMin, double xMax)
    {
        flush();
        for (QPolygonF &piece : m_pieces) {
            if (piece.size() < 2)
                continue;
            piece.first() = pullInside(piece.first(), piece.at(1), xMin, xMax);
            piece.last() = pullInside(piece.last(), piece.at(piece.size() - 2), xMin, xMax);
        }
        return std::move(m_pieces);
    }

private:
    double valueAt(std::size_t i) const { return m_history.value(i, m_series); }
    double yOf(double v) const { return std::clamp(m_yMap.transform(v), m_yLow, m_yHigh); }
    QPointF pointAt(std::size_t i) const
    {
        return QPointF(m_xMap.transform(m_history.time(i)), yOf(valueAt(i)));
    }
    void flush()
    {
        if (!m_current.isEmpty())
            m_pieces.append(m_current);
        m_current.clear();
    }

    const ChartHistory &m_history;
    const ChartHistory::Series m_series;
    const QwtScaleMap &m_xMap;
    const QwtScaleMap &m_yMap;
    const double m_yLow;
    const double m_yHigh;
    QPolygonF m_current;
    QVector<QPolygonF> m_pieces;
};

} // namespace

QVector<QRect> HistoryCurve::fillColumns(const QVector<QPolygonF> &pieces,
                                          const QRectF &canvasRect, double baseY)
{
    // Filling the line's polygon costs far more than the line when the line
    // is a dense zigzag; one bar a pixel column, from the baseline to the
    // line's point farthest from it, covers the same area at that resolution.
    const int left = int(std::floor(canvasRect.left()));
    const int columns = std::max(1, int(std::ceil(canvasRect.right())) - left);
    std::vector<double> farthest(std::size_t(columns), qQNaN());
    auto reach = [&](int c, double y) {
        if (c < 0 || c >= columns)
            return;
        double &f = farthest[std::size_t(c)];
        if (std::isnan(f) || std::abs(y - baseY) > std::abs(f - baseY))
            f = y;
    };
    for (const QPolygonF &piece : pieces) {
        if (piece.size() == 1)
            reach(int(std::floor(piece.first().x() + 0.5)) - left, piece.first().y());
        for (int i = 1; i < piece.size(); ++i) {
            const QPointF a = piece.at(i - 1);
            const QPointF b = piece.at(i);
            const double x0 = std::min(a.x(), b.x());
            const double x1 = std::max(a.x(), b.x());
            const int c0 = std::max(0, int(std::floor(x0 + 0.5)) - left);
            const int c1 = std::min(columns - 1, int(std::floor(x1 + 0.5)) - left);
            for (int c = c0; c <= c1; ++c) {
                if (x1 - x0 < 1e-9) {
                    reach(c, a.y());
                    reach(c, b.y());
                    continue;
                }
                // The segment's ends within this column.
                const double xa = std::max(x0, left + c - 0.5);
                const double xb = std::min(x1, left + c + 0.5);
                const double slope = (b.y() - a.y()) / (b.x() - a.x());
                reach(c, a.y() + (xa - a.x()) * slope);
                reach(c, a.y() + (xb - a.x()) * slope);
            }
        }
    }
    QVector<QRect> rects;
    rects.reserve(columns);
    const int base = qRound(baseY);
    for (int c = 0; c < columns; ++c) {
        const double y = farthest[std::size_t(c)];
        if (std::isnan(y))
            continue;
        const int reached = qRound(y);
        if (reached != base)
            rects.append(QRect(left + c, std::min(reached, base), 1, std::abs(reached - base)));
    }
    return rects;
}

HistoryCurve::HistoryCurve(const ChartHistory *history, ChartHistory::Series series,
                           const QString &title)
    : QwtPlotItem(QwtText(title))
    , m_history(history)
    , m_series(series)
{
    setItemAttribute(QwtPlotItem::Legend, true);
    setZ(20.0);
}

QVector<QPolygonF> HistoryCurve::polylines(const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                                           const QRectF &canvasRect) const
{
    const ChartHistory &h = *m_history;
    if (h.isEmpty() || xMap.sDist() <= 0.0 || xMap.pDist() <= 0.0)
        return {};
    PieceBuilder pieces(h, m_series, xMap, yMap, canvasRect);
    const int left = int(std::floor(canvasRect.left()));
    const int columns = std::max(1, int(std::ceil(canvasRect.right())) - left);

    // Column c holds the points that land on pixel left + c when rounded,
    // which is where a painter without antialiasing puts them.
    std::size_t begin = h.lowerBound(xMap.invTransform(left - 0.5));
    if (begin > 0)
        pieces.addPoint(begin - 1);
    for (int c = 0; c <= columns; ++c) {
        const double edge = xMap.invTransform(left + c + 0.5);
        const std::size_t end =
            h.lowerBound(c == columns ? std::nextafter(edge, HUGE_VAL) : edge, begin);
        pieces.addColumn(left + c, begin, end);
        begin = std::max(begin, end);
    }
    if (begin < h.size())
        pieces.addPoint(begin);
    // Only the points just outside the view can lie far beside the canvas.
    return pieces.finish(left - 2.0, left + columns + 2.0);
}

void HistoryCurve::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                        const QRectF &canvasRect) const
{
    // Only the columns within the painter's clip are worked out (a few when new
    // points are painted onto the last picture), and a little beyond, so that
    // lines leave the clip as they would in a full redraw.
    QRectF area = canvasRect;
    if (painter->hasClipping()) {
        const QRectF clip = painter->clipBoundingRect();
        area.setLeft(std::max(area.left(), std::floor(clip.left()) - 4.0));
        area.setRight(std::min(area.right(), std::ceil(clip.right()) + 4.0));
        if (area.width() <= 0.0)
            return;
    }
    QVector<QPolygonF> pieces = polylines(xMap, yMap, area);
    if (pieces.isEmpty())
        return;
    if (QwtPainter::roundingAlignment(painter)) {
        for (QPolygonF &piece : pieces) {
            for (QPointF &p : piece)
                p = QPointF(qRound(p.x()), qRound(p.y()));
        }
    }
    painter->save();
    if (m_brush.style() != Qt::NoBrush) {
        const double base = std::clamp(yMap.transform(m_baseline), canvasRect.top() - 1.0,
                                       canvasRect.bottom() + 1.0);
        const QVector<QRect> rects = fillColumns(pieces, area, base);
        painter->setPen(Qt::NoPen);
        painter->setBrush(m_brush);
        painter->drawRects(rects);
    }
    painter->setPen(m_pen);
    painter->setBrush(Qt::NoBrush);
    for (const QPolygonF &piece : pieces) {
        if (piece.size() == 1)
            painter->drawPoint(piece.first());
        else
            painter->drawPolyline(piece);
    }
    painter->restore();
}

QwtGraphic HistoryCurve::legendIcon(int, const QSizeF &size) const
{
    QwtGraphic graphic;
    graphic.setDefaultSize(size);
    graphic.setRenderHint(QwtGraphic::RenderPensUnscaled, true);
    QPainter painter(&graphic);
    painter.setPen(m_pen);
    const double y = 0.5 * size.height();
    painter.drawLine(QPointF(0.0, y), QPointF(size.width(), y));
    return graphic;
}

} // namespace Charts
} // namespace Utils
