#include "treetestaccess.h"

#include "tree/descriptionreader.h"

#include "extensionsystem/globals.h"
#include "utils/buttonmanager.h"

#include "qtenumpropertymanager.h"
#include "qtintpropertymanager.h"
#include "qtproperty.h"
#include "qtstringpropertymanager.h"

#include <QEvent>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <QtTest>

using OrvexSensorPlugin::Core::SensorWindow;
using Access = OrvexSensorPlugin::Core::SensorWindowTestAccess;

namespace {

QString processRow(const QString &id, const QString &en, const QString &de)
{
    return QStringLiteral("<row visible=\"true\"><id>%1</id><text><en>%2</en><de>%3</de></text>"
                          "<visible>true</visible></row>")
        .arg(id, en, de);
}

QString languageDocument()
{
    using namespace TreeFixture;
    const QString choices = QStringLiteral(
        "<items><i><en>one</en><de>eins</de></i><i><en>two</en><de>zwei</de></i>"
        "<i><en>three</en><de>drei</de></i></items>");
    const QString stringChoices = QStringLiteral(
        "<items><i><en>a-en</en><de>a-de</de></i><i><en>b-en</en><de>b-de</de></i></items>");
    QString nodes;
    nodes += node(QStringLiteral("category"), QStringLiteral("Group"),
                  node(QStringLiteral("enumerator"), QStringLiteral("Mode"),
                       QStringLiteral("<defaultvalue>0</defaultvalue>") + choices)
                      + node(QStringLiteral("string"), QStringLiteral("Tag"),
                             QStringLiteral("<readonly>false</readonly>"
                                            "<defaultvalue>b-en</defaultvalue>")
                                 + stringChoices)
                      + node(QStringLiteral("string"), QStringLiteral("Typed"),
                             QStringLiteral("<readonly>false</readonly>"
                                            "<defaultvalue>a-en</defaultvalue>")
                                 + stringChoices)
                      + node(QStringLiteral("action"), QStringLiteral("Teach"),
                             QStringLiteral("<caption><text><en>Go</en><de>Los</de></text>"
                                            "</caption>")),
                  QStringLiteral("node"));
    nodes += QStringLiteral("<node><type>int</type><id>OnlyEnglish</id>"
                            "<text><en>Only English</en></text>"
                            "<index>41</index><subIndex>0</subIndex><size>6</size>"
                            "<min>0</min><max>9</max><defaultvalue>3</defaultvalue></node>");
    nodes += topNode(QStringLiteral("int"), QStringLiteral("Hidden"),
                     QStringLiteral("<visible>false</visible><min>0</min><max>9</max>"));
    QString text = document(nodes);
    text.replace(QStringLiteral("<guiCategory><default/></guiCategory>"),
                 QStringLiteral("<guiCategory><default>%1%2%3%4</default></guiCategory>")
                     .arg(processRow("OutputA1", "Output 1", "Ausgang 1"),
                          processRow("OutputA2", "Output 2", "Ausgang 2"),
                          processRow("Signal", "Signal", "Signalqualitaet"),
                          processRow("Value", "Value", "Messwert")));
    return text;
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

QtProperty *propertyOf(QtAbstractPropertyManager *manager, const QString &id)
{
    const auto properties = manager->properties();
    for (QtProperty *property : properties) {
        if (property->propertyId() == id)
            return property;
    }
    return nullptr;
}

} // namespace

class TestLanguageChange : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ExtensionSystem::Globals::setLanguage("en"); }
    void relabelsTreeAndPanel();
    void otherEventsRelabelNothing();
    void realDescriptionRelabelsEveryParameter();
};

void TestLanguageChange::relabelsTreeAndPanel()
{
    ExtensionSystem::Globals::setLanguage("en");
    TreeFixture::DescriptionFile file(languageDocument());
    QVERIFY(file.isWritten());
    auto window = TreeFixture::openWindow();
    auto &s = Access::state(*window);
    QtProperty *root = Access::root(*window);
    QtProperty *mode = window->findPropertyById(root, "Mode");
    QtProperty *tag = window->findPropertyById(root, "Tag");
    QtProperty *typed = window->findPropertyById(root, "Typed");
    QtProperty *teach = window->findPropertyById(root, "Teach");
    QtProperty *onlyEnglish = window->findPropertyById(root, "OnlyEnglish");
    QtProperty *group = window->findPropertyById(root, "Group");
    QtProperty *hidden = propertyOf(s.intManager, QStringLiteral("Hidden"));
    QVERIFY(mode && tag && typed && teach && onlyEnglish && group && hidden);
    QCOMPARE(s.processDataItems.size(), 4);
    QCOMPARE(s.processDataItems.at(2)->text(1), QStringLiteral("OK"));

    s.enumManager->setValue(mode, 2);
    s.stringManager->setValue(typed, QStringLiteral("typed by hand"));
    s.intManager->setValue(onlyEnglish, 5);
    Access::clearPendingWrite(*window);

    ExtensionSystem::Globals::setLanguage("de");
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(window.get(), &change);

    QCOMPARE(s.language, std::string("de"));
    QCOMPARE(group->propertyName(), QStringLiteral("Group de"));
    QCOMPARE(mode->propertyName(), QStringLiteral("Mode de"));
    QCOMPARE(s.enumManager->enumNames(mode), (QStringList{"eins", "zwei", "drei"}));
    QCOMPARE(s.enumManager->value(mode), 2);
    QCOMPARE(s.stringManager->value(tag), QStringLiteral("b-de"));
    QCOMPARE(Access::stringItems(*window).value("Tag"), (QStringList{"a-de", "b-de"}));
    QCOMPARE(s.stringManager->value(typed), QStringLiteral("typed by hand"));
    QCOMPARE(s.buttonManager->value(teach), QStringLiteral("Los"));
    QCOMPARE(onlyEnglish->propertyName(), QStringLiteral("Only English"));
    QCOMPARE(s.intManager->value(onlyEnglish), 5);
    QCOMPARE(hidden->propertyName(), QStringLiteral("Hidden en"));

    QCOMPARE(s.processDataItems.at(0)->text(0), QStringLiteral("Ausgang 1     "));
    QCOMPARE(s.processDataItems.at(3)->text(0), QStringLiteral("Messwert     "));
    QCOMPARE(s.processDataItems.at(0)->text(1), QStringLiteral("Off"));
    QCOMPARE(s.processDataItems.at(1)->text(1), QStringLiteral("Off"));
    QCOMPARE(s.processDataItems.at(2)->text(1), QStringLiteral("No"));

    // Relabelling changed values by program: nothing may be written for it.
    QVERIFY(!Access::languageChanging(*window));
    QVERIFY(!Access::writeDelayTimer(*window).isActive());
    QCOMPARE(Access::pendingProperty(*window), nullptr);
}

void TestLanguageChange::otherEventsRelabelNothing()
{
    ExtensionSystem::Globals::setLanguage("en");
    TreeFixture::DescriptionFile file(languageDocument());
    QVERIFY(file.isWritten());
    auto window = TreeFixture::openWindow();
    QtProperty *mode = window->findPropertyById(Access::root(*window), "Mode");
    QVERIFY(mode);

    ExtensionSystem::Globals::setLanguage("de");
    QEvent other(QEvent::FontChange);
    QCoreApplication::sendEvent(window.get(), &other);
    QCOMPARE(mode->propertyName(), QStringLiteral("Mode en"));
    QCOMPARE(Access::state(*window).language, std::string("en"));
}

void TestLanguageChange::realDescriptionRelabelsEveryParameter()
{
    ExtensionSystem::Globals::setLanguage("en");
    QFile real(qEnvironmentVariable("TEST_SOURCE_DIR")
               + QStringLiteral("/data/IoLinkZT4Kfamily.xml"));
    QVERIFY(real.open(QIODevice::ReadOnly));
    TreeFixture::DescriptionFile file(real.readAll());
    QVERIFY(file.isWritten());
    auto window = TreeFixture::openWindow("ZT4K-010 -1...10 bar");
    const auto nodes =
        Access::description(*window).get_child_optional("document.treeGui.default");
    QVERIFY(nodes);
    const QList<QtProperty *> properties = window->collectSubProperties(Access::root(*window));
    QVERIFY(properties.size() > 20);
    auto &s = Access::state(*window);
    QtProperty *filter = window->findPropertyById(Access::root(*window), "FilterSettings");
    QVERIFY(filter);
    s.enumManager->setValue(filter, 1);
    Access::clearPendingWrite(*window);

    for (const char *language : {"de", "en"}) {
        QMap<QString, QString> labels;
        collectLabels(*nodes, language, labels);
        ExtensionSystem::Globals::setLanguage(language);
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(window.get(), &change);
        for (QtProperty *property : properties) {
            QVERIFY2(labels.contains(property->propertyId()), qPrintable(property->propertyId()));
            QCOMPARE(property->propertyName(), labels.value(property->propertyId()));
        }
        QCOMPARE(s.enumManager->value(filter), 1);
        QCOMPARE(s.enumManager->enumNames(filter).value(0),
                 std::string(language) == "de" ? QStringLiteral("Aus") : QStringLiteral("Off"));
        QVERIFY(!Access::writeDelayTimer(*window).isActive());
    }
}

QTEST_MAIN(TestLanguageChange)
#include "tst_languagechange.moc"
