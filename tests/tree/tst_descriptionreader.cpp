#include "tree/descriptionreader.h"

#include <boost/property_tree/xml_parser.hpp>

#include <QtTest>

#include <sstream>

using namespace OrvexSensorPlugin::Core;
namespace pt = boost::property_tree;

namespace {
pt::ptree parse(const QString &xml)
{
    pt::ptree tree;
    std::istringstream in(xml.toStdString());
    pt::read_xml(in, tree, pt::xml_parser::no_comments);
    return tree.get_child("n");
}
} // namespace

class DescriptionReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
    void choices_data();
    void choices();
    void numbers_data();
    void numbers();
    void flags_data();
    void flags();
    void problems_data();
    void problems();
    void readingFiles_data();
    void readingFiles();
};

// nodeLabel and actionCaption of one node, read in German.
void DescriptionReaderTest::texts_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("caption");
    QTest::newRow("current language") << "<n><text><en>E</en><de>D</de></text><caption><text>"
                                         "<de>Los</de><en>Go</en></text></caption></n>"
                                      << "D" << "Los";
    QTest::newRow("empty text falls back to en") << "<n><text><en>E</en><de></de></text><caption>"
                                                    "<text><de></de><en>Go</en></text></caption></n>"
                                                 << "E" << "Go";
    QTest::newRow("missing language: label en, caption action")
        << "<n><text><en>E</en></text><caption><text><en>Go</en></text></caption></n>" << "E"
        << "action";
    QTest::newRow("empty caption without en is action")
        << "<n><caption><text><de></de></text></caption></n>" << "" << "action";
    QTest::newRow("UTF-8 and blanks kept") << QString::fromUtf8("<n><text><de> Größe </de></text></n>")
                                           << QString::fromUtf8(" Größe ") << "action";
}

void DescriptionReaderTest::texts()
{
    QFETCH(QString, xml);
    QFETCH(QString, label);
    QFETCH(QString, caption);
    QCOMPARE(QString::fromStdString(nodeLabel(parse(xml), "de")), label);
    QCOMPARE(QString::fromStdString(actionCaption(parse(xml), "de")), caption);
}

void DescriptionReaderTest::choices_data()
{
    QTest::addColumn<QString>("items");
    QTest::addColumn<QStringList>("expected"); // empty: unreadable
    QTest::newRow("texts in language, in order") << "<a><en>A</en><de>Ad</de></a>"
                                                    "<z><en>Z</en><de>Zd</de></z>"
                                                 << QStringList{"Ad", "Zd"};
    QTest::newRow("empty text takes en") << "<a><en>A</en><de></de></a>" << QStringList{"A"};
    QTest::newRow("missing language child takes en") << "<a><en>A</en></a>" << QStringList{"A"};
    QTest::newRow("empty text without en stays empty") << "<a><de></de></a>" << QStringList{""};
    QTest::newRow("choice with neither child is unreadable")
        << "<a><en>A</en></a><b><fr>B</fr></b>" << QStringList();
}

void DescriptionReaderTest::choices()
{
    QFETCH(QString, items);
    QFETCH(QStringList, expected);
    QStringList texts{"untouched"};
    QString problem;
    const pt::ptree node = parse("<n><items>" + items + "</items></n>");
    QCOMPARE(readChoiceTexts(node, "de", &texts, &problem), !expected.isEmpty());
    QCOMPARE(texts, expected.isEmpty() ? QStringList{"untouched"} : expected);
    QCOMPARE(problem, expected.isEmpty() ? "choice 1 has no \"de\" text nor an \"en\" one" : "");
    QVERIFY(readChoiceTexts(parse("<n><id>x</id></n>"), "de", &texts));
    QVERIFY(texts.isEmpty()); // no items, no choices
}

void DescriptionReaderTest::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("whole");
    QTest::addColumn<double>("decimal");
    QTest::addColumn<double>("sensorList");
    QTest::newRow("whole number") << "7" << 7 << 7.0 << 7.0;
    QTest::newRow("negative") << "-3" << -3 << -3.0 << -3.0;
    QTest::newRow("decimal point is no whole number") << "2.5" << 0 << 2.5 << 2.5;
    QTest::newRow("text is no number") << "true" << 0 << 0.0 << 0.0;
    QTest::newRow("blanks around") << " 10 " << 10 << 10.0 << 10.0;
}

void DescriptionReaderTest::numbers()
{
    QFETCH(QString, text);
    QFETCH(int, whole);
    QFETCH(double, decimal);
    QFETCH(double, sensorList);
    const pt::ptree node = parse("<n><v>" + text + "</v></n>");
    QCOMPARE(wholeNumber(node, "v"), whole);
    QCOMPARE(decimalNumber(node, "v"), decimal);
    QCOMPARE(sensorListNumber(node, "v"), sensorList);
    QCOMPARE(wholeNumber(node, "w"), 0);
    QCOMPARE(decimalNumber(node, "w"), 0.0);
    QCOMPARE(sensorListNumber(node, "w"), 0.0);
}

void DescriptionReaderTest::flags_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("readOnlyMark");
    QTest::addColumn<bool>("visible");
    QTest::newRow("nothing given: enabled, marked, shown") << "<id>x</id>" << true << true << true;
    QTest::newRow("readonly true: disabled, marked") << "<readonly>true</readonly>"
                                                     << false << true << true;
    QTest::newRow("readonly false: enabled, editable") << "<readonly>false</readonly>"
                                                       << true << false << true;
    QTest::newRow("readonly other text: disabled, editable") << "<readonly>False</readonly>"
                                                             << false << false << true;
    QTest::newRow("visible false hides") << "<visible>false</visible>" << true << true << false;
    QTest::newRow("visible TRUE hides (case matters)") << "<visible>TRUE</visible>"
                                                       << true << true << false;
    QTest::newRow("visible true shows") << "<visible>true</visible>" << true << true << true;
}

void DescriptionReaderTest::flags()
{
    QFETCH(QString, xml);
    QFETCH(bool, enabled);
    QFETCH(bool, readOnlyMark);
    QFETCH(bool, visible);
    const pt::ptree node = parse("<n>" + xml + "</n>");
    QCOMPARE(isNodeEnabled(node), enabled);
    QCOMPARE(hasReadOnlyMark(node), readOnlyMark);
    QCOMPARE(isNodeVisible(node), visible);
}

void DescriptionReaderTest::problems_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("problem");
    const QString address = "<index>4</index><subIndex>0</subIndex><size>6</size>";
    for (const char *type : {"int", "double", "bool", "action", "enumerator"})
        QTest::addRow("complete %s", type) << QString("<type>%1</type>").arg(type) + address << "";
    QTest::newRow("category needs no address") << "<type>category</type>" << "";
    QTest::newRow("unknown type") << "<type>float</type>" + address << "unknown type \"float\"";
    QTest::newRow("missing type") << address << "unknown type \"\"";
    QTest::newRow("action without subIndex")
        << "<type>action</type><index>4</index><size>6</size>" << "no subIndex";
    QTest::newRow("double without any address") << "<type>double</type>"
                                                << "no index, subIndex, size";
    QTest::newRow("string without defaultvalue") << "<type>string</type>" + address
                                                 << "string without defaultvalue";
    QTest::newRow("enumerator with unreadable choice")
        << "<type>enumerator</type>" + address + "<items><a><fr>x</fr></a></items>"
        << "choice 0 has no \"de\" text nor an \"en\" one";
    QTest::newRow("editable string with unreadable choice")
        << "<type>string</type>" + address
               + "<defaultvalue/><readonly>false</readonly><items><a/></items>"
        << "choice 0 has no \"de\" text nor an \"en\" one";
    QTest::newRow("read-only string never reads its choices")
        << "<type>string</type>" + address + "<defaultvalue/><items><a/></items>" << "";
}

void DescriptionReaderTest::problems()
{
    QFETCH(QString, xml);
    QFETCH(QString, problem);
    QCOMPARE(nodeProblem(parse("<n>" + xml + "</n>"), "de"), problem);
}

void DescriptionReaderTest::readingFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("readable");
    QTest::newRow("well formed, comment dropped") << QByteArray("<document><a>1</a><!-- c -->"
                                                                "</document>") << true;
    QTest::newRow("malformed") << QByteArray("<document><a>1</document>") << false;
    QTest::newRow("well formed but nested 300 levels deep")
        << "<document>" + QByteArray("<a>").repeated(300) + QByteArray("</a>").repeated(300)
               + "</document>"
        << false;
    QTest::newRow("missing file") << QByteArray() << false;
}

void DescriptionReaderTest::readingFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, readable);
    QTemporaryDir dir;
    const QString path = dir.filePath("IoLinkZT4Kfamily.xml");
    QFile file(path);
    QVERIFY(content.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(content) > 0));
    file.close();
    pt::ptree tree;
    tree.put("left.over", "x");
    QCOMPARE(readDescriptionFile(path, tree), readable);
    if (readable) {
        QCOMPARE(tree.get<std::string>("document.a"), std::string("1"));
        QCOMPARE(tree.get_child("document").size(), size_t(1));
    } else {
        QVERIFY(tree.empty());
    }
}

QTEST_APPLESS_MAIN(DescriptionReaderTest)
#include "tst_descriptionreader.moc"
