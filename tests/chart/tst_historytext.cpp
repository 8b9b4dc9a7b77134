#include "utils/charts/genericchart.h"

#include <QtTest>

#include <cstring>

using namespace Utils::Charts;
using Points = QVector<std::array<double, 3>>;
Q_DECLARE_METATYPE(Points)

namespace {

template<class To, class From> To bitCast(From from)
{
    To to;
    return *static_cast<To *>(std::memcpy(&to, &from, sizeof to));
}

} // namespace

// The chart's history as one line of text (docs/chart-history-format.md). The expected
// texts are written from that description, not produced by the writer.
class TestHistoryText : public QObject
{
    Q_OBJECT

private slots:
    void writtenAndReadBitForBit_data();
    void writtenAndReadBitForBit();
    void textIsReadOrRefused_data();
    void textIsReadOrRefused();
};

void TestHistoryText::writtenAndReadBitForBit_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("text");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("example of the format description")
        << Points{{1733468988123, 1.234, 5.678},
                  {1733468988188, 1.24, bitCast<double>(0xfff8000000000000ULL)}}
        << QChar(';') << "history;2;1;2;1733468988123;1.234;5.678;65;1.24;-nan";
    QTest::newRow("shortest texts: negative zero time written whole, subnormal, largest")
        << Points{{-0.0, -0.0, 5e-324}, {1e300, 0.1, 1.7976931348623157e+308},
                  {1e300, 0.30000000000000004, -1e-300}}
        << QChar(';') << "history;2;1;3;t-0;-0;5e-324;1e+300;0.1;1.7976931348623157e+308;"
                         "0;0.30000000000000004;-1e-300";
    QTest::newRow("infinities, NaNs with payload, repeated values left out")
        << Points{{7, inf, -inf}, {8, qQNaN(), bitCast<double>(0xfff4000000abcdefULL)},
                  {9, bitCast<double>(0x7ff0000000000123ULL), 2},
                  {9.5, bitCast<double>(0x7ff0000000000123ULL), 2}}
        << QChar(';') << "history;2;1;4;7;inf;-inf;1;nan;nan(fff4000000abcdef);"
                         "1;nan(7ff0000000000123);2;0.5;;";
    QTest::newRow("value seen before named by its place among the recent ones")
        << Points{{1, 0.30000000000000004, 7}, {2, 0.5, 7}, {3, 0.30000000000000004, 7},
                  {4, 0.5, 7.5}, {5, 0.25, 7}}
        << QChar(';') << "history;2;1;5;1;0.30000000000000004;7;1;0.5;;1;r1;;1;r1;7.5;1;0.25;7";
    QTest::newRow("empty history") << Points{} << QChar(';') << "history;2;1;0";
    QTest::newRow("tab separator") << Points{{100, 1.5, 2.5}} << QChar('\t')
                                   << "history\t2\t1\t1\t100\t1.5\t2.5";
    QTest::newRow("separator that numbers use: written with ;") << Points{{100, -1.5, 2.5}}
        << QChar('-') << "history;2;1;1;100;-1.5;2.5";
}

void TestHistoryText::writtenAndReadBitForBit()
{
    QFETCH(Points, points);
    QFETCH(QChar, separator);
    QFETCH(QString, text);
    GenericChart source(1, nullptr, nullptr, true, false);
    for (const auto &p : points)
        QVERIFY(source.appendDataAt(0, p[0], p[1], p[2]));
    QCOMPARE(source.dataToString(separator), text);

    GenericChart target(1, nullptr, nullptr, true, false);
    target.appendDataAt(0, 1.0, 2.0, 3.0);
    QVERIFY(target.setDataFromString(text, separator == '-' ? QChar(';') : separator));
    const ChartHistory &h = target.history(0);
    QCOMPARE(h.size(), std::size_t(points.size()));
    for (int i = 0; i < points.size(); ++i) {
        const double read[] = {h.time(i), h.value(i, ChartHistory::Value),
                               h.value(i, ChartHistory::Analog)};
        for (int field = 0; field < 3; ++field)
            QCOMPARE(bitCast<quint64>(read[field]), bitCast<quint64>(points[i][field]));
    }
}

void TestHistoryText::textIsReadOrRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("readBack"); // empty: refused
    auto refused = [](const char *name, const QString &text, char separator = ';') {
        QTest::newRow(name) << text << QChar(separator) << QString();
    };
    QTest::newRow("version 1") << "history;1;1;1;10;2;3" << QChar(';') << "history;2;1;1;10;2;3";
    QTest::newRow("version 1, exponent and infinity spelt out")
        << "history;1;1;2;1E3;infinity;-2.5e-1;1000;-0;nan" << QChar(';')
        << "history;2;1;2;1000;inf;-0.25;0;-0;nan";
    QTest::newRow("version 2, whole time, repeats, exponent")
        << "history;2;1;3;t5;1;2;0.5;;;1e1;;7" << QChar(';') << "history;2;1;3;5;1;2;0.5;;;10;;7";
    refused("unknown first field", "hist;1;1;0;1;2;3");
    refused("unknown format version", "history;3;1;1;0;1;2");
    refused("version 1: value left out", "history;1;1;2;10;2;3;11;;3");
    refused("version 2: first value left out", "history;2;1;1;10;;3");
    refused("version 2: recent value not seen", "history;2;1;2;10;2;3;1;r1;3");
    refused("version 2: negative difference", "history;2;1;2;10;2;3;-1;2;3");
    refused("version 2: whole time before the last", "history;2;1;2;10;2;3;t9;2;3");
    refused("more rows than the chart has", "history;1;2;0;0");
    refused("fewer points than counted", "history;1;1;2;10;2;3");
    refused("trailing separator", "history;1;1;1;10;2;3;");
    refused("empty field", "history;1;1;1;10;;3");
    refused("time going back", "history;1;1;2;10;2;3;9;2;3");
    refused("time infinite", "history;1;1;1;-inf;2;3");
    refused("plus sign", "history;1;1;1;10;+2;3");
    refused("number out of range", "history;1;1;1;10;1e999;3");
    refused("NaN payload not hexadecimal", "history;1;1;1;10;nan(zz);3");
    refused("NaN payload that is no NaN", "history;1;1;1;10;nan(1);3");
    refused("negative NaN with payload", "history;1;1;1;10;-nan(7ff4000000000000);3");
    refused("character beyond ASCII", QString::fromUtf8("history;1;1;1;10;2\u20ac;3"));
    refused("separator that numbers use", "history-1-1-1-10-2-3", '-');
    refused("blank as separator", "history 1 1 1 10 2 3", ' ');
}

// Malformed text leaves the history as it was.
void TestHistoryText::textIsReadOrRefused()
{
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    QFETCH(QString, readBack);
    GenericChart chart(1, nullptr, nullptr, true, false);
    chart.appendDataAt(0, 100.0, 1.0, 2.0);
    const QString before = chart.dataToString();
    QCOMPARE(chart.setDataFromString(text, separator), !readBack.isEmpty());
    QCOMPARE(chart.dataToString(), readBack.isEmpty() ? before : readBack);
}

QTEST_MAIN(TestHistoryText)
#include "tst_historytext.moc"
