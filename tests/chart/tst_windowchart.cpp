#include "common/modalanswerer.h"
#include "common/windowaccess.h"

#include "chart/pressureunits.h"
#include "extensionsystem/sensorbasic.h"
#include "mastersimulator.h"
#include "plugin/pluginpaths.h"
#include "sensordescription.h"
#include "simulatedchannel.h"
#include "utils/charts/genericchart.h"
#include "utils/exportdialog.h"
#include "utils/thresholdwindowwidget.h"

#include <QComboBox>
#include <QToolBar>
#include <QTreeWidgetItem>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_scale_div.h>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;
using Utils::Charts::ChartHistory;

namespace {

const char *const Points[] = {"ThresholdsPressure1A1", "ThresholdsPressure2A1",
                              "ThresholdsPressure1A2", "ThresholdsPressure2A2"};

// The process-data panel: state texts of its rows, '*' after an active (image) indicator.
QString panel(SensorWindowState &s)
{
    QStringList rows;
    for (QTreeWidgetItem *item : s.processDataItems)
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

// The window of the -1 to 10 bar model with points 1 and 2 of output 1 at 1 and 2 bar, of
// output 2 at 4 and 6, the analog output over 0.5 to 6 bar, and the pin functions (-1: as opened).
std::unique_ptr<SensorWindow> window(int pinA1 = -1, int pinA2 = 0, int analogMode = 0)
{
    ExtensionSystem::SensorBasic chosen;
    chosen.setName("ZT4K-010 -1...10 bar");
    auto w = std::make_unique<SensorWindow>(chosen);
    Access::clearPendingWrite(*w);
    for (int i = 0; i < 4; ++i)
        Access::setDouble(*w, Points[i], QVector<double>{1, 2, 4, 6}[i]);
    Access::setDouble(*w, "analogPressure0V", 0.5);
    Access::setDouble(*w, "analogPressure10V", 6.0);
    Access::setEnum(*w, "AnalogMode", analogMode);
    if (pinA1 >= 0) {
        Access::setEnum(*w, "PinFunctionA1", pinA1);
        Access::setEnum(*w, "PinFunctionA2", pinA2);
        Access::refreshOutputs(*w);
    }
    return w;
}

// The master simulator with the sensor, behind the window as its channel.
struct SimulatedSensor
{
    SimulatedSensor(SensorWindow &w, const QString &file)
        : window(w), loaded(description.load(file))
    {
        w.setCommunication(&channel);
        Access::connected(w) = true;
    }
    ~SimulatedSensor()
    {
        Access::state(window).continuousDataTimer.stop();
        window.setCommunication(nullptr);
        Access::connected(window) = false;
    }
    SensorWindow &window;
    IoLinkSim::SensorDescription description;
    bool loaded;
    IoLinkSim::MasterSimulator master{description, QStringLiteral("ZT41-G14-010")};
    IoLinkSim::SimulatedChannel channel{&master};
};

} // namespace

// The plug-in window's chart: units, outputs and thresholds, process data, history.
class WindowChartTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(install()); }
    void unitsEndToEnd_data();
    void unitsEndToEnd();
    void unknownUnitKeepsTheScale();
    void layoutPerPinFunction_data();
    void layoutPerPinFunction();
    void draggedMarkSetsThePoints_data();
    void draggedMarkSetsThePoints();
    void processData_data();
    void processData();
    void descriptionWithFewerRows();
    void historyExportClearAndPrint();

private:
    // The sensor data file, optionally altered, in a folder of its own.
    bool install(const std::function<QByteArray(QByteArray)> &alter = {})
    {
        QFile source(qEnvironmentVariable("TEST_SOURCE_DIR") + "/data/IoLinkZT4Kfamily.xml");
        QFile target(dataFile());
        if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        target.write(alter ? alter(source.readAll()) : source.readAll());
        QFile::remove(m_dir.filePath("IoLinkZT4Kfamily.ini"));
        setPluginFileDirectory(m_dir.path());
        setSleepFunction([](int) {});
        return true;
    }
    QString dataFile() const { return m_dir.filePath("IoLinkZT4Kfamily.xml"); }
    QTemporaryDir m_dir;
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
        << "2.5 2.5 | Pressure (bar) | -1..10 | -1..10 | 0bb8 |   0.333333";
    QTest::newRow("psi: 14.504 a bar, rounded to 3 decimals") << 1 << 29.008 << "7fff"
        << 158417.523
        << "36.26 36.26 | Pressure (psi) | -14.504..145.04 | -14.504..145.04 | 07d0 |   158418";
    QTest::newRow("MPa") << 2 << 0.45 << "0001" << 0.033
        << "0.25 0.25 | Pressure (MPa) | -0.1..1 | -0.1..1 | 1194 |   0.033";
    QTest::newRow("kPa: overview strip one range higher") << 3 << 125.0 << "ffff" << -33.333
        << "250 250 | Pressure (kPa) | -100..1000 | -100..1010 | 04e2 |   -33.333";
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
    SimulatedSensor sensor(*w, dataFile());
    QVERIFY(sensor.loaded);
    // Index 64 holds the unit, index 68 point 1 of output 1 in bar x 1000.
    QCOMPARE(sensor.master.sensor().write(64, 0, QByteArray(1, char(unit))), quint16(0));
    QCOMPARE(sensor.master.sensor().write(68, 0, QByteArray::fromHex("09c4")), quint16(0));
    QMetaObject::invokeMethod(w.get(), "vRadAllSettings", Q_ARG(bool, false));
    s.continuousDataTimer.stop();
    Access::refreshOutputs(*w); // converted once only
    QtProperty *p = Access::find(*w, "ThresholdsPressure1A1");
    QCOMPARE(s.doubleManager->decimals(p), 3); // for the divisor 1000
    QCOMPARE(s.doubleManager->maximum(p), s.chart->poPlot(0)->axisScaleDiv(0).upperBound());
    auto range = [](QwtPlot *plot) { return axis(plot, QwtPlot::yLeft).section(' ', 0, 0); };
    QStringList parts = {QStringLiteral("%1 %2").arg(s.doubleManager->value(p))
                             .arg(s.thresholdWindow->lowerMark()),
                         s.chart->poPlot(0)->title().text(), range(s.chart->poPlot(0)),
                         range(s.chart->timelinePlot())};
    emit s.thresholdWindow->emitValueChanged(0, dragTo);
    parts << sensor.master.sensor().read(68, 0).value.toHex();
    s.decVal = 3.0;
    Access::setLive(*w, true);
    Access::receive(*w, "00112233" + digits + "0000");
    QCOMPARE(s.chart->history(0).value(0, ChartHistory::Value), plotted);
    QCOMPARE((parts << s.processDataItems.at(3)->text(1)).join(" | "), seen);
    QCOMPARE(QVector<int>({pressureDecimals(10), pressureDecimals(100), pressureDecimals(10.5)}),
             QVector<int>({1, 2, 3}));
}

void WindowChartTest::unknownUnitKeepsTheScale()
{
    QVERIFY(install([](QByteArray text) { // a fifth unit, that the chart does not know
        return text.replace("<item><en>kPa</en><de>kPa</de></item>",
                            "<item><en>kPa</en><de>kPa</de></item><item><en>hPa</en></item>");
    }));
    auto w = window();
    SensorWindowState &s = Access::state(*w);
    for (int unit : {1, 4}) {
        Access::setEnum(*w, "TemperatureSettings", unit);
        Access::refreshOutputs(*w);
    }
    Access::connected(*w) = true;
    Access::setLive(*w, true);
    Access::receive(*w, "0011223303e80000");
    QCOMPARE(s.chart->history(0).value(0, ChartHistory::Value), 0.0);
    QCOMPARE(s.chart->poPlot(0)->title().text() + " " + axis(s.chart->timelinePlot(), 0),
             QStringLiteral("Pressure (psi) -14.504..145.04 step 20 "));
}

void WindowChartTest::layoutPerPinFunction_data()
{
    QTest::addColumn<QVector<int>>("pins"); // output 1, output 2, analog mode; none: as opened
    QTest::addColumn<QString>("chart");     // marks (off: fixed; combo: output combo) | axes
    QTest::addColumn<QString>("tree");      // output 2's parameters shown | analog point names
    const QString axes = "Pressure (bar) | -1..10 step 2  | off", names = "| 0 volt 10 volt |";
    const QString switching = "SettingsPointsPressureA2 OnDelay2 OffDelay2 NONCA2 " + names;
    QTest::newRow("as opened") << QVector<int>{}
        << "2.5/5 |  | -1..10 step 2 Pressure (bar) | 4..20 step 2 Current (mA)"
        << "SettingsPointsPressureA2 AnalogPointsPressure AnalogMode " + names + " Off";
    QTest::newRow("both switching: combo, output 1's points") << QVector<int>{0, 0, 0}
        << "1/2 combo | " + axes << switching + " Off";
    QTest::newRow("only output 2 switching: its points") << QVector<int>{1, 0, 0}
        << "4/6 | " + axes << switching + " Off";
    QTest::newRow("output 2 analog voltage: left axis over its range, right in volts")
        << QVector<int>{0, 1, 0} << "1/2 |  | 0.5..6 step 1 Pressure (bar) | 0..10 step 2 "
                                    "Voltage (V)" << "AnalogPointsPressure AnalogMode " + names + "  ";
    QTest::newRow("output 2 analog current, output 1 not switching: no marks")
        << QVector<int>{1, 1, 1}
        << "2.5/5 off |  | 0.5..6 step 1 Pressure (bar) | 4..20 step 2 Current (mA)"
        << "AnalogPointsPressure AnalogMode | 4 mA 20 mA |  ";
    QTest::newRow("output 2 remote switching") << QVector<int>{0, 2, 0} << "1/2 | " + axes
                                               << "RemoteSwitchingOutput " + names + "  ";
    QTest::newRow("output 2 remote analog") << QVector<int>{0, 3, 0} << "1/2 | " + axes
                                            << "AnalogMode remoteAnalogValue " + names + "  ";
}

// What the user sees for each pin function: marks, axes, parameters, panel row of output 2.
void WindowChartTest::layoutPerPinFunction()
{
    QFETCH(QVector<int>, pins);
    QFETCH(QString, chart);
    QFETCH(QString, tree);
    auto w = pins.isEmpty() ? window() : window(pins[0], pins[1], pins[2]);
    SensorWindowState &s = Access::state(*w);
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
         << s.processDataItems.at(1)->text(1);
    QCOMPARE(seen.join(' '), tree);
    QVERIFY(Access::isShown(*w, "SettingsPointsPressureA1"));
}

void WindowChartTest::draggedMarkSetsThePoints_data()
{
    QTest::addColumn<QVector<int>>("setup"); // pins, output 1's points hidden, combo, mark
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("points"); // the four points; the one to be written and its mark
    QTest::newRow("combo on output 2: its lower point") << QVector<int>{0, 0, 0, 1, 0} << 3.0
        << "1 2 3 6 ThresholdsPressure1A2 3";
    QTest::newRow("combo on output 1: above the maximum kept at 10")
        << QVector<int>{0, 0, 0, 0, 1} << 12.75 << "1 10 4 6 ThresholdsPressure2A1 10";
    QTest::newRow("only output 2's points shown: its upper point")
        << QVector<int>{1, 0, 1, 0, 1} << 7.0 << "1 2 4 7 ThresholdsPressure2A2 7";
    QTest::newRow("no combo, both outputs' points shown: both")
        << QVector<int>{1, 0, 0, 0, 0} << 3.5 << "3.5 2 3.5 6 ThresholdsPressure1A2 3.5";
    QTest::newRow("no switching points shown: nothing") << QVector<int>{1, 2, 1, 0, 0} << 1.25
                                                        << "1 2 4 6";
}

void WindowChartTest::draggedMarkSetsThePoints()
{
    QFETCH(QVector<int>, setup);
    QFETCH(double, value);
    QFETCH(QString, points);
    auto w = window();
    SensorWindowState &s = Access::state(*w);
    w->setParameterVisible(QStringLiteral("SettingsPointsPressureA1"), !setup[2]);
    Access::setEnum(*w, "PinFunctionA1", setup[0]);
    Access::setEnum(*w, "PinFunctionA2", setup[1]);
    s.outputCombo->setCurrentIndex(setup[3]); // its signal refreshes the outputs
    Access::refreshOutputs(*w);
    emit s.thresholdWindow->emitValueChanged(unsigned(setup[4]), value);
    QStringList now;
    for (const char *id : Points)
        now << QString::number(Access::doubleValue(*w, id));
    if (QtProperty *written = Access::pendingProperty(*w))
        now << written->propertyId() << QString::number(setup[4] ? s.thresholdWindow->upperMark()
                                                                 : s.thresholdWindow->lowerMark());
    QCOMPARE(now.join(' '), points);
    QVERIFY(!Access::writeDelayTimer(*w).isActive());
}

void WindowChartTest::processData_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("setup"); // output 2 analog over 0.5 to 6 bar, or live/connected off
    QTest::addColumn<double>("value");  // NaN: nothing plotted
    QTest::addColumn<double>("analog"); // NaN: not finite, no analog range yet
    QTest::addColumn<QString>("panel");
    const double no = qQNaN();
    QTest::newRow("1000 is 1 bar; 5: output 1 on, signal too low")
        << "0011223303e80005" << "" << 1.0 << no << "On*|Off|Signal too low*|  1";
    QTest::newRow("8: only the unused bit") << "0011223303e80008" << "" << 1.0 << no
                                            << "Off|Off|OK|  1";
    QTest::newRow("upper-case digits, F: all on") << "0011223303E8000F" << "" << 1.0 << no
                                                  << "On*|On*|Signal too low*|  1";
    QTest::newRow("ffff is -1; 2: output 2 on") << "00112233ffff0002" << "" << -0.001 << no
                                                << "Off|On*|OK|  -0.001";
    QTest::newRow("8000 is the lowest") << "0011223380000000" << "" << -32.768 << no
                                        << "Off|Off|OK|  -32.768";
    QTest::newRow("only the last eight digits count") << "ffff000003e80000" << "" << 1.0 << no
                                                      << "Off|Off|OK|  1";
    QTest::newRow("digits 5 to 7 are ignored") << "0000000003e8fff4" << "" << 1.0 << no
                                               << "Off|Off|Signal too low*|  1";
    QTest::newRow("unreadable pressure digits give 0") << "00000000-fz80001" << "" << 0.0 << no
                                                       << "On*|Off|OK|  0";
    QTest::newRow("unreadable status digit: all off") << "0000000003e8000g" << "" << 1.0 << no
                                                      << "Off|Off|OK|  1";
    QTest::newRow("fewer than eight digits read nothing") << "03e803" << "" << 0.0 << no
                                                          << "Off|Off|OK|  0";
    QTest::newRow("output 2 analog, voltage: 3.25 bar is 5 V; its row blank")
        << "000000000cb20003" << "voltage" << 3.25 << 5.0 << "On*| |OK|  3.25";
    QTest::newRow("voltage beyond the range is not clipped")
        << "0000000023280000" << "voltage" << 9.0 << 170 / 11.0 << "Off| |OK|  9";
    QTest::newRow("current: 3.25 bar is 12 mA") << "000000000cb20000" << "current" << 3.25
                                                << 12.0 << "Off| |OK|  3.25";
    QTest::newRow("live data off: nothing") << "0011223303e80007" << "not live" << no << no
                                            << "Off|Off|OK| 0";
    QTest::newRow("not connected: nothing") << "0011223303e80007" << "not connected" << no
                                            << no << "Off|Off|OK| 0";
}

// A poll answer's hex digits end on the chart and in the panel.
void WindowChartTest::processData()
{
    QFETCH(QString, answer);
    QFETCH(QString, setup);
    QFETCH(double, value);
    QFETCH(double, analog);
    QFETCH(QString, panel);
    auto w = window(0, setup == "voltage" || setup == "current", setup == "current");
    SensorWindowState &s = Access::state(*w);
    Access::connected(*w) = setup != "not connected";
    Access::setLive(*w, setup != "not live");
    Access::receive(*w, answer);
    const ChartHistory &h = s.chart->history(0);
    QCOMPARE(::panel(s), panel);
    QCOMPARE(h.size(), std::size_t(qIsNaN(value) ? 0 : 1));
    if (h.size() == 0)
        return;
    QCOMPARE(h.value(0, ChartHistory::Value), value);
    QCOMPARE(std::isfinite(h.value(0, ChartHistory::Analog)), !qIsNaN(analog));
    if (!qIsNaN(analog))
        QCOMPARE(h.value(0, ChartHistory::Analog), analog);
    Access::receive(*w, "0000000000000000"); // nothing set turns every indicator back
    QCOMPARE(::panel(s), setup.isEmpty() ? "Off|Off|OK|  0" : "Off| |OK|  0");
}

void WindowChartTest::descriptionWithFewerRows()
{
    QVERIFY(install([](QByteArray text) { // two process-data rows, the second hidden
        const int start = text.indexOf("<guiCategory>");
        return text.replace(start, text.indexOf("</guiCategory>") - start,
                            "<guiCategory><default>"
                            "<row visible=\"true\"><id>B</id><text><en>First</en></text></row>"
                            "<row visible=\"no\"><id>A</id><text><en>Second</en></text></row>"
                            "</default>");
    }));
    auto w = window();
    SensorWindowState &s = Access::state(*w);
    Access::connected(*w) = true;
    Access::setLive(*w, true);
    Access::receive(*w, "0011223303e80001");
    QCOMPARE(panel(s), QStringLiteral("On*|Off"));
    QCOMPARE(s.chart->history(0).size(), std::size_t(1));
    QTreeWidgetItem *first = s.processDataItems.value(0);
    QCOMPARE(first->text(0) + first->statusTip(0) + QString::number(first->isHidden())
                 + QString::number(s.processDataItems.at(1)->isHidden()),
             QStringLiteral("First     A01")); // status tips: identifiers in sorted order
}

void WindowChartTest::historyExportClearAndPrint()
{
    auto w = window();
    SensorWindowState &s = Access::state(*w);
    SimulatedSensor sensor(*w, dataFile());
    const ChartHistory &h = s.chart->history(0);
    QToolBar *tools = Access::ui(*w).chartToolbar;
    Access::setLive(*w, true);
    QVERIFY(s.chart->setDataFromString("history;1;1;2;1733732200000;1;nan;1733732201065;-0.125;1",
                                       ';'));

    // Export: the dialog refuses a file it cannot write, then saves the one chosen.
    QTemporaryDir dir;
    QStringList paths = {"/nonexistent-dir/chart.csv", dir.filePath("chart.csv")}, errors;
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
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors[0].startsWith("The file /nonexistent-dir/chart.csv could not be written"));
    QFile file(dir.filePath("chart.csv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "Time;Signal\n2024-12-09T08:16:40.000Z;1.00\n"
                             "2024-12-09T08:16:41.065Z;-0.13\n");

    // Becoming the active window returns to the live view while live data runs.
    s.chart->setView(1000.0, 2000.0);
    w->setWindowActive(true);
    QVERIFY(s.chart->isFollowingNewest());

    // Clearing asks first: No keeps the points, Yes empties the chart and turns its tools off.
    w->updateChart();
    ModalAnswerer answerer;
    for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        answerer.answerWith(answer);
        w->vClearHistory();
        QCOMPARE(h.size() + tools->isEnabled(), std::size_t(answer == QMessageBox::No ? 3 : 0));
    }
    QCOMPARE(answerer.titles(), QStringList({"Clear chart history", "Clear chart history"}));
    QCOMPARE(answerer.texts().value(1), "Do you really want to clear chart history ?");
    w->updateChart(); // while connected the tools come back
    QVERIFY(tools->isEnabled());

    // Printing, even when cancelled, is followed by the identification (product id).
    answerer.answerWithButton(QStringLiteral("Cancel"));
    w->vPrintDocument();
    QCOMPARE(answerer.answered(), 3);
    bool identified = false;
    for (const auto &entry : sensor.master.requestLog())
        identified |= entry.request == QByteArray::fromHex("054626130000");
    QVERIFY(identified);
}

QTEST_MAIN(WindowChartTest)
#include "tst_windowchart.moc"
