#include "treetestaccess.h"

#include "plugin/catalogue.h"
#include "tree/descriptionreader.h"

#include "extensionsystem/globals.h"

#include "qtpropertymanager.h"
#include "qttreepropertybrowser.h"

#include <QDockWidget>
#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using namespace TreeFixture;
namespace pt = boost::property_tree;

namespace {
QStringList ids(const QList<QtProperty *> &properties)
{
    QStringList result;
    for (QtProperty *property : properties)
        result << property->propertyId();
    return result;
}

QStringList shownIds(SensorWindow &window) { return ids(Access::all(window)); }

QtProperty *find(SensorWindow &window, const char *id) { return Access::find(window, id); }

const char *const pressureIds[] = {"ThresholdsPressure1A1", "ThresholdsPressure2A1",
                                   "ThresholdsPressure1A2", "ThresholdsPressure2A2",
                                   "analogPressure0V",      "analogPressure10V"};

// Ids of the shown nodes in pre-order, and of every node with an address.
void walk(const pt::ptree &node, bool parentShown, QStringList &shown, QStringList &addressed)
{
    if (node.empty())
        return;
    const QString id = QString::fromStdString(node.get<std::string>("id", ""));
    const bool visible = parentShown && isNodeVisible(node);
    if (visible)
        shown << id;
    if (node.get<std::string>("type", "") != "category" && !addressed.contains(id))
        addressed << id;
    for (const auto &child : node) {
        if (child.first == "property")
            walk(child.second, visible, shown, addressed);
    }
}
} // namespace

class ParameterTreeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void parameterKinds_data();
    void parameterKinds();
    void structureAndLookup();
    void rowVisibilityAndRemoval();
    void measuringRange_data();
    void measuringRange();
    void variantLimits_data();
    void variantLimits();
    void badNodeLeftOutWithItsChildren_data();
    void badNodeLeftOutWithItsChildren();
    void unusableFileLeavesTreeEmpty_data();
    void unusableFileLeavesTreeEmpty();
    void realDescriptionForEverySensor_data();
    void realDescriptionForEverySensor();
};

void ParameterTreeTest::initTestCase()
{
    QLocale::setDefault(QLocale::c());
    ExtensionSystem::Globals::setLanguage("de");
}

// One node of each kind at the address 0x10; 2;7, read in German.
void ParameterTreeTest::parameterKinds_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QString>("shown"); // value text in the tree
    QTest::addColumn<bool>("enabled");
    const QString abc = "<items><a><en>a</en></a><b><en>b</en><de>B</de></b><c><en>c</en></c>"
                        "</items>";
    QTest::newRow("int within its limits")
        << "int" << "<min>-5</min><max>50</max><defaultvalue>-3</defaultvalue>" << "-3" << true;
    QTest::newRow("int clipped to its maximum") << "int" << "<max>5</max><defaultvalue>7</defaultvalue>"
                                                << "5" << true;
    QTest::newRow("int 7.0 starts as if missing")
        << "int" << "<max>50</max><defaultvalue>7.0</defaultvalue>" << "0" << true;
    QTest::newRow("double whole default with 3 decimals")
        << "double" << "<max>10</max><defaultvalue>2</defaultvalue>" << "2.000" << true;
    QTest::newRow("double 2.5 as if missing, kept within its limits")
        << "double" << "<min>1</min><max>10</max><defaultvalue>2.5</defaultvalue>" << "1.000"
        << true;
    QTest::newRow("double limits are decimal numbers")
        << "double" << "<min>0.5</min><max>1.5</max><defaultvalue>2</defaultvalue>" << "1.500"
        << true;
    QTest::newRow("bool 5 starts true") << "bool" << "<defaultvalue>5</defaultvalue>" << "True"
                                        << true;
    QTest::newRow("bool true is no whole number") << "bool" << "<defaultvalue>true</defaultvalue>"
                                                  << "False" << true;
    QTest::newRow("enumerator at its default index, German")
        << "enumerator" << "<defaultvalue>1</defaultvalue>" + abc << "B" << true;
    QTest::newRow("read-only enumerator is disabled")
        << "enumerator" << "<readonly>true</readonly>" + abc << "a" << false;
    QTest::newRow("action shows its caption")
        << "action" << "<caption><text><en>Start</en><de>Los</de></text></caption>" << "Los"
        << true;
    QTest::newRow("string without readonly: marked yet enabled")
        << "string" << "<defaultvalue>***</defaultvalue>" << "***" << true;
    QTest::newRow("string readonly true: marked and disabled")
        << "string" << "<readonly>true</readonly><defaultvalue>s</defaultvalue>" << "s" << false;
    QTest::newRow("string readonly false: editable, with its choices")
        << "string" << "<readonly>false</readonly><defaultvalue>a</defaultvalue>" + abc << "a"
        << true;
}

void ParameterTreeTest::parameterKinds()
{
    QFETCH(QString, type);
    QFETCH(QString, extra);
    QFETCH(QString, shown);
    QFETCH(bool, enabled);
    const QString address = "<index>0x10</index><subIndex> 2</subIndex><size>7</size>";
    DescriptionFile file(document(node(type, "P", address + extra, "node", false)));
    auto window = openWindow();
    QtProperty *property = find(*window, "P");
    QVERIFY(property);
    QCOMPARE(property->propertyName(), QStringLiteral("P de"));
    QCOMPARE(property->valueText(), shown);
    QCOMPARE(property->isEnabled(), enabled);
    QCOMPARE(Access::addresses(*window).keys(), QStringList{"P"});
    QCOMPARE(Access::addresses(*window).value("P"), QStringLiteral("0x10; 2;7"));
    const bool marked = type == "string" && !extra.contains("false");
    QCOMPARE(property->statusTip() == "readOnly", marked);
    const QStringList choices = Access::stringItems(*window).value("P");
    QCOMPARE(choices, type == "string" && !marked ? QStringList({"a", "B", "c"}) : QStringList());
}

void ParameterTreeTest::structureAndLookup()
{
    const QString tree =
        topNode("category", "General",
                node("int", "AB") + node("int", "A", "<max>9</max>")
                    + node("category", "Sub", node("bool", "B") + node("double", "C"))
                    + "<property/>"
                    + node("int", "Hidden", "<visible>false</visible>" + node("int", "Below")
                                                + node("int", "Hidden2", "<visible>no</visible>")))
        + node("int", "A", "<index>2</index><subIndex>3</subIndex><size>7</size>", "node", false);
    DescriptionFile file(document(tree));
    auto window = openWindow();
    SensorWindowState &state = Access::state(*window);
    QtProperty *root = Access::root(*window);

    // The empty <property/> gave nothing; hidden subtrees are not shown.
    QCOMPARE(shownIds(*window), (QStringList{"General", "AB", "A", "Sub", "B", "C", "A"}));
    QCOMPARE(root->propertyName(), QStringLiteral("Fixture sensor (Offline)"));
    QCOMPARE(window->browser()->topLevelItems().size(), 1);
    QCOMPARE(window->browser()->topLevelItems().first()->property(), root);
    QCOMPARE(window->dockWidgetArea(state.propertyDock), Qt::LeftDockWidgetArea);

    // Lookup: exact id, case matters, the earlier of two twins; the later one's address wins.
    QCOMPARE(find(*window, "A")->valueText(), QStringLiteral("0"));
    QCOMPARE(state.intManager->maximum(find(*window, "A")), 9);
    QCOMPARE(find(*window, "AB")->propertyId(), QStringLiteral("AB"));
    QVERIFY(!find(*window, "a") && !find(*window, "root") && !find(*window, "Below"));
    QVERIFY(!window->findPropertyById(nullptr, "A"));
    QCOMPARE(Access::addresses(*window).value("A"), QStringLiteral("2;3;7"));
    QVERIFY(!Access::addresses(*window).contains("General"));

    // A hidden node is built, unattached, with its subtree; asking to show it does nothing.
    QCOMPARE(state.hiddenParameterIds, (QStringList{"Hidden2", "Hidden"}));
    QtProperty *hidden = nullptr;
    for (QtProperty *property : state.intManager->properties()) {
        if (property->propertyId() == QLatin1String("Hidden"))
            hidden = property;
    }
    QVERIFY(hidden && hidden->parentProperties().isEmpty());
    QCOMPARE(ids(hidden->subProperties()), QStringList{"Below"});
    QCOMPARE(Access::addresses(*window).value("Hidden2"), QStringLiteral("40;0;6"));
    window->setParameterVisible("Hidden", true);
    QVERIFY(!find(*window, "Hidden"));
}

void ParameterTreeTest::rowVisibilityAndRemoval()
{
    DescriptionFile file(document(topNode("category", "G", node("int", "A") + node("int", "B"))
                                  + topNode("int", "C")));
    auto window = openWindow();
    QVERIFY(window->isParameterVisible("A"));
    window->setParameterVisible("A", false);
    QVERIFY(!window->isParameterVisible("A"));
    QVERIFY(window->isParameterVisible("B"));
    QVERIFY(window->isParameterVisible("Unknown")); // an unknown id repeats the last answer
    window->setParameterVisible("G", false);
    QVERIFY(!window->isParameterVisible("G"));
    QVERIFY(!window->isParameterVisible("Unknown"));
    QVERIFY(find(*window, "A")); // a hidden row keeps its property
    window->setParameterVisible("G", true);
    QVERIFY(window->isParameterVisible("G") && !window->isParameterVisible("A"));

    // Removal detaches the whole tree without deleting anything.
    QtProperty *g = find(*window, "G");
    Access::removeSubProperties(*window, Access::root(*window));
    QVERIFY(Access::root(*window)->subProperties().isEmpty());
    QVERIFY(g->subProperties().isEmpty());
    QCOMPARE(window->browser()->topLevelItems().first()->children().size(), 0);
    QCOMPARE(Access::state(*window).intManager->properties().size(), 3);
}

void ParameterTreeTest::measuringRange_data()
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
    QTest::newRow("no entry of this name keeps 10 bar with 3 decimals")
        << "<max>100</max><decVal>100</decVal>" << "Other sensor" << 3 << 10.0;
    QTest::newRow("entry without max or decVal gives 0 and 3 decimals")
        << "" << sensorName() << 3 << 0.0;
}

void ParameterTreeTest::measuringRange()
{
    QFETCH(QString, fields);
    QFETCH(QString, entryName);
    QFETCH(int, decimals);
    QFETCH(double, maxRange);
    DescriptionFile file(document(pressureParameters(), sensorEntry(entryName, fields)));
    auto window = openWindow();
    QtDoublePropertyManager *doubles = Access::state(*window).doubleManager;
    QCOMPARE(Access::state(*window).maxRange, maxRange);
    // Thresholds start at half and a quarter of the range, the analog points span it.
    const double starts[] = {0.5, 0.25, 0.5, 0.25, 0.0, 1.0};
    for (int i = 0; i < 6; ++i) {
        QtProperty *property = find(*window, pressureIds[i]);
        QVERIFY2(property, pressureIds[i]);
        QCOMPARE(doubles->decimals(property), decimals);
        QCOMPARE(doubles->maximum(property), maxRange);
        QCOMPARE(doubles->value(property), maxRange * starts[i]);
    }
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
    QTest::newRow("no matching variant keeps the range")
        << "FX01999" << 10.0 << -1.0 << 10.0 << 1;
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
    const QString variants =
        "<v><ID3>060</ID3><maxRange>60</maxRange><minRange>0</minRange><floatVal>100</floatVal></v>"
        "<v><ID3>016</ID3><maxRange>16</maxRange><minRange>0</minRange><floatVal>10</floatVal></v>"
        "<v><ID3>016</ID3><maxRange>99</maxRange><minRange>5</minRange><floatVal>100</floatVal></v>"
        "<v><ID3>002</ID3><maxRange>2.5</maxRange><minRange>-1</minRange></v>";
    DescriptionFile file(document(
        pressureParameters(),
        sensorEntry(sensorName(), "<max>10</max><decVal>1000</decVal>", variants)));
    auto window = openWindow();
    SensorWindowState &state = Access::state(*window);
    state.decVal = 10.0; // differs from the model's: shows whether the decimals were redone
    Access::identification(*window) = identification;
    window->applySensorVariantLimits();
    QCOMPARE(state.maxRange, maxRange);
    QCOMPARE(state.minRange, minRange);
    QCOMPARE(state.decVal, decVal);
    for (int i = 0; i < 6; ++i) // the analog points keep theirs
        QCOMPARE(state.doubleManager->decimals(find(*window, pressureIds[i])), i < 4 ? decimals : 3);
}

void ParameterTreeTest::badNodeLeftOutWithItsChildren_data()
{
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QString>("logged");
    QTest::newRow("unknown type") << "<type>float</type>" << "unknown type \"float\"";
    QTest::newRow("enumerator choice without German or English text")
        << "<type>enumerator</type><items><a><en>x</en></a><b><fr>y</fr></b></items>"
        << "choice 1 has no \"de\" text nor an \"en\" one";
}

void ParameterTreeTest::badNodeLeftOutWithItsChildren()
{
    QFETCH(QString, extra);
    QFETCH(QString, logged);
    const QString bad = "<node><id>Bad</id><index>1</index><subIndex>0</subIndex><size>6</size>"
                        + extra + node("int", "ChildOfBad") + "</node>";
    DescriptionFile file(document(topNode("int", "Before") + bad + topNode("int", "After")));
    std::unique_ptr<SensorWindow> window;
    const QStringList warnings = descriptionWarnings([&] { window = openWindow(); });
    QCOMPARE(warnings, QStringList{"Parameter \"Bad\" left out: " + logged});
    QCOMPARE(shownIds(*window), (QStringList{"Before", "After"}));
    QCOMPARE(Access::addresses(*window).keys(), (QStringList{"After", "Before"}));
    QCOMPARE(Access::state(*window).intManager->properties().size(), 2);
}

void ParameterTreeTest::unusableFileLeavesTreeEmpty_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("malformed") << document(topNode("int", "A")).toUtf8().left(300);
    QTest::newRow("no treeGui section")
        << QByteArray("<document><sensorList><sensor><name>Fixture sensor</name><max>99</max>"
                      "</sensor></sensorList></document>");
}

void ParameterTreeTest::unusableFileLeavesTreeEmpty()
{
    QFETCH(QByteArray, content);
    DescriptionFile file(content);
    auto window = openWindow();
    QVERIFY(Access::root(*window)->subProperties().isEmpty());
    QVERIFY(window->browser()->topLevelItems().isEmpty());
    QVERIFY(Access::addresses(*window).isEmpty());
    QCOMPARE(Access::state(*window).maxRange, 10.0); // the sensor list was not read
}

void ParameterTreeTest::realDescriptionForEverySensor_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("language");
    DescriptionFile file(realDescription());
    const auto sensors = readSensorList();
    QVERIFY(sensors.size() >= 3);
    for (const auto &sensor : sensors) {
        for (const char *language : {"en", "de"})
            QTest::addRow("%s, %s", sensor.name().c_str(), language)
                << QString::fromStdString(sensor.name()) << language;
    }
}

void ParameterTreeTest::realDescriptionForEverySensor()
{
    QFETCH(QString, name);
    QFETCH(QString, language);
    DescriptionFile file(realDescription());
    ExtensionSystem::Globals::setLanguage(language.toStdString());
    std::unique_ptr<SensorWindow> window;
    const QStringList warnings =
        descriptionWarnings([&] { window = openWindow(name.toUtf8().constData()); });
    ExtensionSystem::Globals::setLanguage("de");
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));

    QStringList expected, addressed;
    for (const auto &node : Access::description(*window).get_child("document.treeGui.default"))
        walk(node.second, true, expected, addressed);
    QVERIFY(expected.size() > 30);
    QCOMPARE(shownIds(*window), expected);
    QCOMPARE(Access::addresses(*window).size(), addressed.size());
    for (QtProperty *property : Access::all(*window)) {
        QVERIFY2(!property->propertyName().isEmpty(), qPrintable(property->propertyId()));
        QCOMPARE(Access::find(*window, property->propertyId()), property);
    }
    // The model's measuring range reached the thresholds.
    const SensorWindowState &state = Access::state(*window);
    QVERIFY(state.maxRange >= 10.0);
    QCOMPARE(state.doubleManager->maximum(find(*window, "ThresholdsPressure1A1")), state.maxRange);
}

QTEST_MAIN(ParameterTreeTest)
#include "tst_parametertree.moc"
