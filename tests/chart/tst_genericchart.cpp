#include "utils/charts/genericchart.h"
#include "utils/charts/historycurve.h"

#include <QtTest>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_div.h>
#include <qwt_scale_map.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>

using Utils::Charts::ChartHistory;
using Utils::Charts::GenericChart;
using Utils::Charts::HistoryCurve;

namespace {

constexpr int CanvasWidth = 400;
constexpr int CanvasHeight = 200;

struct ColumnInk
{
    int top = -1;
    int bottom = -1;
};

// Topmost and bottommost painted row of every pixel column.
QVector<ColumnInk> inkPerColumn(const QImage &image)
{
    QVector<ColumnInk> columns(image.width());
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                if (columns[x].top < 0)
                    columns[x].top = y;
                columns[x].bottom = y;
            }
        }
    }
    return columns;
}

QImage render(const QwtPlotItem &item, const QwtScaleMap &xMap, const QwtScaleMap &yMap)
{
    QImage image(CanvasWidth, CanvasHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setClipRect(0, 0, CanvasWidth, CanvasHeight);
    item.draw(&painter, xMap, yMap, QRectF(0, 0, CanvasWidth, CanvasHeight));
    return image;
}

} // namespace

class TestGenericChart : public QObject
{
    Q_OBJECT

private slots:
    void appendStampsArrivalTime();
    void decimatedDrawingShowsTheFullEnvelope_data();
    void decimatedDrawingShowsTheFullEnvelope();
    void extremesMatchAScan_data();
    void extremesMatchAScan();
    void nonFiniteAnalogValuesAreNotDrawn_data();
    void nonFiniteAnalogValuesAreNotDrawn();
    void clearEmptiesAllHistory();
    void currentValueUsesPrecision();
    void viewFollowsNewestUntilPanned();
    void panningStopsAtThePanOffsets();
    void doubleClickReturnsToLiveViewAndReportsReset();
    void timelineShowsWholeHistoryWithItsScale();
    void rightMarkerShowsNewestFiniteAnalogValue();
};

void TestGenericChart::appendStampsArrivalTime()
{
    GenericChart chart(1, nullptr, nullptr, true, false);
    const double before = double(QDateTime::currentMSecsSinceEpoch());
    chart.vAppendData(0, 1.5, true, 7.0, false, -1.0, -1.0);
    QTest::qWait(5);
    chart.vAppendData(0, 2.5, true, 8.0, false, -1.0, -1.0);
    const double after = double(QDateTime::currentMSecsSinceEpoch());

    const Utils::ValueOverTime data = chart.getData(0);
    QCOMPARE(data.size(), 2);
    QVERIFY(data.pxData()[0] >= before);
    QVERIFY(data.pxData()[1] >= data.pxData()[0] + 4.0);
    QVERIFY(data.pxData()[1] <= after);
    QCOMPARE(data.pyData()[0], 1.5);
    QCOMPARE(data.pyData()[1], 2.5);
    const Utils::ValueOverTime analog = chart.getAnalogData(0);
    QCOMPARE(analog.pyData()[1], 8.0);
    QCOMPARE(analog.pxData()[1], data.pxData()[1]);
}

void TestGenericChart::decimatedDrawingShowsTheFullEnvelope_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<double>("noise");
    QTest::newRow("noisy series, thousands of points a column") << 1000000 << 0.6;
    QTest::newRow("noisy series, a few dozen points a column") << 12000 << 0.6;
    QTest::newRow("sparse series, lines across columns") << 150 << 0.3;
    QTest::newRow("smooth dense series") << 200000 << 0.0;
}

void TestGenericChart::decimatedDrawingShowsTheFullEnvelope()
{
    QFETCH(int, points);
    QFETCH(double, noise);
    ChartHistory history;
    QVector<double> xs;
    QVector<double> ys;
    std::mt19937 random(5);
    std::normal_distribution<double> jitter(0.0, noise > 0.0 ? noise : 1.0);
    // Irregular spacing, as when polls are delayed.
    double t = 1.7e12;
    for (int i = 0; i < points; ++i) {
        t += 40.0 + (i % 7) * 10.0;
        const double v = 5.0 + 3.0 * std::sin(i * 12.0 / points) + (noise > 0 ? jitter(random) : 0);
        QVERIFY(history.append(t, v, 0.0));
        xs << t;
        ys << v;
    }
    QwtScaleMap xMap;
    xMap.setPaintInterval(0, CanvasWidth);
    // Part of the history out of view on both sides.
    xMap.setScaleInterval(xs.at(points / 10), xs.at(points - points / 10));
    QwtScaleMap yMap;
    yMap.setPaintInterval(CanvasHeight, 0);
    yMap.setScaleInterval(-2.0, 12.0);

    HistoryCurve decimated(&history, ChartHistory::Value);
    decimated.setPen(QPen(Qt::black, 0));
    QwtPlotCurve full;
    full.setPen(QPen(Qt::black, 0));
    full.setSamples(xs, ys);

    const QVector<ColumnInk> expected = inkPerColumn(render(full, xMap, yMap));
    const QVector<ColumnInk> actual = inkPerColumn(render(decimated, xMap, yMap));
    int inkedColumns = 0;
    for (int x = 1; x < CanvasWidth - 1; ++x) {
        const QByteArray where = QByteArray::number(x);
        QVERIFY2((expected[x].top < 0) == (actual[x].top < 0), where);
        if (expected[x].top < 0)
            continue;
        ++inkedColumns;
        QVERIFY2(std::abs(expected[x].top - actual[x].top) <= 1,
                 where + " top " + QByteArray::number(expected[x].top) + " "
                     + QByteArray::number(actual[x].top));
        QVERIFY2(std::abs(expected[x].bottom - actual[x].bottom) <= 1,
                 where + " bottom " + QByteArray::number(expected[x].bottom) + " "
                     + QByteArray::number(actual[x].bottom));
    }
    QVERIFY(inkedColumns > CanvasWidth * 9 / 10);

    // And it hands the painter about four points a column, not the whole series.
    int drawn = 0;
    for (const QPolygonF &piece : decimated.polylines(xMap, yMap, QRectF(0, 0, CanvasWidth,
                                                                          CanvasHeight)))
        drawn += piece.size();
    QVERIFY2(drawn <= 4 * (CanvasWidth + 1) + 2, QByteArray::number(drawn));
}

void TestGenericChart::extremesMatchAScan_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("inside one run") << 3 << 9;
    QTest::newRow("across run borders") << 30 << 100;
    QTest::newRow("across chunk borders") << 4000 << 13000;
    QTest::newRow("whole chunks") << 4096 << 12288;
    QTest::newRow("to the end") << 9000 << 20000;
    QTest::newRow("empty range") << 50 << 50;
}

void TestGenericChart::extremesMatchAScan()
{
    QFETCH(int, from);
    QFETCH(int, to);
    ChartHistory history;
    std::mt19937 random(9);
    std::uniform_real_distribution<double> value(-100.0, 100.0);
    std::vector<double> values;
    for (int i = 0; i < 20000; ++i) {
        const double v = i % 97 == 0 ? std::nan("") : value(random);
        values.push_back(v);
        history.append(i, 0.0, v);
    }
    double min = std::numeric_limits<double>::infinity();
    double max = -min;
    std::size_t finite = 0;
    std::size_t nonFinite = 0;
    for (int i = from; i < to; ++i) {
        if (std::isfinite(values[i])) {
            min = std::min(min, values[i]);
            max = std::max(max, values[i]);
            ++finite;
        } else {
            ++nonFinite;
        }
    }
    const ChartHistory::Extremes e = history.extremes(ChartHistory::Analog, from, to);
    QCOMPARE(e.min, min);
    QCOMPARE(e.max, max);
    QCOMPARE(e.finite, finite);
    QCOMPARE(e.nonFinite, nonFinite);
    QCOMPARE(history.lowerBound(from + 0.5), std::size_t(from + 1));
    QCOMPARE(history.lowerBound(from, 0), std::size_t(from));
}

void TestGenericChart::nonFiniteAnalogValuesAreNotDrawn_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("every");
    QTest::addColumn<double>("bad");
    QTest::newRow("sparse, infinity from an unset analog range")
        << 40 << 5 << std::numeric_limits<double>::infinity();
    QTest::newRow("sparse, NaN") << 40 << 5 << std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("dense, NaN") << 100000 << 7 << std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("all infinite") << 1000 << 1 << -std::numeric_limits<double>::infinity();
}

void TestGenericChart::nonFiniteAnalogValuesAreNotDrawn()
{
    QFETCH(int, points);
    QFETCH(int, every);
    QFETCH(double, bad);
    GenericChart chart(1, nullptr, nullptr, true, false);
    chart.vEnableYRightAxis(0, true);
    chart.setYRightAxisScale(0, 0.0, 10.0, 2.0);
    for (int i = 0; i < points; ++i)
        chart.appendDataAt(0, 1000.0 + i * 65.0, 1.0, i % every == 0 ? bad : 5.0 + (i % 3));

    QwtScaleMap xMap;
    xMap.setPaintInterval(0, CanvasWidth);
    xMap.setScaleInterval(1000.0, 1000.0 + points * 65.0);
    QwtScaleMap yMap;
    yMap.setPaintInterval(CanvasHeight, 0);
    yMap.setScaleInterval(0.0, 10.0);
    const auto pieces = chart.analogCurve(0)->polylines(xMap, yMap,
                                                        QRectF(0, 0, CanvasWidth, CanvasHeight));
    for (const QPolygonF &piece : pieces) {
        for (const QPointF &p : piece) {
            QVERIFY(std::isfinite(p.x()) && std::isfinite(p.y()));
            // Finite analog values are 5 to 7: y between 60 and 100.
            QVERIFY2(p.y() >= 59.0 && p.y() <= 101.0, QByteArray::number(p.y()));
        }
    }
    if (every == 1)
        QVERIFY(pieces.isEmpty());
    else if (points < CanvasWidth)
        QCOMPARE(pieces.size(), points / every); // each bad point breaks the line

    QImage image(CanvasWidth, CanvasHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    chart.analogCurve(0)->draw(&painter, xMap, yMap, QRectF(0, 0, CanvasWidth, CanvasHeight));
    painter.end();
    for (int x = 0; x < CanvasWidth; ++x) {
        for (int y : {0, 30, 120, CanvasHeight - 1})
            QCOMPARE(image.pixel(x, y), qRgb(255, 255, 255));
    }
}

void TestGenericChart::clearEmptiesAllHistory()
{
    GenericChart chart(2, nullptr, nullptr, true, false);
    for (int i = 0; i < 5000; ++i) {
        chart.vAppendData(0, i, true, i, false, -1.0, -1.0);
        chart.vAppendData(1, -i, true, i, false, -1.0, -1.0);
    }
    chart.updateChart(false);
    QCOMPARE(chart.currentValueText(0), QStringLiteral("4999.00"));
    chart.clear();
    QCOMPARE(chart.getData(0).size(), 0);
    QCOMPARE(chart.getData(1).size(), 0);
    QCOMPARE(chart.history(1).memoryBytes(), std::size_t(0));
    QCOMPARE(chart.dataToString(), QStringLiteral("history;1;2;0;0"));
    QCOMPARE(chart.currentValueText(0), QStringLiteral("--"));
    chart.vAppendData(0, 3.0, true, 1.0, false, -1.0, -1.0);
    QCOMPARE(chart.getData(0).size(), 1);
}

void TestGenericChart::currentValueUsesPrecision()
{
    GenericChart chart(1, nullptr, nullptr, true, false);
    chart.setCurrentValuePrecision(0, 2);
    chart.vAppendData(0, 14.50449, true, std::nan(""), false, -1.0, -1.0);
    chart.updateChart(false);
    QCOMPARE(chart.currentValueText(0), QStringLiteral("14.50"));
    chart.setCurrentValuePrecision(0, 0);
    QCOMPARE(chart.currentValueText(0), QStringLiteral("15"));
    // The display shows the analog value when asked to.
    chart.vAppendData(0, 1.0, false, 7.25, true, -1.0, -1.0);
    chart.setCurrentValuePrecision(0, 1);
    chart.updateChart(false);
    QCOMPARE(chart.currentValueText(0), QStringLiteral("7.3"));
}

void TestGenericChart::viewFollowsNewestUntilPanned()
{
    GenericChart chart(1, nullptr, nullptr, true, false);
    chart.resize(600, 400);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    chart.setLiveSpan(10000.0);
    for (int i = 0; i < 1000; ++i)
        chart.appendDataAt(0, 1.0e6 + i * 100.0, i, 0.0);
    chart.updateChart(false);
    QVERIFY(chart.isFollowingNewest());
    QCOMPARE(chart.viewEnd(), 1.0e6 + 999 * 100.0);
    QCOMPARE(chart.viewSpan(), 10000.0);

    QWidget *canvas = chart.poPlot(0)->canvas();
    const QPoint centre = canvas->rect().center();
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, centre);
    QMouseEvent move(QEvent::MouseMove, centre + QPoint(100, 0), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, centre + QPoint(100, 0));
    QVERIFY(!chart.isFollowingNewest());
    const double panned = chart.viewEnd();
    QVERIFY(panned < 1.0e6 + 999 * 100.0);

    chart.appendDataAt(0, 1.0e6 + 1000 * 100.0, 1.0, 0.0);
    chart.updateChart(false);
    QCOMPARE(chart.viewEnd(), panned);
    chart.jumpToPlottingArea();
    QVERIFY(chart.isFollowingNewest());
    QCOMPARE(chart.viewEnd(), 1.0e6 + 1000 * 100.0);
}

void TestGenericChart::panningStopsAtThePanOffsets()
{
    GenericChart chart(1, nullptr, nullptr, true, false);
    chart.resize(600, 400);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    chart.setMinPanOffset(0, 100);
    chart.setMaxPanOffset(0, 50);
    chart.setLiveSpan(10000.0);
    for (int i = 0; i < 1000; ++i)
        chart.appendDataAt(0, 1.0e6 + i * 100.0, i, 0.0);
    chart.updateChart(true);
    const double perPixel = 10000.0 / chart.poPlot(0)->canvas()->width();

    chart.setView(0.0, 10000.0);
    QVERIFY(std::abs(chart.viewStart() - (1.0e6 - 100 * perPixel)) < 1e-6);
    QCOMPARE(chart.viewSpan(), 10000.0);
    chart.setView(5.0e6, 5.0e6 + 10000.0);
    QVERIFY(std::abs(chart.viewEnd() - (1.0e6 + 99900.0 + 50 * perPixel)) < 1e-6);
}

void TestGenericChart::doubleClickReturnsToLiveViewAndReportsReset()
{
    GenericChart chart(1, nullptr, nullptr, true, false);
    chart.resize(600, 400);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    chart.setScale(0, -1.0, 10.0);
    for (int i = 0; i < 100; ++i)
        chart.appendDataAt(0, 1.0e6 + i * 100.0, i, 0.0);
    QSignalSpy reset(&chart, &GenericChart::vSignalZommResetForNoiseLine);
    QWidget *canvas = chart.poPlot(0)->canvas();
    QWheelEvent wheel(QPointF(canvas->rect().center()), canvas->mapToGlobal(
                          canvas->rect().center()), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
    const QwtScaleDiv zoomed = chart.poPlot(0)->axisScaleDiv(QwtPlot::yLeft);
    QVERIFY(zoomed.range() < 11.0 * 0.7);
    chart.setView(1.0e6, 1.0e6 + 2000.0);
    QCOMPARE(reset.count(), 0);

    QTest::mouseDClick(canvas, Qt::LeftButton, Qt::NoModifier, canvas->rect().center());
    QCOMPARE(reset.count(), 1);
    QVERIFY(chart.isFollowingNewest());
    QCOMPARE(chart.poPlot(0)->axisScaleDiv(QwtPlot::yLeft).lowerBound(), -1.0);
    QCOMPARE(chart.poPlot(0)->axisScaleDiv(QwtPlot::yLeft).upperBound(), 10.0);
}

void TestGenericChart::timelineShowsWholeHistoryWithItsScale()
{
    GenericChart chart(1, nullptr, nullptr, true, false);
    chart.setTimelineScale(-42.0, 260.0);
    chart.setLiveSpan(1000.0);
    for (int i = 0; i < 100; ++i)
        chart.appendDataAt(0, 5000.0 + i * 100.0, i, 0.0);
    chart.updateChart(true);
    const QwtScaleDiv y = chart.timelinePlot()->axisScaleDiv(QwtPlot::yLeft);
    QCOMPARE(y.lowerBound(), -42.0);
    QCOMPARE(y.upperBound(), 260.0);
    const QwtScaleDiv x = chart.timelinePlot()->axisScaleDiv(QwtPlot::xBottom);
    QCOMPARE(x.lowerBound(), 5000.0);
    QCOMPARE(x.upperBound(), 5000.0 + 99 * 100.0);
    QCOMPARE(chart.poPlot(0)->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 14900.0 - 1000.0);
}

void TestGenericChart::rightMarkerShowsNewestFiniteAnalogValue()
{
    GenericChart chart(1, nullptr, nullptr, true, false);
    chart.setRightMarkerVisible(0, true);
    chart.vSetMarkerRightVisible(0, true);
    chart.vEnableYRightAxis(0, true);
    chart.vAppendData(0, 1.0, true, 6.5, false, -1.0, -1.0);
    chart.updateChart(false);
    QVERIFY(chart.rightMarker(0)->isVisible());
    QCOMPARE(chart.rightMarker(0)->yValue(), 6.5);
    QCOMPARE(chart.rightMarker(0)->label().text(), QStringLiteral("6.50"));
    chart.vAppendData(0, 1.0, true, std::numeric_limits<double>::infinity(), false, -1, -1);
    chart.updateChart(false);
    QVERIFY(!chart.rightMarker(0)->isVisible());
    chart.vAppendData(0, 1.0, true, 2.0, false, -1, -1);
    chart.vEnableYRightAxis(0, false);
    QVERIFY(!chart.rightMarker(0)->isVisible());
}

QTEST_MAIN(TestGenericChart)
#include "tst_genericchart.moc"
