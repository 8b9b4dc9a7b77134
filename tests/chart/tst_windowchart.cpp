#include "charttestaccess.h"

#include "utils/charts/genericchart.h"
#include "utils/connectionstatus.h"
#include "utils/thresholdmultimanager.h"
#include "utils/thresholdwindowwidget.h"

#include <QComboBox>
#include <QDateTime>
#include <QDockWidget>
#include <QFrame>
#include <QLayout>
#include <QToolBar>
#include <QTreeWidgetItem>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include <cmath>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;

namespace {

QwtScaleDiv leftAxis(Utils::Charts::GenericChart *chart)
{
    return chart->poPlot(0)->axisScaleDiv(QwtPlot::yLeft);
}

QwtScaleDiv timelineAxis(Utils::Charts::GenericChart *chart)
{
    return chart->timelinePlot()->axisScaleDiv(QwtPlot::yLeft);
}

// A poll answer of 8 bytes ending in the given raw pressure and status digit.
QString answer(const char *pressureDigits, const char *statusDigit = "0")
{
    return QStringLiteral("00112233") + QLatin1String(pressureDigits) + QStringLiteral("000")
        + QLatin1String(statusDigit);
}

} // namespace

class WindowChartTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void chartIsBuiltIntoTheFrame();
    void pointPerUnit_data();
    void pointPerUnit();
    void analogValueBeforeOutput2WasAnalog();
    void nothingPlottedUnlessLiveAndConnected_data();
    void nothingPlottedUnlessLiveAndConnected();
    void unitRefresh_data();
    void unitRefresh();
    void unknownUnitKeepsScalesAndPlotsZero();
    void updateChartEnablesToolbarOnlyWhileConnected();
    void setWindowActiveReturnsToLiveViewOnlyWithLiveData();
    void filledChartDrawsCurveAndMarks();

private:
    ChartTestFiles m_files;
};

void WindowChartTest::init()
{
    QVERIFY(m_files.install());
}

void WindowChartTest::chartIsBuiltIntoTheFrame()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    QVERIFY(s.chart);
    QCOMPARE(s.chart->parentWidget(), Access::ui(*w).frame);
    QVERIFY(Access::ui(*w).frame->layout());
    QCOMPARE(Access::ui(*w).frame->layout()->indexOf(s.chart), 0);
    QCOMPARE(s.chart->rowCount(), 1);

    // One overlay on row 0, the same object in both fields, with component 0.
    QVERIFY(s.thresholdWindow);
    QCOMPARE(s.thresholdWindows.size(), 1);
    QCOMPARE(s.thresholdWindows.first(), s.thresholdWindow);
    QCOMPARE(s.thresholdWindow->plot(), s.chart->poPlot(0));
    QCOMPARE(s.thresholdWindow->getComponentIndex(), 0u);
    QVERIFY(s.thresholdWindow->isOverlappingAllowed());
    QVERIFY(!s.thresholdWindow->isWindowSizeVisible());
    QVERIFY(!s.thresholdWindow->isReadOnly());
    QVERIFY(s.thresholdManager);
    QCOMPARE(s.thresholdManager->outputs(), 2);

    // The measuring range of the opened model, -1 to 10 bar, on the left axis.
    QCOMPARE(leftAxis(s.chart).lowerBound(), -1.0);
    QCOMPARE(leftAxis(s.chart).upperBound(), 10.0);
    // The timeline keeps the construction's range until the first unit refresh.
    QCOMPARE(timelineAxis(s.chart).lowerBound(), -42.0);
    QCOMPARE(timelineAxis(s.chart).upperBound(), 260.0);
    QVERIFY(!s.chart->isEnabled());
}

void WindowChartTest::pointPerUnit_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<double>("decVal");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<double>("expected");

    QTest::newRow("03e8 in bar is 1.0") << 0 << 1000.0 << "03e8" << 1.0;
    QTest::newRow("03e8 in psi is 14.504") << 1 << 1000.0 << "03e8" << 14.504;
    QTest::newRow("03e8 in MPa is 0.1") << 2 << 1000.0 << "03e8" << 0.1;
    QTest::newRow("03e8 in kPa is 100.0") << 3 << 1000.0 << "03e8" << 100.0;
    QTest::newRow("ffff is -1 / decVal") << 0 << 1000.0 << "ffff" << -0.001;
    QTest::newRow("8000 is -32768 / decVal") << 0 << 1000.0 << "8000" << -32.768;
    QTest::newRow("7fff is 32767 / decVal") << 0 << 100.0 << "7fff" << 327.67;
    QTest::newRow("bar is not rounded") << 0 << 3.0 << "0001" << 1.0 / 3.0;
    QTest::newRow("psi is rounded to 3 decimals") << 1 << 3.0 << "0001" << 4.835;
    QTest::newRow("MPa is rounded to 3 decimals") << 2 << 3.0 << "0001" << 0.033;
    QTest::newRow("kPa is rounded to 3 decimals") << 3 << 3.0 << "0001" << 33.333;
    QTest::newRow("ffff in psi rounds -0.014504") << 1 << 1000.0 << "ffff" << -0.015;
    QTest::newRow("unreadable digits plot 0") << 0 << 1000.0 << "zz12" << 0.0;
}

void WindowChartTest::pointPerUnit()
{
    QFETCH(int, unit);
    QFETCH(double, decVal);
    QFETCH(QString, digits);
    QFETCH(double, expected);

    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    Access::setEnum(*w, "TemperatureSettings", unit);
    Access::refreshOutputs(*w);
    QCOMPARE(s.unitIndex, unit);
    s.decVal = decVal;
    Access::connected(*w) = true;
    Access::setLive(*w, true);

    Access::receive(*w, answer(digits.toLatin1().constData()));
    const Utils::Charts::ChartHistory &history = s.chart->history(0);
    QCOMPARE(history.size(), std::size_t(1));
    // Exact: the rounding to 3 decimals is part of the value, not of its display.
    QCOMPARE(history.value(0, Utils::Charts::ChartHistory::Value), expected);
    QVERIFY(qAbs(history.value(0, Utils::Charts::ChartHistory::Value) - expected) < 1e-12);
}

void WindowChartTest::analogValueBeforeOutput2WasAnalog()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    QCOMPARE(s.analogLow, 0.0);
    QCOMPARE(s.analogHigh, 0.0);
    Access::connected(*w) = true;
    Access::setLive(*w, true);
    Access::receive(*w, answer("03e8"));
    const Utils::Charts::ChartHistory &history = s.chart->history(0);
    QCOMPARE(history.size(), std::size_t(1));
    QVERIFY(!std::isfinite(history.value(0, Utils::Charts::ChartHistory::Analog)));

    // Once output 2 was analog (0 to 6 bar, voltage) the right axis gets volts.
    Access::setEnum(*w, "PinFunctionA2", 1);
    Access::setEnum(*w, "AnalogMode", 0);
    Access::setDouble(*w, "analogPressure0V", 0.0);
    Access::setDouble(*w, "analogPressure10V", 6.0);
    Access::refreshOutputs(*w);
    Access::receive(*w, answer("0bb8")); // 3.0 bar
    QCOMPARE(history.size(), std::size_t(2));
    QCOMPARE(history.value(1, Utils::Charts::ChartHistory::Analog), 5.0);

    Access::setEnum(*w, "AnalogMode", 1);
    Access::refreshOutputs(*w);
    Access::receive(*w, answer("0bb8"));
    QCOMPARE(history.value(2, Utils::Charts::ChartHistory::Analog), 12.0);
}

void WindowChartTest::nothingPlottedUnlessLiveAndConnected_data()
{
    QTest::addColumn<bool>("live");
    QTest::addColumn<bool>("connected");

    QTest::newRow("live data off, connected") << false << true;
    QTest::newRow("live data on, not connected") << true << false;
    QTest::newRow("neither") << false << false;
}

void WindowChartTest::nothingPlottedUnlessLiveAndConnected()
{
    QFETCH(bool, live);
    QFETCH(bool, connected);

    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    Access::connected(*w) = connected;
    Access::setLive(*w, live);
    QVERIFY(s.processDataItems.size() >= 4);
    const QString output1 = s.processDataItems.at(0)->text(1);
    const QString signal = s.processDataItems.at(2)->text(1);
    const QString value = s.processDataItems.at(3)->text(1);

    Access::receive(*w, answer("03e8", "7"));
    QCOMPARE(s.chart->history(0).size(), std::size_t(0));
    QCOMPARE(s.processDataItems.at(0)->text(1), output1);
    QCOMPARE(s.processDataItems.at(2)->text(1), signal);
    QCOMPARE(s.processDataItems.at(3)->text(1), value);

    // The same answer is plotted once both hold.
    Access::connected(*w) = true;
    Access::setLive(*w, true);
    Access::receive(*w, answer("03e8", "7"));
    QCOMPARE(s.chart->history(0).size(), std::size_t(1));
}

void WindowChartTest::unitRefresh_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("timelineHigh");
    QTest::addColumn<QString>("title");

    QTest::newRow("bar") << 0 << -1.0 << 10.0 << 10.0 << "Pressure (bar)";
    QTest::newRow("psi") << 1 << -14.504 << 145.04 << 145.04 << "Pressure (psi)";
    QTest::newRow("MPa") << 2 << -0.1 << 1.0 << 1.0 << "Pressure (MPa)";
    QTest::newRow("kPa: timeline tops at 1010, the axis at 1000")
        << 3 << -100.0 << 1000.0 << 1010.0 << "Pressure (kPa)";
}

void WindowChartTest::unitRefresh()
{
    QFETCH(int, unit);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, timelineHigh);
    QFETCH(QString, title);

    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    QCOMPARE(s.maxRange, 10.0);
    Access::setEnum(*w, "TemperatureSettings", unit);
    Access::refreshOutputs(*w);

    QCOMPARE(leftAxis(s.chart).lowerBound(), low);
    QCOMPARE(leftAxis(s.chart).upperBound(), high);
    QCOMPARE(timelineAxis(s.chart).lowerBound(), low);
    QCOMPARE(timelineAxis(s.chart).upperBound(), timelineHigh);
    QCOMPARE(s.chart->poPlot(0)->title().text(), title);
    QCOMPARE(s.unitSuffix, title.mid(8));
}

void WindowChartTest::unknownUnitKeepsScalesAndPlotsZero()
{
    // A description offering a fifth unit that the chart does not know.
    QVERIFY(m_files.install([](QByteArray text) {
        return text.replace("<item><en>kPa</en><de>kPa</de></item>",
                            "<item><en>kPa</en><de>kPa</de></item>"
                            "<item><en>hPa</en><de>hPa</de></item>");
    }));
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    Access::setEnum(*w, "TemperatureSettings", 1);
    Access::refreshOutputs(*w);
    Access::setEnum(*w, "TemperatureSettings", 4);
    QCOMPARE(s.enumManager->value(Access::property(*w, "TemperatureSettings")), 4);
    Access::refreshOutputs(*w);

    QCOMPARE(s.unitIndex, 4);
    QCOMPARE(s.unitSuffix, QStringLiteral(" (psi)"));
    QCOMPARE(leftAxis(s.chart).upperBound(), 145.04);
    QCOMPARE(timelineAxis(s.chart).upperBound(), 145.04);
    QCOMPARE(s.chart->poPlot(0)->title().text(), QStringLiteral("Pressure (psi)"));

    Access::connected(*w) = true;
    Access::setLive(*w, true);
    Access::receive(*w, answer("03e8"));
    QCOMPARE(s.chart->history(0).size(), std::size_t(1));
    QCOMPARE(s.chart->history(0).value(0, Utils::Charts::ChartHistory::Value), 0.0);
}

void WindowChartTest::updateChartEnablesToolbarOnlyWhileConnected()
{
    auto w = ChartTestFiles::makeWindow();
    QToolBar *toolbar = Access::ui(*w).chartToolbar;
    toolbar->setEnabled(false);
    w->updateChart();
    QVERIFY(!toolbar->isEnabled());
    Access::connected(*w) = true;
    w->updateChart();
    QVERIFY(toolbar->isEnabled());
}

void WindowChartTest::setWindowActiveReturnsToLiveViewOnlyWithLiveData()
{
    auto w = ChartTestFiles::makeWindow();
    Utils::Charts::GenericChart *chart = Access::state(*w).chart;
    QSignalSpy zoomReset(chart, &Utils::Charts::GenericChart::vSignalZommResetForNoiseLine);
    chart->setView(1000.0, 2000.0);
    QVERIFY(!chart->isFollowingNewest());

    w->setWindowActive(true);
    QVERIFY(!chart->isFollowingNewest());
    QCOMPARE(zoomReset.count(), 0);

    Access::ui(*w).actionEnable_live_data->setChecked(true);
    w->setWindowActive(false);
    QVERIFY(chart->isFollowingNewest());
    QCOMPARE(zoomReset.count(), 1);
}

void WindowChartTest::filledChartDrawsCurveAndMarks()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    Access::setDouble(*w, "ThresholdsPressure1A1", 3.0);
    Access::setDouble(*w, "ThresholdsPressure2A1", 6.5);
    Access::setEnum(*w, "PinFunctionA1", 0);
    Access::setEnum(*w, "PinFunctionA2", 0);
    Access::refreshOutputs(*w);
    Access::connected(*w) = true;
    Access::setLive(*w, true);
    Access::ui(*w).sensorOperationsToolbar->setEnabled(true);
    s.chart->setEnabled(true);
    s.connectionStatus->setConnected(true);
    s.portCombo->addItem(QStringLiteral("/dev/ttyUSB0"));
    s.portCombo->setCurrentIndex(s.portCombo->count() - 1);
    QMetaObject::invokeMethod(w.get(), "updateWindowTitle");

    // Ninety seconds of a pump cycle at the poll rate, ending now; then one
    // answer through the window for the current value and the indicators.
    const double now = double(QDateTime::currentMSecsSinceEpoch());
    const int points = 90000 / 65;
    for (int i = 0; i < points; ++i) {
        const double t = i * 0.065;
        const double bar = 4.5 + 3.2 * std::sin(t / 7.0) + 0.6 * std::sin(t * 1.7)
            + 0.15 * std::sin(t * 13.0);
        s.chart->appendDataAt(0, now - 90000.0 + i * 65.0, bar, 0.0);
    }
    Access::receive(*w, answer("1194", "1")); // 4.5 bar, output 1 switched

    w->resize(1366, 768);
    w->show();
    w->resizeDocks({s.propertyDock, s.processDataDock}, {380, 280}, Qt::Horizontal);
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QTest::qWait(300);
    const QImage image = w->grab().toImage();
    QVERIFY(!image.isNull());

    // The curve's colour is drawn inside the plot canvas.
    QWidget *canvas = s.chart->poPlot(0)->canvas();
    const QRect area(canvas->mapTo(w.get(), QPoint(0, 0)), canvas->size());
    int curvePixels = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            curvePixels += image.pixelColor(x, y) == QColor(0, 0, 188);
    QVERIFY2(curvePixels > area.width() / 2, qPrintable(QString::number(curvePixels)));
    QCOMPARE(s.processDataItems.at(0)->text(1), QStringLiteral("On"));

    const QString path = qEnvironmentVariable("CHART_SCREENSHOT");
    if (!path.isEmpty())
        QVERIFY(image.save(path));
}

QTEST_MAIN(WindowChartTest)
#include "tst_windowchart.moc"
