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
};

QTEST_APPLESS_MAIN(DescriptionReaderTest)
#include "tst_descriptionreader.moc"
