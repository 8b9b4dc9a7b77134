#include "utils/charts/genericchart.h"

#include "utils/charts/chartrow.h"
#include "utils/charts/historycurve.h"
#include "utils/charts/historytext.h"
#include "utils/charts/valuelabel.h"

#include <QDateTime>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_scale_widget.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Utils {
namespace Charts {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr int RefreshIntervalMs = 100;

} // namespace

GenericChart::GenericChart(int rows, QWidget *parent, QMainWindow *mainWindow,
                           bool timelineVisible, bool legendVisible)
    : QWidget(parent)
    , m_mainWindow(mainWindow)
    , m_refreshTimer(new QTimer(this))
{
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(RefreshIntervalMs);
    connect(m_refreshTimer, &QTimer::timeout, this, &GenericChart::refresh);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_grid = new QGridLayout;
    m_grid->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(m_grid, 1);

    m_timeline = new QwtPlot(this);
    m_timeline->setObjectName(QStringLiteral("timeline"));
    m_timeline->enableAxis(QwtPlot::yLeft, false);
    m_timeline->enableAxis(QwtPlot::xBottom, false);
    m_timeline->setAxisScale(QwtPlot::yLeft, m_timelineLow, m_timelineHigh);
    m_timeline->setMinimumHeight(40);
    m_timeline->setMaximumHeight(80);
    m_timeline->canvas()->installEventFilter(this);
    m_timelineZone = new QwtPlotZoneItem;
    m_timelineZone->setOrientation(Qt::Vertical);
    m_timelineZone->setBrush(QColor(0, 120, 215, 40));
    m_timelineZone->setPen(QColor(0, 120, 215, 160));
    m_timelineZone->attach(m_timeline);
    m_timeline->setVisible(timelineVisible);
    layout->addWidget(m_timeline);

    for (int i = 0; i < std::max(1, rows); ++i) {
        auto row = std::make_unique<ChartRow>(this, m_timeline, this, tr("Value"), tr("Analog"));
        if (legendVisible)
            row->plot->insertLegend(new QwtLegend, QwtPlot::BottomLegend);
        m_rows.push_back(std::move(row));
        setPlotColor(i, QColor(0, 0, 188), false, QColor(0, 0, 188, 20), 1);
        m_rows.back()->applyYScale();
        m_rows.back()->updateCurrentValue();
    }
    UpdateLayout();
    refresh();
}

GenericChart::~GenericChart()
{
    // The plots and their curves go before the histories the curves draw.
    m_timeline->canvas()->removeEventFilter(this);
    for (auto &row : m_rows)
        row->plot->canvas()->removeEventFilter(this);
    for (auto &row : m_rows)
        delete row->cell;
    delete m_timeline;
    m_timeline = nullptr;
}

ChartRow *GenericChart::rowAt(int row) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return nullptr;
    return m_rows[std::size_t(row)].get();
}

void GenericChart::setCurrentValuePrecision(int row, int decimals)
{
    if (ChartRow *r = rowAt(row)) {
        r->precision = std::clamp(decimals, 0, 15);
        r->updateCurrentValue();
        r->updateRightMarker(true);
    }
}

void GenericChart::setScale(int row, double low, double high)
{
    if (ChartRow *r = rowAt(row)) {
        r->homeLow = r->low = low;
        r->homeHigh = r->high = high;
        r->applyYScale();
        r->plot->replot();
    }
}

void GenericChart::vSetYScale(int row, double low, double high)
{
    setScale(row, low, high);
}

void GenericChart::setTimelineScale(double low, double high)
{
    m_timelineLow = low;
    m_timelineHigh = high;
    m_timeline->setAxisScale(QwtPlot::yLeft, low, high);
    m_timeline->replot();
}

void GenericChart::setAllowNegativeValues(int row, bool allow)
{
    if (ChartRow *r = rowAt(row)) {
        r->allowNegative = allow;
        r->applyYScale();
        r->plot->replot();
    }
}

void GenericChart::setPlotColor(int row, const QColor &lineColor, bool antialiased,
                                const QColor &fillColor, int lineWidth)
{
    ChartRow *r = rowAt(row);
    if (!r)
        return;
    const QPen pen(lineColor, std::max(0, lineWidth));
    r->valueCurve->setPen(pen);
    r->valueCurve->setBrush(fillColor.isValid() && fillColor.alpha() > 0 ? QBrush(fillColor)
                                                                          : QBrush());
    r->valueCurve->setRenderHint(QwtPlotItem::RenderAntialiased, antialiased);
    r->timelineCurve->setPen(QPen(lineColor, 0));
    r->plot->replot();
    m_timeline->replot();
}

void GenericChart::vSetLabels(bool visible)
{
    m_labelsVisible = visible;
    for (auto &row : m_rows) {
        for (int axis : {int(QwtPlot::xBottom), int(QwtPlot::yLeft)}) {
            row->plot->axisScaleDraw(axis)->enableComponent(QwtAbstractScaleDraw::Labels,
                                                            visible);
            row->plot->axisWidget(axis)->update();
        }
        row->plot->updateAxes();
        row->plot->updateLayout();
        row->plot->replot();
    }
}

void GenericChart::AddLayoutRow(int plots)
{
    if (plots > 0)
        m_layoutRows.append(plots);
}

void GenericChart::UpdateLayout()
{
    while (QLayoutItem *item = m_grid->takeAt(0))
        delete item;
    int plot = 0;
    int layoutRow = 0;
    for (int count : qAsConst(m_layoutRows)) {
        for (int column = 0; column < count && plot < rowCount(); ++column)
            m_grid->addWidget(m_rows[std::size_t(plot++)]->cell, layoutRow, column);
        ++layoutRow;
    }
    while (plot < rowCount())
        m_grid->addWidget(m_rows[std::size_t(plot++)]->cell, layoutRow++, 0);
}

void GenericChart::setMinPanOffset(int row, int pixels)
{
    if (ChartRow *r = rowAt(row))
        r->minPan = std::max(0, pixels);
}

void GenericChart::setMaxPanOffset(int row, int pixels)
{
    if (ChartRow *r = rowAt(row))
        r->maxPan = std::max(0, pixels);
}

void GenericChart::setPlotTitle(int row, const QString &title, bool bold, const QString &toolTip,
                                bool visible)
{
    ChartRow *r = rowAt(row);
    if (!r)
        return;
    QwtText text(visible ? title : QString());
    QFont font = r->plot->font();
    font.setBold(bold);
    text.setFont(font);
    r->plot->setTitle(text);
    r->plot->setToolTip(toolTip);
    r->plot->replot();
}

void GenericChart::setCustomLabelsText(int row, const QString &left, const QString &right)
{
    if (ChartRow *r = rowAt(row)) {
        r->leftLabel = left;
        r->rightLabel = right;
        r->updateAxisTitles();
    }
}

void GenericChart::setCustomLabelsVisible(int row, bool left, bool right)
{
    if (ChartRow *r = rowAt(row)) {
        r->leftLabelVisible = left;
        r->rightLabelVisible = right;
        r->updateAxisTitles();
    }
}

void GenericChart::setRightMarkerVisible(int row, bool visible)
{
    if (ChartRow *r = rowAt(row)) {
        r->rightMarkerVisible = visible;
        r->updateRightMarker(true);
        r->plot->replot();
    }
}

void GenericChart::vSetMarkerRightVisible(int row, bool visible)
{
    if (ChartRow *r = rowAt(row)) {
        r->rightMarkerLabelVisible = visible;
        r->updateRightMarker(true);
        r->plot->replot();
    }
}

void GenericChart::vEnableYRightAxis(int row, bool enable)
{
    if (ChartRow *r = rowAt(row)) {
        r->rightAxis = enable;
        r->plot->enableAxis(QwtPlot::yRight, enable);
        r->analogCurve->setVisible(enable);
        r->updateRightMarker(true);
        r->plot->replot();
    }
}

void GenericChart::setYRightAxisScale(int row, double low, double high, double step)
{
    if (ChartRow *r = rowAt(row)) {
        r->plot->setAxisScale(QwtPlot::yRight, low, high, step > 0.0 ? step : 0.0);
        r->plot->replot();
    }
}

void GenericChart::setBaselineTo(double baseline)
{
    m_baseline = baseline;
    for (auto &row : m_rows) {
        row->valueCurve->setBaseline(baseline);
        row->plot->replot();
    }
}

void GenericChart::UpdateMinimumHeights(int windowHeight)
{
    const int layoutRows = std::max(1, std::min(rowCount(), int(m_layoutRows.size()) > 0
                                                                ? int(m_layoutRows.size())
                                                                : rowCount()));
    const int plotHeight = std::max(80, windowHeight / 2 / layoutRows);
    for (auto &row : m_rows)
        row->plot->setMinimumHeight(plotHeight);
    m_timeline->setMinimumHeight(std::clamp(windowHeight / 10, 30, 80));
}

void GenericChart::jumpToPlottingArea()
{
    m_following = true;
    m_viewStart = m_viewEnd; // placed anew by refresh()
    for (auto &row : m_rows) {
        row->low = row->homeLow;
        row->high = row->homeHigh;
        row->applyYScale();
    }
    refresh();
    emit vSignalZommResetForNoiseLine();
}

void GenericChart::vAppendData(int row, double value, bool showValue, double analogValue,
                               bool showAnalog, double, double)
{
    ChartRow *r = rowAt(row);
    if (!r)
        return;
    double now = double(QDateTime::currentMSecsSinceEpoch());
    if (!r->history.isEmpty())
        now = std::max(now, r->history.lastTime());
    r->history.append(now, value, analogValue);
    if (showValue)
        r->current = value;
    if (showAnalog)
        r->current = analogValue;
    r->lastAnalog = analogValue;
    scheduleRefresh();
}

bool GenericChart::appendDataAt(int row, double timeMs, double value, double analogValue)
{
    ChartRow *r = rowAt(row);
    if (!r || !r->history.append(timeMs, value, analogValue))
        return false;
    r->current = value;
    r->lastAnalog = analogValue;
    scheduleRefresh();
    return true;
}

ValueOverTime GenericChart::getData(int row) const
{
    const ChartRow *r = rowAt(row);
    return r ? r->history.toValueOverTime(ChartHistory::Value) : ValueOverTime();
}

ValueOverTime GenericChart::getAnalogData(int row) const
{
    const ChartRow *r = rowAt(row);
    return r ? r->history.toValueOverTime(ChartHistory::Analog) : ValueOverTime();
}

const ChartHistory &GenericChart::history(int row) const
{
    static const ChartHistory empty;
    const ChartRow *r = rowAt(row);
    return r ? r->history : empty;
}

void GenericChart::clear()
{
    for (auto &row : m_rows) {
        row->history.clear();
        row->current = NaN;
        row->lastAnalog = NaN;
    }
    refresh();
}

QwtPlot *GenericChart::poPlot(int row) const
{
    const ChartRow *r = rowAt(row);
    return r ? r->plot : nullptr;
}

HistoryCurve *GenericChart::valueCurve(int row) const
{
    const ChartRow *r = rowAt(row);
    return r ? r->valueCurve : nullptr;
}

HistoryCurve *GenericChart::analogCurve(int row) const
{
    const ChartRow *r = rowAt(row);
    return r ? r->analogCurve : nullptr;
}

QString GenericChart::currentValueText(int row) const
{
    const ChartRow *r = rowAt(row);
    return r ? r->currentValue->text() : QString();
}

QwtPlotMarker *GenericChart::rightMarker(int row) const
{
    const ChartRow *r = rowAt(row);
    return r ? r->rightMarker : nullptr;
}

std::vector<const ChartHistory *> GenericChart::histories() const
{
    std::vector<const ChartHistory *> rows;
    for (const auto &row : m_rows)
        rows.push_back(&row->history);
    return rows;
}

QString GenericChart::dataToString(QChar separator) const
{
    return historyToString(histories(), separator);
}

std::string GenericChart::dataToUtf8(QChar separator) const
{
    return historyToUtf8(histories(), separator);
}

bool GenericChart::setDataFromString(const QString &text, QChar separator)
{
    std::vector<ChartHistory> parsed;
    if (!historyFromString(text, separator, m_rows.size(), parsed))
        return false;
    takeHistory(parsed);
    return true;
}

bool GenericChart::setDataFromUtf8(const std::string &text, QChar separator)
{
    std::vector<ChartHistory> parsed;
    if (!historyFromUtf8(text, separator, m_rows.size(), parsed))
        return false;
    takeHistory(parsed);
    return true;
}

void GenericChart::takeHistory(std::vector<ChartHistory> &parsed)
{
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        ChartRow &row = *m_rows[i];
        row.history = std::move(parsed[i]);
        const std::size_t n = row.history.size();
        row.current = n ? row.history.value(n - 1, ChartHistory::Value) : NaN;
        row.lastAnalog = n ? row.history.value(n - 1, ChartHistory::Analog) : NaN;
    }
    m_following = true;
    m_viewStart = m_viewEnd; // placed anew by refresh()
    refresh();
}

} // namespace Charts
} // namespace Utils
