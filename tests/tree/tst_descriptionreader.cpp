// The readers of the sensor description's nodes, on nodes read in German.
#include "tree/descriptionreader.h"

#include <boost/property_tree/xml_parser.hpp>

#include <QtTest>

#include <sstream>

using namespace OrvexSensorPlugin::Core;
namespace pt = boost::property_tree;

namespace {
pt::ptree parse(const QString &inner)
{
    pt::ptree tree;
    std::istringstream in(("<n>" + inner + "</n>").toStdString());
    pt::read_xml(in, tree);
    return tree.get_child("n");
}
} // namespace

class DescriptionReaderTest : public QObject
{
    Q_OBJECT

private slots:
    // Label, action caption and choices of one node.
    void texts_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QStringList>("choices");
        QTest::newRow("German texts, choices in order")
            << "<text><en>E</en><de>D</de></text><caption><text><de>Los</de><en>Go</en></text>"
               "</caption><items><a><en>A</en><de>Ad</de></a><z><de>Zd</de></z></items>"
            << "D" << "Los" << true << QStringList{"Ad", "Zd"};
        QTest::newRow("empty German texts fall back to English")
            << "<text><en>E</en><de></de></text><caption><text><de></de><en>Go</en></text>"
               "</caption><items><a><en>A</en><de></de></a><b><de></de></b></items>"
            << "E" << "Go" << true << QStringList{"A", ""};
        QTest::newRow("missing German: label and choice in English, caption action")
            << "<text><en>E</en></text><caption><text><en>Go</en></text></caption>"
               "<items><a><en>A</en></a></items>"
            << "E" << "action" << true << QStringList{"A"};
        QTest::newRow("empty caption without English is action, no text is empty")
            << "<caption><text><de></de></text></caption><items><a><en>A</en></a><b><fr>B</fr>"
               "</b></items>"
            << "" << "action" << false << QStringList{"untouched"};
        QTest::newRow("UTF-8 and blanks kept")
            << QString::fromUtf8("<text><de> Größe </de></text>") << QString::fromUtf8(" Größe ")
            << "action" << true << QStringList();
    }
    void texts()
    {
        QFETCH(QString, xml);
        QFETCH(QString, label);
        QFETCH(QString, caption);
        QFETCH(bool, readable);
        QFETCH(QStringList, choices);
        const pt::ptree node = parse(xml);
        QCOMPARE(QString::fromStdString(nodeLabel(node, "de")), label);
        QCOMPARE(QString::fromStdString(actionCaption(node, "de")), caption);
        QStringList texts{"untouched"};
        QString problem;
        QCOMPARE(readChoiceTexts(node, "de", &texts, &problem), readable);
        QCOMPARE(texts, choices);
        QCOMPARE(problem, readable ? "" : "choice 1 has no \"de\" text nor an \"en\" one");
    }

    void flags_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("readOnlyMark");
        QTest::addColumn<bool>("visible");
        QTest::newRow("nothing given: enabled, marked, shown") << "<id>x</id>" << true << true
                                                               << true;
        QTest::newRow("readonly true: disabled, marked") << "<readonly>true</readonly>" << false
                                                         << true << true;
        QTest::newRow("readonly false: enabled, editable") << "<readonly>false</readonly>" << true
                                                           << false << true;
        QTest::newRow("readonly other text: disabled, editable") << "<readonly>False</readonly>"
                                                                 << false << false << true;
        QTest::newRow("visible true shows") << "<visible>true</visible>" << true << true << true;
        QTest::newRow("visible TRUE hides") << "<visible>TRUE</visible>" << true << true << false;
    }
    void flags()
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

    void problems_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("problem");
        const QString at = "<index>4</index><subIndex>0</subIndex><size>6</size>";
        for (const char *type : {"int", "double", "bool", "action", "enumerator"})
            QTest::addRow("complete %s", type) << QString("<type>%1</type>").arg(type) + at << "";
        QTest::newRow("category needs no address") << "<type>category</type>" << "";
        QTest::newRow("unknown type") << "<type>float</type>" + at << "unknown type \"float\"";
        QTest::newRow("missing type") << at << "unknown type \"\"";
        QTest::newRow("action without subIndex")
            << "<type>action</type><index>4</index><size>6</size>" << "no subIndex";
        QTest::newRow("double without address") << "<type>double</type>"
                                                << "no index, subIndex, size";
        QTest::newRow("string without defaultvalue") << "<type>string</type>" + at
                                                     << "string without defaultvalue";
        QTest::newRow("enumerator with unreadable choice")
            << "<type>enumerator</type><items><a><fr>x</fr></a></items>" + at
            << "choice 0 has no \"de\" text nor an \"en\" one";
        QTest::newRow("editable string with unreadable choice")
            << "<type>string</type><defaultvalue/><readonly>false</readonly><items><a/></items>"
                   + at
            << "choice 0 has no \"de\" text nor an \"en\" one";
        QTest::newRow("read-only string never reads its choices")
            << "<type>string</type><defaultvalue/><items><a/></items>" + at << "";
    }
    void problems()
    {
        QFETCH(QString, xml);
        QFETCH(QString, problem);
        QCOMPARE(nodeProblem(parse(xml), "de"), problem);
    }

    void readingFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("readable");
        QTest::newRow("well formed, comment dropped") << QByteArray("<d><a>1</a><!-- c --></d>")
                                                      << true;
        QTest::newRow("malformed") << QByteArray("<d><a>1</d>") << false;
        QTest::newRow("well formed but nested 300 levels deep")
            << "<d>" + QByteArray("<a>").repeated(300) + QByteArray("</a>").repeated(300) + "</d>"
            << false;
        QTest::newRow("missing file") << QByteArray() << false;
    }
    void readingFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, readable);
        QTemporaryDir dir;
        QFile file(dir.filePath("IoLinkZT4Kfamily.xml"));
        QVERIFY(content.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(content) > 0));
        file.close();
        pt::ptree tree;
        tree.put("left.over", "x");
        QCOMPARE(readDescriptionFile(file.fileName(), tree), readable);
        QCOMPARE(tree.size(), size_t(readable ? 1 : 0));
        if (readable)
            QCOMPARE(tree.get_child("d").size(), size_t(1)); // <a> only
    }
};

QTEST_APPLESS_MAIN(DescriptionReaderTest)
#include "tst_descriptionreader.moc"
