#include "settings/settingsfile.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

using namespace OrvexSensorPlugin::Core;


class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void entries_data();
    void entries();
    void split_data();
    void split();
    void wholeValues_data();
    void wholeValues();
    void decimalValues_data();
    void decimalValues();
    void parse_data();
    void parse();
    void documentRoundTrip_data();
    void documentRoundTrip();
    void documentLayout();
    void writeReplacesWholeFile();
    void writeFailureIsReported();
    void readsPathsBeyondLatin1();
    void proposedName_data();
    void proposedName();
};

void TestSettingsFile::entries_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("whole number") << QByteArray::fromStdString(wholeEntry("OnDelay1", 250))
                                  << QByteArray("OnDelay1=250;");
    QTest::newRow("missing string item is -1")
        << QByteArray::fromStdString(wholeEntry("Tag", -1)) << QByteArray("Tag=-1;");
    QTest::newRow("double with six decimals")
        << QByteArray::fromStdString(decimalEntry("P1", 2.5)) << QByteArray("P1=2.500000;");
    QTest::newRow("double rounded to six decimals")
        << QByteArray::fromStdString(decimalEntry("P1", 1.23456789))
        << QByteArray("P1=1.234568;");
    QTest::newRow("negative small double")
        << QByteArray::fromStdString(decimalEntry("P1", -0.0001)) << QByteArray("P1=-0.000100;");
    QTest::newRow("large double without exponent")
        << QByteArray::fromStdString(decimalEntry("P1", 1000000.0))
        << QByteArray("P1=1000000.000000;");
}

void TestSettingsFile::entries()
{
    QFETCH(QByteArray, entry);
    QFETCH(QByteArray, expected);
    QCOMPARE(entry, expected);
}

void TestSettingsFile::split_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("parts");   // "id|value" per part
    QTest::newRow("trailing separator gives one empty part")
        << "a=1;b=2.500000;" << QStringList{"a|1", "b|2.500000", "|"};
    QTest::newRow("empty text is one empty part") << "" << QStringList{"|"};
    QTest::newRow("value ends at a second equals sign") << "a=1=7;" << QStringList{"a|1", "|"};
    QTest::newRow("part without equals sign is all id") << "lonely" << QStringList{"lonely|"};
    QTest::newRow("empty parts in the middle are kept")
        << "a=1;;b=2" << QStringList{"a|1", "|", "b|2"};
    QTest::newRow("empty value") << "a=;" << QStringList{"a|", "|"};
}

void TestSettingsFile::split()
{
    QFETCH(QString, text);
    QFETCH(QStringList, parts);
    QStringList actual;
    for (const ParameterText &part : splitParameterList(text.toStdString()))
        actual << QString::fromStdString(part.id) + '|' + QString::fromStdString(part.value);
    QCOMPARE(actual, parts);
}

void TestSettingsFile::wholeValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "12" << 12;
    QTest::newRow("negative") << "-4" << -4;
    QTest::newRow("leading blanks and plus") << "  +3" << 3;
    QTest::newRow("digits before other text") << "12abc" << 12;
    QTest::newRow("decimal text is cut") << "2.9" << 2;
    QTest::newRow("not a number is 0") << "abc" << 0;
    QTest::newRow("empty is 0") << "" << 0;
    QTest::newRow("plus and minus is 0") << "+-5" << 0;
    QTest::newRow("too large is clamped") << "99999999999" << std::numeric_limits<int>::max();
    QTest::newRow("too small is clamped") << "-99999999999" << std::numeric_limits<int>::min();
}

void TestSettingsFile::wholeValues()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(wholeValue(text.toStdString()), value);
}

void TestSettingsFile::decimalValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("six decimals") << "2.500000" << 2.5;
    QTest::newRow("negative") << "-1.25" << -1.25;
    QTest::newRow("whole number") << " 3" << 3.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("comma is no separator") << "1,5" << 1.0;
    QTest::newRow("not a number is 0") << "x" << 0.0;
    QTest::newRow("empty is 0") << "" << 0.0;
}

void TestSettingsFile::decimalValues()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(decimalValue(text.toStdString()), value);
}

void TestSettingsFile::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("pluginSettings");
    QTest::addColumn<bool>("parameterList");
    QTest::addColumn<bool>("chartData");
    QTest::addColumn<bool>("forSensor");   // for "S1"

    const int unreadable = int(SettingsContent::Status::Unreadable);
    const int noRoot = int(SettingsContent::Status::NoRoot);
    const int read = int(SettingsContent::Status::Read);
    QTest::newRow("complete file") << settingsDocument("S1", "a=1;", "history;1;0") << read
                                   << true << true << true << true;
    QTest::newRow("empty text is unreadable")
        << QByteArray() << unreadable << false << false << false << false;
    QTest::newRow("text that is no XML is unreadable")
        << QByteArray("pluginid=IoLinkZT4Kfamily") << unreadable << false << false << false
        << false;
    QTest::newRow("unclosed element is unreadable")
        << QByteArray("<root pluginid=\"IoLinkZT4Kfamily\" sensorid=\"S1\">") << unreadable
        << false << false << false << false;
    QTest::newRow("other top element has no root")
        << QByteArray("<settings/>") << noRoot << false << false << false << false;
    QTest::newRow("root without names is for no sensor")
        << QByteArray("<root><pluginsettings/></root>") << read << true << false << false
        << false;
    QTest::newRow("root without sensor name is for no sensor")
        << QByteArray("<root pluginid=\"IoLinkZT4Kfamily\"/>") << read << false << false
        << false << false;
    QTest::newRow("other plug-in")
        << QByteArray("<root pluginid=\"Other\" sensorid=\"S1\"/>") << read << false << false
        << false << false;
    QTest::newRow("other sensor") << settingsDocument("S2", "a=1;", "") << read << true << true
                                  << true << false;
    QTest::newRow("sensor name differing in case")
        << settingsDocument("s1", "", "") << read << true << true << true << false;
    QTest::newRow("elements without data attribute")
        << QByteArray("<root pluginid=\"IoLinkZT4Kfamily\" sensorid=\"S1\"><pluginsettings>"
                      "<propertytreedata/><chartdata/></pluginsettings></root>")
        << read << true << false << false << true;
    QTest::newRow("no chart data element")
        << QByteArray("<root pluginid=\"IoLinkZT4Kfamily\" sensorid=\"S1\"><pluginsettings>"
                      "<propertytreedata data=\"a=1;\"/></pluginsettings></root>")
        << read << true << true << false << true;
}

void TestSettingsFile::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(int, status);
    QFETCH(bool, pluginSettings);
    QFETCH(bool, parameterList);
    QFETCH(bool, chartData);
    QFETCH(bool, forSensor);

    const SettingsContent content = parseSettings(text);
    QCOMPARE(int(content.status), status);
    QCOMPARE(content.hasPluginSettings, pluginSettings);
    QCOMPARE(content.parameterList.has_value(), parameterList);
    QCOMPARE(content.chartData.has_value(), chartData);
    QCOMPARE(content.isFor("S1"), forSensor);
}

void TestSettingsFile::documentRoundTrip_data()
{
    QTest::addColumn<QByteArray>("sensorId");
    QTest::addColumn<QByteArray>("parameters");
    QTest::addColumn<QByteArray>("chart");
    QTest::newRow("catalogue name") << QByteArray("ZT4K-010 -1...10 bar")
                                    << QByteArray("TemperatureSettings=2;P=2.500000;")
                                    << QByteArray("history;1;1;1;1733468988123;1.5;-nan");
    QTest::newRow("markup characters are escaped")
        << QByteArray("A&B <\"x\"> 'y'") << QByteArray("a<b=1;") << QByteArray("&amp;");
    QTest::newRow("UTF-8 sensor name") << QByteArray("Drucksensor \xc3\xa4\xe2\x82\xac")
                                       << QByteArray("") << QByteArray("");
    QTest::newRow("blanks are kept") << QByteArray("  two  blanks  ") << QByteArray(" a=1; ")
                                     << QByteArray("  ");
}

void TestSettingsFile::documentRoundTrip()
{
    QFETCH(QByteArray, sensorId);
    QFETCH(QByteArray, parameters);
    QFETCH(QByteArray, chart);

    const SettingsContent content = parseSettings(
        settingsDocument(sensorId.toStdString(), parameters.toStdString(), chart.toStdString()));
    QCOMPARE(int(content.status), int(SettingsContent::Status::Read));
    QVERIFY(content.isFor(sensorId.toStdString()));
    QCOMPARE(QByteArray::fromStdString(content.parameterList.value_or("<none>")), parameters);
    QCOMPARE(QByteArray::fromStdString(content.chartData.value_or("<none>")), chart);
}

void TestSettingsFile::documentLayout()
{
    const QByteArray text = settingsDocument("S1", "a=1;", "h");
    QVERIFY2(text.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?>"), text.constData());
    const int root = text.indexOf("<root pluginid=\"IoLinkZT4Kfamily\" sensorid=\"S1\">");
    const int pluginSettings = text.indexOf("<pluginsettings>");
    const int tree = text.indexOf("<propertytreedata data=\"a=1;\"/>");
    const int chart = text.indexOf("<chartdata data=\"h\"/>");
    QVERIFY2(root > 0 && pluginSettings > root && tree > pluginSettings && chart > tree,
             text.constData());
    // Indented, one element a line.
    QVERIFY2(text.contains("\n    <pluginsettings>\n        <propertytreedata"), text.constData());
}

void TestSettingsFile::writeReplacesWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.wts"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(10000, 'x'));
    old.close();

    QString error;
    const QByteArray text = settingsDocument("S1", "a=1;", "");
    QVERIFY(writeSettingsFile(path, text, &error));
    QVERIFY(error.isEmpty());
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), text);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"s.wts"});
}

void TestSettingsFile::writeFailureIsReported()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/folder/s.wts"));
    QString error;
    QVERIFY(!writeSettingsFile(path, settingsDocument("S1", "", ""), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(path));
}

void TestSettingsFile::readsPathsBeyondLatin1()
{
    QTemporaryDir dir;
    const QString path =
        dir.filePath(QString::fromUtf8("Einstellungen \xe2\x82\xac \xd0\x96.wts"));
    QString error;
    QVERIFY2(writeSettingsFile(path, settingsDocument("S1", "a=1;", ""), &error),
             qPrintable(error));
    const SettingsContent content = readSettingsFile(path);
    QCOMPARE(int(content.status), int(SettingsContent::Status::Read));
    QCOMPARE(QByteArray::fromStdString(content.parameterList.value_or("")), QByteArray("a=1;"));
    QCOMPARE(int(readSettingsFile(dir.filePath("absent.wts")).status),
             int(SettingsContent::Status::Unreadable));
}

void TestSettingsFile::proposedName_data()
{
    QTest::addColumn<QString>("sensor");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("name");
    QTest::newRow("day and month with two digits")
        << "ZT4K-010 -1...10 bar" << QDate(2026, 12, 6)
        << "ZT4K-010 -1...10 bar-settings-06-12-2026.wts";
    QTest::newRow("letters of settings stay letters")
        << "S" << QDate(2031, 1, 31) << "S-settings-31-01-2031.wts";
}

void TestSettingsFile::proposedName()
{
    QFETCH(QString, sensor);
    QFETCH(QDate, day);
    QFETCH(QString, name);
    QCOMPARE(proposedSettingsFileName(sensor, day), name);
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
