#include "plugin/catalogue.h"
#include "plugin/pluginpaths.h"
#include "plugin/sensor.h"
#include "plugin/xmldepthguard.h"

#include "extensionsystem/globals.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using OrvexSensorPlugin::Core::Sensor;
namespace Core = OrvexSensorPlugin::Core;

namespace {
QString entry(const QString &id, const QString &name, const QString &extra = QString())
{
    QString text = QStringLiteral("<sensor>");
    if (!id.isNull())
        text += QStringLiteral("<id>%1</id>").arg(id);
    if (!name.isNull())
        text += QStringLiteral("<name>%1</name>").arg(name);
    return text + extra + QStringLiteral("</sensor>");
}

QString catalogue(const QString &entries, const QString &documentId = "IoLinkZT4Kfamily")
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<document>\n"
                          "  <documentId>%1</documentId>\n  <sensorList>\n%2\n  </sensorList>\n"
                          "</document>\n")
        .arg(documentId, entries);
}

QString deeplyNested(int levels)
{
    QString text = catalogue(entry("ZT41", "deep"));
    QString deep;
    deep.reserve(levels * 7);
    for (int i = 0; i < levels; ++i)
        deep += QStringLiteral("<a>");
    for (int i = 0; i < levels; ++i)
        deep += QStringLiteral("</a>");
    return text.replace(QStringLiteral("</document>"), deep + QStringLiteral("</document>"));
}

QStringList idsAndNames(const std::list<ExtensionSystem::SensorBasic> &sensors)
{
    QStringList result;
    for (const auto &sensor : sensors)
        result << QString::fromStdString(sensor.id() + "|" + sensor.name());
    return result;
}
} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readSensorList_data();
    void readSensorList();
    void readSensorByName_data();
    void readSensorByName();
    void sensorsTreeOfEntry_data();
    void sensorsTreeOfEntry();
    void emptyRecordTakesHostLanguage();
    void copyIsDeepAndKeepsLanguage();
    void assignmentReplacesEverything();
    void selfAssignmentKeepsRecord();
    void fromXMLStreamKeepsTreeOnBrokenText();
    void nestingDepth_data();
    void nestingDepth();
    void nestingLimit_data();
    void nestingLimit();

private:
    void writeCatalogue(const QString &text);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCatalogue::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    Core::setPluginFileDirectory(m_dir->path());
    ExtensionSystem::Globals::setLanguage("en");
}

void TestCatalogue::cleanup()
{
    Core::setPluginFileDirectory(QString());
    m_dir.reset();
}

void TestCatalogue::writeCatalogue(const QString &text)
{
    if (text.isNull())
        return; // no file at all
    QFile file(Core::pluginFilePath(".xml"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

void TestCatalogue::readSensorList_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QStringList>("expected");

    const QString three = entry("ZT42", "Beta") + entry("ZT41", "Alpha") + entry("ZT43", "Gamma");
    const QStringList threeExpected{"ZT42|Beta", "ZT41|Alpha", "ZT43|Gamma"};

    QTest::newRow("entries come in document order") << catalogue(three) << threeExpected;
    QTest::newRow("tags of entries do not matter")
        << catalogue("<x><id>A1</id><name>One</name></x><y><id>B2</id><name>Two</name></y>")
        << QStringList{"A1|One", "B2|Two"};
    QTest::newRow("entries without id or name are left out, the rest keep their order")
        << catalogue(entry("ZT41", "Alpha") + entry(QString(), "No id") + entry("ZT42", QString())
                     + entry("ZT43", "Gamma"))
        << QStringList{"ZT41|Alpha", "ZT43|Gamma"};
    QTest::newRow("an entry with the same name as another is listed twice")
        << catalogue(entry("ZT41", "Same") + entry("ZT42", "Same"))
        << QStringList{"ZT41|Same", "ZT42|Same"};
    QTest::newRow("comments are not entries")
        << catalogue("<!-- <sensor><id>X</id><name>Y</name></sensor> -->" + entry("ZT41", "A"))
        << QStringList{"ZT41|A"};
    QTest::newRow("documentId differing in letter case is foreign")
        << catalogue(three, "iolinkzt4kfamily") << QStringList();
    QTest::newRow("documentId with trailing text is foreign")
        << catalogue(three, "IoLinkZT4Kfamily2") << QStringList();
    QTest::newRow("missing documentId is foreign")
        << QString("<document><sensorList>%1</sensorList></document>").arg(three) << QStringList();
    QTest::newRow("missing sensorList gives nothing")
        << QString("<document><documentId>IoLinkZT4Kfamily</documentId></document>")
        << QStringList();
    QTest::newRow("empty sensorList gives nothing") << catalogue(QString("")) << QStringList();
    QTest::newRow("missing file gives nothing") << QString() << QStringList();
    QTest::newRow("truncated file gives nothing")
        << catalogue(three).left(catalogue(three).indexOf("</sensorList>")) << QStringList();
    QTest::newRow("30,000 levels of nesting are refused without a crash")
        << deeplyNested(30000) << QStringList();
    QTest::newRow("nesting within the limit is read")
        << deeplyNested(100) << QStringList{"ZT41|deep"};
}

void TestCatalogue::readSensorList()
{
    QFETCH(QString, xml);
    QFETCH(QStringList, expected);
    writeCatalogue(xml);

    QCOMPARE(idsAndNames(Core::readSensorList()), expected);
}

void TestCatalogue::readSensorByName_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expectedId");
    QTest::addColumn<int>("characterDelay");
    QTest::addColumn<int>("lineDelay");

    const QString timing("<portsettings><characterdelay>3</characterdelay>"
                         "<linedelay>20</linedelay></portsettings>");

    QTest::newRow("entry found with its port timing")
        << catalogue(entry("ZT41", "A") + entry("ZT42", "B", timing)) << "B" << "ZT42" << 3 << 20;
    QTest::newRow("of two entries with the same name the first is taken")
        << catalogue(entry("ZT41", "A") + entry("ZT42", "Same", timing)
                     + entry("ZT43", "Same", "<portsettings><characterdelay>9</characterdelay>"
                                             "<linedelay>9</linedelay></portsettings>"))
        << "Same" << "ZT42" << 3 << 20;
    QTest::newRow("missing characterdelay gives 0")
        << catalogue(entry("ZT41", "A", "<portsettings><linedelay>20</linedelay></portsettings>"))
        << "A" << "ZT41" << 0 << 20;
    QTest::newRow("non-numeric characterdelay gives 0")
        << catalogue(entry("ZT41", "A", "<portsettings><characterdelay>fast</characterdelay>"
                                        "<linedelay>4x</linedelay></portsettings>"))
        << "A" << "ZT41" << 0 << 0;
    QTest::newRow("entry without portsettings gives delays of 0")
        << catalogue(entry("ZT41", "A")) << "A" << "ZT41" << 0 << 0;
    QTest::newRow("names are compared byte for byte")
        << catalogue(entry("ZT41", "Alpha", timing)) << "alpha" << "" << 0 << 0;
    QTest::newRow("no entry of that name gives an empty record")
        << catalogue(entry("ZT41", "A", timing)) << "B" << "" << 0 << 0;
    QTest::newRow("an entry without name does not hide the entries behind it")
        << catalogue(entry("ZT40", QString()) + entry("ZT41", "A", timing)) << "A" << "ZT41" << 3
        << 20;
    QTest::newRow("documentId differing in letter case gives an empty record")
        << catalogue(entry("ZT41", "A", timing), "IOLINKZT4KFAMILY") << "A" << "" << 0 << 0;
    QTest::newRow("missing documentId gives an empty record")
        << QString("<document><sensorList>%1</sensorList></document>").arg(entry("ZT41", "A", timing))
        << "A" << "" << 0 << 0;
    QTest::newRow("missing sensorList gives an empty record")
        << QString("<document><documentId>IoLinkZT4Kfamily</documentId></document>") << "A" << ""
        << 0 << 0;
    QTest::newRow("missing file gives an empty record") << QString() << "A" << "" << 0 << 0;
    QTest::newRow("30,000 levels of nesting give an empty record without a crash")
        << deeplyNested(30000) << "deep" << "" << 0 << 0;
}

void TestCatalogue::readSensorByName()
{
    QFETCH(QString, xml);
    QFETCH(QString, name);
    QFETCH(QString, expectedId);
    QFETCH(int, characterDelay);
    QFETCH(int, lineDelay);
    writeCatalogue(xml);

    const Sensor sensor = Core::readSensorByName(name.toStdString());

    QCOMPARE(QString::fromStdString(sensor.id()), expectedId);
    QCOMPARE(QString::fromStdString(sensor.name()), expectedId.isEmpty() ? QString() : name);
    QCOMPARE(sensor.tree.empty(), expectedId.isEmpty());
    if (!expectedId.isEmpty())
        QCOMPARE(QString::fromStdString(sensor.tree.get<std::string>("id")), expectedId);
    QCOMPARE(sensor.getCharacterDelay(), characterDelay);
    QCOMPARE(sensor.getLineDelay(), lineDelay);
}

void TestCatalogue::sensorsTreeOfEntry_data()
{
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QStringList>("codes");

    QTest::newRow("variants in document order")
        << "<sensors><v><ID3>010</ID3></v><w><ID3>006</ID3></w></sensors>"
        << QStringList{"010", "006"};
    QTest::newRow("entry without sensors gives an empty subtree") << "" << QStringList();
}

void TestCatalogue::sensorsTreeOfEntry()
{
    QFETCH(QString, extra);
    QFETCH(QStringList, codes);
    writeCatalogue(catalogue(entry("ZT41", "A", extra)));

    const Sensor sensor = Core::readSensorByName("A");
    QCOMPARE(sensor.id(), std::string("ZT41"));
    QStringList found;
    for (const auto &variant : sensor.getSensorsTree())
        found << QString::fromStdString(variant.second.get<std::string>("ID3", ""));
    QCOMPARE(found, codes);
}

void TestCatalogue::emptyRecordTakesHostLanguage()
{
    ExtensionSystem::Globals::setLanguage("de");
    const Sensor sensor = Core::readSensorByName("nothing");
    QCOMPARE(sensor.language(), std::string("de"));
    QVERIFY(sensor.id().empty());
    QVERIFY(sensor.getSensorsTree().empty());
}

void TestCatalogue::copyIsDeepAndKeepsLanguage()
{
    writeCatalogue(catalogue(entry("ZT41", "A", "<sensors><v><ID3>010</ID3></v></sensors>")));
    ExtensionSystem::Globals::setLanguage("de");
    Sensor original = Core::readSensorByName("A");
    ExtensionSystem::Globals::setLanguage("en");

    Sensor copy(original);
    QCOMPARE(copy.language(), std::string("de"));
    QCOMPARE(copy.id(), std::string("ZT41"));
    QVERIFY(copy.tree == original.tree);

    copy.tree.put("sensors.v.ID3", "999");
    copy.tree.put("name", "changed");
    QCOMPARE(original.tree.get<std::string>("sensors.v.ID3"), std::string("010"));
    QCOMPARE(original.tree.get<std::string>("name"), std::string("A"));
}

void TestCatalogue::assignmentReplacesEverything()
{
    writeCatalogue(catalogue(
        entry("ZT41", "A", "<portsettings><characterdelay>5</characterdelay></portsettings>")
        + entry("ZT42", "B", "<sensors><v><ID3>100</ID3></v></sensors>")));
    ExtensionSystem::Globals::setLanguage("de");
    const Sensor first = Core::readSensorByName("A");
    ExtensionSystem::Globals::setLanguage("en");
    Sensor target = Core::readSensorByName("B");

    target = first;
    QCOMPARE(target.id(), std::string("ZT41"));
    QCOMPARE(target.name(), std::string("A"));
    QCOMPARE(target.language(), std::string("de"));
    QCOMPARE(target.getCharacterDelay(), 5);
    QVERIFY(target.getSensorsTree().empty()); // nothing of B's tree is left
    QVERIFY(target.tree == first.tree);
}

void TestCatalogue::selfAssignmentKeepsRecord()
{
    writeCatalogue(catalogue(entry("ZT41", "A", "<sensors><v><ID3>010</ID3></v></sensors>")));
    Sensor sensor = Core::readSensorByName("A");
    const boost::property_tree::ptree before = sensor.tree;

    Sensor &alias = sensor;
    sensor = alias;
    QCOMPARE(sensor.id(), std::string("ZT41"));
    QVERIFY(sensor.tree == before);
    QCOMPARE(sensor.getSensorsTree().size(), std::size_t(1));
}

void TestCatalogue::fromXMLStreamKeepsTreeOnBrokenText()
{
    Sensor sensor;
    std::stringstream good("<id>ZT41</id><name>A</name><max>10</max>");
    QVERIFY(sensor.fromXMLStream(good));
    QCOMPARE(sensor.tree.get<std::string>("max"), std::string("10"));

    std::stringstream broken("<id>ZT42</id><name>B</nam");
    QVERIFY(!sensor.fromXMLStream(broken));
    QCOMPARE(sensor.id(), std::string("ZT41"));
    QCOMPARE(sensor.tree.get<std::string>("max"), std::string("10"));

    // XML that the host's reader rejects still replaces the tree.
    std::stringstream nameless("<id>ZT43</id><max>400</max>");
    QVERIFY(!sensor.fromXMLStream(nameless));
    QCOMPARE(sensor.tree.get<std::string>("max"), std::string("400"));
}

void TestCatalogue::nestingDepth_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<int>("depth");

    QTest::newRow("siblings do not add up") << "<a><b/><c></c><d>x</d></a>" << 2;
    QTest::newRow("self-closing tags do not nest") << "<a/><b/><c/>" << 1;
    QTest::newRow("closing tags bring the depth down") << "<a><b></b></a><c><d><e/></d></c>" << 3;
    QTest::newRow("tags inside comments do not count") << "<a><!-- <b><c><d> --></a>" << 1;
    QTest::newRow("tags inside CDATA do not count") << "<a><![CDATA[<b><c>]]></a>" << 1;
    QTest::newRow("declarations and instructions do not count")
        << "<?xml version=\"1.0\"?><!DOCTYPE a [<!ELEMENT a ANY>]><a><?pi x?></a>" << 1;
    QTest::newRow("a '>' inside a quoted attribute does not end the tag")
        << "<a x=\"1>2\"><b y='/>'><c/></b></a>" << 3;
}

void TestCatalogue::nestingDepth()
{
    QFETCH(QString, xml);
    QFETCH(int, depth);
    QCOMPARE(Core::xmlNestingDepth(xml.toStdString()), depth);
}

void TestCatalogue::nestingLimit_data()
{
    QTest::addColumn<int>("levels");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("nesting at the limit is accepted") << Core::maxXmlNestingDepth << true;
    QTest::newRow("one level beyond the limit is refused") << Core::maxXmlNestingDepth + 1 << false;
}

void TestCatalogue::nestingLimit()
{
    QFETCH(int, levels);
    QFETCH(bool, accepted);
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "<a>";
    for (int i = 0; i < levels; ++i)
        text += "</a>";
    QCOMPARE(Core::isXmlNestingAcceptable(text), accepted);
    boost::property_tree::ptree tree;
    QCOMPARE(Core::readXmlTextGuarded(text, tree, 0), accepted);
    QCOMPARE(tree.empty(), !accepted);
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
