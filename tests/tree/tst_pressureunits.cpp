#include "chart/pressureunits.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace OrvexSensorPlugin::Core;

class PressureUnitsTest : public QObject
{
    Q_OBJECT

private slots:
    void convertPressure_data();
    void convertPressure();
    void roundTripThroughEveryUnit();
    void decimals_data();
    void decimals();
    void suffixes();
};

void PressureUnitsTest::convertPressure_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("unit");
    QTest::addColumn<bool>("fromBar");
    QTest::addColumn<double>("expected");

    QTest::newRow("bar stays bar") << 2.5 << 0 << true << 2.5;
    QTest::newRow("1 bar is 14.504 psi, not 14.5038") << 1.0 << 1 << true << 14.504;
    QTest::newRow("1 bar is 0.1 MPa") << 1.0 << 2 << true << 0.1;
    QTest::newRow("1 bar is 100 kPa") << 1.0 << 3 << true << 100.0;
    QTest::newRow("14.504 psi back is 1 bar") << 14.504 << 1 << false << 1.0;
    QTest::newRow("145.04 psi back is 10 bar") << 145.04 << 1 << false << 10.0;
    QTest::newRow("0.5 MPa back is 5 bar") << 0.5 << 2 << false << 5.0;
    QTest::newRow("250 kPa back is 2.5 bar") << 250.0 << 3 << false << 2.5;
    QTest::newRow("2.5 bar in psi rounds to 3 decimals") << 2.5 << 1 << true << 36.26;
    QTest::newRow("negative values convert") << -1.0 << 1 << true << -14.504;
    QTest::newRow("bar is rounded too") << 1.23456 << 0 << true << 1.235;
    QTest::newRow("0.0015 rounds up to 0.002") << 0.0015 << 0 << false << 0.002;
    QTest::newRow("unit 4 gives 0") << 3.0 << 4 << true << 0.0;
    QTest::newRow("unit -1 gives 0 back to bar") << 3.0 << -1 << false << 0.0;
}

void PressureUnitsTest::convertPressure()
{
    QFETCH(double, value);
    QFETCH(int, unit);
    QFETCH(bool, fromBar);
    QFETCH(double, expected);
    QCOMPARE(OrvexSensorPlugin::Core::convertPressure(value, unit, fromBar), expected);
}

void PressureUnitsTest::roundTripThroughEveryUnit()
{
    // A threshold of a few bar survives the trip to any unit and back.
    for (int unit = 0; unit < pressureUnitCount; ++unit) {
        for (double bar : {-1.0, 0.0, 0.25, 2.5, 5.0, 10.0, 400.0}) {
            const double shown = OrvexSensorPlugin::Core::convertPressure(bar, unit, true);
            QCOMPARE(OrvexSensorPlugin::Core::convertPressure(shown, unit, false), bar);
        }
    }
    const double infinity = std::numeric_limits<double>::infinity();
    QVERIFY(std::isinf(OrvexSensorPlugin::Core::convertPressure(infinity, 1, true)));
}

void PressureUnitsTest::decimals_data()
{
    QTest::addColumn<double>("decVal");
    QTest::addColumn<int>("expected");
    QTest::newRow("decVal 10 gives 1 decimal") << 10.0 << 1;
    QTest::newRow("decVal 100 gives 2") << 100.0 << 2;
    QTest::newRow("decVal 100.5 gives 3") << 100.5 << 3;
    QTest::newRow("decVal 1000 gives 3") << 1000.0 << 3;
    QTest::newRow("missing decVal (0) gives 3") << 0.0 << 3;
}

void PressureUnitsTest::decimals()
{
    QFETCH(double, decVal);
    QFETCH(int, expected);
    QCOMPARE(pressureDecimals(decVal), expected);
}

void PressureUnitsTest::suffixes()
{
    QCOMPARE(pressureUnitSuffix(0), QStringLiteral(" (bar)"));
    QCOMPARE(pressureUnitSuffix(1), QStringLiteral(" (psi)"));
    QCOMPARE(pressureUnitSuffix(2), QStringLiteral(" (MPa)"));
    QCOMPARE(pressureUnitSuffix(3), QStringLiteral(" (kPa)"));
    QVERIFY(pressureUnitSuffix(4).isEmpty());
    QCOMPARE(pressureFactorToBar(1), 1.0 / 14.504);
}

QTEST_APPLESS_MAIN(PressureUnitsTest)
#include "tst_pressureunits.moc"
