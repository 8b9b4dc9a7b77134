#include "utils/charts/genericchart.h"
#include "utils/charts/historycurve.h"
#include "utils/plotdocument.h"
#include "utils/thresholdwindowwidget.h"

#include <QtTest>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_widget.h>

#include <random>

using namespace Utils::Charts;
using Utils::ThresholdWindowWidget;

namespace {

constexpr int W = 400, H = 200;

// Topmost and bottommost painted row of every pixel column (-1: none).
QVector<QPair<int, int>> ink(const QwtPlotItem &item, const QwtScaleMap &x, const QwtScaleMap &y)
{
    QImage image(W, H, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    item.draw(&painter, x, y, QRectF(0, 0, W, H));
    painter.end();
    QVector<QPair<int, int>> columns(W, {-1, -1});
    for (int c = 0; c < W; ++c)
        for (int r = 0; r < H; ++r)
            if (image.pixel(c, r) != qRgb(255, 255, 255))
                columns[c] = {columns[c].first < 0 ? r : columns[c].first, r};
    return columns;
}

QPair<double, double> bounds(const QwtPlot *plot, int axis = QwtPlot::yLeft)
{
    return {plot->axisScaleDiv(axis).lowerBound(), plot->axisScaleDiv(axis).upperBound()};
}

} // namespace

// The live chart (history, decimated curve, view) and its threshold overlay.
class TestGenericChart : public QObject
{
    Q_OBJECT

private slots:
    void decimatedDrawingCoversTheSamePixels_data();
    void decimatedDrawingCoversTheSamePixels();
    void extremesAndBoundsMatchAScan();
    void viewFollowsNewestUntilPannedWithinOffsets();
    void newPointsPaintedAsAFullRedrawWould_data();
    void newPointsPaintedAsAFullRedrawWould();
    void timeLabelsNeverOverlap_data();
    void timeLabelsNeverOverlap();
    void thresholdDrag_data();
    void thresholdDrag();
    void viewRendersToPdf();
};

void TestGenericChart::decimatedDrawingCoversTheSamePixels_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<double>("noise");
    QTest::addColumn<bool>("filled");
    QTest::newRow("noisy, thousands of points a column") << 1000000 << 0.6 << false;
    QTest::newRow("sparse, lines across columns") << 150 << 0.3 << false;
    QTest::newRow("smooth and dense") << 200000 << 0.0 << false;
    // Filled down to the baseline: one bar a column instead of the polygon.
    QTest::newRow("noisy, filled") << 1000000 << 0.6 << true;
}

// Min/max per pixel column paints what all points would, column by column.
void TestGenericChart::decimatedDrawingCoversTheSamePixels()
{
    QFETCH(int, points);
    QFETCH(double, noise);
    QFETCH(bool, filled);
    ChartHistory history;
    QVector<double> xs{1.7e12}, ys;
    std::mt19937 random(5);
    std::normal_distribution<double> jitter(0.0, noise > 0.0 ? noise : 1.0);
    for (int i = 0; i < points; ++i) {
        xs << xs.last() + 40.0 + (i % 7) * 10.0; // irregular, as delayed polls are
        ys << 5.0 + 3.0 * std::sin(i * 12.0 / points) + (noise > 0 ? jitter(random) : 0);
        QVERIFY(history.append(xs.last(), ys.last(), 0.0));
    }
    xs.removeFirst();
    // Part of the history out of view on both sides.
    QwtScaleMap x, y;
    x.setPaintInterval(0, W);
    x.setScaleInterval(xs.at(points / 10), xs.at(points - points / 10));
    y.setPaintInterval(H, 0);
    y.setScaleInterval(-2.0, 12.0);
    HistoryCurve decimated(&history, ChartHistory::Value);
    QwtPlotCurve full;
    full.setSamples(xs, ys);
    auto expected = ink(full, x, y);
    if (filled) {
        // The line's ink, stretched in every column to the baseline.
        decimated.setBrush(QColor(0, 0, 188, 40));
        decimated.setBaseline(0.5);
        const int base = qRound(y.transform(0.5));
        for (auto &column : expected) {
            if (column.first >= 0)
                column = {std::min(column.first, base), std::max(column.second, base)};
        }
    }
    const auto actual = ink(decimated, x, y);
    int inked = 0;
    for (int c = 1; c < W - 1; ++c) {
        const auto e = expected[c], a = actual[c];
        inked += e.first >= 0;
        QVERIFY2((e.first < 0) == (a.first < 0) && std::abs(e.first - a.first) <= 1
                     && std::abs(e.second - a.second) <= 1, QByteArray::number(c));
    }
    QVERIFY(inked > W * 9 / 10);
    int drawn = 0; // about four points a column reach the painter, not the whole series
    for (const QPolygonF &piece : decimated.polylines(x, y, QRectF(0, 0, W, H)))
        drawn += piece.size();
    QVERIFY2(drawn <= 4 * (W + 1) + 2, QByteArray::number(drawn));
}

// Cached extremes of runs and chunks, and the boundary search, against a plain scan.
void TestGenericChart::extremesAndBoundsMatchAScan()
{
    ChartHistory history;
    std::mt19937 random(9);
    std::uniform_real_distribution<double> value(-100.0, 100.0);
    QVector<double> values;
    for (int i = 0; i < 20000; ++i) {
        values << (i % 97 == 0 ? std::nan("") : value(random));
        history.append(i + (i > 15000 ? 1e6 : 0.0), 0.0, values.last()); // uneven: a gap
    }
    // In one run, across runs, across chunks, whole chunks, to the end, empty.
    const std::pair<int, int> ranges[] = {{3, 9}, {30, 100}, {4000, 13000}, {4096, 12288},
                                           {9000, 20000}, {50, 50}};
    for (const auto &range : ranges) {
        QVector<double> scan{qInf(), -qInf(), 0, 0}; // min, max, finite, not finite
        for (int i = range.first; i < range.second; ++i) {
            const double v = values[i];
            scan = std::isfinite(v)
                ? QVector<double>{qMin(scan[0], v), qMax(scan[1], v), scan[2] + 1, scan[3]}
                : QVector<double>{scan[0], scan[1], scan[2], scan[3] + 1};
        }
        const auto e = history.extremes(ChartHistory::Analog, range.first, range.second);
        QCOMPARE(QVector<double>({e.min, e.max, double(e.finite), double(e.nonFinite)}), scan);
        for (std::size_t i : {std::size_t(range.first), std::size_t(qMin(range.second, 19999))}) {
            QCOMPARE(history.lowerBound(history.time(i) + 0.5), i + 1);
            QCOMPARE(history.lowerBound(history.time(i), std::size_t(range.first / 2)), i);
            QCOMPARE(history.lowerBound(history.time(i) - 0.5, i), i);
        }
    }
    QCOMPARE(history.lowerBound(1e12, 5), std::size_t(20000));
    ChartHistory even; // evenly spaced: the interpolated guess is the answer
    for (int i = 0; i < 100; ++i)
        even.append(i, 0.0, 0.0);
    QCOMPARE(even.lowerBound(50.0), std::size_t(50));
}

void TestGenericChart::viewFollowsNewestUntilPannedWithinOffsets()
{
    GenericChart chart(1, nullptr, nullptr, true, false);
    chart.setTimelineScale(-42.0, 260.0);
    chart.setScale(0, -1.0, 10.0);
    chart.setMinPanOffset(0, 100);
    chart.setMaxPanOffset(0, 50);
    chart.setLiveSpan(10000.0);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    for (int i = 0; i < 1000; ++i)
        chart.appendDataAt(0, 1.0e6 + i * 100.0, i, 0.0);
    chart.updateChart(false);
    const double newest = 1.0e6 + 99900.0, lead = 1250.0; // an eighth of the span ahead
    QCOMPARE(bounds(chart.poPlot(0), QwtPlot::xBottom), qMakePair(newest + lead - 1e4,
                                                                  newest + lead));
    QCOMPARE(bounds(chart.timelinePlot()), qMakePair(-42.0, 260.0));
    QCOMPARE(bounds(chart.timelinePlot(), QwtPlot::xBottom), qMakePair(1.0e6, newest + lead));

    // A drag of 100 pixels to the right shows earlier data; new points leave the view alone.
    QWidget *canvas = chart.poPlot(0)->canvas();
    const double perPixel = 10000.0 / canvas->width();
    const QPoint centre = canvas->rect().center();
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, centre);
    QMouseEvent move(QEvent::MouseMove, centre + QPoint(100, 0), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, centre + QPoint(100, 0));
    chart.appendDataAt(0, newest + 100.0, 1.0, 0.0);
    chart.updateChart(false);
    QVERIFY(!chart.isFollowingNewest());
    QCOMPARE(chart.viewEnd(), newest + lead - 100 * perPixel);

    // The view stops the pan offsets beyond the first and the newest point.
    chart.setView(0.0, 10000.0);
    QCOMPARE(qMakePair(chart.viewStart(), chart.viewSpan()), qMakePair(1e6 - 100 * perPixel, 1e4));
    chart.setView(5.0e6, 5.0e6 + 10000.0);
    QCOMPARE(chart.viewEnd(), newest + 100.0 + 50 * perPixel);

    // A click on the overview centres the view there.
    const double t = chart.timelinePlot()->invTransform(QwtPlot::xBottom, 100);
    QTest::mouseClick(chart.timelinePlot()->canvas(), Qt::LeftButton, Qt::NoModifier, {100, 5});
    QCOMPARE(chart.viewStart() + 5000.0, t);

    // Ctrl+wheel zooms the value axis about the mouse; a double click resets both.
    QSignalSpy reset(&chart, &GenericChart::vSignalZommResetForNoiseLine);
    const double v = chart.poPlot(0)->invTransform(QwtPlot::yLeft, centre.y());
    QWheelEvent wheel(centre, canvas->mapToGlobal(centre), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
    QCOMPARE(bounds(chart.poPlot(0)), qMakePair(v - (v + 1.0) * 0.8, v + (10.0 - v) * 0.8));
    QTest::mouseDClick(canvas, Qt::LeftButton, Qt::NoModifier, centre);
    QCOMPARE(qMakePair(reset.count(), chart.viewEnd()), qMakePair(1, newest + 100.0 + lead));
    QCOMPARE(bounds(chart.poPlot(0)), qMakePair(-1.0, 10.0));
}

void TestGenericChart::newPointsPaintedAsAFullRedrawWould_data()
{
    QTest::addColumn<double>("earlier");
    QTest::newRow("overview: points pixels apart") << 0.0;
    // Two hours before: each overview column holds a hundred points, most of
    // which add nothing to its picture.
    QTest::newRow("overview: many points a column") << 7.2e6;
}

// Points that fit the view are painted onto the last picture, which then shows what a full
// redraw shows: the plot and the overview strip, across a gap and around a run of NaN.
void TestGenericChart::newPointsPaintedAsAFullRedrawWould()
{
    QFETCH(double, earlier);
    GenericChart chart(1, nullptr, nullptr, true, false);
    chart.setScale(0, -1.0, 10.0);
    chart.setLiveSpan(10000.0);
    chart.resize(500, 300);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    double t = 1.0e6;
    if (earlier > 0.0) {
        chart.appendDataAt(0, t - earlier, 5.0, 0);
        chart.setMaxPanOffset(0, 1000); // the view may reach past the newest point
    }
    auto add = [&](int points, double nanFrom) {
        for (int i = 0; i < points; ++i, t += 65.0)
            chart.appendDataAt(0, t, i >= nanFrom ? qQNaN() : 5.0 + 4.0 * std::sin(t / 700.0), 0);
        chart.updateChart(false);
        QCoreApplication::processEvents();
    };
    add(40, 99);
    chart.setView(1.0e6, 1.0e6 + 10000.0); // room for all points to come
    QCoreApplication::processEvents();
    const int redraws = chart.fullRedrawCount();
    for (const auto &moment : {QPair<int, double>{1, 9}, {9, 4}, {6, 9}, {30, 99}}) {
        add(moment.first, moment.second);
        if (moment.first == 6)
            t += 800.0; // a gap: the line skips columns
        QCOMPARE(chart.fullRedrawCount(), redraws);
        for (QwtPlot *plot : {chart.poPlot(0), chart.timelinePlot()}) {
            const QImage painted = plot->canvas()->grab().toImage();
            plot->replot();
            const QImage full = plot->canvas()->grab().toImage();
            QCOMPARE(painted, full);
        }
    }
}

void TestGenericChart::timeLabelsNeverOverlap_data()
{
    QTest::addColumn<double>("span");
    QTest::newRow("milliseconds, the widest labels") << 1500.0;
    QTest::newRow("seconds") << 60000.0;
    QTest::newRow("hours") << 6 * 3600e3;
}

// At any width the time axis gets as many labels as fit side by side.
void TestGenericChart::timeLabelsNeverOverlap()
{
    QFETCH(double, span);
    GenericChart chart(1, nullptr, nullptr, true, false);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    for (int width : {250, 330, 480, 800, 1280, 1900, 2500}) {
        chart.resize(width, 300);
        QCoreApplication::processEvents();
        chart.setView(1.7e12, 1.7e12 + span);
        const QwtPlot *plot = chart.poPlot(0);
        const QwtScaleDraw *draw = plot->axisScaleDraw(QwtPlot::xBottom);
        const QFont font = plot->axisWidget(QwtPlot::xBottom)->font();
        QList<QRectF> labels;
        for (double tick : plot->axisScaleDiv(QwtPlot::xBottom).ticks(QwtScaleDiv::MajorTick))
            labels << draw->labelRect(font, tick).translated(draw->labelPosition(tick));
        QVERIFY2(labels.size() >= 1 + width / 400, qPrintable(QString::number(width)));
        for (int i = 1; i < labels.size(); ++i)
            QVERIFY2(labels[i - 1].right() < labels[i].left(), qPrintable(QString::number(width)));
    }
}

void TestGenericChart::thresholdDrag_data()
{
    // Marks at 2.5 and 5, overlapping allowed: the press (value, pixels off it), the drop,
    // then the reported mark and value (* the value under the mouse) | the marks afterwards.
    QTest::addColumn<QVector<double>>("drag");
    QTest::addColumn<QString>("marks");
    using V = QVector<double>;
    QTest::newRow("lower mark up") << V{2.5, 0, 4} << "0 * | * 5";
    QTest::newRow("lower grabbed 5 px off, down") << V{2.5, 5, 1} << "0 * | * 5";
    QTest::newRow("upper below the lower") << V{5, -2, 1} << "1 * | 2.5 *";
    QTest::newRow("no overlapping: lower stops at upper") << V{2.5, 0, 8, 1} << "0 5 | 5 5";
    QTest::newRow("read-only overlay") << V{2.5, 0, 1, 2} << "| 2.5 5";
    QTest::newRow("disabled mark") << V{2.5, 0, 1, 3} << "| 2.5 5";
    QTest::newRow("press 6 px from the line") << V{2.5, 6, 1} << "| 2.5 5";
}

void TestGenericChart::thresholdDrag()
{
    QFETCH(QVector<double>, drag);
    QFETCH(QString, marks);
    const int setup = int(drag.value(3)); // 1: no overlapping, 2: read-only, 3: lower disabled
    QwtPlot plot;
    plot.setAxisScale(QwtPlot::yLeft, 0.0, 10.0);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    struct : QObject { // sees what the overlay, installed after it, lets through
        int seen = 0;
        bool eventFilter(QObject *, QEvent *e) override
        {
            seen += e->type() == QEvent::User;
            return false;
        }
    } behind;
    plot.canvas()->installEventFilter(&behind);
    auto *overlay = new ThresholdWindowWidget(&plot, 3);
    overlay->setLowerMark(2.5);
    overlay->setUpperMark(5.0);
    overlay->allowOverlapping(setup != 1);
    overlay->setReadOnly(setup == 2);
    overlay->enableLowerMark(setup != 3);
    QSignalSpy changed(overlay, &ThresholdWindowWidget::emitValueChanged);
    QEvent other(QEvent::User); // what is no mouse event goes on to the canvas
    QApplication::sendEvent(plot.canvas(), &other);
    QCOMPARE(behind.seen, 1);
    const int y0 = qRound(plot.transform(QwtPlot::yLeft, drag[0])) + int(drag[1]);
    const int y1 = int(plot.transform(QwtPlot::yLeft, drag[2]));
    QTest::mousePress(plot.canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(50, y0));
    QMouseEvent move(QEvent::MouseMove, QPointF(50, (y0 + y1) / 2), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(plot.canvas(), &move);
    // A grabbed mark follows the mouse before it is dropped.
    const bool followed = overlay->lowerMark() != 2.5 || overlay->upperMark() != 5.0;
    QCOMPARE(followed, !marks.startsWith('|'));
    QTest::mouseRelease(plot.canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(50, y1));
    QStringList seen;
    for (const QList<QVariant> &signal : changed)
        seen << signal.at(0).toString() << QString::number(signal.at(1).toDouble());
    seen << "|" << QString::number(overlay->lowerMark()) << QString::number(overlay->upperMark());
    QCOMPARE(seen.join(' '), QString(marks).replace('*', QString::number(
                                 plot.invTransform(QwtPlot::yLeft, y1))));
    QVERIFY(!overlay->isDragging());
    // Overlay and plot go in either order: the marks with the overlay, an overlay with the plot.
    delete overlay;
    QCOMPARE(plot.itemList(QwtPlotItem::Rtti_PlotMarker).size(), 0);
    new ThresholdWindowWidget(&plot, 0);
}

// The chart view as a document: a PDF page with the plot on it.
void TestGenericChart::viewRendersToPdf()
{
    GenericChart chart(1);
    for (int i = 0; i < 100; ++i)
        chart.appendDataAt(0, 1.0e6 + 65.0 * i, 5.0 + std::sin(i / 10.0), 0);
    chart.updateChart(true);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("view.pdf"));
    QVERIFY(Utils::PlotDocument(chart.poPlot(0)).renderToPdf(path));
    QFile pdf(path);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray content = pdf.readAll();
    QVERIFY(content.startsWith("%PDF") && content.contains("/Page") && content.size() > 1000);
    QVERIFY(!Utils::PlotDocument(nullptr).renderToPdf(folder.filePath(QStringLiteral("x.pdf"))));
}

QTEST_MAIN(TestGenericChart)
#include "tst_genericchart.moc"
