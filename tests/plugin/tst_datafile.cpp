#include "plugin/catalogue.h"
#include "plugin/pluginpaths.h"
#include "plugin/xmldepthguard.h"

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>

#include <QMap>
#include <QSet>
#include <QtTest>

namespace Core = OrvexSensorPlugin::Core;
namespace pt = boost::property_tree;

namespace {
QString text(const pt::ptree &node, const char *path)
{
    return QString::fromStdString(node.get<std::string>(path, ""));
}

bool isWholeNumber(const QString &value)
{
    bool ok = false;
    value.toInt(&ok);
    return ok;
}

struct Parameter
{
    const pt::ptree *node = nullptr;
    QString type;
    QString parentId;
};
} // namespace

// The one data file that plug-in, tests and simulator share, read the way the
// parameter tree reads it (comments dropped, whitespace kept).
class TestDataFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void catalogueModels();
    void parameter_data();
    void parameter();
    void everyParameterNodeIsComplete();
    void addressesAreDistinct();
    void processDataRows();

private:
    void collect(const pt::ptree &node, const QString &parentId);

    pt::ptree m_document;
    QMap<QString, Parameter> m_parameters;
    QList<const pt::ptree *> m_nodes;
};

void TestDataFile::initTestCase()
{
    const QString dir = qEnvironmentVariable("TEST_SOURCE_DIR") + "/data";
    Core::setPluginFileDirectory(dir);
    QVERIFY(Core::readXmlFileGuarded(Core::pluginFilePath(".xml"), m_document,
                                     pt::xml_parser::no_comments));
    QCOMPARE(text(m_document, "document.documentId"), QString("IoLinkZT4Kfamily"));
    const auto top = m_document.get_child_optional("document.treeGui.default");
    QVERIFY(top);
    for (const auto &child : *top)
        collect(child.second, QString());
    QVERIFY(!m_nodes.isEmpty());
}

void TestDataFile::cleanupTestCase()
{
    Core::setPluginFileDirectory(QString());
}

void TestDataFile::collect(const pt::ptree &node, const QString &parentId)
{
    if (node.empty())
        return;
    const QString id = text(node, "id");
    m_nodes << &node;
    QVERIFY2(!m_parameters.contains(id), qPrintable("duplicate id " + id));
    m_parameters.insert(id, Parameter{&node, text(node, "type"), parentId});
    for (const auto &child : node) {
        if (child.first == "property")
            collect(child.second, id);
    }
}

void TestDataFile::catalogueModels()
{
    const auto sensors = Core::readSensorList();
    QVERIFY(sensors.size() >= 3);
    QSet<QString> ids;
    for (const auto &basic : sensors) {
        const QString id = QString::fromStdString(basic.id());
        QCOMPARE(id.size(), 4);
        QVERIFY2(!ids.contains(id), qPrintable(id));
        ids << id;

        const Core::Sensor sensor = Core::readSensorByName(basic.name());
        QCOMPARE(sensor.id(), basic.id());
        QVERIFY(sensor.getCharacterDelay() > 0);
        QVERIFY(sensor.getLineDelay() > 0);
        const double max = text(sensor.tree, "max").toDouble();
        const double decVal = text(sensor.tree, "decVal").toDouble();
        QVERIFY2(max > 0 && decVal > 0, qPrintable(id));
        QVERIFY2(max * decVal <= 32767, qPrintable(id + ": range does not fit 16 bits"));

        QSet<QString> codes;
        for (const auto &variant : sensor.getSensorsTree()) {
            const QString code = text(variant.second, "ID3");
            QCOMPARE(code.size(), 3);
            QVERIFY2(!codes.contains(code), qPrintable(id + " " + code));
            codes << code;
            const double top = text(variant.second, "maxRange").toDouble();
            const double bottom = text(variant.second, "minRange").toDouble();
            const double floatVal = text(variant.second, "floatVal").toDouble();
            QVERIFY(top > bottom);
            QVERIFY(top <= max);
            QVERIFY(floatVal > 0);
            QVERIFY2(top * floatVal <= 32767 && bottom * floatVal >= -32768,
                     qPrintable(id + code + ": range does not fit 16 bits"));
            QVERIFY(isWholeNumber(text(variant.second, "bitsNumber")));
        }
        QVERIFY2(codes.size() >= 2, qPrintable(id));
    }
}

void TestDataFile::parameter_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("choices");
    QTest::addColumn<int>("index");

    QTest::newRow("pressure unit bar, psi, MPa, kPa") << "TemperatureSettings" << "enumerator" << 6 << 4 << -1;
    QTest::newRow("function of output 1") << "PinFunctionA1" << "enumerator" << 6 << 2 << -1;
    QTest::newRow("function of output 2, four choices") << "PinFunctionA2" << "enumerator" << 6 << 4 << -1;
    QTest::newRow("analog mode") << "AnalogMode" << "enumerator" << 6 << 2 << -1;
    QTest::newRow("group of output 1") << "SettingsPointsPressureA1" << "category" << 0 << 0 << -1;
    QTest::newRow("group of output 2") << "SettingsPointsPressureA2" << "category" << 0 << 0 << -1;
    QTest::newRow("group of the analog points") << "AnalogPointsPressure" << "category" << 0 << 0 << -1;
    for (const char *id : {"ThresholdsPressure1A1", "ThresholdsPressure2A1", "ThresholdsPressure1A2",
                           "ThresholdsPressure2A2", "analogPressure0V", "analogPressure10V"})
        QTest::newRow(id) << id << "double" << 7 << 0 << -1;
    for (const char *id : {"OnDelay1", "OffDelay1", "OnDelay2", "OffDelay2"})
        QTest::newRow(id) << id << "int" << 7 << 0 << -1;
    QTest::newRow("NONCA1") << "NONCA1" << "enumerator" << 6 << 2 << -1;
    QTest::newRow("NONCA2") << "NONCA2" << "enumerator" << 6 << 2 << -1;
    QTest::newRow("remote switching output") << "RemoteSwitchingOutput" << "enumerator" << 6 << 2 << -1;
    QTest::newRow("remote analog value") << "remoteAnalogValue" << "int" << 7 << 0 << -1;
    QTest::newRow("data storage lock") << "DataStorageLock" << "enumerator" << 7 << 2 << 12;
    QTest::newRow("filter") << "FilterSettings" << "enumerator" << 6 << 6 << -1;
    QTest::newRow("teach action") << "TEACHBUTTON" << "action" << 6 << 0 << -1;
    QTest::newRow("vendor name") << "VendorNameReadOnly" << "string" << 7 << 0 << 16;
    QTest::newRow("product name") << "ProductNameReadOnly" << "string" << 7 << 0 << 18;
    QTest::newRow("product id") << "ProductIDReadOnly" << "string" << 7 << 0 << 19;
    QTest::newRow("serial number") << "SerialNumberReadOnly" << "string" << 7 << 0 << 21;
    QTest::newRow("firmware revision") << "FirmwareRevisionReadOnly" << "string" << 7 << 0 << 23;
    QTest::newRow("editable string with choices") << "ApplicationSpecificTag" << "string" << 7 << 5 << 24;
    QTest::newRow("bool") << "StatusLED" << "bool" << 7 << 0 << -1;
}

void TestDataFile::parameter()
{
    QFETCH(QString, id);
    QFETCH(QString, type);
    QFETCH(int, size);
    QFETCH(int, choices);
    QFETCH(int, index);

    QVERIFY2(m_parameters.contains(id), qPrintable(id));
    const pt::ptree &node = *m_parameters.value(id).node;
    QCOMPARE(text(node, "type"), type);
    QCOMPARE(int(node.get_child("items", pt::ptree()).size()), choices);
    QVERIFY(text(node, "visible").isEmpty() || text(node, "visible") == "true");
    if (type == "category")
        return;
    QCOMPARE(text(node, "size").toInt(), size);
    if (index >= 0)
        QCOMPARE(text(node, "index").toInt(), index);
    if (id.endsWith("ReadOnly"))
        QCOMPARE(text(node, "readonly"), QString("true"));
    if (type == "string" && choices > 0)
        QCOMPARE(text(node, "readonly"), QString("false"));
}

void TestDataFile::everyParameterNodeIsComplete()
{
    for (const pt::ptree *node : qAsConst(m_nodes)) {
        const QString id = text(*node, "id");
        const QString type = text(*node, "type");
        QVERIFY2(!id.isEmpty(), "node without id");
        QVERIFY2(id == id.trimmed(), qPrintable(id + ": blanks around a leaf text"));
        QVERIFY2(QStringList({"category", "enumerator", "int", "double", "bool", "action", "string"})
                     .contains(type),
                 qPrintable(id));
        QVERIFY2(!text(*node, "text.en").isEmpty() && !text(*node, "text.de").isEmpty(),
                 qPrintable(id));
        if (type == "category")
            continue;
        for (const char *key : {"index", "subIndex", "size"})
            QVERIFY2(isWholeNumber(text(*node, key)), qPrintable(id + " " + key));
        const int size = text(*node, "size").toInt();
        QVERIFY2(size == 6 || size == 7, qPrintable(id));
        QVERIFY2(text(*node, "readonly") == "true" || text(*node, "readonly") == "false",
                 qPrintable(id));

        if (type == "string") {
            QVERIFY2(node->get_child_optional("defaultvalue"), qPrintable(id));
        } else if (type != "action") {
            // The tree reads these as whole numbers; anything else would count as missing.
            QVERIFY2(isWholeNumber(text(*node, "defaultvalue")), qPrintable(id));
        }
        if (type == "enumerator") {
            const auto &items = node->get_child("items", pt::ptree());
            QVERIFY2(items.size() >= 2, qPrintable(id));
            QVERIFY(text(*node, "defaultvalue").toInt() < int(items.size()));
            for (const auto &item : items)
                QVERIFY2(!text(item.second, "en").isEmpty() && !text(item.second, "de").isEmpty(),
                         qPrintable(id));
        }
        if (type == "int" || type == "double") {
            const double min = text(*node, "min").toDouble();
            const double max = text(*node, "max").toDouble();
            const double value = text(*node, "defaultvalue").toDouble();
            QVERIFY2(min < max && min <= value && value <= max, qPrintable(id));
        }
        if (type == "int" && size == 6)
            QVERIFY2(text(*node, "max").toInt() <= 255, qPrintable(id));
        if (type == "action")
            QVERIFY2(!text(*node, "caption.text.en").isEmpty(), qPrintable(id));
        if (type == "double")
            QVERIFY2(id.contains("Pressure"), qPrintable(id + ": only pressures are doubles"));
    }
}

void TestDataFile::addressesAreDistinct()
{
    QMap<QString, QString> owners;
    for (const pt::ptree *node : qAsConst(m_nodes)) {
        if (text(*node, "type") == "category")
            continue;
        const QString address = text(*node, "index") + ";" + text(*node, "subIndex");
        QVERIFY2(!owners.contains(address),
                 qPrintable(address + " used by " + owners.value(address) + " and "
                            + text(*node, "id")));
        owners.insert(address, text(*node, "id"));
        QVERIFY2(text(*node, "index").toInt() != 2, "index 2 is the system command");
    }
}

void TestDataFile::processDataRows()
{
    const auto rows = m_document.get_child_optional("document.guiCategory.default");
    QVERIFY(rows);
    QCOMPARE(int(rows->size()), 4);
    for (const auto &row : *rows) {
        QVERIFY(!text(row.second, "id").isEmpty());
        QVERIFY(!text(row.second, "text.en").isEmpty());
        QVERIFY(!text(row.second, "text.de").isEmpty());
        QCOMPARE(text(row.second, "visible"), QString("true"));
        QCOMPARE(text(row.second, "<xmlattr>.visible"), QString("true"));
    }
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
