#include "utils/charts/genericchart.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

using Utils::Charts::ChartHistory;
using Utils::Charts::GenericChart;

namespace {

std::uint64_t bits(double d)
{
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

double fromBits(std::uint64_t b)
{
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

std::unique_ptr<GenericChart> chartWith(std::initializer_list<std::array<double, 3>> points)
{
    auto chart = std::make_unique<GenericChart>(1, nullptr, nullptr, true, false);
    for (const auto &p : points)
        chart->appendDataAt(0, p[0], p[1], p[2]);
    return chart;
}

} // namespace

class TestHistoryText : public QObject
{
    Q_OBJECT

private slots:
    void roundTripIsBitExact_data();
    void roundTripIsBitExact();
    void roundTripOfALongRandomHistory();
    void malformedTextIsRefused_data();
    void malformedTextIsRefused();
    void otherSeparatorRoundTrips();
};

void TestHistoryText::roundTripIsBitExact_data()
{
    QTest::addColumn<double>("time");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("analog");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("plain reading") << 1733468988123.0 << 1.234 << 5.678;
    QTest::newRow("fractional time") << 1733468988123.4567 << 0.1 << 0.3;
    QTest::newRow("negative zero and smallest subnormal")
        << 0.0 << -0.0 << std::numeric_limits<double>::denorm_min();
    QTest::newRow("largest and lowest doubles")
        << 1e300 << std::numeric_limits<double>::max() << std::numeric_limits<double>::lowest();
    QTest::newRow("analog unset: infinite") << 5.0 << 1.0 << inf;
    QTest::newRow("analog unset: negative infinite") << 5.0 << -1.0 << -inf;
    QTest::newRow("analog unset: 0/0 gives negative NaN")
        << 5.0 << 0.0 << fromBits(0xfff8000000000000ULL);
    QTest::newRow("quiet NaN") << 5.0 << 2.0 << std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("NaN with payload") << 5.0 << fromBits(0x7ff0000000000123ULL)
                                      << fromBits(0xfff4000000abcdefULL);
    QTest::newRow("value with 17 significant digits")
        << 1.0 << 0.30000000000000004 << 2.0 / 3.0;
}

void TestHistoryText::roundTripIsBitExact()
{
    QFETCH(double, time);
    QFETCH(double, value);
    QFETCH(double, analog);
    auto source = chartWith({{time, value, analog}, {time + 65.0, -value, 1.5}});
    const QString text = source->dataToString();

    auto target = chartWith({{1.0, 2.0, 3.0}});
    QVERIFY(target->setDataFromString(text, QLatin1Char(';')));
    const ChartHistory &h = target->history(0);
    QCOMPARE(h.size(), std::size_t(2));
    QCOMPARE(bits(h.time(0)), bits(time));
    QCOMPARE(bits(h.value(0, ChartHistory::Value)), bits(value));
    QCOMPARE(bits(h.value(0, ChartHistory::Analog)), bits(analog));
    QCOMPARE(bits(h.value(1, ChartHistory::Value)), bits(-value));
    QCOMPARE(target->dataToString(), text);
}

void TestHistoryText::roundTripOfALongRandomHistory()
{
    GenericChart source(1, nullptr, nullptr, true, false);
    QRandomGenerator random(42);
    double t = 1.7e12;
    for (int i = 0; i < 20000; ++i) {
        t += random.bounded(200.0);
        source.appendDataAt(0, t, random.bounded(2000.0) - 1000.0,
                            i % 5 ? random.generateDouble() * 10.0 : std::nan(""));
    }
    GenericChart target(1, nullptr, nullptr, true, false);
    QVERIFY(target.setDataFromString(source.dataToString(), QLatin1Char(';')));
    QCOMPARE(target.history(0).size(), source.history(0).size());
    for (std::size_t i = 0; i < source.history(0).size(); ++i) {
        QCOMPARE(bits(target.history(0).time(i)), bits(source.history(0).time(i)));
        QCOMPARE(bits(target.history(0).value(i, ChartHistory::Value)),
                 bits(source.history(0).value(i, ChartHistory::Value)));
        QCOMPARE(bits(target.history(0).value(i, ChartHistory::Analog)),
                 bits(source.history(0).value(i, ChartHistory::Analog)));
    }
}

void TestHistoryText::malformedTextIsRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    const QChar semi(QLatin1Char(';'));
    QTest::newRow("empty text") << QString() << semi;
    QTest::newRow("unknown first field") << "hist;1;1;0;1;2;3" << semi;
    QTest::newRow("unknown format version") << "history;2;1;1;0;1;2" << semi;
    QTest::newRow("more rows than the chart has") << "history;1;2;0;0" << semi;
    QTest::newRow("no rows") << "history;1;0" << semi;
    QTest::newRow("row count missing") << "history;1" << semi;
    QTest::newRow("point without analog value") << "history;1;1;1;10;2" << semi;
    QTest::newRow("more points than counted") << "history;1;1;1;10;2;3;20;4;5" << semi;
    QTest::newRow("fewer points than counted") << "history;1;1;2;10;2;3" << semi;
    QTest::newRow("huge point count") << "history;1;1;99999999999999;10;2;3" << semi;
    QTest::newRow("negative point count") << "history;1;1;-1;10;2;3" << semi;
    QTest::newRow("trailing separator") << "history;1;1;1;10;2;3;" << semi;
    QTest::newRow("empty field") << "history;1;1;1;10;;3" << semi;
    QTest::newRow("time going back") << "history;1;1;2;10;2;3;9;2;3" << semi;
    QTest::newRow("time not a number") << "history;1;1;1;nan;2;3" << semi;
    QTest::newRow("time infinite") << "history;1;1;1;inf;2;3" << semi;
    QTest::newRow("letters after a number") << "history;1;1;1;10;2x;3" << semi;
    QTest::newRow("plus sign") << "history;1;1;1;10;+2;3" << semi;
    QTest::newRow("blank around a number") << "history;1;1;1;10; 2;3" << semi;
    QTest::newRow("hexadecimal number") << "history;1;1;1;10;0x2;3" << semi;
    QTest::newRow("comma as decimal point") << "history;1;1;1;10;2,5;3" << semi;
    QTest::newRow("number out of range") << "history;1;1;1;10;1e999;3" << semi;
    QTest::newRow("NaN payload not hexadecimal") << "history;1;1;1;10;nan(zz);3" << semi;
    QTest::newRow("NaN payload that is no NaN") << "history;1;1;1;10;nan(1);3" << semi;
    QTest::newRow("text of another separator") << "history,1,1,1,10,2,3" << semi;
    QTest::newRow("character beyond Latin-1")
        << QString::fromUtf8("history;1;1;1;10;2\u20ac;3") << semi;
    QTest::newRow("separator that numbers use") << "history-1-1-1-10-2-3" << QChar(QLatin1Char('-'));
    QTest::newRow("line break at the end") << "history;1;1;1;10;2;3\n" << semi;
}

void TestHistoryText::malformedTextIsRefused()
{
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    auto chart = chartWith({{100.0, 1.0, 2.0}, {200.0, 3.0, 4.0}});
    const QString before = chart->dataToString();
    QVERIFY(!chart->setDataFromString(text, separator));
    QCOMPARE(chart->dataToString(), before);
    QCOMPARE(chart->history(0).size(), std::size_t(2));
}

void TestHistoryText::otherSeparatorRoundTrips()
{
    auto source = chartWith({{100.0, 1.5, 2.5}, {200.0, -3.25, std::nan("")}});
    const QString text = source->dataToString(QLatin1Char('\t'));
    QVERIFY(text.startsWith(QLatin1String("history\t1\t1\t2\t100\t1.5\t2.5\t")));
    auto target = chartWith({});
    QVERIFY(!target->setDataFromString(text, QLatin1Char(';')));
    QVERIFY(target->setDataFromString(text, QLatin1Char('\t')));
    QCOMPARE(target->dataToString(), source->dataToString());
}

QTEST_MAIN(TestHistoryText)
#include "tst_historytext.moc"
