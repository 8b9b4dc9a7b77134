#include "utils/charts/columnpainter.h"

#include <QPainter>
#include <QPixmap>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>

namespace Utils {
namespace Charts {

namespace {

// Columns painted either side of the stretch: a line joining the stretch's
// first point to the one before reaches that far, and so does a wide pen.
constexpr int Margin = 3;

} // namespace

bool ColumnPainter::paint(QwtPlot *plot, double fromTime, double toTime)
{
    auto *canvas = qobject_cast<QwtPlotCanvas *>(plot->canvas());
    if (!canvas || !canvas->testPaintAttribute(QwtPlotCanvas::BackingStore))
        return false;
    auto *store = const_cast<QPixmap *>(canvas->backingStore());
    if (!store || store->isNull()
        || store->size() != canvas->size() * store->devicePixelRatio())
        return false;

    QwtScaleMap maps[QwtPlot::axisCnt];
    for (int axis = 0; axis < QwtPlot::axisCnt; ++axis)
        maps[axis] = plot->canvasMap(axis);
    const QRect contents = canvas->contentsRect();
    const double x0 = maps[QwtPlot::xBottom].transform(std::min(fromTime, toTime));
    const double x1 = maps[QwtPlot::xBottom].transform(std::max(fromTime, toTime));
    if (!std::isfinite(x0) || !std::isfinite(x1))
        return false;
    const int left = int(std::floor(std::max(x0, double(contents.left() - Margin)))) - Margin;
    const int right = int(std::ceil(std::min(x1, double(contents.right() + Margin)))) + Margin;
    const QRect columns = QRect(left, contents.top(), right - left + 1, contents.height())
                              .intersected(contents);
    if (columns.isEmpty())
        return true;
    {
        QPainter painter(store);
        painter.setClipRect(columns);
        painter.fillRect(columns, canvas->palette().brush(canvas->backgroundRole()));
        plot->drawItems(&painter, QRectF(contents), maps);
    }
    canvas->update(columns);
    return true;
}

} // namespace Charts
} // namespace Utils
