#include "chart/outputlayout.h"

#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using Ints = QVector<int>;

// How the window presents the outputs for each pin function and analog mode.
class OutputLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void layoutPerConfiguration_data();
    void layoutPerConfiguration();
};

void OutputLayoutTest::layoutPerConfiguration_data()
{
    QTest::addColumn<Ints>("config");     // pin function A1, A2, analog mode, output chosen
    QTest::addColumn<QString>("groups");  // switching point groups shown and named
    QTest::addColumn<QString>("shown");   // output 2's parameters shown
    QTest::addColumn<QString>("marks");   // whose points the marks show; on or off
    QTest::addColumn<bool>("combo");
    QTest::addColumn<QString>("right");   // right axis
    QTest::addColumn<bool>("rowBlank");   // output 2 has no on/off state

    const QString switching2 = "SettingsPointsPressureA2 OnDelay2 OffDelay2 NONCA2";
    QTest::newRow("both switching, output 1 chosen") << Ints{0, 0, 0, 0} << "A1 A2"
        << switching2 << "A1 on" << true << "none" << false;
    QTest::newRow("both switching, output 2 chosen") << Ints{0, 0, 1, 1} << "A1 A2"
        << switching2 << "A2 on" << true << "none" << false;
    QTest::newRow("only output 2 switching: its points, whatever is chosen")
        << Ints{1, 0, 0, 0} << "A2" << switching2 << "A2 on" << false << "none" << false;
    QTest::newRow("analog voltage: output 1's points, 0 to 10 V")
        << Ints{0, 1, 0, 1} << "A1" << "AnalogPointsPressure AnalogMode" << "A1 on" << false
        << "voltage 0..10 step 2" << true;
    QTest::newRow("analog current, output 1 not switching: marks off and left")
        << Ints{3, 1, 1, 0} << "" << "AnalogPointsPressure AnalogMode" << "kept off" << false
        << "current 4..20 step 2" << true;
    QTest::newRow("analog without a mode parameter: current") << Ints{0, 1, -1, 0} << "A1"
        << "AnalogPointsPressure AnalogMode" << "A1 on" << false << "current 4..20 step 2"
        << true;
    QTest::newRow("remote switching") << Ints{0, 2, 0, 1} << "A1" << "RemoteSwitchingOutput"
        << "A1 on" << false << "none" << true;
    QTest::newRow("remote analog, output 1 not switching") << Ints{1, 3, 0, 0} << ""
        << "remoteAnalogValue AnalogMode" << "kept off" << false << "none" << true;
    QTest::newRow("unknown output 2 function: nothing of it, its row kept") << Ints{0, 4, 0, 1}
        << "A1" << "" << "A1 on" << false << "none" << false;
    QTest::newRow("description without pin functions") << Ints{-1, -1, -1, 0} << "" << ""
        << "kept off" << false << "none" << false;
}

void OutputLayoutTest::layoutPerConfiguration()
{
    QFETCH(Ints, config);
    QFETCH(QString, groups);
    QFETCH(QString, shown);
    QFETCH(QString, marks);
    QFETCH(bool, combo);
    QFETCH(QString, right);
    QFETCH(bool, rowBlank);
    const OutputLayout layout = outputLayout(config[0], config[1], config[2], config[3]);

    QStringList named;
    if (layout.output1Switching)
        named << "A1";
    if (layout.output2Switching)
        named << "A2";
    QCOMPARE(named.join(' '), groups);
    QCOMPARE(layout.output2Parameters.join(' '), shown);
    const char *source[] = {"kept", "A1", "A2"};
    QCOMPARE(QString(source[int(layout.marks)]) + (layout.marksEnabled ? " on" : " off"), marks);
    QCOMPARE(layout.outputComboShown, combo);
    const char *signal[] = {"none", "voltage", "current"};
    QString axis = signal[int(layout.rightAxis)];
    if (layout.rightAxis != AnalogSignal::None)
        axis += QStringLiteral(" %1..%2 step %3").arg(layout.rightAxisLow)
                    .arg(layout.rightAxisHigh).arg(layout.rightAxisStep);
    QCOMPARE(axis, right);
    QCOMPARE(layout.output2RowBlank, rowBlank);
}

QTEST_APPLESS_MAIN(OutputLayoutTest)
#include "tst_outputlayout.moc"
