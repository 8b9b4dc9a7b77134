#include "extensionsystem/sensorbasic.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibrary>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QtTest>

#include <list>

namespace {
using TextFunction = const char *(*)();
using SensorMapFunction = void (*)(std::list<ExtensionSystem::SensorBasic> &);
using InitialiseFunction = void (*)();

const QSet<QString> exportedFunctions{
    "pcTolvaneKalvioPluginName", "pcPluginVersion",   "pcDescription",        "pcCommunicationType",
    "vSensorMap",                "vInitialisePlugin", "poGetInterfaceInstance"};

QString modulePath()
{
    return qEnvironmentVariable("TEST_BINARY_DIR") + "/bin/IoLinkZT4Kfamily.so";
}

// The catalogue beside the program (build/bin), read without the plug-in's code.
QStringList catalogueEntries(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    QStringList entries;
    QStringList stack;
    QString id;
    QString name;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            stack << xml.name().toString();
            if (stack.size() == 3 && stack.at(1) == "sensorList") {
                id.clear();
                name.clear();
            } else if (stack.size() == 4 && stack.at(1) == "sensorList") {
                if (stack.last() == "id")
                    id = xml.readElementText();
                else if (stack.last() == "name")
                    name = xml.readElementText();
                if (xml.isEndElement())
                    stack.removeLast();
            }
        } else if (xml.isEndElement()) {
            if (stack.size() == 3 && stack.at(1) == "sensorList" && !id.isEmpty()
                && !name.isEmpty())
                entries << id + "|" + name;
            stack.removeLast();
        }
    }
    return xml.hasError() ? QStringList() : entries;
}
} // namespace

class TestExports : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void onlyTheSevenFunctionsAreExported();
    void identityTexts_data();
    void identityTexts();
    void sensorMapReplacesListWithCatalogue();
    void initialiseDoesNothingHarmful();

private:
    QLibrary m_library;
};

void TestExports::initTestCase()
{
    QVERIFY2(QFile::exists(modulePath()), qPrintable(modulePath()));
    m_library.setFileName(modulePath());
    QVERIFY2(m_library.load(), qPrintable(m_library.errorString()));
}

void TestExports::onlyTheSevenFunctionsAreExported()
{
    QString nm = QStandardPaths::findExecutable("nm");
    if (nm.isEmpty())
        nm = "/usr/bin/nm";
    QVERIFY2(QFile::exists(nm), "nm (binutils) is needed to read the symbol table");

    QProcess process;
    process.start(nm, {"-D", "--defined-only", modulePath()});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);

    QSet<QString> functions;
    QStringList otherExports;
    const QStringList lines = QString::fromLocal8Bit(process.readAllStandardOutput())
                                  .split('\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
        QVERIFY2(fields.size() >= 2, qPrintable(line));
        const QString type = fields.at(fields.size() - 2);
        const QString name = fields.last();
        if (type == "T" || type == "t" || type == "W" || type == "w" || type == "i")
            functions << name;
        else if (type != "A") // linker marks such as _edata are absolute, not code
            otherExports << line;
    }
    QCOMPARE(functions, exportedFunctions);
    QVERIFY2(otherExports.isEmpty(), qPrintable(otherExports.join('\n')));
}

void TestExports::identityTexts_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("plug-in name") << "pcTolvaneKalvioPluginName" << QByteArray("IoLinkZT4Kfamily");
    QTest::newRow("version") << "pcPluginVersion" << QByteArray("1.0.0");
    QTest::newRow("description with two blanks around TOLVANE")
        << "pcDescription"
        << QByteArray("Plugin for handling MASTER IO_LINK-KB6  TOLVANE  FLUID sensors family");
    QTest::newRow("communication type") << "pcCommunicationType" << QByteArray("SERIAL");
}

void TestExports::identityTexts()
{
    QFETCH(QString, symbol);
    QFETCH(QByteArray, expected);

    const auto function = reinterpret_cast<TextFunction>(m_library.resolve(qPrintable(symbol)));
    QVERIFY(function);
    const char *text = function();
    QVERIFY(text);
    QCOMPARE(QByteArray(text), expected);
    QCOMPARE(function(), text); // static text, the same each time
}

void TestExports::sensorMapReplacesListWithCatalogue()
{
    const auto sensorMap = reinterpret_cast<SensorMapFunction>(m_library.resolve("vSensorMap"));
    QVERIFY(sensorMap);

    // The module finds its catalogue beside the program, which is build/bin.
    const QString dataFile = QCoreApplication::applicationDirPath() + "/IoLinkZT4Kfamily.xml";
    const QStringList expected = catalogueEntries(dataFile);
    QVERIFY2(expected.size() >= 3, qPrintable(dataFile));

    std::list<ExtensionSystem::SensorBasic> sensors(2);
    sensors.front().setId("OLD1");
    sensors.front().setName("stale entry");
    sensorMap(sensors);

    QStringList found;
    for (const auto &sensor : sensors)
        found << QString::fromStdString(sensor.id() + "|" + sensor.name());
    QCOMPARE(found, expected);

    sensorMap(sensors); // a second call does not append
    QCOMPARE(int(sensors.size()), expected.size());
}

void TestExports::initialiseDoesNothingHarmful()
{
    const auto initialise = reinterpret_cast<InitialiseFunction>(m_library.resolve("vInitialisePlugin"));
    QVERIFY(initialise);
    initialise();
    const auto sensorMap = reinterpret_cast<SensorMapFunction>(m_library.resolve("vSensorMap"));
    std::list<ExtensionSystem::SensorBasic> sensors;
    sensorMap(sensors);
    QVERIFY(!sensors.empty());
}

QTEST_MAIN(TestExports)
#include "tst_exports.moc"
