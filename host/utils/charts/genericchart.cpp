#include "utils/charts/genericchart.h"

#include "utils/charts/historycurve.h"
#include "utils/charts/historytext.h"

#include <QDateTime>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <qwt_date_scale_draw.h>
#include <qwt_date_scale_engine.h>
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
constexpr double MinSpanMs = 10.0;
constexpr double MaxSpanMs = 1.0e11;
constexpr int RefreshIntervalMs = 100;
constexpr double WheelZoomStep = 0.8;

QwtText axisTitle(const QString &text, bool visible)
{
    return QwtText(visible ? text : QString());
}

} // namespace

struct GenericChart::Row
{
    ChartHistory history;
    QWidget *cell = nullptr;
    QLabel *currentValue = nullptr;
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
    double current = NaN;
    double lastAnalog = NaN;

    bool panning = false;
    QPoint pressPos;
    double pressStart = 0.0;
    double pressEnd = 0.0;
};

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
        auto row = std::make_unique<Row>();
        row->cell = new QWidget(this);
        auto *cellLayout = new QVBoxLayout(row->cell);
        cellLayout->setContentsMargins(0, 0, 0, 0);
        cellLayout->setSpacing(0);
        row->currentValue = new QLabel(row->cell);
        row->currentValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row->currentValue->setObjectName(QStringLiteral("currentValue"));
        cellLayout->addWidget(row->currentValue);

        row->plot = new QwtPlot(row->cell);
        row->plot->setAutoReplot(false);
        auto *timeDraw = new QwtDateScaleDraw(Qt::LocalTime);
        timeDraw->setDateFormat(QwtDate::Millisecond, QStringLiteral("hh:mm:ss.zzz"));
        timeDraw->setDateFormat(QwtDate::Second, QStringLiteral("hh:mm:ss"));
        timeDraw->setDateFormat(QwtDate::Minute, QStringLiteral("hh:mm"));
        timeDraw->setDateFormat(QwtDate::Hour, QStringLiteral("hh:mm"));
        timeDraw->setDateFormat(QwtDate::Day, QStringLiteral("dd.MM."));
        row->plot->setAxisScaleDraw(QwtPlot::xBottom, timeDraw);
        row->plot->setAxisScaleEngine(QwtPlot::xBottom, new QwtDateScaleEngine(Qt::LocalTime));
        row->plot->enableAxis(QwtPlot::yRight, false);
        row->canvas = row->plot->canvas();
        row->canvas->installEventFilter(this);
        cellLayout->addWidget(row->plot, 1);

        row->valueCurve = new HistoryCurve(&row->history, ChartHistory::Value, tr("Value"));
        row->valueCurve->attach(row->plot);
        row->analogCurve = new HistoryCurve(&row->history, ChartHistory::Analog, tr("Analog"));
        row->analogCurve->setAxes(QwtPlot::xBottom, QwtPlot::yRight);
        row->analogCurve->setPen(QPen(QColor(200, 90, 0), 1));
        row->analogCurve->setVisible(false);
        row->analogCurve->attach(row->plot);
        row->timelineCurve = new HistoryCurve(&row->history, ChartHistory::Value);
        row->timelineCurve->attach(m_timeline);

        row->rightMarker = new QwtPlotMarker;
        row->rightMarker->setAxes(QwtPlot::xBottom, QwtPlot::yRight);
        row->rightMarker->setLineStyle(QwtPlotMarker::HLine);
        row->rightMarker->setLinePen(QColor(200, 90, 0), 0, Qt::DashLine);
        row->rightMarker->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
        row->rightMarker->setVisible(false);
        row->rightMarker->attach(row->plot);

        if (legendVisible)
            row->plot->insertLegend(new QwtLegend, QwtPlot::BottomLegend);
        m_rows.push_back(std::move(row));
        setPlotColor(i, QColor(0, 0, 188), false, QColor(0, 0, 188, 20), 1);
        applyYScale(*m_rows.back());
        updateCurrentValue(*m_rows.back());
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

GenericChart::Row *GenericChart::rowAt(int row) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return nullptr;
    return m_rows[std::size_t(row)].get();
}

void GenericChart::setCurrentValuePrecision(int row, int decimals)
{
    if (Row *r = rowAt(row)) {
        r->precision = std::clamp(decimals, 0, 15);
        updateCurrentValue(*r);
        updateRightMarker(*r);
    }
}

void GenericChart::setScale(int row, double low, double high)
{
    if (Row *r = rowAt(row)) {
        r->homeLow = r->low = low;
        r->homeHigh = r->high = high;
        applyYScale(*r);
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
    if (Row *r = rowAt(row)) {
        r->allowNegative = allow;
        applyYScale(*r);
        r->plot->replot();
    }
}

void GenericChart::applyYScale(Row &row)
{
    double low = row.low;
    double high = row.high;
    if (!row.allowNegative) {
        low = std::max(low, 0.0);
        if (high <= low)
            high = low + 1.0;
    }
    row.plot->setAxisScale(QwtPlot::yLeft, low, high);
}

void GenericChart::setPlotColor(int row, const QColor &lineColor, bool antialiased,
                                const QColor &fillColor, int lineWidth)
{
    Row *r = rowAt(row);
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
    if (Row *r = rowAt(row))
        r->minPan = std::max(0, pixels);
}

void GenericChart::setMaxPanOffset(int row, int pixels)
{
    if (Row *r = rowAt(row))
        r->maxPan = std::max(0, pixels);
}

void GenericChart::setPlotTitle(int row, const QString &title, bool bold, const QString &toolTip,
                                bool visible)
{
    Row *r = rowAt(row);
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
    if (Row *r = rowAt(row)) {
        r->leftLabel = left;
        r->rightLabel = right;
        updateAxisTitles(*r);
    }
}

void GenericChart::setCustomLabelsVisible(int row, bool left, bool right)
{
    if (Row *r = rowAt(row)) {
        r->leftLabelVisible = left;
        r->rightLabelVisible = right;
        updateAxisTitles(*r);
    }
}

void GenericChart::updateAxisTitles(Row &row)
{
    row.plot->setAxisTitle(QwtPlot::yLeft, axisTitle(row.leftLabel, row.leftLabelVisible));
    row.plot->setAxisTitle(QwtPlot::yRight, axisTitle(row.rightLabel, row.rightLabelVisible));
    row.plot->replot();
}

void GenericChart::setRightMarkerVisible(int row, bool visible)
{
    if (Row *r = rowAt(row)) {
        r->rightMarkerVisible = visible;
        updateRightMarker(*r);
        r->plot->replot();
    }
}

void GenericChart::vSetMarkerRightVisible(int row, bool visible)
{
    if (Row *r = rowAt(row)) {
        r->rightMarkerLabelVisible = visible;
        updateRightMarker(*r);
        r->plot->replot();
    }
}

void GenericChart::vEnableYRightAxis(int row, bool enable)
{
    if (Row *r = rowAt(row)) {
        r->rightAxis = enable;
        r->plot->enableAxis(QwtPlot::yRight, enable);
        r->analogCurve->setVisible(enable);
        updateRightMarker(*r);
        r->plot->replot();
    }
}

void GenericChart::setYRightAxisScale(int row, double low, double high, double step)
{
    if (Row *r = rowAt(row)) {
        r->plot->setAxisScale(QwtPlot::yRight, low, high, step > 0.0 ? step : 0.0);
        r->plot->replot();
    }
}

void GenericChart::updateRightMarker(Row &row)
{
    const bool visible = row.rightMarkerVisible && row.rightAxis && std::isfinite(row.lastAnalog);
    row.rightMarker->setVisible(visible);
    if (!visible)
        return;
    row.rightMarker->setYValue(row.lastAnalog);
    row.rightMarker->setLabel(row.rightMarkerLabelVisible
                                  ? QwtText(QString::number(row.lastAnalog, 'f', row.precision))
                                  : QwtText());
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
    for (auto &row : m_rows) {
        row->low = row->homeLow;
        row->high = row->homeHigh;
        applyYScale(*row);
    }
    refresh();
    emit vSignalZommResetForNoiseLine();
}

void GenericChart::vAppendData(int row, double value, bool showValue, double analogValue,
                               bool showAnalog, double, double)
{
    Row *r = rowAt(row);
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
    Row *r = rowAt(row);
    if (!r || !r->history.append(timeMs, value, analogValue))
        return false;
    r->current = value;
    r->lastAnalog = analogValue;
    scheduleRefresh();
    return true;
}

ValueOverTime GenericChart::getData(int row) const
{
    const Row *r = rowAt(row);
    return r ? r->history.toValueOverTime(ChartHistory::Value) : ValueOverTime();
}

ValueOverTime GenericChart::getAnalogData(int row) const
{
    const Row *r = rowAt(row);
    return r ? r->history.toValueOverTime(ChartHistory::Analog) : ValueOverTime();
}

const ChartHistory &GenericChart::history(int row) const
{
    static const ChartHistory empty;
    const Row *r = rowAt(row);
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
    const Row *r = rowAt(row);
    return r ? r->plot : nullptr;
}

HistoryCurve *GenericChart::valueCurve(int row) const
{
    const Row *r = rowAt(row);
    return r ? r->valueCurve : nullptr;
}

HistoryCurve *GenericChart::analogCurve(int row) const
{
    const Row *r = rowAt(row);
    return r ? r->analogCurve : nullptr;
}

QString GenericChart::currentValueText(int row) const
{
    const Row *r = rowAt(row);
    return r ? r->currentValue->text() : QString();
}

QwtPlotMarker *GenericChart::rightMarker(int row) const
{
    const Row *r = rowAt(row);
    return r ? r->rightMarker : nullptr;
}

void GenericChart::updateChart(bool jumpToNewest)
{
    if (jumpToNewest)
        m_following = true;
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

void GenericChart::updateCurrentValue(Row &row)
{
    row.currentValue->setText(std::isfinite(row.current)
                                  ? QString::number(row.current, 'f', row.precision)
                                  : QStringLiteral("--"));
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
    for (auto &row : m_rows) {
        updateCurrentValue(*row);
        updateRightMarker(*row);
    }
    if (m_following) {
        const bool empty = std::all_of(m_rows.begin(), m_rows.end(),
                                       [](const auto &r) { return r->history.isEmpty(); });
        m_viewEnd = empty ? double(QDateTime::currentMSecsSinceEpoch()) : lastTime();
        m_viewStart = m_viewEnd - m_liveSpan;
    }
    applyView();
}

void GenericChart::applyView()
{
    for (auto &row : m_rows) {
        row->plot->setAxisScale(QwtPlot::xBottom, m_viewStart, m_viewEnd);
        row->plot->replot();
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

bool GenericChart::handleCanvasEvent(Row &row, QEvent *event)
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
    case QEvent::Wheel: {
        auto *e = static_cast<QWheelEvent *>(event);
        const double steps = e->angleDelta().y() / 120.0;
        if (steps == 0.0)
            return false;
        const double factor = std::pow(WheelZoomStep, steps);
        const QPointF pos = e->position();
        if (e->modifiers() & Qt::ControlModifier) {
            const double v = row.plot->invTransform(QwtPlot::yLeft, pos.y());
            row.low = v - (v - row.low) * factor;
            row.high = v + (row.high - v) * factor;
            applyYScale(row);
            row.plot->replot();
        } else {
            const double t = row.plot->invTransform(QwtPlot::xBottom, pos.x());
            setView(t - (t - m_viewStart) * factor, t + (m_viewEnd - t) * factor);
        }
        return true;
    }
    default:
        return false;
    }
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

QString GenericChart::dataToString(QChar separator) const
{
    std::vector<const ChartHistory *> rows;
    for (const auto &row : m_rows)
        rows.push_back(&row->history);
    return historyToString(rows, separator);
}

bool GenericChart::setDataFromString(const QString &text, QChar separator)
{
    std::vector<ChartHistory> parsed;
    if (!historyFromString(text, separator, m_rows.size(), parsed))
        return false;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        Row &row = *m_rows[i];
        row.history = std::move(parsed[i]);
        const std::size_t n = row.history.size();
        row.current = n ? row.history.value(n - 1, ChartHistory::Value) : NaN;
        row.lastAnalog = n ? row.history.value(n - 1, ChartHistory::Analog) : NaN;
    }
    m_following = true;
    refresh();
    return true;
}

} // namespace Charts
} // namespace Utils
