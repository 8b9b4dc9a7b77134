#include "common/modalanswerer.h"
#include "common/windowaccess.h"

#include "chart/pressureunits.h"
#include "extensionsystem/sensorbasic.h"
#include "simulator/mastersimulator.h"
#include "plugin/pluginpaths.h"
#include "simulator/sensordescription.h"
#include "simulator/simulatedchannel.h"
#include "utils/charts/genericchart.h"
#include "utils/exportdialog.h"
#include "utils/thresholdwindowwidget.h"

#include <QComboBox>
#include <QToolBar>
#include <QTreeWidgetItem>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_div.h>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;
using Utils::Charts::ChartHistory;
using Ints = QVector<int>;

namespace {

QTemporaryDir folder;
// Points 1 and 2 of each output, the analog output's ends.
const char *const Points[] = {"ThresholdsPressure1A1", "ThresholdsPressure2A1",
                              "ThresholdsPressure1A2", "ThresholdsPressure2A2",
                              "analogPressure0V", "analogPressure10V"};

// The window of the -1 to 10 bar model; points 1 and 2 of output 1 at 1 and 2 bar, of
// output 2 at 4 and 6, the analog output over 0.5 to 6 bar; pin functions and analog mode;
// output 1's points hidden, as a description without them would.
std::unique_ptr<SensorWindow> window(const Ints &pins = {}, bool hideA1 = false)
{
    ExtensionSystem::SensorBasic chosen;
    chosen.setName("ZT4K-010 -1...10 bar");
    auto w = std::make_unique<SensorWindow>(chosen);
    Access::clearPendingWrite(*w);
    for (int i = 0; i < 6; ++i)
        Access::setDouble(*w, Points[i], QVector<double>{1, 2, 4, 6, 0.5, 6}[i]);
    w->setParameterVisible("SettingsPointsPressureA1", !hideA1);
    const QStringList ids = {"PinFunctionA1", "PinFunctionA2", "AnalogMode"};
    for (int i = 0; i < pins.size(); ++i)
        Access::setEnum(*w, ids[i], pins[i]);
    if (!pins.isEmpty())
        Access::refreshOutputs(*w);
    return w;
}

// The process-data panel: state texts of its rows, '*' after an active (image) indicator.
QString panel(SensorWindow &w)
{
    QStringList rows;
    for (QTreeWidgetItem *item : Access::state(w).processDataItems)
        rows << item->text(1) + (item->data(1, 1).type() == QVariant::Pixmap ? "*" : "");
    return rows.join('|');
}

// "low..high step title" of an axis.
QString axis(QwtPlot *plot, int axis)
{
    const QwtScaleDiv d = plot->axisScaleDiv(axis);
    const QList<double> ticks = d.ticks(QwtScaleDiv::MajorTick) << 0 << 0;
    return QStringLiteral("%1..%2 step %3 %4").arg(d.lowerBound()).arg(d.upperBound())
        .arg(ticks[1] - ticks[0]).arg(plot->axisTitle(axis).text());
}

} // namespace

// The plug-in window's chart: units, outputs and thresholds, process data, history.
class WindowChartTest : public QObject
{
    Q_OBJECT

private slots:
    // The sensor data file where the plug-in looks for it; no layout left from the test before.
    void initTestCase()
    {
        QVERIFY(QFile::copy(qEnvironmentVariable("TEST_SOURCE_DIR") + "/data/IoLinkZT4Kfamily.xml",
                            folder.filePath("IoLinkZT4Kfamily.xml")));
        setPluginFileDirectory(folder.path());
        setSleepFunction([](int) {});
        QVERIFY(m_description.load(folder.filePath("IoLinkZT4Kfamily.xml")));
    }
    // A fresh simulated sensor behind the master, as a channel a window may be given.
    void init()
    {
        QFile::remove(folder.filePath("IoLinkZT4Kfamily.ini"));
        m_master = std::make_unique<IoLinkSim::MasterSimulator>(m_description, "ZT41-G14-010");
        m_channel = std::make_unique<IoLinkSim::SimulatedChannel>(m_master.get());
    }
    void unitsEndToEnd_data();
    void unitsEndToEnd();
    void outputsPerPinFunction_data();
    void outputsPerPinFunction();
    void processData_data();
    void processData();
    void historyExportClearAndPrint();

private:
    void connectSimulator(SensorWindow &w)
    {
        w.setCommunication(m_channel.get());
        Access::connected(w) = true;
    }
    IoLinkSim::SensorDescription m_description;
    std::unique_ptr<IoLinkSim::MasterSimulator> m_master;
    std::unique_ptr<IoLinkSim::SimulatedChannel> m_channel;
};

void WindowChartTest::unitsEndToEnd_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<double>("dragTo");
    QTest::addColumn<QString>("digits"); // of a poll answer, read with a divisor of 3
    QTest::addColumn<double>("plotted");
    // Point 1 of output 1 read as 2.5 bar, and its mark | title | left axis | overview strip
    // | the dragged point at the sensor in bar x 1000 | the panel's pressure.
    QTest::addColumn<QString>("seen");
    QTest::newRow("bar, not rounded") << 0 << 3.0 << "0001" << 1 / 3.0
        << "2.5 2.5 | Pressure (bar) | -1..10 | -1..10 | 0bb8 |   0.333333 bar";
    QTest::newRow("psi: 14.504 a bar, rounded to 3 decimals") << 1 << 29.008 << "7fff"
        << 158417.523
        << "36.26 36.26 | Pressure (psi) | -14.504..145.04 | -14.504..145.04 | 07d0 |   158418 psi";
    QTest::newRow("MPa") << 2 << 0.45 << "0001" << 0.033
        << "0.25 0.25 | Pressure (MPa) | -0.1..1 | -0.1..1 | 1194 |   0.033 MPa";
    QTest::newRow("kPa: overview strip one range higher") << 3 << 125.0 << "ffff" << -33.333
        << "250 250 | Pressure (kPa) | -100..1000 | -100..1010 | 04e2 |   -33.333 kPa";
}

// The sensor works in a unit: a full read, a dragged mark and a poll answer go through it.
void WindowChartTest::unitsEndToEnd()
{
    QFETCH(int, unit);
    QFETCH(double, dragTo);
    QFETCH(QString, digits);
    QFETCH(double, plotted);
    QFETCH(QString, seen);
    auto w = window();
    SensorWindowState &s = Access::state(*w);
    connectSimulator(*w);
    // Index 64 holds the unit, index 68 point 1 of output 1 in bar x 1000.
    QVERIFY(!m_master->sensor().write(64, 0, QByteArray(1, char(unit)))
            && !m_master->sensor().write(68, 0, QByteArray::fromHex("09c4")));
    QMetaObject::invokeMethod(w.get(), "vRadAllSettings", Q_ARG(bool, false));
    s.continuousDataTimer.stop();
    Access::refreshOutputs(*w); // converted once only
    QtProperty *p = Access::find(*w, "ThresholdsPressure1A1");
    QCOMPARE(s.doubleManager->maximum(p), s.chart->poPlot(0)->axisScaleDiv(0).upperBound());
    auto range = [](QwtPlot *plot) { return axis(plot, QwtPlot::yLeft).section(' ', 0, 0); };
    QStringList parts = {QStringLiteral("%1 %2").arg(s.doubleManager->value(p))
                             .arg(s.thresholdWindow->lowerMark()),
                         s.chart->poPlot(0)->title().text(), range(s.chart->poPlot(0)),
                         range(s.chart->timelinePlot())};
    emit s.thresholdWindow->emitValueChanged(0, dragTo);
    parts << m_master->sensor().read(68, 0).value.toHex();
    s.decVal = 3.0;
    Access::setLive(*w, true);
    Access::receive(*w, "00112233" + digits + "0000");
    s.chart->updateChart(false); // the panel shows the reading with the chart's redraw
    QCOMPARE(s.chart->history(0).value(0, ChartHistory::Value), plotted);
    QCOMPARE((parts << s.processDataItems.at(3)->text(1)).join(" | "), seen);
    QCOMPARE(Ints({pressureDecimals(10), pressureDecimals(100), pressureDecimals(10.5)}),
             Ints({1, 2, 3}));
}

void WindowChartTest::outputsPerPinFunction_data()
{
    QTest::addColumn<Ints>("pins");     // output 1, 2, analog mode, output chosen; none: as opened
    QTest::addColumn<QString>("chart"); // marks (off: fixed; combo: output combo) | axes
    QTest::addColumn<QString>("tree");  // output 2's parameters shown | analog point names
    // Mark 0 or 1 (x) dragged to a value (y): the four points afterwards, the one to be written.
    QTest::addColumn<QPointF>("drag");
    QTest::addColumn<QString>("points");
    const QString axes = "Pressure (bar) | -1..10 step 2 bar | off", names = "| 0 volt 10 volt |";
    const QString switching = "SettingsPointsPressureA2 OnDelay2 OffDelay2 NONCA2 " + names;
    const QString analog = "AnalogPointsPressure AnalogMode ";
    QTest::newRow("as opened: both outputs' points set") << Ints{}
        << "2.5/5 |  | -1..10 step 2 Pressure (bar) | 4..20 step 2 Current (mA)"
        << "SettingsPointsPressureA2 " + analog + names + " –" << QPointF(0, 3.5)
        << "3.5 2 3.5 6 ThresholdsPressure1A2 3.5";
    QTest::newRow("both switching: combo on output 1, kept at the maximum") << Ints{0, 0, 0, 0}
        << "1/2 combo | " + axes << switching + " Off" << QPointF(1, 12.75)
        << "1 10 4 6 ThresholdsPressure2A1 10";
    QTest::newRow("both switching: combo on output 2") << Ints{0, 0, 0, 1}
        << "4/6 combo | " + axes << switching + " Off" << QPointF(0, 3.0)
        << "1 2 3 6 ThresholdsPressure1A2 3";
    QTest::newRow("only output 2 switching, its points alone shown") << Ints{1, 0, 0, 0, 1}
        << "4/6 | " + axes << switching + " Off" << QPointF(1, 7.0)
        << "1 2 4 7 ThresholdsPressure2A2 7";
    QTest::newRow("output 2 analog voltage: left axis over its range, right in volts")
        << Ints{0, 1, 0} << "1/2 |  | 0.5..6 step 1 Pressure (bar) | 0..10 step 2 Voltage (V)"
        << analog + names + "  " << QPointF(0, 1.5) << "1.5 2 4 6 ThresholdsPressure1A1 1.5";
    QTest::newRow("output 2 analog current, output 1 not switching: no marks") << Ints{1, 1, 1}
        << "2.5/5 off |  | 0.5..6 step 1 Pressure (bar) | 4..20 step 2 Current (mA)"
        << analog + "| 4 mA 20 mA |  " << QPointF(1, 3.0) << "1 3 4 6 ThresholdsPressure2A1 3";
    QTest::newRow("output 2 remote switching, no switching points shown: nothing written")
        << Ints{1, 2, 0, 0, 1} << "2.5/5 off | " + axes << "RemoteSwitchingOutput " + names + "  "
        << QPointF(0, 1.25) << "1 2 4 6";
}

// What the user sees for each pin function (marks, axes, parameters, panel row of output 2),
// and which points a dragged mark sets.
void WindowChartTest::outputsPerPinFunction()
{
    QFETCH(Ints, pins);
    QFETCH(QString, chart);
    QFETCH(QString, tree);
    QFETCH(QPointF, drag);
    QFETCH(QString, points);
    auto w = window(pins.mid(0, 3), pins.value(4)); // the fifth: output 1's points hidden
    SensorWindowState &s = Access::state(*w);
    Access::connected(*w) = true; // offline, the panel shows no readings at all
    if (!pins.isEmpty())
        Access::refreshOutputs(*w);
    s.outputCombo->setCurrentIndex(pins.value(3)); // its signal refreshes the outputs
    Access::connected(*w) = false;
    Utils::ThresholdWindowWidget *o = s.thresholdWindow;
    QwtPlot *p = s.chart->poPlot(0);
    QCOMPARE(QStringLiteral("%1/%2").arg(o->lowerMark()).arg(o->upperMark())
                 + (o->isLowerMarkEnabled() && o->isUpperMarkEnabled() ? "" : " off")
                 + (Access::ui(*w).outuptsComboToolBar->isHidden() ? "" : " combo") + " | "
                 + p->title().text() + " | " + axis(p, QwtPlot::yLeft) + " | "
                 + (p->axisEnabled(QwtPlot::yRight) ? axis(p, QwtPlot::yRight) : "off"),
             chart);
    QStringList seen;
    for (const char *id : {"SettingsPointsPressureA2", "OnDelay2", "OffDelay2", "NONCA2",
                           "AnalogPointsPressure", "AnalogMode", "RemoteSwitchingOutput",
                           "remoteAnalogValue"})
        if (Access::isShown(*w, id))
            seen << id;
    seen << "|" << Access::find(*w, "analogPressure0V")->propertyName()
         << Access::find(*w, "analogPressure10V")->propertyName() << "|"
         << panel(*w).section('|', 1, 1);
    QCOMPARE(seen.join(' '), tree);
    QCOMPARE(Access::isShown(*w, "SettingsPointsPressureA1"), !pins.value(4));

    emit o->emitValueChanged(unsigned(drag.x()), drag.y());
    seen.clear();
    for (int i = 0; i < 4; ++i)
        seen << QString::number(Access::doubleValue(*w, Points[i]));
    if (QtProperty *written = Access::pendingProperty(*w))
        seen << written->propertyId()
             << QString::number(drag.x() ? o->upperMark() : o->lowerMark());
    QCOMPARE(seen.join(' '), points);
}

void WindowChartTest::processData_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("setup"); // output 2 analog over 0.5 to 6 bar, or live/connected off
    QTest::addColumn<double>("value");  // NaN: nothing plotted
    QTest::addColumn<double>("analog"); // without an analog range (0 to 0) not finite
    QTest::addColumn<QString>("panel"); // and the chart's current value, the analog marker
    const double inf = qInf(), no = qQNaN();
    QTest::newRow("03e8 is 1 bar; 5: output 1 on, signal too low") << "0011223303e80005" << ""
        << 1.0 << inf << "On*|Off|Signal too low*|  1 bar 1.00";
    QTest::newRow("upper-case, F: all on") << "0011223303E8000F" << "" << 1.0 << inf
                                           << "On*|On*|Signal too low*|  1 bar 1.00";
    QTest::newRow("ffff is -1; 2: output 2") << "00112233ffff0002" << "" << -0.001 << -inf
                                             << "Off|On*|OK|  -0.001 bar -0.00";
    QTest::newRow("8000 is the lowest") << "0011223380000000" << "" << -32.768 << -inf
                                        << "Off|Off|OK|  -32.768 bar -32.77";
    QTest::newRow("only the last 8 digits, 5 to 7 ignored") << "ffff00000003e8fff4" << ""
        << 1.0 << inf << "Off|Off|Signal too low*|  1 bar 1.00";
    QTest::newRow("unreadable pressure: 0") << "00000000-fz80001" << "" << 0.0 << no
                                            << "On*|Off|OK|  0 bar 0.00";
    QTest::newRow("unreadable status: off") << "0000000003e8000g" << "" << 1.0 << inf
                                            << "Off|Off|OK|  1 bar 1.00";
    QTest::newRow("fewer than 8 digits") << "03e803" << "" << 0.0 << no
                                         << "Off|Off|OK|  0 bar 0.00";
    QTest::newRow("output 2 analog, voltage: 3.25 bar is 5 V; its row blank")
        << "000000000cb20003" << "voltage" << 3.25 << 5.0 << "On*| |OK|  3.25 bar 3.25 5.00";
    QTest::newRow("current: 3.25 bar is 12 mA") << "000000000cb20000" << "current" << 3.25
                                                << 12.0 << "Off| |OK|  3.25 bar 3.25 12.00";
    QTest::newRow("live data off") << "0011223303e80007" << "not live" << no << no
                                   << "–|–|–|– --";
    QTest::newRow("not connected") << "0011223303e80007" << "not connected" << no << no
                                   << "–|–|–|– --";
}

// A poll answer's hex digits end on the chart and in the panel.
void WindowChartTest::processData()
{
    QFETCH(QString, answer);
    QFETCH(QString, setup);
    QFETCH(double, value);
    QFETCH(double, analog);
    QFETCH(QString, panel);
    auto w = window({0, setup == "voltage" || setup == "current", setup == "current"});
    Utils::Charts::GenericChart *chart = Access::state(*w).chart;
    const ChartHistory &h = chart->history(0);
    Access::connected(*w) = setup != "not connected";
    Access::setLive(*w, setup != "not live");
    Access::receive(*w, answer);
    chart->updateChart(false);
    const QwtPlotMarker *marker = chart->rightMarker(0);
    QCOMPARE(::panel(*w) + " " + chart->currentValueText(0)
                 + (marker->isVisible() ? " " + marker->label().text() : ""), panel);
    QCOMPARE(h.size(), std::size_t(qIsNaN(value) ? 0 : 1));
    if (h.size() == 0)
        return;
    for (QTreeWidgetItem *item : Access::state(*w).processDataItems) // no longer greyed out
        QVERIFY(!item->data(1, Qt::ForegroundRole).isValid());
    QCOMPARE(h.value(0, ChartHistory::Value), value);
    QCOMPARE(h.value(0, ChartHistory::Analog), analog);
    QTest::qWait(2);
    Access::receive(*w, "0000000000000000"); // nothing set turns every indicator back
    chart->updateChart(false);
    QVERIFY(h.size() == 2 && h.time(1) > h.time(0)); // stamped with the arrival time
    QCOMPARE(::panel(*w), setup.isEmpty() ? "Off|Off|OK|  0 bar" : "Off| |OK|  0 bar");
    // A reading still waiting for the redraw when the sensor goes is never shown.
    Access::receive(*w, answer);
    Access::vDisconnect(*w);
    chart->updateChart(false);
    QCOMPARE(::panel(*w), QStringLiteral("–|–|–|–"));
}

void WindowChartTest::historyExportClearAndPrint()
{
    auto w = window();
    SensorWindowState &s = Access::state(*w);
    connectSimulator(*w);
    QToolBar *tools = Access::ui(*w).chartToolbar;
    Access::setLive(*w, true);
    QVERIFY(s.chart->setDataFromString("history;1;1;2;1733732200000;1;nan;1733732201065;-0.125;1",
                                       ';'));
    // Export: the dialog refuses a file it cannot write, then saves the one chosen.
    QStringList paths = {"/nonexistent-dir/chart.csv", folder.filePath("chart.csv")}, errors;
    QTimer fill;
    connect(&fill, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            errors << box->text();
            box->accept();
        } else if (auto *d = qobject_cast<Utils::ExportDialog *>(modal)) {
            d->setFilePath(paths.takeFirst());
            QMetaObject::invokeMethod(d->findChild<QAbstractButton *>("save"), "click",
                                      Qt::QueuedConnection);
        }
    });
    fill.start(10);
    w->vExportChartData();
    fill.stop();
    QVERIFY(errors.size() == 1 && errors[0].startsWith("The file /nonexistent-dir/chart.csv"));
    QFile file(folder.filePath("chart.csv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "Time;Signal\n2024-12-09T08:16:40.000Z;1.00\n"
                             "2024-12-09T08:16:41.065Z;-0.13\n");
    // Becoming the active window returns to the live view while live data runs.
    s.chart->setView(1000.0, 2000.0);
    w->setWindowActive(true);
    QVERIFY(s.chart->isFollowingNewest());
    // Clearing asks first: No, the default for Enter, keeps the points, Yes empties the
    // chart and turns its tools off
    // until an update while connected. Printing, even cancelled, is followed by identification.
    w->updateChart();
    ModalAnswerer answerer({"Enter", "Yes", "Cancel"});
    QStringList seen;
    for (int i = 0; i < 3; ++i) {
        i < 2 ? w->vClearHistory() : w->updateChart();
        seen << QStringLiteral("%1 %2 %3").arg(s.chart->history(0).size())
                    .arg(s.chart->currentValueText(0)).arg(tools->isEnabled());
    }
    QCOMPARE(seen, QStringList({"2 -0.13 1", "0 -- 0", "0 -- 1"}));
    QCOMPARE(answerer.titles().value(1) + ": " + answerer.texts().value(1),
             "Clear chart history: Do you really want to clear chart history ?");
    w->vPrintDocument();
    QCOMPARE(answerer.answered(), 3);
    const auto log = m_master->requestLog();
    QVERIFY(std::any_of(log.begin(), log.end(), [](const auto &entry) {
        return entry.request == QByteArray::fromHex("054626130000"); }));
}

QTEST_MAIN(WindowChartTest)
#include "tst_windowchart.moc"
