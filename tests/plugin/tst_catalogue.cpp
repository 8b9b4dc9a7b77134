#include "plugin/catalogue.h"
#include "plugin/pluginpaths.h"
#include "plugin/sensor.h"
#include "plugin/xmldepthguard.h"

#include <QTemporaryDir>
#include <QtTest>

namespace Core = OrvexSensorPlugin::Core;

namespace {
QString entry(const QString &id, const QString &name, const QString &extra = "")
{
    return "<sensor>" + (id.isNull() ? "" : "<id>" + id + "</id>")
        + (name.isNull() ? "" : "<name>" + name + "</name>") + extra + "</sensor>";
}
QString catalogue(const QString &entries, const QString &documentId = "IoLinkZT4Kfamily")
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<document><documentId>" + documentId
        + "</documentId>\n<sensorList>" + entries + "</sensorList></document>\n";
}
QString nested(int levels)
{
    return QString("<a>").repeated(levels) + QString("</a>").repeated(levels);
}
const QString Timing = "<portsettings><characterdelay>3</characterdelay>"
                       "<linedelay>20</linedelay></portsettings>";
} // namespace

// The sensor catalogue beside the program, read the guarded way; each row writes
// the catalogue file (a null text: no file) into a folder of the test's own.
class TestCatalogue : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    void writeCatalogue(const QString &text)
    {
        Core::setPluginFileDirectory(m_dir.path());
        QFile::remove(Core::pluginFilePath(".xml"));
        QFile file(Core::pluginFilePath(".xml"));
        QVERIFY(text.isNull() || (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8())));
    }

private slots:
    void readSensorList_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("expected"); // id|name, in order
        QTest::newRow("entries in document order, whatever their tags, without id or name omitted")
            << catalogue(entry("ZT42", "B") + "<x><id>ZT41</id><name>A</name></x>"
                         + entry({}, "X") + entry("ZT44", {}) + entry("", "Y") + "<!-- "
                         + entry("ZT9", "C") + " -->" + entry("ZT43", "A"))
            << "ZT42|B ZT41|A ZT43|A";
        QTest::newRow("documentId differing in letter case is foreign")
            << catalogue(entry("ZT41", "A"), "iolinkzt4kfamily") << "";
        QTest::newRow("missing file gives nothing") << QString() << "";
        QTest::newRow("30,000 levels of nesting are refused without a crash")
            << catalogue(entry("ZT41", "A") + nested(30000)) << "";
    }

    void readSensorList()
    {
        QFETCH(QString, xml);
        QFETCH(QString, expected);
        writeCatalogue(xml);
        QStringList found;
        for (const auto &sensor : Core::readSensorList())
            found << QString::fromStdString(sensor.id() + "|" + sensor.name());
        QCOMPARE(found.join(' '), expected);
    }

    void readSensorByName_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected"); // id, character delay, line delay, variants
        QTest::newRow("entry found with its port timing and variants")
            << catalogue(entry("ZT41", "A") + entry("ZT42", "B", Timing + "<sensors><v><ID3>"
                         "010</ID3></v><w><ID3>006</ID3></w></sensors>"))
            << "B" << "ZT42 3 20 010,006";
        QTest::newRow("missing or non-numeric delays give 0")
            << catalogue(entry("ZT41", "A", "<portsettings><characterdelay>fast</characterdelay>"
                                            "</portsettings>")) << "A" << "ZT41 0 0 ";
        QTest::newRow("an entry without a name does not hide the entries behind it")
            << catalogue(entry("ZT40", {}) + entry("ZT41", "A", Timing)) << "A" << "ZT41 3 20 ";
        QTest::newRow("missing file gives an empty record") << QString() << "A" << " 0 0 ";
    }

    void readSensorByName()
    {
        QFETCH(QString, xml);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        writeCatalogue(xml);
        const Core::Sensor sensor = Core::readSensorByName(name.toStdString());
        QStringList variants;
        for (const auto &variant : sensor.getSensorsTree())
            variants << QString::fromStdString(variant.second.get<std::string>("ID3"));
        QCOMPARE(QString("%1 %2 %3 %4").arg(QString::fromStdString(sensor.id()))
                     .arg(sensor.getCharacterDelay()).arg(sensor.getLineDelay())
                     .arg(variants.join(',')), expected);
        QCOMPARE(sensor.name(), expected.startsWith(' ') ? std::string() : name.toStdString());

        Core::Sensor copy(sensor), assigned;
        assigned = copy;
        assigned = assigned;
        QVERIFY(assigned.tree == sensor.tree);
        QCOMPARE(assigned.language() + assigned.id(), sensor.language() + sensor.id());
    }

    void nesting_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("parses"); // with the guarded reader
        const int limit = Core::maxXmlNestingDepth;
        QTest::newRow("siblings do not add up") << "<a><b/><c></c><d>x</d></a>" << 2 << true;
        QTest::newRow("closing tags bring the depth down")
            << "<r><a><b></b></a><c><d><e/></d></c></r>" << 4 << true;
        QTest::newRow("tags inside comments and CDATA do not count")
            << "<a><!-- <b><c><d> --><![CDATA[<b><c>]]></a>" << 1 << true;
        QTest::newRow("declarations and instructions do not count")
            << "<?xml version=\"1.0\"?><!DOCTYPE a [<!ELEMENT a ANY>]><a><?pi x?></a>" << 1
            << true;
        QTest::newRow("a '>' inside a quoted attribute does not end the tag")
            << "<a x=\"1>2\"><b y='/>'><c/></b></a>" << 3 << true;
        QTest::newRow("nesting at the limit is read") << nested(limit) << limit << true;
        QTest::newRow("one level beyond the limit is refused")
            << nested(limit + 1) << limit + 1 << false;
        QTest::newRow("the count stops once beyond the limit")
            << nested(30000) << limit + 1 << false;
        QTest::newRow("text that is no XML is refused") << "<a><b></a>" << 2 << false;
        QTest::newRow("a stray closing tag counts as nothing") << "</x><a><b/></a>" << 2 << false;
    }

    void nesting()
    {
        QFETCH(QString, xml);
        QFETCH(int, depth);
        QFETCH(bool, parses);
        QCOMPARE(Core::xmlNestingDepth(xml.toStdString()), depth);
        const bool acceptable = depth <= Core::maxXmlNestingDepth;
        QCOMPARE(Core::isXmlNestingAcceptable(xml.toStdString()), acceptable);
        boost::property_tree::ptree tree;
        QCOMPARE(Core::readXmlTextGuarded(xml.toStdString(), tree, 0), parses);
        QCOMPARE(tree.empty(), !parses);
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
