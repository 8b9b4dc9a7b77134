#include "treetestaccess.h"

#include "tree/descriptionreader.h"

#include "extensionsystem/globals.h"

#include "qtboolpropertymanager.h"
#include "qtdoublepropertymanager.h"
#include "qtenumpropertymanager.h"
#include "qtgrouppropertymanager.h"
#include "qtintpropertymanager.h"
#include "qtstringpropertymanager.h"
#include "qttreepropertybrowser.h"

#include <QDockWidget>
#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using namespace TreeFixture;
using Access = SensorWindowTestAccess;

namespace {
QStringList ids(const QList<QtProperty *> &properties)
{
    QStringList result;
    for (QtProperty *property : properties)
        result << property->propertyId();
    return result;
}

QtProperty *find(SensorWindow &window, const char *id)
{
    return window.findPropertyById(Access::root(window), id);
}

const char *const pressureIds[] = {"ThresholdsPressure1A1", "ThresholdsPressure2A1",
                                   "ThresholdsPressure1A2", "ThresholdsPressure2A2",
                                   "analogPressure0V",      "analogPressure10V"};
} // namespace

class ParameterTreeTest : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void measuringRangeFromSensorList_data();
    void measuringRangeFromSensorList();
    void variantLimits_data();
    void variantLimits();
    void structureAndOrder();
    void hiddenNodesAreBuiltButUnreachable();
    void addresses_data();
    void addresses();
    void duplicateIds();
    void startValues_data();
    void startValues();
    void stringModes_data();
    void stringModes();
    void labelsInLanguage();
    void visibilityOfRows();
    void removeSubPropertiesDetachesEverything();
    void unusableFileLeavesTreeEmpty_data();
    void unusableFileLeavesTreeEmpty();
    void badNodesAreLoggedAndSkipped_data();
    void badNodesAreLoggedAndSkipped();
};

void ParameterTreeTest::init()
{
    ExtensionSystem::Globals::setLanguage("en");
}

void ParameterTreeTest::measuringRangeFromSensorList_data()
{
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("entryName");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("maxRange");

    QTest::newRow("decVal 10 gives 1 decimal")
        << "<max>400</max><decVal>10</decVal>" << sensorName() << 1 << 400.0;
    QTest::newRow("decVal 100 gives 2 decimals")
        << "<max>100</max><decVal>100</decVal>" << sensorName() << 2 << 100.0;
    QTest::newRow("decVal 100.5 gives 3 decimals")
        << "<max>6</max><decVal>100.5</decVal>" << sensorName() << 3 << 6.0;
    QTest::newRow("missing entry keeps 10 bar with 3 decimals")
        << "<max>100</max><decVal>100</decVal>" << "Other sensor" << 3 << 10.0;
    QTest::newRow("entry without max or decVal gives 0 and 3 decimals")
        << "" << sensorName() << 3 << 0.0;
}

void ParameterTreeTest::measuringRangeFromSensorList()
{
    QFETCH(QString, fields);
    QFETCH(QString, entryName);
    QFETCH(int, decimals);
    QFETCH(double, maxRange);

    const QString list = sensorEntry(entryName, fields, QString());
    DescriptionFile file(document(pressureParameters(), list));
    QVERIFY(file.isWritten());
    auto window = openWindow();
    QtDoublePropertyManager *doubles = Access::state(*window).doubleManager;

    QCOMPARE(Access::state(*window).maxRange, maxRange);
    const double shares[] = {0.5, 0.25, 0.5, 0.25};
    for (int i = 0; i < 6; ++i) {
        QtProperty *property = find(*window, pressureIds[i]);
        QVERIFY2(property, pressureIds[i]);
        QCOMPARE(doubles->decimals(property), decimals);
        QCOMPARE(doubles->maximum(property), maxRange);
        if (i < 4)
            QCOMPARE(doubles->value(property), maxRange * shares[i]);
    }
    QCOMPARE(doubles->value(find(*window, "analogPressure10V")), maxRange);
    QCOMPARE(doubles->value(find(*window, "analogPressure0V")), 0.0);
}

void ParameterTreeTest::variantLimits_data()
{
    QTest::addColumn<QString>("identification");
    QTest::addColumn<double>("maxRange");
    QTest::addColumn<double>("minRange");
    QTest::addColumn<double>("decVal");
    QTest::addColumn<int>("decimals");

    // The model entry says 10 bar, decVal 1000; the variants say otherwise.
    QTest::newRow("6 characters change nothing") << "FX0100" << 10.0 << -1.0 << 10.0 << 3;
    QTest::newRow("7 characters use the last three") << "FX01060" << 60.0 << 0.0 << 100.0 << 2;
    QTest::newRow("duplicate ID3: the first wins") << "FX01-G14-016" << 16.0 << 0.0 << 10.0 << 1;
    QTest::newRow("no matching variant keeps the range") << "FX01999" << 10.0 << -1.0 << 10.0
                                                         << 1;
    QTest::newRow("variant without floatVal gives decVal 0")
        << "FX01-002" << 2.5 << -1.0 << 0.0 << 3;
}

void ParameterTreeTest::variantLimits()
{
    QFETCH(QString, identification);
    QFETCH(double, maxRange);
    QFETCH(double, minRange);
    QFETCH(double, decVal);
    QFETCH(int, decimals);

    const QString variants = QStringLiteral(
        "<variant><ID3>060</ID3><maxRange>60</maxRange><minRange>0</minRange>"
        "<floatVal>100</floatVal></variant>"
        "<variant><ID3>016</ID3><maxRange>16</maxRange><minRange>0</minRange>"
        "<floatVal>10</floatVal></variant>"
        "<variant><ID3>016</ID3><maxRange>99</maxRange><minRange>5</minRange>"
        "<floatVal>100</floatVal></variant>"
        "<variant><ID3>002</ID3><maxRange>2.5</maxRange><minRange>-1</minRange></variant>");
    const QString list = sensorEntry(sensorName(), "<max>10</max><decVal>1000</decVal>",
                                     variants);
    DescriptionFile file(document(pressureParameters(), list));
    auto window = openWindow();
    SensorWindowState &state = Access::state(*window);

    // A divisor that differs from the model's shows whether the decimals were redone.
    state.decVal = 10.0;
    Access::identification(*window) = identification;
    window->applySensorVariantLimits();

    QCOMPARE(state.maxRange, maxRange);
    QCOMPARE(state.minRange, minRange);
    QCOMPARE(state.decVal, decVal);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(state.doubleManager->decimals(find(*window, pressureIds[i])), decimals);
}

void ParameterTreeTest::structureAndOrder()
{
    const QString tree =
        topNode("category", "General",
                node("int", "A", "<max>9</max>")
                    + node("category", "Sub", node("bool", "B") + node("double", "C"))
                    + "<property/>" + node("action", "D"))
        + topNode("enumerator", "E",
                  "<items><x><en>one</en></x><x><en>two</en></x></items>");
    DescriptionFile file(document(tree));
    auto window = openWindow();
    SensorWindowState &state = Access::state(*window);

    QCOMPARE(ids(window->collectSubProperties(Access::root(*window))),
             (QStringList{"General", "A", "Sub", "B", "C", "D", "E"}));
    QCOMPARE(Access::root(*window)->propertyId(), QStringLiteral("root"));
    QCOMPARE(Access::root(*window)->propertyName(), window->windowTitle());

    // Each kind lands with its manager; the empty <property/> produced nothing.
    QCOMPARE(find(*window, "General")->propertyManager(), state.groupManager);
    QCOMPARE(find(*window, "A")->propertyManager(), state.intManager);
    QCOMPARE(find(*window, "B")->propertyManager(), state.boolManager);
    QCOMPARE(find(*window, "C")->propertyManager(), state.doubleManager);
    QCOMPARE(find(*window, "E")->propertyManager(), state.enumManager);
    QCOMPARE(find(*window, "General")->subProperties().size(), 3);
    QCOMPARE(state.groupManager->properties().size(), 3); // root, General, Sub
    QCOMPARE(state.enumManager->enumNames(find(*window, "E")), (QStringList{"one", "two"}));
    QCOMPARE(state.intManager->maximum(find(*window, "A")), 9);

    // Only the root is a top-level row, and the tree sits in the left dock.
    QCOMPARE(window->browser()->topLevelItems().size(), 1);
    QCOMPARE(window->browser()->topLevelItems().first()->property(), Access::root(*window));
    QCOMPARE(state.propertyDock->widget(), window->browser());
    QCOMPARE(window->dockWidgetArea(state.propertyDock), Qt::LeftDockWidgetArea);
    QCOMPARE(state.propertyDock->minimumWidth(), 290);

    QVERIFY(!window->findPropertyById(Access::root(*window), "root"));
    QVERIFY(!window->findPropertyById(Access::root(*window), "a")); // case matters
    QVERIFY(!window->findPropertyById(nullptr, "A"));
}

void ParameterTreeTest::hiddenNodesAreBuiltButUnreachable()
{
    const QString tree =
        topNode("category", "Shown",
                node("int", "Hidden", "<visible>false</visible>"
                                      + node("int", "BelowHidden")
                                      + node("int", "HiddenBelowHidden",
                                             "<visible>no</visible>"))
                    + node("int", "Next"));
    DescriptionFile file(document(tree));
    auto window = openWindow();
    SensorWindowState &state = Access::state(*window);

    QVERIFY(find(*window, "Next"));
    QVERIFY(!find(*window, "Hidden"));
    QVERIFY(!find(*window, "BelowHidden"));
    QCOMPARE(state.hiddenParameterIds, (QStringList{"HiddenBelowHidden", "Hidden"}));
    QCOMPARE(ids(window->collectSubProperties(Access::root(*window))),
             (QStringList{"Shown", "Next"}));

    // Built all the same, with its subtree under the unattached property.
    QtProperty *hidden = nullptr;
    for (QtProperty *property : state.intManager->properties()) {
        if (property->propertyId() == QLatin1String("Hidden"))
            hidden = property;
    }
    QVERIFY(hidden);
    QVERIFY(hidden->parentProperties().isEmpty());
    QCOMPARE(ids(hidden->subProperties()), QStringList{"BelowHidden"});
    QVERIFY(Access::addresses(*window).contains("BelowHidden"));
    QVERIFY(Access::addresses(*window).contains("HiddenBelowHidden"));

    // Asking to show it does nothing: there is no row to show.
    window->setParameterVisible("Hidden", true);
    QVERIFY(!find(*window, "Hidden"));
}

void ParameterTreeTest::addresses_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("hasAddress");
    QTest::newRow("category has none") << "category" << false;
    QTest::newRow("action has one") << "action" << true;
    QTest::newRow("int has one") << "int" << true;
    QTest::newRow("bool has one") << "bool" << true;
    QTest::newRow("read-only string has one") << "string" << true;
}

void ParameterTreeTest::addresses()
{
    QFETCH(QString, type);
    QFETCH(bool, hasAddress);
    const QString address = "<index>0x10</index><subIndex> 2</subIndex><size>7</size>";
    const QString extra = type == "string" ? "<defaultvalue>x</defaultvalue>" : "";
    DescriptionFile file(document(
        node(type, "P", address + extra, "node", false)));
    auto window = openWindow();
    QVERIFY(find(*window, "P"));
    QCOMPARE(Access::addresses(*window).contains("P"), hasAddress);
    if (hasAddress) // the texts as they stand in the file
        QCOMPARE(Access::addresses(*window).value("P"), QStringLiteral("0x10; 2;7"));
}

void ParameterTreeTest::duplicateIds()
{
    DescriptionFile file(document(
        topNode("category", "G",
                node("int", "Twin", "<index>1</index><subIndex>0</subIndex><size>6</size>"
                                    "<max>5</max>", "property", false))
        + node("int", "Twin", "<index>2</index><subIndex>3</subIndex><size>7</size>"
                              "<max>9</max>", "node", false)));
    auto window = openWindow();
    QtProperty *found = find(*window, "Twin");
    QVERIFY(found);
    QCOMPARE(Access::state(*window).intManager->maximum(found), 5); // the earlier node
    QCOMPARE(Access::addresses(*window).value("Twin"), QStringLiteral("2;3;7")); // the later
    QCOMPARE(Access::state(*window).intManager->properties().size(), 2);
}

void ParameterTreeTest::startValues_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("double whole number 2 starts at 2.000")
        << "double" << "<max>10</max><defaultvalue>2</defaultvalue>" << QVariant(2.0);
    QTest::newRow("double 2.5 starts as if missing")
        << "double" << "<max>10</max><defaultvalue>2.5</defaultvalue>" << QVariant(0.0);
    QTest::newRow("double 2.5 as if missing, kept within its limits")
        << "double" << "<min>1</min><max>10</max><defaultvalue>2.5</defaultvalue>"
        << QVariant(1.0);
    QTest::newRow("double limits are decimal numbers")
        << "double" << "<min>0.5</min><max>1.5</max><defaultvalue>1</defaultvalue>"
        << QVariant(1.0);
    QTest::newRow("bool true is not a whole number")
        << "bool" << "<defaultvalue>true</defaultvalue>"
                                                     << QVariant(false);
    QTest::newRow("bool 1 starts true") << "bool" << "<defaultvalue>1</defaultvalue>"
                                        << QVariant(true);
    QTest::newRow("bool 5 starts true") << "bool" << "<defaultvalue>5</defaultvalue>"
                                        << QVariant(true);
    QTest::newRow("bool missing starts false") << "bool" << "" << QVariant(false);
    QTest::newRow("int within limits") << "int" << "<min>-5</min><max>50</max>"
                                                   "<defaultvalue>-3</defaultvalue>"
                                       << QVariant(-3);
    QTest::newRow("int 7.0 starts as if missing")
        << "int" << "<max>50</max><defaultvalue>7.0</defaultvalue>" << QVariant(0);
    QTest::newRow("enumerator selects its default index")
        << "enumerator" << "<defaultvalue>2</defaultvalue><items><a><en>a</en></a>"
                           "<b><en>b</en></b><c><en>c</en></c></items>"
        << QVariant(2);
}

void ParameterTreeTest::startValues()
{
    QFETCH(QString, type);
    QFETCH(QString, extra);
    QFETCH(QVariant, expected);
    DescriptionFile file(document(topNode(type, "P", extra)));
    auto window = openWindow();
    SensorWindowState &state = Access::state(*window);
    QtProperty *property = find(*window, "P");
    QVERIFY(property);
    if (type == "double") {
        QCOMPARE(state.doubleManager->value(property), expected.toDouble());
        QCOMPARE(state.doubleManager->decimals(property), 3);
    } else if (type == "bool") {
        QCOMPARE(state.boolManager->value(property), expected.toBool());
    } else if (type == "int") {
        QCOMPARE(state.intManager->value(property), expected.toInt());
    } else {
        QCOMPARE(state.enumManager->value(property), expected.toInt());
    }
}

void ParameterTreeTest::stringModes_data()
{
    QTest::addColumn<QString>("readonly");
    QTest::addColumn<bool>("marked");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("without readonly: marked yet enabled") << "" << true << true;
    QTest::newRow("readonly true: marked and disabled")
        << "<readonly>true</readonly>" << true << false;
    QTest::newRow("readonly false: editable with its choices")
        << "<readonly>false</readonly>" << false << true;
}

void ParameterTreeTest::stringModes()
{
    QFETCH(QString, readonly);
    QFETCH(bool, marked);
    QFETCH(bool, enabled);
    const QString items = "<items><a><en>Left</en></a><b><en>Right</en></b></items>";
    DescriptionFile file(
        document(topNode("string", "S", readonly + "<defaultvalue>***</defaultvalue>" + items)));
    auto window = openWindow();
    QtProperty *property = find(*window, "S");
    QVERIFY(property);
    QCOMPARE(Access::state(*window).stringManager->value(property), QStringLiteral("***"));
    QCOMPARE(property->statusTip() == QLatin1String("readOnly"), marked);
    QCOMPARE(property->isEnabled(), enabled);
    QCOMPARE(Access::stringItems(*window).contains("S"), !marked);
    if (!marked)
        QCOMPARE(Access::stringItems(*window).value("S"), (QStringList{"Left", "Right"}));
}

void ParameterTreeTest::labelsInLanguage()
{
    ExtensionSystem::Globals::setLanguage("de");
    const QString tree =
        topNode("enumerator", "E",
                "<items><a><en>one</en><de>eins</de></a><b><en>two</en><de></de></b></items>")
        + "<node><type>int</type><id>OnlyEnglish</id><text><en>English</en></text>"
          "<index>1</index><subIndex>0</subIndex><size>6</size></node>"
        + topNode("action", "Go", "<caption><text><en>Start</en><de>Los</de></text></caption>");
    DescriptionFile file(document(tree));
    auto window = openWindow();
    SensorWindowState &state = Access::state(*window);
    QCOMPARE(find(*window, "E")->propertyName(), QStringLiteral("E de"));
    QCOMPARE(state.enumManager->enumNames(find(*window, "E")), (QStringList{"eins", "two"}));
    QCOMPARE(find(*window, "OnlyEnglish")->propertyName(), QStringLiteral("English"));
    QCOMPARE(find(*window, "Go")->propertyName(), QStringLiteral("Go de"));
    QCOMPARE(find(*window, "Go")->valueText(), QStringLiteral("Los"));
}

void ParameterTreeTest::visibilityOfRows()
{
    const QString tree = topNode("category", "G", node("int", "A") + node("int", "B"));
    DescriptionFile file(document(tree));
    auto window = openWindow();

    QVERIFY(window->isParameterVisible("A"));
    window->setParameterVisible("A", false);
    QVERIFY(!window->isParameterVisible("A"));
    QVERIFY(window->isParameterVisible("B"));
    // An unknown id repeats the previous answer.
    window->setParameterVisible("A", false);
    QVERIFY(!window->isParameterVisible("A"));
    QVERIFY(!window->isParameterVisible("Unknown"));
    window->setParameterVisible("A", true);
    QVERIFY(window->isParameterVisible("A"));
    QVERIFY(window->isParameterVisible("Unknown"));
    // Hiding a row does not detach the property: it is still found.
    window->setParameterVisible("G", false);
    QVERIFY(find(*window, "A"));
    QVERIFY(!window->isParameterVisible("G"));
}

void ParameterTreeTest::removeSubPropertiesDetachesEverything()
{
    const QString tree = topNode("category", "G", node("category", "H", node("int", "A")))
                         + topNode("int", "B");
    DescriptionFile file(document(tree));
    auto window = openWindow();
    QtProperty *h = find(*window, "H");
    QVERIFY(h);

    Access::removeSubProperties(*window, Access::root(*window));
    QVERIFY(Access::root(*window)->subProperties().isEmpty());
    QVERIFY(h->subProperties().isEmpty());
    QVERIFY(!find(*window, "B"));
    QCOMPARE(window->browser()->topLevelItems().first()->children().size(), 0);
    // Detached, never deleted.
    QCOMPARE(Access::state(*window).intManager->properties().size(), 2);
    QCOMPARE(h->propertyId(), QStringLiteral("H"));
}

void ParameterTreeTest::unusableFileLeavesTreeEmpty_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("malformed") << document(topNode("int", "A")).toUtf8().left(300);
    QTest::newRow("no treeGui section")
        << QByteArray("<document><documentId>IoLinkZT4Kfamily</documentId></document>");
    QTest::newRow("nested deeper than any description")
        << document(QString("<a>").repeated(400) + QString("</a>").repeated(400)).toUtf8();
    QTest::newRow("no file") << QByteArray();
}

void ParameterTreeTest::unusableFileLeavesTreeEmpty()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    if (!content.isEmpty()) {
        QFile out(dir.filePath("IoLinkZT4Kfamily.xml"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
    }
    setPluginFileDirectory(dir.path());
    auto window = openWindow();
    setPluginFileDirectory(QString());

    SensorWindowState &state = Access::state(*window);
    QVERIFY(Access::root(*window));
    QVERIFY(Access::root(*window)->subProperties().isEmpty());
    QVERIFY(window->browser()->topLevelItems().isEmpty());
    QVERIFY(Access::addresses(*window).isEmpty());
    QCOMPARE(state.maxRange, 10.0); // the range limits did not run
    QCOMPARE(state.decVal, 1000.0);
    QVERIFY(!window->findPropertyById(Access::root(*window), "A"));
}

void ParameterTreeTest::badNodesAreLoggedAndSkipped_data()
{
    QTest::addColumn<QString>("badNode");
    QTest::addColumn<QString>("logged");

    const QString items = "<items><a><en>x</en></a><b><fr>y</fr></b></items>";
    QTest::newRow("unknown type")
        << node("float", "Bad", "", "node") << "\"Bad\" left out: unknown type \"float\"";
    QTest::newRow("no type")
        << "<node><id>Bad</id><index>1</index><subIndex>0</subIndex><size>6</size></node>"
        << "\"Bad\" left out: unknown type \"\"";
    QTest::newRow("int without size")
        << node("int", "Bad", "<index>1</index><subIndex>0</subIndex>", "node", false)
        << "\"Bad\" left out: no size";
    QTest::newRow("action without index")
        << node("action", "Bad", "<subIndex>0</subIndex><size>6</size>", "node", false)
        << "\"Bad\" left out: no index";
    QTest::newRow("string without defaultvalue")
        << node("string", "Bad", "<readonly>true</readonly>", "node")
        << "\"Bad\" left out: string without defaultvalue";
    QTest::newRow("enumerator choice without language or en")
        << node("enumerator", "Bad", items, "node")
        << "\"Bad\" left out: choice 1 has no \"en\" text";
    QTest::newRow("editable string choice without language or en")
        << node("string", "Bad", "<readonly>false</readonly><defaultvalue/>" + items, "node")
        << "\"Bad\" left out: choice 1 has no \"en\" text";
}

void ParameterTreeTest::badNodesAreLoggedAndSkipped()
{
    QFETCH(QString, badNode);
    QFETCH(QString, logged);

    // The bad node carries a good child, which goes with it.
    badNode.insert(badNode.lastIndexOf("</node>"), node("int", "ChildOfBad"));
    const QString tree = topNode("int", "Before") + badNode + topNode("int", "After");
    DescriptionFile file(document(tree));

    QStringList messages;
    static QStringList *sink = nullptr;
    sink = &messages;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context,
                                  const QString &text) {
            if (type == QtWarningMsg && qstrcmp(context.category, "iolink.description") == 0)
                sink->append(text);
        });
    auto window = openWindow();
    qInstallMessageHandler(previous);

    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(logged), qPrintable(messages.first()));
    QCOMPARE(ids(window->collectSubProperties(Access::root(*window))),
             (QStringList{"Before", "After"}));
    QVERIFY(!Access::addresses(*window).contains("Bad"));
    QVERIFY(!Access::addresses(*window).contains("ChildOfBad"));
    QCOMPARE(Access::state(*window).intManager->properties().size(), 2);
    QVERIFY(Access::state(*window).stringManager->properties().isEmpty());
    QVERIFY(Access::state(*window).enumManager->properties().isEmpty());
}

QTEST_MAIN(ParameterTreeTest)
#include "tst_parametertree.moc"
