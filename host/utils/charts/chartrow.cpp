#include "utils/charts/chartrow.h"

#include "utils/charts/historycurve.h"
#include "utils/charts/valuelabel.h"

#include <QVBoxLayout>

#include <qwt_date_scale_draw.h>
#include <qwt_date_scale_engine.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_marker.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Utils {
namespace Charts {

namespace {

QwtText axisTitle(const QString &text, bool visible)
{
    return QwtText(visible ? text : QString());
}

QwtDateScaleDraw *timeScaleDraw()
{
    auto *timeDraw = new QwtDateScaleDraw(Qt::LocalTime);
    timeDraw->setDateFormat(QwtDate::Millisecond, QStringLiteral("hh:mm:ss.zzz"));
    timeDraw->setDateFormat(QwtDate::Second, QStringLiteral("hh:mm:ss"));
    timeDraw->setDateFormat(QwtDate::Minute, QStringLiteral("hh:mm"));
    timeDraw->setDateFormat(QwtDate::Hour, QStringLiteral("hh:mm"));
    timeDraw->setDateFormat(QwtDate::Day, QStringLiteral("dd.MM."));
    return timeDraw;
}

} // namespace

ChartRow::ChartRow(QWidget *parent, QwtPlot *timeline, QObject *filter,
                   const QString &valueTitle, const QString &analogTitle)
{
    cell = new QWidget(parent);
    auto *cellLayout = new QVBoxLayout(cell);
    cellLayout->setContentsMargins(0, 0, 0, 0);
    cellLayout->setSpacing(0);
    currentValue = new ValueLabel(cell);
    currentValue->setObjectName(QStringLiteral("currentValue"));
    cellLayout->addWidget(currentValue);

    plot = new QwtPlot(cell);
    plot->setAutoReplot(false);
    plot->setAxisScaleDraw(QwtPlot::xBottom, timeScaleDraw());
    plot->setAxisScaleEngine(QwtPlot::xBottom, new QwtDateScaleEngine(Qt::LocalTime));
    plot->enableAxis(QwtPlot::yRight, false);
    canvas = plot->canvas();
    canvas->installEventFilter(filter);
    cellLayout->addWidget(plot, 1);

    valueCurve = new HistoryCurve(&history, ChartHistory::Value, valueTitle);
    valueCurve->attach(plot);
    analogCurve = new HistoryCurve(&history, ChartHistory::Analog, analogTitle);
    analogCurve->setAxes(QwtPlot::xBottom, QwtPlot::yRight);
    analogCurve->setPen(QPen(QColor(200, 90, 0), 1));
    analogCurve->setVisible(false);
    analogCurve->attach(plot);
    timelineCurve = new HistoryCurve(&history, ChartHistory::Value);
    timelineCurve->attach(timeline);

    rightMarker = new QwtPlotMarker;
    rightMarker->setAxes(QwtPlot::xBottom, QwtPlot::yRight);
    rightMarker->setLineStyle(QwtPlotMarker::HLine);
    rightMarker->setLinePen(QColor(200, 90, 0), 0, Qt::DashLine);
    rightMarker->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    rightMarker->setVisible(false);
    rightMarker->attach(plot);
}

void ChartRow::applyYScale()
{
    double lowest = low;
    double highest = high;
    if (!allowNegative) {
        lowest = std::max(lowest, 0.0);
        if (highest <= lowest)
            highest = lowest + 1.0;
    }
    plot->setAxisScale(QwtPlot::yLeft, lowest, highest);
}

void ChartRow::updateAxisTitles()
{
    plot->setAxisTitle(QwtPlot::yLeft, axisTitle(leftLabel, leftLabelVisible));
    plot->setAxisTitle(QwtPlot::yRight, axisTitle(rightLabel, rightLabelVisible));
    plot->replot();
}

void ChartRow::updateCurrentValue()
{
    // Formatted only when the text can differ from the one shown.
    const bool same = std::isfinite(current)
        ? std::memcmp(&current, &shownValue, sizeof current) == 0 && precision == shownPrecision
        : !std::isfinite(shownValue) && shownPrecision >= 0;
    if (same)
        return;
    shownValue = current;
    shownPrecision = precision;
    currentValue->setText(std::isfinite(current) ? QString::number(current, 'f', precision)
                                                 : QStringLiteral("--"));
}

bool ChartRow::updateRightMarker(bool force)
{
    const bool visible = rightMarkerVisible && rightAxis && std::isfinite(lastAnalog);
    const bool moved = visible != rightMarker->isVisible()
        || (visible && rightMarker->yValue() != lastAnalog);
    rightMarker->setVisible(visible);
    if (!visible || !(moved || force))
        return moved;
    rightMarker->setYValue(lastAnalog);
    rightMarker->setLabel(rightMarkerLabelVisible
                              ? QwtText(QString::number(lastAnalog, 'f', precision))
                              : QwtText());
    return moved;
}

} // namespace Charts
} // namespace Utils
