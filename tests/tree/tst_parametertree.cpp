// The window's parameter tree: built, edited, re-expressed in another unit, relabelled.
#include "common/windowaccess.h"

#include "plugin/pluginpaths.h"
#include "tree/descriptionreader.h"

#include "extensionsystem/globals.h"
#include "extensionsystem/sensorbasic.h"
#include "utils/buttonmanager.h"

#include "propertybrowser/qtpropertymanager.h"
#include "propertybrowser/qttreepropertybrowser.h"

#include <QComboBox>
#include <QTreeWidgetItem>
#include <QtTest>

#include <memory>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;

namespace {
const char *const pressureIds[] = {"ThresholdsPressure1A1", "ThresholdsPressure2A1",
                                   "ThresholdsPressure1A2", "ThresholdsPressure2A2",
                                   "analogPressure0V",      "analogPressure10V"};

// A parameter node labelled "<id> en" and "<id> de"; it gets the address 40;0;6
// unless it is a category or its extra text starts with an address of its own.
QString node(const QString &type, const QString &id, const QString &extra = QString(),
             const QString &tag = "property")
{
    const bool address = type != "category" && !extra.startsWith("<index>");
    return QString("<%1><type>%2</type><id>%3</id><text><en>%3 en</en><de>%3 de</de></text>%4%5"
                   "</%1>")
        .arg(tag, type, id,
             QString(address ? "<index>40</index><subIndex>0</subIndex><size>6</size>" : ""),
             extra);
}
QString topNode(const QString &type, const QString &id, const QString &extra = QString())
{
    return node(type, id, extra, "node");
}

// A description of the sensor `name` with the entry's fields, tree nodes and panel rows.
QString document(const QString &nodes, const QString &fields = "<max>10</max>",
                 const QString &name = "Fixture sensor", const QString &panelRows = QString())
{
    return QString("<document><documentId>IoLinkZT4Kfamily</documentId><sensorList><sensor>"
                   "<id>FX01</id><name>%1</name>%2</sensor></sensorList><treeGui><default>%3"
                   "</default></treeGui><guiCategory><default>%4</default></guiCategory>"
                   "</document>")
        .arg(name, fields, nodes, panelRows);
}

QString editTree()
{
    QString pressures;
    for (const char *id : pressureIds)
        pressures += topNode("double", id, "<min>-1</min><max>10</max>");
    return pressures
        + topNode("enumerator", "TemperatureSettings",
                  "<items><i><en>bar</en></i><i><en>psi</en></i><i><en>MPa</en></i>"
                  "<i><en>kPa</en></i></items>")
        + topNode("category", "Settings",
                  node("int", "Delay", "<max>1000</max>")
                      + node("double", "Factor", "<max>99</max>")
                      + node("bool", "Invert") + node("action", "Teach")
                      + node("enumerator", "Mode", "<items><a><en>a</en></a><b><en>b</en></b>"
                                                   "<c><en>c</en></c></items>")
                      + node("string", "Tag", "<readonly>false</readonly><defaultvalue/><items>"
                                              "<a><en>Left</en></a><b><en>Right</en></b></items>"));
}

// A description in a folder of its own, read as the file beside the host program
// while the fixture lives, and a window opened on it with no write waiting.
struct Fixture
{
    explicit Fixture(const QString &content, const char *name = "Fixture sensor")
    {
        QFile file(dir.filePath("IoLinkZT4Kfamily.xml"));
        if (file.open(QIODevice::WriteOnly))
            file.write(content.toUtf8());
        file.close();
        setPluginFileDirectory(dir.path());
        ExtensionSystem::SensorBasic chosen;
        chosen.setName(name);
        window = std::make_unique<SensorWindow>(chosen);
        Access::clearPendingWrite(*window);
    }
    ~Fixture()
    {
        window.reset(); // writes its layout file into the folder
        setPluginFileDirectory(QString());
    }
    QtProperty *find(const char *id) const { return Access::find(*window, id); }
    SensorWindowState &state() const { return Access::state(*window); }
    QtProperty *pending() const { return Access::pendingProperty(*window); }
    QVariant value() const { return Access::pendingValue(*window); }
    QTimer &timer() const { return Access::writeDelayTimer(*window); }
    QStringList shownIds() const
    {
        QStringList ids;
        for (QtProperty *property : Access::all(*window))
            ids << property->propertyId();
        return ids;
    }
    void changeLanguage(const char *language)
    {
        ExtensionSystem::Globals::setLanguage(language);
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(window.get(), &change);
    }

    QTemporaryDir dir;
    std::unique_ptr<SensorWindow> window;
};

// Ids of the shown nodes below `node` in pre-order, with their labels in the language.
void walk(const boost::property_tree::ptree &node, const std::string &language,
          QStringList &shown, QMap<QString, QString> &labels, bool parentShown = true)
{
    for (const auto &child : node) {
        if (child.first != "node" && child.first != "property")
            continue;
        const QString id = QString::fromStdString(child.second.get<std::string>("id", ""));
        const bool visible = parentShown && isNodeVisible(child.second);
        if (visible)
            shown << id;
        if (!labels.contains(id)) // the first of two twins is the one found
            labels.insert(id, QString::fromStdString(nodeLabel(child.second, language)));
        walk(child.second, language, shown, labels, visible);
    }
}
} // namespace

class ParameterTreeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void init() { ExtensionSystem::Globals::setLanguage("de"); }

    // One node of each kind at the address 0x10; 2;7, read in German.
    void parameterKinds_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("shown"); // value text in the tree
        QTest::addColumn<bool>("enabled");
        const QString abc = "<items><a><en>a</en></a><b><en>b</en><de>B</de></b></items>";
        QTest::newRow("int within its limits")
            << "int" << "<min>-5</min><max>50</max><defaultvalue>-3</defaultvalue>" << "-3"
            << true;
        QTest::newRow("double limits are decimal numbers")
            << "double" << "<min>0.5</min><max>1.5</max><defaultvalue>2</defaultvalue>" << "1.500"
            << true;
        QTest::newRow("bool 5 starts true") << "bool" << "<defaultvalue>5</defaultvalue>"
                                            << "True" << true;
        QTest::newRow("enumerator at its default index")
            << "enumerator" << "<defaultvalue>1</defaultvalue>" + abc << "B" << true;
        QTest::newRow("action shows its caption") << "action" << "<caption><text><de>Los</de>"
                                                             "</text></caption>" << "Los" << true;
        QTest::newRow("string without readonly: marked yet enabled")
            << "string" << "<defaultvalue>***</defaultvalue>" << "***" << true;
        QTest::newRow("string readonly true: marked and disabled")
            << "string" << "<readonly>true</readonly><defaultvalue>s</defaultvalue>" << "s"
            << false;
        QTest::newRow("string readonly False: editable, yet disabled")
            << "string" << "<readonly>False</readonly><defaultvalue>a</defaultvalue>" + abc << "a"
            << false;
        QTest::newRow("string readonly false: editable, with its choices")
            << "string" << "<readonly>false</readonly><defaultvalue>a</defaultvalue>" + abc << "a"
            << true;
    }
    void parameterKinds()
    {
        QFETCH(QString, type);
        QFETCH(QString, extra);
        QFETCH(QString, shown);
        QFETCH(bool, enabled);
        Fixture f(document(
            topNode(type, "P", "<index>0x10</index><subIndex> 2</subIndex><size>7</size>"
                                   + extra)));
        QtProperty *property = f.find("P");
        QVERIFY(property);
        QCOMPARE(property->propertyName(), QStringLiteral("P de"));
        QCOMPARE(property->valueText(), shown);
        QCOMPARE(property->isEnabled(), enabled);
        QCOMPARE(Access::addresses(*f.window).value("P"), QStringLiteral("0x10; 2;7")); // as is
        const bool marked = type == "string" && !extra.contains("alse");
        QCOMPARE(property->statusTip() == "readOnly", marked);
        QCOMPARE(Access::stringItems(*f.window).value("P"),
                 type == "string" && !marked ? QStringList({"a", "B"}) : QStringList());
    }

    void structureLookupAndBadNodes()
    {
        const QString child = node("int", "ChildOfBad");
        QTest::ignoreMessage(QtWarningMsg, "Parameter \"Bad1\" left out: unknown type \"float\"");
        QTest::ignoreMessage(QtWarningMsg, "Parameter \"Bad2\" left out: choice 1 has no \"de\" "
                                           "text nor an \"en\" one");
        Fixture f(document(
            topNode("category", "General",
                    node("int", "AB") + node("int", "A", "<max>9</max>")
                        + node("category", "Sub", node("bool", "B") + node("double", "C"))
                        + "<property/>"
                        + node("int", "Hidden", "<visible>false</visible>" + node("int", "Below")
                                                    + node("int", "Hidden2", "<visible/>")))
            + topNode("float", "Bad1", child)
            + topNode("enumerator", "Bad2", "<items><a><en>x</en></a><b/></items>" + child)
            + topNode("int", "A", "<index>2</index><subIndex>3</subIndex><size>7</size>")));
        // Bad nodes are left out with their children; hidden subtrees are built, not shown.
        QCOMPARE(f.shownIds(), (QStringList{"General", "AB", "A", "Sub", "B", "C", "A"}));
        QCOMPARE(Access::addresses(*f.window).keys(),
                 (QStringList{"A", "AB", "B", "Below", "C", "Hidden", "Hidden2"}));
        QCOMPARE(f.state().hiddenParameterIds, (QStringList{"Hidden2", "Hidden"}));
        // Lookup: exact id, case matters, the earlier twin; the later one's address wins.
        QCOMPARE(f.state().intManager->maximum(f.find("A")), 9);
        QCOMPARE(Access::addresses(*f.window).value("A"), QStringLiteral("2;3;7"));
        QCOMPARE(f.find("AB")->propertyId(), QStringLiteral("AB"));
        QVERIFY(!f.find("a") && !f.find("root") && !f.find("Below") && !f.find("Hidden"));
        QVERIFY(!f.window->findPropertyById(nullptr, "A"));
    }

    // A malformed description, or one without a tree, leaves the tree empty; the range
    // of the sensor list is not applied either.
    void unusableDescriptionLeavesTreeEmpty()
    {
        const QString text = document(topNode("int", "A"), "<max>99</max>");
        for (const QString &content : {text.left(text.size() - 2),
                                       QString(text).remove(QRegExp("<treeGui>.*</treeGui>"))}) {
            Fixture f(content);
            QVERIFY(Access::root(*f.window)->subProperties().isEmpty());
            QVERIFY(f.window->browser()->topLevelItems().isEmpty());
            QCOMPARE(f.state().maxRange, 10.0);
        }
    }

    void rowVisibility()
    {
        Fixture f(document(topNode("category", "G", node("int", "A") + node("int", "B"))));
        SensorWindow &w = *f.window;
        w.setParameterVisible("A", false);
        QVERIFY(!w.isParameterVisible("A") && w.isParameterVisible("B"));
        QVERIFY(w.isParameterVisible("Unknown")); // an unknown id repeats the last answer
        w.setParameterVisible("G", false);
        QVERIFY(!w.isParameterVisible("G") && !w.isParameterVisible("Unknown"));
        w.setParameterVisible("G", true);
        QVERIFY(w.isParameterVisible("G") && !w.isParameterVisible("A") && f.find("A"));
    }

    // The model's entry gives range, decimals and start values of the pressures; an
    // identification of 7 characters or more picks a variant by its last three.
    void ranges_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("identification");
        QTest::addColumn<double>("maxRange");
        QTest::addColumn<double>("minRange");
        QTest::addColumn<int>("decimals"); // of the thresholds
        QTest::addColumn<double>("decVal");
        const QString model = "Fixture sensor";
        const QString variants =
            "<max>10</max><decVal>1000</decVal><sensors><v><ID3>060</ID3><maxRange>60</maxRange>"
            "<minRange>0</minRange><floatVal>100</floatVal></v><v><ID3>016</ID3><maxRange>16"
            "</maxRange><minRange>0</minRange><floatVal>10</floatVal></v><v><ID3>016</ID3>"
            "<maxRange>99</maxRange><minRange>5</minRange><floatVal>100</floatVal></v><v><ID3>002"
            "</ID3><maxRange>2.5</maxRange><minRange>-1</minRange></v></sensors>";
        QTest::newRow("decVal 10: 1 decimal")
            << model << "<max>400</max><decVal>10</decVal>" << "" << 400.0 << -1.0 << 1 << 10.0;
        QTest::newRow("no entry of this name: 10 bar, 3 decimals")
            << "Other" << "<max>100</max><decVal>100</decVal>" << "" << 10.0 << -1.0 << 3 << 1000.0;
        QTest::newRow("entry without max or decVal: raw values in bar")
            << model << "" << "" << 0.0 << -1.0 << 3 << 1.0;
        QTest::newRow("6 characters change nothing")
            << model << variants << "FX0100" << 10.0 << -1.0 << 3 << 10.0;
        QTest::newRow("7 characters use the last three")
            << model << variants << "FX01060" << 60.0 << 0.0 << 2 << 100.0;
        QTest::newRow("duplicate ID3: the first wins")
            << model << variants << "FX01-G14-016" << 16.0 << 0.0 << 1 << 10.0;
        QTest::newRow("no matching variant keeps the range, redoes the decimals")
            << model << variants << "FX01999" << 10.0 << -1.0 << 1 << 10.0;
        QTest::newRow("variant without floatVal: raw values in bar, 3 decimals")
            << model << variants << "FX01-002" << 2.5 << -1.0 << 3 << 1.0;
    }
    void ranges()
    {
        QFETCH(QString, name);
        QFETCH(QString, fields);
        QFETCH(QString, identification);
        QFETCH(double, maxRange);
        QFETCH(double, minRange);
        QFETCH(int, decimals);
        QFETCH(double, decVal);
        Fixture f(document(editTree(), fields, name));
        SensorWindowState &state = f.state();
        const bool variant = !identification.isEmpty();
        if (variant) {
            state.doubleManager->setValue(f.find(pressureIds[0]), 1.234);
            Access::clearPendingWrite(*f.window);
            state.decVal = 10.0; // not the model's: shows whether the decimals were redone
            Access::identification(*f.window) = identification;
            f.window->applySensorVariantLimits();
        }
        QCOMPARE(state.maxRange, maxRange);
        QCOMPARE(state.minRange, minRange);
        QCOMPARE(state.decVal, decVal); // never 0: pressures are divided by it
        // Thresholds start at half and a quarter of the range, the analog points span
        // it; a variant's decimals reach the thresholds only, and are no user edit.
        const double starts[] = {0.5, 0.25, 0.5, 0.25, 0.0, 1.0};
        for (int i = 0; i < 6; ++i) {
            QtProperty *property = f.find(pressureIds[i]);
            QCOMPARE(state.doubleManager->decimals(property), i < 4 || !variant ? decimals : 3);
            QCOMPARE(state.doubleManager->maximum(property), variant ? 10.0 : maxRange);
            if (!variant)
                QCOMPARE(state.doubleManager->value(property), maxRange * starts[i]);
        }
        QVERIFY(!f.pending() && !f.timer().isActive());
    }

    void editSchedulesWrite_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("int edit") << "Delay" << QVariant(250);
        QTest::newRow("double edit") << "Factor" << QVariant(12.5);
        QTest::newRow("bool edit") << "Invert" << QVariant(true);
        QTest::newRow("enumerator edit") << "Mode" << QVariant(2);
        QTest::newRow("button press schedules an empty text") << "Teach" << QVariant(QString());
    }
    void editSchedulesWrite()
    {
        QFETCH(QString, id);
        QFETCH(QVariant, expected);
        Fixture f(document(editTree()));
        QtProperty *property = f.find(id.toLatin1().constData());
        if (id == "Delay")
            f.state().intManager->setValue(property, 250);
        else if (id == "Factor")
            f.state().doubleManager->setValue(property, 12.5);
        else if (id == "Invert")
            f.state().boolManager->setValue(property, true);
        else if (id == "Mode")
            f.state().enumManager->setValue(property, 2);
        else
            f.state().buttonManager->click(property);
        QCOMPARE(f.pending(), property);
        QCOMPARE(f.value(), expected); // QVariant compares the type too
        QVERIFY(f.timer().isActive());
        // Neither a text typed into the tree nor a row selected is an edit to write;
        // a choice picked for a text parameter goes to the tree, and no further.
        Access::clearPendingWrite(*f.window);
        f.state().stringManager->setValue(f.find("Tag"), QStringLiteral("typed"));
        f.window->browser()->setCurrentItem(f.window->browser()->items(f.find("Tag")).value(0));
        QCOMPARE(f.pending(), f.find("Tag"));
        Access::comboIndexChangedString(*f.window, QStringLiteral("Right"));
        QCOMPARE(f.state().stringManager->value(f.find("Tag")), QStringLiteral("Right"));
        QVERIFY(!f.timer().isActive() && !f.value().isValid());
    }

    // Edits within 400 ms of each other restart the delay; each parameter keeps its
    // last value, in the order of its first edit, and all go out together.
    void editsWithin400msCoalesce()
    {
        Fixture f(document(editTree()));
        QList<QVariant> written;
        QObject::connect(&f.timer(), &QTimer::timeout, [&] { written << f.value(); });
        QElapsedTimer clock;
        clock.start();
        f.state().intManager->setValue(f.find("Delay"), 7);
        QTest::qWait(150);
        if (clock.elapsed() >= 400)
            QSKIP("The machine took 400 ms for a 150 ms wait");
        QVERIFY(written.isEmpty());
        f.state().intManager->setValue(f.find("Delay"), 9);
        f.state().doubleManager->setValue(f.find("Factor"), 3.25);
        f.state().intManager->setValue(f.find("Delay"), 11);
        // Restarted by the later edits, not left to run out 400 ms after the first.
        const int remaining = f.timer().remainingTime();
        QVERIFY2(remaining > 300, qPrintable(QString::number(remaining)));
        QCOMPARE(Access::pendingWrites(*f.window), (QStringList{"Delay=11", "Factor=3.25"}));
        QTRY_COMPARE_WITH_TIMEOUT(written.size(), 1, 2000);
        QVERIFY(Access::pendingWrites(*f.window).isEmpty());
        QVERIFY(clock.elapsed() >= 150 + 380); // a coarse timer may fire 5 % early
        QCOMPARE(written.first(), QVariant(11));
        QCOMPARE(f.pending(), f.find("Delay"));
        QTest::qWait(450);
        QCOMPARE(written.size(), 1);
    }

    void unitChangeReexpressesPressures_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<double>("half");    // ThresholdsPressure1A1: 5 bar
        QTest::addColumn<double>("quarter"); // ThresholdsPressure2A2: 2.5 bar
        QTest::addColumn<double>("low");     // the range: -1 ... 10 bar
        QTest::addColumn<double>("high");
        QTest::newRow("bar to psi") << 1 << 72.52 << 36.26 << -14.504 << 145.04;
        QTest::newRow("bar to MPa") << 2 << 0.5 << 0.25 << -0.1 << 1.0;
        QTest::newRow("bar to kPa") << 3 << 500.0 << 250.0 << -100.0 << 1000.0;
    }
    void unitChangeReexpressesPressures()
    {
        QFETCH(int, unit);
        QFETCH(double, half);
        QFETCH(double, quarter);
        QFETCH(double, low);
        QFETCH(double, high);
        Fixture f(document(editTree()));
        QtProperty *units = f.find("TemperatureSettings");
        QtProperty *first = f.find(pressureIds[0]);
        QtDoublePropertyManager *doubles = f.state().doubleManager;
        f.state().enumManager->setValue(units, unit);
        QCOMPARE(doubles->value(first), half);
        QCOMPARE(doubles->minimum(first), low);
        QCOMPARE(doubles->maximum(first), high);
        QCOMPARE(doubles->value(f.find(pressureIds[3])), quarter);
        QCOMPARE(doubles->value(f.find(pressureIds[5])), high);
        // The pressures changed while the handlers were off: the write waiting is the unit's.
        QCOMPARE(f.pending(), units);
        QCOMPARE(f.value(), QVariant(unit));
        QVERIFY(f.timer().isActive());
        // Back to bar, from the unit the pressures are in, restores values and range.
        f.state().enumManager->setValue(units, 0);
        QCOMPARE((QList<double>{doubles->value(first), doubles->minimum(first),
                                doubles->maximum(first)}), (QList<double>{5.0, -1.0, 10.0}));
    }

    void languageChangeRelabelsTreeAndPanel()
    {
        ExtensionSystem::Globals::setLanguage("en");
        const QString texts = "<readonly>false</readonly><items><i><en>a-en</en><de>a-de</de></i>"
                              "<i><en>b-en</en><de>b-de</de></i></items>";
        QString rows;
        for (const char *row : {"Output 1|Ausgang 1", "Output 2|Ausgang 2", "Signal|Sig", "V|W"})
            rows += QString("<row><text><en>%1</en><de>%2</de></text></row>")
                        .arg(QString(row).section('|', 0, 0), QString(row).section('|', 1));
        Fixture f(document(
            topNode("category", "Group",
                    node("enumerator", "Mode", "<items><i><en>one</en><de>eins</de></i><i><en>two"
                                               "</en><de>zwei</de></i></items>")
                        + node("action", "Teach", "<caption><text><en>Go</en><de>Los</de></text>"
                                                  "</caption>")
                        + node("string", "Tag", "<defaultvalue>b-en</defaultvalue>" + texts)),
            "", "Fixture sensor", rows));
        SensorWindowState &s = f.state();
        s.enumManager->setValue(f.find("Mode"), 1);
        s.portCombo->addItem("/dev/ttyX");
        s.portCombo->setCurrentIndex(2);
        s.outputCombo->setCurrentIndex(1);
        Access::clearPendingWrite(*f.window);

        f.changeLanguage("de");
        QCOMPARE(f.find("Mode")->propertyName(), QStringLiteral("Mode de"));
        QCOMPARE(s.enumManager->enumNames(f.find("Mode")), (QStringList{"eins", "zwei"}));
        QCOMPARE(f.find("Mode")->valueText(), QStringLiteral("zwei"));
        QCOMPARE(s.stringManager->value(f.find("Tag")), QStringLiteral("b-de"));
        QCOMPARE(Access::stringItems(*f.window).value("Tag"), (QStringList{"a-de", "b-de"}));
        QCOMPARE(f.find("Teach")->valueText(), QStringLiteral("Los"));
        QStringList panel; // labels of the process-data rows, states of the first three
        for (QTreeWidgetItem *item : s.processDataItems)
            panel << item->text(0) + (panel.size() < 3 ? "|" + item->text(1) : QString());
        QCOMPARE(panel, (QStringList{"Ausgang 1     |–", "Ausgang 2     |–", "Sig     |–",
                                     "W     "}));
        // The window's own texts are redone with the port and output selections kept.
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Fixture sensor (/dev/ttyX)"));
        QCOMPARE(s.outputCombo->currentText(), QStringLiteral("Output 2"));
        // Relabelling changed values by program: nothing may be written for it.
        QVERIFY(!Access::languageChanging(*f.window));
        QVERIFY(!f.pending() && !f.timer().isActive());
        f.changeLanguage("en");
        QCOMPARE(s.stringManager->value(f.find("Tag")), QStringLiteral("b-en"));
        QCOMPARE(f.find("Mode")->valueText(), QStringLiteral("two"));
    }

    // The real description builds into the tree it describes, with the model's range;
    // every parameter is relabelled to German and back, values kept.
    void realDescriptionRelabelledBothWays()
    {
        ExtensionSystem::Globals::setLanguage("en");
        QFile real(qEnvironmentVariable("TEST_SOURCE_DIR") + "/data/IoLinkZT4Kfamily.xml");
        QVERIFY(real.open(QIODevice::ReadOnly));
        Fixture f(QString::fromUtf8(real.readAll()), "ZT4K-010 -1...10 bar");
        const auto &nodes = Access::description(*f.window).get_child("document.treeGui.default");
        QtProperty *filter = f.find("FilterSettings");
        f.state().enumManager->setValue(filter, 1);
        Access::clearPendingWrite(*f.window);
        QCOMPARE(f.state().doubleManager->maximum(f.find(pressureIds[0])), 10.0);
        for (const char *language : {"en", "de", "en"}) {
            QStringList shown;
            QMap<QString, QString> labels;
            walk(nodes, language, shown, labels);
            f.changeLanguage(language);
            QVERIFY(shown.size() > 30);
            QCOMPARE(f.shownIds(), shown);
            // The output refresh names the switching-point groups with their unit.
            for (QtProperty *property : Access::all(*f.window)) {
                if (property->propertyId().startsWith("SettingsPointsPressureA"))
                    QVERIFY2(property->propertyName().endsWith(" (bar)"),
                             qPrintable(property->propertyName()));
                else
                    QCOMPARE(property->propertyName(), labels.value(property->propertyId()));
            }
            QCOMPARE(f.state().enumManager->value(filter), 1);
            QCOMPARE(f.state().enumManager->enumNames(filter).value(0),
                     QString(language) == "de" ? QStringLiteral("Aus") : QStringLiteral("Off"));
            QVERIFY(!f.timer().isActive());
        }
    }
};

QTEST_MAIN(ParameterTreeTest)
#include "tst_parametertree.moc"
