#pragma once

#include "utils/charts/charthistory.h"

#include <QPoint>
#include <QString>

#include <limits>

class QObject;
class QWidget;
class QwtPlot;
class QwtPlotMarker;

namespace Utils {
namespace Charts {

class HistoryCurve;
class ValueLabel;

// One plot row of a GenericChart: its history, the widgets that show it (the
// current value above a plot with a value curve, an analog curve against the
// right axis and a marker at the newest analog value) and the settings those
// widgets are drawn from. The widgets belong to `cell`, which the chart owns.
struct ChartRow
{
    // Builds the row's widgets in a new cell of `parent`; the overview curve goes
    // onto `timeline`, and `filter` watches the plot's canvas. The titles name
    // the curves in a legend.
    ChartRow(QWidget *parent, QwtPlot *timeline, QObject *filter, const QString &valueTitle,
             const QString &analogTitle);

    void applyYScale();
    void updateAxisTitles();
    void updateCurrentValue();
    // True when the marker moved, appeared or went; `force` also sets its label anew.
    bool updateRightMarker(bool force = false);

    ChartHistory history;
    QWidget *cell = nullptr;
    ValueLabel *currentValue = nullptr;
    QwtPlot *plot = nullptr;
    QObject *canvas = nullptr; // compared with event targets, never dereferenced
    HistoryCurve *valueCurve = nullptr;
    HistoryCurve *analogCurve = nullptr;
    HistoryCurve *timelineCurve = nullptr;
    QwtPlotMarker *rightMarker = nullptr;

    int precision = 2;
    double homeLow = 0.0;
    double homeHigh = 100.0;
    double low = 0.0;
    double high = 100.0;
    bool allowNegative = true;
    int minPan = 0;
    int maxPan = 0;
    QString leftLabel;
    QString rightLabel;
    bool leftLabelVisible = false;
    bool rightLabelVisible = false;
    bool rightMarkerVisible = false;
    bool rightMarkerLabelVisible = false;
    bool rightAxis = false;
    double current = std::numeric_limits<double>::quiet_NaN();
    double lastAnalog = std::numeric_limits<double>::quiet_NaN();
    std::size_t drawnPoints = 0; // points on the plot's last picture
    // The overview's newest pixel column and the rows its points reach there;
    // a point within them adds nothing to the overview's picture.
    int overviewColumn = std::numeric_limits<int>::min();
    int overviewLow = 0;
    int overviewHigh = -1;
    double shownValue = std::numeric_limits<double>::quiet_NaN(); // in currentValue
    int shownPrecision = -1;

    bool panning = false;
    QPoint pressPos;
    double pressStart = 0.0;
    double pressEnd = 0.0;
};

} // namespace Charts
} // namespace Utils
