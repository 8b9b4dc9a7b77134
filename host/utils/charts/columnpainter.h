#pragma once

class QwtPlot;

namespace Utils {
namespace Charts {

// Paints a stretch of time onto a plot's last picture (the canvas's backing
// store) and repaints only those pixel columns, instead of redrawing the whole
// plot. Every item of the plot is drawn again within the stretch, so what the
// columns show is what a full redraw would show there.
class ColumnPainter
{
public:
    // False when the plot has no valid picture to paint on (never drawn, resized
    // or invalidated since); then only a full redraw brings it up to date.
    static bool paint(QwtPlot *plot, double fromTime, double toTime);
};

} // namespace Charts
} // namespace Utils
