#include "treetestaccess.h"

#include "chart/pressureunits.h"
#include "plugin/catalogue.h"
#include "tree/descriptionreader.h"

#include "extensionsystem/globals.h"

#include "qtpropertymanager.h"
#include "qttreepropertybrowser.h"

#include <QDockWidget>
#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;
namespace pt = boost::property_tree;

namespace {
struct Expected
{
    QStringList shown;       // ids reachable from the root, in pre-order
    QStringList addressed;   // ids of every non-category node, hidden ones too
};

void walk(const pt::ptree &node, bool parentShown, Expected &expected)
{
    if (node.empty())
        return;
    const QString id = QString::fromStdString(node.get<std::string>("id", ""));
    const bool shown = parentShown && isNodeVisible(node);
    if (shown)
        expected.shown << id;
    if (node.get<std::string>("type", "") != "category")
        expected.addressed << id;
    for (const auto &child : node) {
        if (child.first == "property")
            walk(child.second, shown, expected);
    }
}

QString dataFile()
{
    const QString fromBuild = qEnvironmentVariable("TEST_BINARY_DIR")
        + QStringLiteral("/bin/IoLinkZT4Kfamily.xml");
    if (QFile::exists(fromBuild))
        return fromBuild;
    return qEnvironmentVariable("TEST_SOURCE_DIR") + QStringLiteral("/data/IoLinkZT4Kfamily.xml");
}
} // namespace

class RealDescriptionTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void wholeTreeForEverySensor_data();
    void wholeTreeForEverySensor();
    void screenshot();

private:
    QTemporaryDir m_dir;
};

void RealDescriptionTest::initTestCase()
{
    // A copy, so that the window's layout file does not land beside the original.
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFile::copy(dataFile(), m_dir.filePath("IoLinkZT4Kfamily.xml")),
             qPrintable(dataFile()));
    setPluginFileDirectory(m_dir.path());
    ExtensionSystem::Globals::setLanguage("en");
}

void RealDescriptionTest::cleanupTestCase()
{
    setPluginFileDirectory(QString());
}

void RealDescriptionTest::wholeTreeForEverySensor_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("language");
    const auto sensors = readSensorList();
    QVERIFY(sensors.size() >= 3);
    for (const auto &sensor : sensors) {
        for (const char *language : {"en", "de"}) {
            const QString name = QString::fromStdString(sensor.name());
            QTest::addRow("%s, %s", qPrintable(name), language) << name << language;
        }
    }
}

void RealDescriptionTest::wholeTreeForEverySensor()
{
    QFETCH(QString, name);
    QFETCH(QString, language);
    ExtensionSystem::Globals::setLanguage(language.toStdString());

    QStringList warnings;
    static QStringList *sink = nullptr;
    sink = &warnings;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context,
                                  const QString &text) {
            if (type >= QtWarningMsg && qstrcmp(context.category, "iolink.description") == 0)
                sink->append(text);
        });
    auto window = TreeFixture::openWindow(name.toUtf8().constData());
    qInstallMessageHandler(previous);
    ExtensionSystem::Globals::setLanguage("en");
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));

    Expected expected;
    for (const auto &node : Access::description(*window).get_child("document.treeGui.default"))
        walk(node.second, true, expected);
    QVERIFY(expected.shown.size() > 30);

    QStringList found;
    for (QtProperty *property : window->collectSubProperties(Access::root(*window)))
        found << property->propertyId();
    QCOMPARE(found, expected.shown);
    for (const QString &id : qAsConst(expected.shown)) {
        QtProperty *property = window->findPropertyById(Access::root(*window), id.toStdString());
        QVERIFY2(property, qPrintable(id));
        QVERIFY2(!property->propertyName().isEmpty(), qPrintable(id));
    }
    expected.addressed.removeDuplicates();
    QCOMPARE(Access::addresses(*window).size(), expected.addressed.size());

    // The model's measuring range reached the thresholds.
    const double maxRange = Access::state(*window).maxRange;
    QVERIFY(maxRange >= 10.0);
    QtProperty *threshold = window->findPropertyById(Access::root(*window),
                                                     "ThresholdsPressure1A1");
    QVERIFY(threshold);
    QCOMPARE(Access::state(*window).doubleManager->maximum(threshold), maxRange);
    QCOMPARE(Access::state(*window).doubleManager->decimals(threshold),
             pressureDecimals(Access::state(*window).decVal));
}

void RealDescriptionTest::screenshot()
{
    // Writes the picture only when asked: TREE_SCREENSHOT=<file.png>.
    const QString target = qEnvironmentVariable("TREE_SCREENSHOT");
    if (target.isEmpty())
        QSKIP("TREE_SCREENSHOT not set");
    auto window = TreeFixture::openWindow("ZT4K-010 -1...10 bar");
    window->resize(1200, 800);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QtTreePropertyBrowser *browser = window->browser();
    for (QtBrowserItem *top : browser->topLevelItems()) {
        for (QtBrowserItem *item : top->children())
            browser->setExpanded(item, item->property()->propertyId() != "Identification");
    }
    // Wide enough for the value column, as a user would drag the dock.
    window->resizeDocks({Access::state(*window).propertyDock}, {470}, Qt::Horizontal);
    QTest::qWait(200);
    QVERIFY(window->grab().save(target));
}

QTEST_MAIN(RealDescriptionTest)
#include "tst_realdescription.moc"
