#include "charttestaccess.h"

#include "simulatedchannel.h"
#include "mastersimulator.h"
#include "sensordescription.h"

#include "utils/charts/genericchart.h"
#include "utils/thresholdwindowwidget.h"

#include <QComboBox>
#include <QDockWidget>
#include <QPixmap>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_scale_div.h>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;

namespace {

QString answer(const char *pressureDigits, const char *statusDigit)
{
    return QStringLiteral("00112233") + QLatin1String(pressureDigits) + QStringLiteral("000")
        + QLatin1String(statusDigit);
}

// An active indicator carries a scaled image, an inactive one an icon.
bool showsActiveImage(QTreeWidgetItem *item)
{
    return item->data(1, Qt::DecorationRole).type() == QVariant::Pixmap;
}

} // namespace

class OutputsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void comboAndInitialDecorations();
    void bothSwitchingDragWithOutput2Selected();
    void output2AnalogVoltage();
    void output2AnalogCurrent();
    void onlyOutput2Switching();
    void hiddenToolbarBothGroupsShownSetsBoth();
    void draggedBeyondMaximum();
    void dragWithNoSwitchingGroupShownChangesNothing();
    void convertAfterReadConvertsOnce();
    void fullReadInPsiShowsThresholdOnce();
    void dragWritesToTheSensorWhileConnected();
    void panelRows();
    void indicators_data();
    void indicators();
    void analogOutput2RowStaysBlank();
    void descriptionWithFewerRows();

private:
    void setOutputs(SensorWindow &w, int pinA1, int pinA2);
    ChartTestFiles m_files;
};

void OutputsTest::init()
{
    QVERIFY(m_files.install());
}

void OutputsTest::setOutputs(SensorWindow &w, int pinA1, int pinA2)
{
    Access::setEnum(w, "PinFunctionA1", pinA1);
    Access::setEnum(w, "PinFunctionA2", pinA2);
    Access::refreshOutputs(w);
}

void OutputsTest::comboAndInitialDecorations()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    QToolBar *toolbar = Access::ui(*w).outuptsComboToolBar;
    QVERIFY(s.outputCombo);
    QCOMPARE(s.outputCombo->count(), 2);
    QCOMPARE(s.outputCombo->itemText(0), QStringLiteral("Output 1"));
    QCOMPARE(s.outputCombo->itemText(1), QStringLiteral("Output 2"));
    QCOMPARE(s.outputCombo->currentIndex(), 0);
    QVERIFY(toolbar->isAncestorOf(s.outputCombo));
    QVERIFY(toolbar->isHidden());
    QCOMPARE(Access::lastUnitSetting(*w), 0);

    // Marks at a quarter and a half of the range; right axis in mA.
    QCOMPARE(s.thresholdWindow->upperMark(), 5.0);
    QCOMPARE(s.thresholdWindow->lowerMark(), 2.5);
    QwtPlot *plot = s.chart->poPlot(0);
    QVERIFY(plot->axisEnabled(QwtPlot::yRight));
    QCOMPARE(plot->axisScaleDiv(QwtPlot::yRight).lowerBound(), 4.0);
    QCOMPARE(plot->axisScaleDiv(QwtPlot::yRight).upperBound(), 20.0);
    QCOMPARE(plot->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Pressure (bar)"));
    QCOMPARE(plot->axisTitle(QwtPlot::yRight).text(), QStringLiteral("Current (mA)"));
    QCOMPARE(plot->title().text(), QString());
    for (const char *id : {"NONCA2", "OnDelay2", "OffDelay2", "RemoteSwitchingOutput",
                           "remoteAnalogValue"})
        QVERIFY2(!Access::isShown(*w, id), id);
}

void OutputsTest::bothSwitchingDragWithOutput2Selected()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    Access::setDouble(*w, "ThresholdsPressure1A1", 1.0);
    Access::setDouble(*w, "ThresholdsPressure2A1", 2.0);
    Access::setDouble(*w, "ThresholdsPressure1A2", 4.0);
    Access::setDouble(*w, "ThresholdsPressure2A2", 6.0);
    setOutputs(*w, 0, 0);
    QVERIFY(!Access::ui(*w).outuptsComboToolBar->isHidden());
    QCOMPARE(s.thresholdWindow->lowerMark(), 1.0);
    QCOMPARE(s.thresholdWindow->upperMark(), 2.0);
    QVERIFY(s.thresholdWindow->isLowerMarkEnabled());
    QVERIFY(s.thresholdWindow->isUpperMarkEnabled());

    // The combo's own signal refreshes the marks.
    s.outputCombo->setCurrentIndex(1);
    QCOMPARE(s.thresholdWindow->lowerMark(), 4.0);
    QCOMPARE(s.thresholdWindow->upperMark(), 6.0);

    emit s.thresholdWindow->emitValueChanged(0, 3.0);
    QCOMPARE(Access::doubleValue(*w, "ThresholdsPressure1A2"), 3.0);
    QCOMPARE(Access::doubleValue(*w, "ThresholdsPressure1A1"), 1.0);
    QCOMPARE(s.thresholdWindow->lowerMark(), 3.0);
    QCOMPARE(Access::pendingProperty(*w), Access::property(*w, "ThresholdsPressure1A2"));
    QCOMPARE(Access::pendingValue(*w).toDouble(), 3.0);

    s.outputCombo->setCurrentIndex(0);
    QCOMPARE(s.thresholdWindow->lowerMark(), 1.0);
    QCOMPARE(s.thresholdWindow->upperMark(), 2.0);
}

void OutputsTest::output2AnalogVoltage()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    Access::setDouble(*w, "ThresholdsPressure1A1", 1.5);
    Access::setDouble(*w, "ThresholdsPressure2A1", 2.5);
    Access::setEnum(*w, "AnalogMode", 0);
    Access::setDouble(*w, "analogPressure0V", 0.0);
    Access::setDouble(*w, "analogPressure10V", 6.0);
    setOutputs(*w, 0, 1);

    QVERIFY(Access::ui(*w).outuptsComboToolBar->isHidden());
    QVERIFY(!s.output2Switching);
    QCOMPARE(s.thresholdWindow->lowerMark(), 1.5);
    QCOMPARE(s.thresholdWindow->upperMark(), 2.5);
    QwtPlot *plot = s.chart->poPlot(0);
    QCOMPARE(plot->axisScaleDiv(QwtPlot::yLeft).lowerBound(), 0.0);
    QCOMPARE(plot->axisScaleDiv(QwtPlot::yLeft).upperBound(), 6.0);
    QVERIFY(plot->axisEnabled(QwtPlot::yRight));
    const QwtScaleDiv right = plot->axisScaleDiv(QwtPlot::yRight);
    QCOMPARE(right.lowerBound(), 0.0);
    QCOMPARE(right.upperBound(), 10.0);
    QCOMPARE(right.ticks(QwtScaleDiv::MajorTick),
             (QList<double>{0.0, 2.0, 4.0, 6.0, 8.0, 10.0}));
    QCOMPARE(plot->axisTitle(QwtPlot::yRight).text(), QStringLiteral("Voltage (V)"));
    QCOMPARE(plot->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Pressure (bar)"));
    QCOMPARE(Access::property(*w, "analogPressure0V")->propertyName(), QStringLiteral("0 volt"));
    QCOMPARE(Access::property(*w, "analogPressure10V")->propertyName(),
             QStringLiteral("10 volt"));
    QCOMPARE(s.analogLow, 0.0);
    QCOMPARE(s.analogHigh, 6.0);
    QVERIFY(Access::isShown(*w, "AnalogPointsPressure"));
    QVERIFY(Access::isShown(*w, "AnalogMode"));
    QVERIFY(!Access::isShown(*w, "SettingsPointsPressureA2"));
    QVERIFY(!Access::isShown(*w, "OnDelay2"));
}

void OutputsTest::output2AnalogCurrent()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    Access::setEnum(*w, "TemperatureSettings", 1);
    Access::setEnum(*w, "AnalogMode", 1);
    Access::setDouble(*w, "analogPressure0V", -1.0);
    Access::setDouble(*w, "analogPressure10V", 9.0);
    setOutputs(*w, 1, 1);

    QwtPlot *plot = s.chart->poPlot(0);
    QCOMPARE(plot->axisScaleDiv(QwtPlot::yRight).lowerBound(), 4.0);
    QCOMPARE(plot->axisScaleDiv(QwtPlot::yRight).upperBound(), 20.0);
    QCOMPARE(plot->axisTitle(QwtPlot::yRight).text(), QStringLiteral("Current (mA)"));
    QCOMPARE(plot->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Pressure (psi)"));
    QCOMPARE(Access::property(*w, "analogPressure0V")->propertyName(), QStringLiteral("4 mA"));
    QCOMPARE(Access::property(*w, "analogPressure10V")->propertyName(), QStringLiteral("20 mA"));
    QCOMPARE(plot->axisScaleDiv(QwtPlot::yLeft).lowerBound(), -1.0);
    QCOMPARE(plot->axisScaleDiv(QwtPlot::yLeft).upperBound(), 9.0);
    // Output 1 does not switch: no marks to drag.
    QVERIFY(!s.thresholdWindow->isLowerMarkEnabled());
    QVERIFY(!s.thresholdWindow->isUpperMarkEnabled());
}

void OutputsTest::onlyOutput2Switching()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    Access::setDouble(*w, "ThresholdsPressure1A2", 4.0);
    Access::setDouble(*w, "ThresholdsPressure2A2", 6.0);
    // Output 1's group was never hidden, so hide it as a description without it would.
    w->setParameterVisible(QStringLiteral("SettingsPointsPressureA1"), false);
    setOutputs(*w, 1, 0);

    QVERIFY(Access::ui(*w).outuptsComboToolBar->isHidden());
    QCOMPARE(s.thresholdWindow->lowerMark(), 4.0);
    QCOMPARE(s.thresholdWindow->upperMark(), 6.0);
    QVERIFY(Access::isShown(*w, "SettingsPointsPressureA2"));
    QCOMPARE(Access::property(*w, "SettingsPointsPressureA2")->propertyName(),
             QStringLiteral("Switching points Pressure  (bar)"));

    const double output1Point = Access::doubleValue(*w, "ThresholdsPressure2A1");
    emit s.thresholdWindow->emitValueChanged(1, 7.0);
    QCOMPARE(Access::doubleValue(*w, "ThresholdsPressure2A2"), 7.0);
    QCOMPARE(Access::doubleValue(*w, "ThresholdsPressure2A1"), output1Point);
    QCOMPARE(Access::pendingProperty(*w), Access::property(*w, "ThresholdsPressure2A2"));
}

void OutputsTest::hiddenToolbarBothGroupsShownSetsBoth()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    setOutputs(*w, 1, 0);
    QVERIFY(Access::ui(*w).outuptsComboToolBar->isHidden());
    QVERIFY(Access::isShown(*w, "SettingsPointsPressureA1"));
    QVERIFY(Access::isShown(*w, "SettingsPointsPressureA2"));

    emit s.thresholdWindow->emitValueChanged(0, 3.5);
    QCOMPARE(Access::doubleValue(*w, "ThresholdsPressure1A1"), 3.5);
    QCOMPARE(Access::doubleValue(*w, "ThresholdsPressure1A2"), 3.5);
    QCOMPARE(Access::pendingProperty(*w), Access::property(*w, "ThresholdsPressure1A2"));
}

void OutputsTest::draggedBeyondMaximum()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    setOutputs(*w, 0, 0);
    QCOMPARE(s.doubleManager->maximum(Access::property(*w, "ThresholdsPressure2A1")), 10.0);

    emit s.thresholdWindow->emitValueChanged(1, 12.75);
    QCOMPARE(Access::doubleValue(*w, "ThresholdsPressure2A1"), 10.0);
    QCOMPARE(s.thresholdWindow->upperMark(), 10.0);
    QCOMPARE(Access::pendingProperty(*w), Access::property(*w, "ThresholdsPressure2A1"));
    QCOMPARE(Access::pendingValue(*w).toDouble(), 12.75);
}

void OutputsTest::dragWithNoSwitchingGroupShownChangesNothing()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    w->setParameterVisible(QStringLiteral("SettingsPointsPressureA1"), false);
    setOutputs(*w, 1, 2);
    QVERIFY(!Access::isShown(*w, "SettingsPointsPressureA1"));
    QVERIFY(!Access::isShown(*w, "SettingsPointsPressureA2"));
    const double before = Access::doubleValue(*w, "ThresholdsPressure1A1");
    const double beforeA2 = Access::doubleValue(*w, "ThresholdsPressure1A2");

    emit s.thresholdWindow->emitValueChanged(0, 1.25);
    QCOMPARE(Access::doubleValue(*w, "ThresholdsPressure1A1"), before);
    QCOMPARE(Access::doubleValue(*w, "ThresholdsPressure1A2"), beforeA2);
    QVERIFY(!Access::pendingProperty(*w));
    QVERIFY(!Access::writeDelayTimer(*w).isActive());
}

void OutputsTest::convertAfterReadConvertsOnce()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    // As a read of all parameters leaves them: unit psi, pressures in bar.
    Access::setEnum(*w, "TemperatureSettings", 1);
    Access::setDouble(*w, "ThresholdsPressure1A1", 2.5);
    Access::setDouble(*w, "analogPressure10V", 10.0);
    s.convertAfterRead = true;
    Access::refreshOutputs(*w);

    QCOMPARE(Access::doubleValue(*w, "ThresholdsPressure1A1"), 36.26);
    QCOMPARE(Access::doubleValue(*w, "analogPressure10V"), 145.04);
    QtProperty *threshold = Access::property(*w, "ThresholdsPressure1A1");
    QCOMPARE(s.doubleManager->minimum(threshold), -14.504);
    QCOMPARE(s.doubleManager->maximum(threshold), 145.04);
    QVERIFY(!s.convertAfterRead);
    QCOMPARE(s.thresholdWindow->lowerMark(), 36.26);

    Access::refreshOutputs(*w);
    QCOMPARE(Access::doubleValue(*w, "ThresholdsPressure1A1"), 36.26);
}

void OutputsTest::fullReadInPsiShowsThresholdOnce()
{
    IoLinkSim::SensorDescription description;
    QVERIFY2(description.load(m_files.dataFile()), qPrintable(description.errorString()));
    IoLinkSim::MasterSimulator master(description, QStringLiteral("ZT41-G14-010"));
    IoLinkSim::SimulatedChannel channel(&master);
    // The sensor works in psi and holds point 1 of output 1 at 2.5 bar.
    QCOMPARE(master.sensor().write(64, 0, QByteArray::fromHex("01")), quint16(0));
    QCOMPARE(master.sensor().write(68, 0, QByteArray::fromHex("09c4")), quint16(0));

    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    w->setCommunication(&channel);
    Access::connected(*w) = true;
    QMetaObject::invokeMethod(w.get(), "vRadAllSettings", Q_ARG(bool, false));

    QCOMPARE(s.unitIndex, 1);
    QCOMPARE(Access::doubleValue(*w, "ThresholdsPressure1A1"), 36.26);
    QCOMPARE(s.thresholdWindow->lowerMark(), 36.26);
    QCOMPARE(s.unitSuffix, QStringLiteral(" (psi)"));
    Access::refreshOutputs(*w);
    QCOMPARE(Access::doubleValue(*w, "ThresholdsPressure1A1"), 36.26);

    s.continuousDataTimer.stop();
    w->setCommunication(nullptr);
    Access::connected(*w) = false;
}

void OutputsTest::dragWritesToTheSensorWhileConnected()
{
    IoLinkSim::SensorDescription description;
    QVERIFY2(description.load(m_files.dataFile()), qPrintable(description.errorString()));
    IoLinkSim::MasterSimulator master(description, QStringLiteral("ZT41-G14-010"));
    IoLinkSim::SimulatedChannel channel(&master);

    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    w->setCommunication(&channel);
    setOutputs(*w, 0, 0);
    s.outputCombo->setCurrentIndex(1);
    Access::connected(*w) = true;

    emit s.thresholdWindow->emitValueChanged(0, 3.0);
    // Index 75 (point 1 of output 2) holds bar × 1000.
    const auto stored = master.sensor().read(75, 0);
    QCOMPARE(stored.error, quint16(0));
    QCOMPARE(stored.value, QByteArray::fromHex("0bb8"));
    w->setCommunication(nullptr);
    Access::connected(*w) = false;
}

void OutputsTest::panelRows()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    QVERIFY(s.processDataDock);
    QCOMPARE(s.processDataDock->objectName(), QStringLiteral("processdata"));
    QCOMPARE(s.processDataDock->windowTitle(), QStringLiteral(" Process data"));
    QCOMPARE(w->dockWidgetArea(s.processDataDock), Qt::RightDockWidgetArea);
    QVERIFY(s.processDataDock->isAncestorOf(s.processDataTree));
    QCOMPARE(s.processDataTree->columnCount(), 2);
    QCOMPARE(s.processDataItems.size(), 4);

    const QStringList labels = {"Output 1     ", "Output 2     ", "Signal quality     ",
                                "Pressure     "};
    const QStringList states = {"Off", "Off", "OK", " 0"};
    // Identifiers in sorted order, not in row order.
    const QStringList tips = {"OutputA1", "OutputA2", "ProcessValue", "SignalQuality"};
    const QList<int> sizes = {40, 40, 40, 32};
    for (int i = 0; i < 4; ++i) {
        QTreeWidgetItem *item = s.processDataItems.at(i);
        QCOMPARE(s.processDataTree->topLevelItem(i), item);
        QCOMPARE(item->text(0), labels.at(i));
        QCOMPARE(item->text(1), states.at(i));
        QCOMPARE(item->statusTip(0), tips.at(i));
        QCOMPARE(item->sizeHint(1), QSize(sizes.at(i), sizes.at(i)));
        QVERIFY(!item->isHidden());
    }
}

void OutputsTest::indicators_data()
{
    QTest::addColumn<QString>("digit");
    QTest::addColumn<QString>("output1");
    QTest::addColumn<QString>("output2");
    QTest::addColumn<QString>("signal");
    QTest::addColumn<bool>("output1Active");
    QTest::addColumn<bool>("output2Active");
    QTest::addColumn<bool>("signalActive");

    QTest::newRow("5: output 1 on, signal too low")
        << "5" << "On" << "Off" << "Signal too low" << true << false << true;
    QTest::newRow("8: only the unused bit, all inactive")
        << "8" << "Off" << "Off" << "OK" << false << false << false;
    QTest::newRow("3: both outputs on") << "3" << "On" << "On" << "OK" << true << true << false;
    QTest::newRow("f: everything set")
        << "f" << "On" << "On" << "Signal too low" << true << true << true;
}

void OutputsTest::indicators()
{
    QFETCH(QString, digit);
    QFETCH(QString, output1);
    QFETCH(QString, output2);
    QFETCH(QString, signal);
    QFETCH(bool, output1Active);
    QFETCH(bool, output2Active);
    QFETCH(bool, signalActive);

    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    Access::setEnum(*w, "TemperatureSettings", 1);
    setOutputs(*w, 0, 0);
    Access::connected(*w) = true;
    Access::setLive(*w, true);

    Access::receive(*w, answer("03e8", digit.toLatin1().constData()));
    QCOMPARE(s.processDataItems.at(0)->text(1), output1);
    QCOMPARE(s.processDataItems.at(1)->text(1), output2);
    QCOMPARE(s.processDataItems.at(2)->text(1), signal);
    QCOMPARE(s.processDataItems.at(3)->text(1), QStringLiteral("  14.504"));
    QCOMPARE(showsActiveImage(s.processDataItems.at(0)), output1Active);
    QCOMPARE(showsActiveImage(s.processDataItems.at(1)), output2Active);
    QCOMPARE(showsActiveImage(s.processDataItems.at(2)), signalActive);
    if (output1Active) {
        const QPixmap image =
            s.processDataItems.at(0)->data(1, Qt::DecorationRole).value<QPixmap>();
        QVERIFY(!image.isNull());
        QVERIFY(image.width() <= 40 && image.height() <= 40);
        QVERIFY(image.width() == 40 || image.height() == 40);
    }

    // The next answer with nothing set turns every indicator back.
    Access::receive(*w, answer("03e8", "0"));
    QCOMPARE(s.processDataItems.at(0)->text(1), QStringLiteral("Off"));
    QCOMPARE(s.processDataItems.at(2)->text(1), QStringLiteral("OK"));
    QVERIFY(!showsActiveImage(s.processDataItems.at(0)));
    QVERIFY(!showsActiveImage(s.processDataItems.at(2)));
}

void OutputsTest::analogOutput2RowStaysBlank()
{
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    setOutputs(*w, 0, 1);
    QCOMPARE(s.processDataItems.at(1)->text(1), QStringLiteral(" "));
    Access::connected(*w) = true;
    Access::setLive(*w, true);
    for (const char *digit : {"2", "0", "3"}) {
        Access::receive(*w, answer("03e8", digit));
        QCOMPARE(s.processDataItems.at(1)->text(1), QStringLiteral(" "));
        QVERIFY(!showsActiveImage(s.processDataItems.at(1)));
    }
    QCOMPARE(s.processDataItems.at(0)->text(1), QStringLiteral("On"));

    // Back to switching: the refresh resets the row to "Off" and bit 1 shows again.
    setOutputs(*w, 0, 0);
    QCOMPARE(s.processDataItems.at(1)->text(1), QStringLiteral("Off"));
    Access::receive(*w, answer("03e8", "2"));
    QCOMPARE(s.processDataItems.at(1)->text(1), QStringLiteral("On"));
}

void OutputsTest::descriptionWithFewerRows()
{
    // Two process-data rows, the second hidden by its attribute.
    QVERIFY(m_files.install([](QByteArray text) {
        const int start = text.indexOf("<guiCategory>");
        const int end = text.indexOf("</guiCategory>");
        return text.replace(start, end - start,
                            "<guiCategory><default>"
                            "<row visible=\"true\"><id>B</id><text><en>First</en></text></row>"
                            "<row visible=\"no\"><id>A</id><text><en>Second</en></text></row>"
                            "</default>");
    }));
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    QCOMPARE(s.processDataItems.size(), 2);
    QVERIFY(!s.processDataItems.at(0)->isHidden());
    QVERIFY(s.processDataItems.at(1)->isHidden());
    QCOMPARE(s.processDataItems.at(0)->statusTip(0), QStringLiteral("A"));

    // Rows 2 and 3 do not exist: an answer updates what is there and plots the point.
    Access::connected(*w) = true;
    Access::setLive(*w, true);
    Access::receive(*w, answer("03e8", "1"));
    QCOMPARE(s.processDataItems.at(0)->text(1), QStringLiteral("On"));
    QCOMPARE(s.chart->history(0).size(), std::size_t(1));
}

QTEST_MAIN(OutputsTest)
#include "tst_outputs.moc"
