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
    void label_data();
    void label();
    void caption_data();
    void caption();
    void choices_data();
    void choices();
    void wholeNumbers_data();
    void wholeNumbers();
    void flags_data();
    void flags();
    void problems_data();
    void problems();
    void sensorListNumbers_data();
    void sensorListNumbers();
    void readingFiles_data();
    void readingFiles();
};

void DescriptionReaderTest::label_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("expected");
    QTest::newRow("current language") << "<n><text><en>E</en><de>D</de></text></n>" << "de" << "D";
    QTest::newRow("missing language falls back to en")
        << "<n><text><en>E</en></text></n>" << "fr" << "E";
    QTest::newRow("empty language text falls back to en")
        << "<n><text><en>E</en><de></de></text></n>" << "de" << "E";
    QTest::newRow("no text at all is empty") << "<n><id>x</id></n>" << "de" << "";
    QTest::newRow("UTF-8 kept") << QString::fromUtf8("<n><text><de>Größe</de></text></n>")
                                << "de" << QString::fromUtf8("Größe");
    QTest::newRow("whitespace is not trimmed")
        << "<n><text><en> E </en></text></n>" << "en" << " E ";
}

void DescriptionReaderTest::label()
{
    QFETCH(QString, xml);
    QFETCH(QString, language);
    QFETCH(QString, expected);
    const std::string text = nodeLabel(parse(xml), language.toStdString());
    QCOMPARE(QString::fromStdString(text), expected);
}

void DescriptionReaderTest::caption_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("expected");
    QTest::newRow("caption in language")
        << "<n><caption><text><de>Los</de><en>Go</en></text></caption></n>" << "Los";
    QTest::newRow("empty caption takes en")
        << "<n><caption><text><de></de><en>Go</en></text></caption></n>" << "Go";
    QTest::newRow("empty caption without en is action")
        << "<n><caption><text><de></de></text></caption></n>" << "action";
    QTest::newRow("missing caption in language is action")
        << "<n><caption><text><en>Go</en></text></caption></n>" << "action";
    QTest::newRow("no caption is action") << "<n><id>b</id></n>" << "action";
}

void DescriptionReaderTest::caption()
{
    QFETCH(QString, xml);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(actionCaption(parse(xml), "de")), expected);
}

void DescriptionReaderTest::choices_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("texts in language, in order")
        << "<n><items><a><en>A</en><de>Ad</de></a><z><en>Z</en><de>Zd</de></z></items></n>"
        << true << QStringList{"Ad", "Zd"};
    QTest::newRow("empty text takes en")
        << "<n><items><a><en>A</en><de></de></a></items></n>" << true << QStringList{"A"};
    QTest::newRow("missing language child takes en")
        << "<n><items><a><en>A</en></a></items></n>" << true << QStringList{"A"};
    QTest::newRow("choice with neither child is unreadable")
        << "<n><items><a><en>A</en></a><b><fr>B</fr></b></items></n>" << false << QStringList();
    QTest::newRow("no items means no choices") << "<n><id>x</id></n>" << true << QStringList();
}

void DescriptionReaderTest::choices()
{
    QFETCH(QString, xml);
    QFETCH(bool, readable);
    QFETCH(QStringList, expected);
    QStringList texts{"untouched"};
    QString problem;
    QCOMPARE(readChoiceTexts(parse(xml), "de", &texts, &problem), readable);
    if (readable) {
        QCOMPARE(texts, expected);
    } else {
        QCOMPARE(texts, QStringList{"untouched"});
        QVERIFY2(problem.contains(QLatin1String("choice 1")), qPrintable(problem));
    }
}

void DescriptionReaderTest::wholeNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("whole number") << "7" << 7;
    QTest::newRow("negative") << "-3" << -3;
    QTest::newRow("decimal point counts as missing") << "2.5" << 0;
    QTest::newRow("2.0 counts as missing too") << "2.0" << 0;
    QTest::newRow("true is not a number") << "true" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("too large for int") << "99999999999" << 0;
}

void DescriptionReaderTest::wholeNumbers()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(wholeNumber(parse("<n><v>" + text + "</v></n>"), "v"), expected);
    QCOMPARE(wholeNumber(parse("<n><w>1</w></n>"), "v"), 0);
}

void DescriptionReaderTest::flags_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("readOnlyMark");
    QTest::addColumn<bool>("visible");
    QTest::newRow("nothing given: enabled, marked, shown") << "<n><id>x</id></n>"
                                                           << true << true << true;
    QTest::newRow("readonly true: disabled, marked")
        << "<n><readonly>true</readonly></n>" << false << true << true;
    QTest::newRow("readonly false: enabled, editable")
        << "<n><readonly>false</readonly></n>" << true << false << true;
    QTest::newRow("readonly other text: disabled, editable")
        << "<n><readonly>False</readonly></n>" << false << false << true;
    QTest::newRow("visible false hides") << "<n><visible>false</visible></n>"
                                         << true << true << false;
    QTest::newRow("visible TRUE hides (case matters)")
        << "<n><visible>TRUE</visible></n>" << true << true << false;
    QTest::newRow("visible true shows") << "<n><visible>true</visible></n>"
                                        << true << true << true;
}

void DescriptionReaderTest::flags()
{
    QFETCH(QString, xml);
    QFETCH(bool, enabled);
    QFETCH(bool, readOnlyMark);
    QFETCH(bool, visible);
    const pt::ptree node = parse(xml);
    QCOMPARE(isNodeEnabled(node), enabled);
    QCOMPARE(hasReadOnlyMark(node), readOnlyMark);
    QCOMPARE(isNodeVisible(node), visible);
}

void DescriptionReaderTest::problems_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("problem");
    const QString address = "<index>4</index><subIndex>0</subIndex><size>6</size>";
    QTest::newRow("complete int") << "<n><type>int</type>" + address + "</n>" << "";
    QTest::newRow("category needs no address") << "<n><type>category</type></n>" << "";
    QTest::newRow("unknown type") << "<n><type>float</type>" + address + "</n>"
                                  << "unknown type \"float\"";
    QTest::newRow("missing type") << "<n>" + address + "</n>" << "unknown type \"\"";
    QTest::newRow("action without subIndex")
        << "<n><type>action</type><index>4</index><size>6</size></n>" << "no subIndex";
    QTest::newRow("double without any address")
        << "<n><type>double</type></n>" << "no index, subIndex, size";
    QTest::newRow("string without defaultvalue")
        << "<n><type>string</type>" + address + "</n>" << "string without defaultvalue";
    QTest::newRow("enumerator with unreadable choice")
        << "<n><type>enumerator</type>" + address + "<items><a><fr>x</fr></a></items></n>"
        << "choice 0 has no \"de\" text nor an \"en\" one";
    QTest::newRow("editable string with unreadable choice")
        << "<n><type>string</type>" + address
               + "<defaultvalue/><readonly>false</readonly><items><a/></items></n>"
        << "choice 0 has no \"de\" text nor an \"en\" one";
    QTest::newRow("read-only string never reads its choices")
        << "<n><type>string</type>" + address + "<defaultvalue/><items><a/></items></n>" << "";
}

void DescriptionReaderTest::problems()
{
    QFETCH(QString, xml);
    QFETCH(QString, problem);
    QCOMPARE(nodeProblem(parse(xml), "de"), problem);
}

void DescriptionReaderTest::sensorListNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("number") << "<max>2.5</max>" << 2.5;
    QTest::newRow("missing gives 0") << "<min>1</min>" << 0.0;
    QTest::newRow("not a number gives 0") << "<max>ten</max>" << 0.0;
    QTest::newRow("blanks around are allowed") << "<max> 10 </max>" << 10.0;
}

void DescriptionReaderTest::sensorListNumbers()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(sensorListNumber(parse("<n>" + text + "</n>"), "max"), expected);
}

void DescriptionReaderTest::readingFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("readable");
    QTest::newRow("well formed") << QByteArray("<document><a>1</a><!-- c --></document>") << true;
    QTest::newRow("malformed") << QByteArray("<document><a>1</document>") << false;
    QTest::newRow("well formed but nested 300 levels deep")
        << QByteArray("<document>") + QByteArray("<a>").repeated(300)
               + QByteArray("</a>").repeated(300) + QByteArray("</document>")
        << false;
    QTest::newRow("missing file") << QByteArray("missing") << false;
}

void DescriptionReaderTest::readingFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, readable);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("IoLinkZT4Kfamily.xml");
    if (content != "missing") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    pt::ptree tree;
    tree.put("left.over", "x");
    QCOMPARE(readDescriptionFile(path, tree), readable);
    if (readable) {
        QCOMPARE(tree.get<std::string>("document.a"), std::string("1"));
        QVERIFY(tree.get_child("document").find("<xmlcomment>")
                == tree.get_child("document").not_found());
    } else {
        QVERIFY(tree.empty());
    }
}

QTEST_APPLESS_MAIN(DescriptionReaderTest)
#include "tst_descriptionreader.moc"
