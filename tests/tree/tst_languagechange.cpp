#include "treetestaccess.h"

#include "tree/descriptionreader.h"

#include "extensionsystem/globals.h"
#include "utils/buttonmanager.h"

#include "qtpropertymanager.h"

#include <QEvent>
#include <QTreeWidgetItem>
#include <QtTest>

using OrvexSensorPlugin::Core::SensorWindow;
using namespace TreeFixture;

namespace {

QString languageDocument()
{
    const QString choices = "<items><i><en>one</en><de>eins</de></i><i><en>two</en><de>zwei</de>"
                            "</i><i><en>three</en><de>drei</de></i></items>";
    const QString texts = "<readonly>false</readonly><items><i><en>a-en</en><de>a-de</de></i>"
                          "<i><en>b-en</en><de>b-de</de></i></items>";
    const QString nodes =
        topNode("category", "Group",
                node("enumerator", "Mode", choices) + node("action", "Teach",
                     "<caption><text><en>Go</en><de>Los</de></text></caption>")
                    + node("string", "Tag", "<defaultvalue>b-en</defaultvalue>" + texts)
                    + node("string", "Typed", "<defaultvalue>a-en</defaultvalue>" + texts))
        + "<node><type>int</type><id>OnlyEnglish</id><text><en>Only English</en></text>"
          "<index>41</index><subIndex>0</subIndex><size>6</size><max>9</max></node>"
        + topNode("int", "Hidden", "<visible>false</visible>");
    QString rows;
    for (const char *row : {"Output 1|Ausgang 1", "Output 2|Ausgang 2", "Signal|Signal de",
                            "Value|Messwert"}) {
        const QStringList t = QString(row).split('|');
        rows += QStringLiteral("<row><id>R</id><text><en>%1</en><de>%2</de></text></row>")
                    .arg(t.at(0), t.at(1));
    }
    return document(nodes).replace("<guiCategory><default/>",
                                   "<guiCategory><default>" + rows + "</default>");
}

void changeLanguage(SensorWindow &window, const char *language,
                    QEvent::Type type = QEvent::LanguageChange)
{
    ExtensionSystem::Globals::setLanguage(language);
    QEvent change(type);
    QCoreApplication::sendEvent(&window, &change);
}

// Label of every parameter node below `node`, by id, in the language.
void collectLabels(const boost::property_tree::ptree &node, const std::string &language,
                   QMap<QString, QString> &labels)
{
    for (const auto &child : node) {
        if (child.first != "node" && child.first != "property")
            continue;
        const QString id = QString::fromStdString(child.second.get<std::string>("id", ""));
        if (!labels.contains(id))
            labels[id] = QString::fromStdString(
                OrvexSensorPlugin::Core::nodeLabel(child.second, language));
        collectLabels(child.second, language, labels);
    }
}

} // namespace

class TestLanguageChange : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ExtensionSystem::Globals::setLanguage("en"); }
    void relabelsTreeAndPanel();
    void realDescriptionRelabelsEveryParameter();
};

void TestLanguageChange::relabelsTreeAndPanel()
{
    ExtensionSystem::Globals::setLanguage("en");
    DescriptionFile file(languageDocument());
    auto window = openWindow();
    auto &s = Access::state(*window);
    const auto find = [&](const char *id) { return Access::find(*window, id); };
    QtProperty *hidden = s.intManager->properties().last();
    QCOMPARE(hidden->propertyId(), QStringLiteral("Hidden"));
    QCOMPARE(s.processDataItems.size(), 4);
    s.enumManager->setValue(find("Mode"), 2);
    s.stringManager->setValue(find("Typed"), QStringLiteral("typed by hand"));
    s.intManager->setValue(find("OnlyEnglish"), 5);
    Access::clearPendingWrite(*window);

    changeLanguage(*window, "de", QEvent::FontChange); // any other change relabels nothing
    QCOMPARE(find("Mode")->propertyName(), QStringLiteral("Mode en"));
    QCOMPARE(s.language, std::string("en"));

    changeLanguage(*window, "de");
    QCOMPARE(s.language, std::string("de"));
    QCOMPARE(find("Group")->propertyName(), QStringLiteral("Group de"));
    QCOMPARE(find("Mode")->propertyName(), QStringLiteral("Mode de"));
    QCOMPARE(s.enumManager->enumNames(find("Mode")), (QStringList{"eins", "zwei", "drei"}));
    QCOMPARE(s.enumManager->value(find("Mode")), 2);
    QCOMPARE(s.stringManager->value(find("Tag")), QStringLiteral("b-de"));
    QCOMPARE(Access::stringItems(*window).value("Tag"), (QStringList{"a-de", "b-de"}));
    QCOMPARE(s.stringManager->value(find("Typed")), QStringLiteral("typed by hand"));
    QCOMPARE(s.buttonManager->value(find("Teach")), QStringLiteral("Los"));
    QCOMPARE(find("OnlyEnglish")->propertyName(), QStringLiteral("Only English"));
    QCOMPARE(s.intManager->value(find("OnlyEnglish")), 5);
    QCOMPARE(hidden->propertyName(), QStringLiteral("Hidden en")); // cannot be found
    QStringList panel; // labels of the process-data rows, states of the first three
    for (QTreeWidgetItem *item : s.processDataItems)
        panel << item->text(0) + (panel.size() < 3 ? "|" + item->text(1) : QString());
    QCOMPARE(panel, (QStringList{"Ausgang 1     |Off", "Ausgang 2     |Off", "Signal de     |No",
                                 "Messwert     "}));
    // Relabelling changed values by program: nothing may be written for it.
    QVERIFY(!Access::languageChanging(*window));
    QVERIFY(!Access::writeDelayTimer(*window).isActive());
    QCOMPARE(Access::pendingProperty(*window), nullptr);

    changeLanguage(*window, "en");
    QCOMPARE(s.stringManager->value(find("Tag")), QStringLiteral("b-en"));
    QCOMPARE(find("Mode")->valueText(), QStringLiteral("three"));
    // Edits are taken again once the change is over.
    s.intManager->setValue(find("OnlyEnglish"), 6);
    QCOMPARE(Access::pendingProperty(*window), find("OnlyEnglish"));
}

void TestLanguageChange::realDescriptionRelabelsEveryParameter()
{
    ExtensionSystem::Globals::setLanguage("en");
    DescriptionFile file(realDescription());
    auto window = openWindow(realSensorName());
    const auto nodes = Access::description(*window).get_child_optional("document.treeGui.default");
    QVERIFY(nodes);
    const QList<QtProperty *> properties = Access::all(*window);
    QVERIFY(properties.size() > 20);
    auto &s = Access::state(*window);
    QtProperty *filter = Access::find(*window, "FilterSettings");
    QVERIFY(filter);
    s.enumManager->setValue(filter, 1);
    Access::clearPendingWrite(*window);

    for (const char *language : {"de", "en"}) {
        QMap<QString, QString> labels;
        collectLabels(*nodes, language, labels);
        changeLanguage(*window, language);
        for (QtProperty *property : properties) {
            QVERIFY2(labels.contains(property->propertyId()), qPrintable(property->propertyId()));
            QCOMPARE(property->propertyName(), labels.value(property->propertyId()));
        }
        QCOMPARE(s.enumManager->value(filter), 1);
        QCOMPARE(s.enumManager->enumNames(filter).value(0),
                 QString(language) == "de" ? QStringLiteral("Aus") : QStringLiteral("Off"));
        QVERIFY(!Access::writeDelayTimer(*window).isActive());
    }
}

QTEST_MAIN(TestLanguageChange)
#include "tst_languagechange.moc"
