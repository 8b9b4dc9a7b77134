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

} // namespace

QVector<QRectF> HistoryCurve::fillColumns(const QVector<QPolygonF> &pieces,
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
    QVector<QRectF> rects;
    rects.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        const double y = farthest[std::size_t(c)];
        if (!std::isnan(y) && y != baseY)
            rects.append(QRectF(left + c, std::min(y, baseY), 1.0, std::abs(y - baseY)));
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
    QVector<QPolygonF> pieces;
    const ChartHistory &h = *m_history;
    if (h.isEmpty() || xMap.sDist() <= 0.0 || xMap.pDist() <= 0.0)
        return pieces;

    const double yLow = canvasRect.top() - FarOutside;
    const double yHigh = canvasRect.bottom() + FarOutside;
    auto yOf = [&](double v) { return std::clamp(yMap.transform(v), yLow, yHigh); };
    auto valueAt = [&](std::size_t i) { return h.value(i, m_series); };
    auto pointAt = [&](std::size_t i) {
        return QPointF(xMap.transform(h.time(i)), yOf(valueAt(i)));
    };

    const int left = int(std::floor(canvasRect.left()));
    const int columns = std::max(1, int(std::ceil(canvasRect.right())) - left);
    const double xMin = left - 2.0;
    const double xMax = left + columns + 2.0;

    QPolygonF current;
    auto flush = [&] {
        if (!current.isEmpty())
            pieces.append(current);
        current.clear();
    };
    auto addPoint = [&](std::size_t i) {
        if (std::isfinite(valueAt(i)))
            current.append(pointAt(i));
        else
            flush();
    };

    // Column c holds the points that land on pixel left + c when rounded,
    // which is where a painter without antialiasing puts them.
    std::size_t begin = h.lowerBound(xMap.invTransform(left - 0.5));
    if (begin > 0)
        addPoint(begin - 1);
    for (int c = 0; c <= columns; ++c) {
        const double edge = xMap.invTransform(left + c + 0.5);
        const std::size_t end =
            h.lowerBound(c == columns ? std::nextafter(edge, HUGE_VAL) : edge, begin);
        const std::size_t n = end > begin ? end - begin : 0;
        if (n > 0 && n <= 4) {
            for (std::size_t i = begin; i < end; ++i)
                addPoint(i);
        } else if (n > 4) {
            const ChartHistory::Extremes e = h.extremes(m_series, begin, end);
            const double xc = left + c;
            if (e.nonFinite == 0) {
                current.append(pointAt(begin));
                current.append(QPointF(xc, yOf(e.min)));
                current.append(QPointF(xc, yOf(e.max)));
                current.append(pointAt(end - 1));
            } else {
                addPoint(begin);
                flush();
                if (e.finite > 0)
                    pieces.append(QPolygonF(QVector<QPointF>{QPointF(xc, yOf(e.min)),
                                                             QPointF(xc, yOf(e.max))}));
                addPoint(end - 1);
            }
        }
        begin = std::max(begin, end);
    }
    if (begin < h.size())
        addPoint(begin);
    flush();

    // Only the points just outside the view can lie far beside the canvas.
    for (QPolygonF &piece : pieces) {
        if (piece.size() < 2)
            continue;
        piece.first() = pullInside(piece.first(), piece.at(1), xMin, xMax);
        piece.last() = pullInside(piece.last(), piece.at(piece.size() - 2), xMin, xMax);
    }
    return pieces;
}

void HistoryCurve::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                        const QRectF &canvasRect) const
{
    QVector<QPolygonF> pieces = polylines(xMap, yMap, canvasRect);
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
        const QVector<QRectF> rects = fillColumns(pieces, canvasRect, base);
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
