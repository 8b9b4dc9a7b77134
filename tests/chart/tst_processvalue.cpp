#include "chart/processvalue.h"
#include "chart/unitscale.h"

#include <QtTest>

#include <cmath>

using namespace OrvexSensorPlugin::Core;

class ProcessValueTest : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void analog_data();
    void analog();
    void analogWithoutScaling();
    void valueText_data();
    void valueText();
    void scale_data();
    void scale();
};

void ProcessValueTest::decode_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("raw");
    QTest::addColumn<unsigned int>("status");

    QTest::newRow("only the last eight digits count") << "ffff000003e80000" << 1000 << 0u;
    QTest::newRow("ffff is minus one") << "00000000ffff0000" << -1 << 0u;
    QTest::newRow("8000 is the most negative") << "0000000080000000" << -32768 << 0u;
    QTest::newRow("7fff is the most positive") << "000000007fff0000" << 32767 << 0u;
    QTest::newRow("upper-case digits are read") << "0000000003E8000F" << 1000 << 15u;
    QTest::newRow("digits 5 to 7 are ignored") << "0000000003e8fff5" << 1000 << 5u;
    QTest::newRow("status digit 8: only bit 3") << "0000000003e80008" << 1000 << 8u;
    QTest::newRow("unreadable pressure digits give 0") << "000000000xz80005" << 0 << 5u;
    QTest::newRow("a sign is not a digit") << "00000000-fff0003" << 0 << 3u;
    QTest::newRow("unreadable status digit gives 0") << "0000000003e8000g" << 1000 << 0u;
    QTest::newRow("fewer than eight digits read nothing") << "03e805" << 0 << 0u;
}

void ProcessValueTest::decode()
{
    QFETCH(QString, answer);
    QFETCH(int, raw);
    QFETCH(unsigned int, status);
    const ProcessValue value = decodeProcessValue(answer);
    QCOMPARE(value.raw, raw);
    QCOMPARE(value.status, status);
}

void ProcessValueTest::analog_data()
{
    QTest::addColumn<double>("pressure");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("expected");

    QTest::newRow("voltage: middle of 0..6 bar is 5 V") << 3.0 << 0.0 << 6.0 << 0 << 5.0;
    QTest::newRow("voltage: bottom is 0 V") << 0.0 << 0.0 << 6.0 << 0 << 0.0;
    QTest::newRow("current: bottom is 4 mA") << -1.0 << -1.0 << 10.0 << 1 << 4.0;
    QTest::newRow("current: top is 20 mA") << 10.0 << -1.0 << 10.0 << 1 << 20.0;
    QTest::newRow("any mode but 0 is current") << 5.0 << 0.0 << 10.0 << 2 << 12.0;
    QTest::newRow("beyond the top is not clipped") << 12.0 << 0.0 << 6.0 << 0 << 20.0;
}

void ProcessValueTest::analog()
{
    QFETCH(double, pressure);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(int, mode);
    QFETCH(double, expected);
    QCOMPARE(analogEquivalent(pressure, low, high, mode), expected);
}

void ProcessValueTest::analogWithoutScaling()
{
    // Until output 2 has been analog both ends are 0.0: the signal is not a number.
    QVERIFY(!std::isfinite(analogEquivalent(1.0, 0.0, 0.0, 0)));
    QVERIFY(!std::isfinite(analogEquivalent(0.0, 0.0, 0.0, 1)));
}

void ProcessValueTest::valueText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("psi value") << 14.504 << "  14.504";
    QTest::newRow("whole number without decimals") << 100.0 << "  100";
    QTest::newRow("six significant digits") << 1234.5678 << "  1234.57";
    QTest::newRow("negative") << -0.001 << "  -0.001";
}

void ProcessValueTest::valueText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(processValueText(value), text);
}

void ProcessValueTest::scale_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<bool>("known");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("timelineHigh");
    QTest::addColumn<QString>("suffix");

    QTest::newRow("bar spans the range") << 0 << true << -1.0 << 10.0 << 10.0 << " (bar)";
    QTest::newRow("psi with the exact factor 14.504")
        << 1 << true << -14.504 << 145.04 << 145.04 << " (psi)";
    QTest::newRow("MPa") << 2 << true << -0.1 << 1.0 << 1.0 << " (MPa)";
    QTest::newRow("kPa timeline tops at 101 times the range")
        << 3 << true << -100.0 << 1000.0 << 1010.0 << " (kPa)";
    QTest::newRow("unit 4 is unknown") << 4 << false << 0.0 << 0.0 << 0.0 << "";
    QTest::newRow("unit -1 is unknown") << -1 << false << 0.0 << 0.0 << 0.0 << "";
}

void ProcessValueTest::scale()
{
    QFETCH(int, unit);
    QFETCH(bool, known);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, timelineHigh);
    QFETCH(QString, suffix);

    const UnitScale scale = unitScale(unit, -1.0, 10.0);
    QCOMPARE(scale.known, known);
    if (!known)
        return;
    QCOMPARE(scale.low, low);
    QCOMPARE(scale.high, high);
    QCOMPARE(scale.timelineLow, low);
    QCOMPARE(scale.timelineHigh, timelineHigh);
    QCOMPARE(scale.suffix, suffix);
}

QTEST_GUILESS_MAIN(ProcessValueTest)
#include "tst_processvalue.moc"
