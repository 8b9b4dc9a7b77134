#pragma once

#include "utils/utils_global.h"
#include "utils/charts/charthistory.h"

#include <QBrush>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <QVector>

#include <qwt_plot_item.h>

namespace Utils {
namespace Charts {

// Draws one series of a ChartHistory as a line, reduced to what the canvas
// can show: for every pixel column only the first and the last point and the
// column's minimum and maximum are drawn, which covers the same pixels as all
// points of the column would. Columns with at most four points are drawn
// point by point. Non-finite values are left out and break the line.
class UTILS_EXPORT HistoryCurve : public QwtPlotItem
{
public:
    enum { Rtti = QwtPlotItem::Rtti_PlotUserItem + 71 };

    HistoryCurve(const ChartHistory *history, ChartHistory::Series series,
                 const QString &title = QString());

    int rtti() const override { return Rtti; }

    void setPen(const QPen &pen) { m_pen = pen; }
    QPen pen() const { return m_pen; }
    // Fills between the line and the baseline when the brush is not NoBrush.
    void setBrush(const QBrush &brush) { m_brush = brush; }
    QBrush brush() const { return m_brush; }
    void setBaseline(double baseline) { m_baseline = baseline; }
    double baseline() const { return m_baseline; }

    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;
    QwtGraphic legendIcon(int index, const QSizeF &size) const override;

    // The line pieces draw() paints, in painter coordinates.
    QVector<QPolygonF> polylines(const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                                 const QRectF &canvasRect) const;

    // One bar a pixel column between the baseline and the line, in whole
    // pixels: the painter fills those without working out their edges' coverage.
    static QVector<QRect> fillColumns(const QVector<QPolygonF> &pieces,
                                       const QRectF &canvasRect, double baseY);

private:
    const ChartHistory *m_history;
    ChartHistory::Series m_series;
    QPen m_pen;
    QBrush m_brush;
    double m_baseline = 0.0;
};

} // namespace Charts
} // namespace Utils
