#include "treetestaccess.h"

#include "chart/pressureunits.h"

#include "extensionsystem/globals.h"
#include "utils/buttonmanager.h"

#include "qtpropertymanager.h"
#include "qttreepropertybrowser.h"

#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using namespace TreeFixture;
using Access = SensorWindowTestAccess;

namespace {
// QObject::receivers is protected; a member pointer named through a derived
// class reaches it on any object.
struct Receivers : QObject
{
    static int count(const QObject *sender, const char *signal)
    {
        return (sender->*(&Receivers::receivers))(signal);
    }
};

QString editTree()
{
    return unitParameter() + pressureParameters()
        + topNode("category", "Settings",
                  node("int", "Delay", "<max>1000</max>")
                      + node("double", "Factor", "<max>100</max>")
                      + node("double", "Locked", "<max>9</max><readonly>true</readonly>")
                      + node("bool", "Invert")
                      + node("enumerator", "Mode",
                             "<items><a><en>a</en></a><b><en>b</en></b><c><en>c</en></c>"
                             "</items>")
                      + node("action", "Teach")
                      + node("string", "Tag", "<readonly>false</readonly>"
                                              "<defaultvalue>x</defaultvalue><items>"
                                              "<a><en>Left</en></a><b><en>Right</en></b>"
                                              "</items>")
                      + node("string", "Name", "<defaultvalue>n</defaultvalue>")
                      + node("string", "Serial", "<readonly>true</readonly>"
                                                 "<defaultvalue>s</defaultvalue>"));
}

struct EditWindow
{
    EditWindow()
        : file(document(editTree()))
        , window(openWindow())
        , state(Access::state(*window))
        , timer(Access::writeDelayTimer(*window))
    {
        Access::clearPendingWrite(*window);
    }
    QtProperty *find(const char *id) const
    {
        return window->findPropertyById(Access::root(*window), id);
    }
    QtProperty *pending() const { return Access::pendingProperty(*window); }
    QVariant value() const { return Access::pendingValue(*window); }

    DescriptionFile file;
    std::unique_ptr<SensorWindow> window;
    SensorWindowState &state;
    QTimer &timer;
};

const char *const valueSignals[] = {
    SIGNAL(valueChanged(QtProperty *, bool)), SIGNAL(valueChanged(QtProperty *, int)),
    SIGNAL(valueChanged(QtProperty *, double)), SIGNAL(valueChanged(QtProperty *, int)),
    SIGNAL(buttonClicked(QtProperty *))};

QList<int> handlerCounts(const EditWindow &w)
{
    const QObject *senders[] = {w.state.boolManager, w.state.intManager, w.state.doubleManager,
                                w.state.enumManager, w.state.buttonManager};
    QList<int> counts;
    for (int i = 0; i < 5; ++i)
        counts << Receivers::count(senders[i], valueSignals[i]);
    return counts;
}
} // namespace

class EditHandlingTest : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void editSchedulesWrite_data();
    void editSchedulesWrite();
    void editsWithin400msCoalesce();
    void handlersConnectOnce();
    void noWriteScheduled_data();
    void noWriteScheduled();
    void stringEditsAreNeverScheduled();
    void unitChange_data();
    void unitChange();
    void newDecimalsAreNoEdit();
    void selectionAndComboSlots();
    void enableEditableParameters();
};

void EditHandlingTest::init()
{
    ExtensionSystem::Globals::setLanguage("en");
}

void EditHandlingTest::editSchedulesWrite_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("int edit") << "Delay" << QVariant(250);
    QTest::newRow("double edit") << "Factor" << QVariant(12.5);
    QTest::newRow("bool edit") << "Invert" << QVariant(true);
    QTest::newRow("enumerator edit") << "Mode" << QVariant(2);
    QTest::newRow("button press schedules an empty text") << "Teach" << QVariant(QString());
}

void EditHandlingTest::editSchedulesWrite()
{
    QFETCH(QString, id);
    QFETCH(QVariant, expected);
    EditWindow w;
    QtProperty *property = w.find(id.toLatin1().constData());
    QVERIFY(property);

    if (id == "Delay")
        w.state.intManager->setValue(property, 250);
    else if (id == "Factor")
        w.state.doubleManager->setValue(property, 12.5);
    else if (id == "Invert")
        w.state.boolManager->setValue(property, true);
    else if (id == "Mode")
        w.state.enumManager->setValue(property, 2);
    else
        w.state.buttonManager->click(property);

    QCOMPARE(w.pending(), property);
    QCOMPARE(w.value(), expected);
    QCOMPARE(w.value().userType(), expected.userType());
    QVERIFY(w.timer.isActive());
    QCOMPARE(w.timer.interval(), 400);
    QVERIFY(w.timer.isSingleShot());
    QCOMPARE(handlerCounts(w), (QList<int>{1, 1, 1, 1, 1}));
}

void EditHandlingTest::editsWithin400msCoalesce()
{
    EditWindow w;
    QSignalSpy fired(&w.timer, &QTimer::timeout);
    QtProperty *delay = w.find("Delay");
    QtProperty *factor = w.find("Factor");

    QElapsedTimer clock;
    clock.start();
    w.state.intManager->setValue(delay, 7);
    QTest::qWait(150);
    if (clock.elapsed() >= 400)
        QSKIP("The machine took 400 ms for a 150 ms wait");
    QCOMPARE(fired.count(), 0);
    w.state.doubleManager->setValue(factor, 3.25);
    QCOMPARE(w.pending(), factor);
    QCOMPARE(w.value(), QVariant(3.25));
    // Restarted by the second edit, not left to run out 400 ms after the first.
    QVERIFY2(w.timer.remainingTime() > 300, qPrintable(QString::number(w.timer.remainingTime())));
    QTRY_COMPARE_WITH_TIMEOUT(fired.count(), 1, 2000);
    QVERIFY(clock.elapsed() >= 150 + 380); // a coarse timer may fire 5 % early
    QTest::qWait(450);
    QCOMPARE(fired.count(), 1);
}

void EditHandlingTest::handlersConnectOnce()
{
    EditWindow w;
    QCOMPARE(handlerCounts(w), (QList<int>{1, 1, 1, 1, 1}));
    Access::enableTreeDataHandling(*w.window, true);
    Access::enableTreeDataHandling(*w.window, true);
    QCOMPARE(handlerCounts(w), (QList<int>{1, 1, 1, 1, 1}));
    Access::enableTreeDataHandling(*w.window, false);
    QCOMPARE(handlerCounts(w), (QList<int>{0, 0, 0, 0, 0}));
    Access::enableTreeDataHandling(*w.window, false);
    Access::enableTreeDataHandling(*w.window, true);
    QCOMPARE(handlerCounts(w), (QList<int>{1, 1, 1, 1, 1}));

    // The string handler is never connected by the window itself.
    QCOMPARE(Receivers::count(w.state.stringManager,
                              SIGNAL(valueChanged(QtProperty *, QString))), 0);
    Access::enableStringManagerHandling(*w.window, true);
    Access::enableStringManagerHandling(*w.window, true);
    QCOMPARE(Receivers::count(w.state.stringManager,
                              SIGNAL(valueChanged(QtProperty *, QString))), 1);
}

void EditHandlingTest::noWriteScheduled_data()
{
    QTest::addColumn<bool>("handlingOff");
    QTest::addColumn<bool>("languageChanging");
    QTest::newRow("tree data handling off") << true << false;
    QTest::newRow("language change under way") << false << true;
}

void EditHandlingTest::noWriteScheduled()
{
    QFETCH(bool, handlingOff);
    QFETCH(bool, languageChanging);
    EditWindow w;
    if (handlingOff)
        Access::enableTreeDataHandling(*w.window, false);
    Access::languageChanging(*w.window) = languageChanging;

    w.state.intManager->setValue(w.find("Delay"), 99);
    w.state.doubleManager->setValue(w.find("Factor"), 1.5);
    w.state.boolManager->setValue(w.find("Invert"), true);
    w.state.enumManager->setValue(w.find("Mode"), 1);
    w.state.enumManager->setValue(w.find("TemperatureSettings"), 1);
    w.state.buttonManager->click(w.find("Teach"));

    QVERIFY(!w.pending());
    QVERIFY(!w.value().isValid());
    QVERIFY(!w.timer.isActive());
    // The edits show in the tree all the same; the unit change re-expressed nothing.
    QCOMPARE(w.state.intManager->value(w.find("Delay")), 99);
    QCOMPARE(w.state.doubleManager->value(w.find("ThresholdsPressure1A1")), 5.0);
    QCOMPARE(Access::lastUnitSetting(*w.window), 0);
}

void EditHandlingTest::stringEditsAreNeverScheduled()
{
    EditWindow w;
    QtProperty *tag = w.find("Tag");
    w.state.stringManager->setValue(tag, QStringLiteral("typed"));
    QCOMPARE(w.state.stringManager->value(tag), QStringLiteral("typed"));
    QVERIFY(!w.pending());
    QVERIFY(!w.timer.isActive());

    // A choice picked in the combo goes to the tree as text, and no further.
    Access::pendingProperty(*w.window) = tag;
    Access::comboIndexChangedString(*w.window, QStringLiteral("Right"));
    QCOMPARE(w.state.stringManager->value(tag), QStringLiteral("Right"));
    QVERIFY(!w.timer.isActive());
    QVERIFY(!w.value().isValid());
}

void EditHandlingTest::unitChange_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<double>("threshold");  // ThresholdsPressure1A1, in the new unit
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");

    // The tree starts in bar: thresholds 5.0 of a -1 ... 10 bar range.
    QTest::newRow("bar to MPa") << 0 << 2 << 0.5 << -0.1 << 1.0;
    QTest::newRow("bar to psi") << 0 << 1 << 72.52 << -14.504 << 145.04;
    QTest::newRow("bar to kPa") << 0 << 3 << 500.0 << -100.0 << 1000.0;
    QTest::newRow("bar to bar changes nothing") << 0 << 0 << 5.0 << -1.0 << 10.0;
}

void EditHandlingTest::unitChange()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(double, threshold);
    QFETCH(double, low);
    QFETCH(double, high);
    EditWindow w;
    QtProperty *unit = w.find("TemperatureSettings");
    QtProperty *first = w.find("ThresholdsPressure1A1");
    QCOMPARE(Access::lastUnitSetting(*w.window), from);
    if (from == to) // no change of value, no signal: re-express by hand
        w.window->reexpressThresholds(from);
    else
        w.state.enumManager->setValue(unit, to);

    QtDoublePropertyManager *doubles = w.state.doubleManager;
    QCOMPARE(doubles->value(first), threshold);
    QCOMPARE(doubles->minimum(first), low);
    QCOMPARE(doubles->maximum(first), high);
    QCOMPARE(doubles->value(w.find("ThresholdsPressure2A2")),
             convertPressure(2.5, to, true));
    QCOMPARE(doubles->maximum(w.find("analogPressure10V")), high);
    QCOMPARE(w.state.unitIndex, to);
    if (from != to) {
        // The threshold changes came while the handlers were off: the pending
        // write is still the unit's.
        QCOMPARE(w.pending(), unit);
        QCOMPARE(w.value(), QVariant(to));
        QCOMPARE(Access::lastUnitSetting(*w.window), to);
        QVERIFY(w.timer.isActive());
    }
    QCOMPARE(handlerCounts(w), (QList<int>{1, 1, 1, 1, 1}));

    // And back to bar restores the values and the limits of the range.
    Access::clearPendingWrite(*w.window);
    w.state.enumManager->setValue(unit, 0);
    QCOMPARE(doubles->value(first), 5.0);
    QCOMPARE(doubles->minimum(first), -1.0);
    QCOMPARE(doubles->maximum(first), 10.0);
}

void EditHandlingTest::newDecimalsAreNoEdit()
{
    EditWindow w;
    QtProperty *first = w.find("ThresholdsPressure1A1");
    w.state.doubleManager->setValue(first, 1.234);
    Access::clearPendingWrite(*w.window);

    // A variant with decVal 10 shows one decimal; the rounding is no user edit.
    w.state.decVal = 10.0;
    w.window->updateThresholdDecimals();
    QCOMPARE(w.state.doubleManager->decimals(first), 1);
    QCOMPARE(w.state.doubleManager->decimals(w.find("analogPressure0V")), 3);
    QVERIFY(!w.pending());
    QVERIFY(!w.timer.isActive());
    QCOMPARE(handlerCounts(w), (QList<int>{1, 1, 1, 1, 1}));
}

void EditHandlingTest::selectionAndComboSlots()
{
    EditWindow w;
    QtProperty *mode = w.find("Mode");
    QtBrowserItem *item = w.window->browser()->items(mode).value(0);
    QVERIFY(item);

    Access::itemSelected(*w.window, item);
    QCOMPARE(w.pending(), mode);
    QVERIFY(!w.timer.isActive());
    Access::comboIndexChangedInt(*w.window, 2);
    QCOMPARE(w.value(), QVariant(2));
    QVERIFY(w.timer.isActive());

    Access::clearPendingWrite(*w.window);
    Access::itemSelected(*w.window, nullptr);
    QVERIFY(!w.pending());
    Access::comboIndexChangedInt(*w.window, 1);
    Access::comboIndexChangedString(*w.window, QStringLiteral("Left"));
    QVERIFY(!w.timer.isActive());
    QVERIFY(!w.value().isValid());

    // The browser's own selection reaches the slot.
    w.window->browser()->setCurrentItem(item);
    QCOMPARE(w.pending(), mode);
}

void EditHandlingTest::enableEditableParameters()
{
    EditWindow w;
    QtProperty *locked = w.find("Locked");
    QtProperty *name = w.find("Name");    // marked read-only, yet enabled
    QtProperty *serial = w.find("Serial"); // marked and disabled
    QVERIFY(!locked->isEnabled());
    QVERIFY(name->isEnabled());
    QVERIFY(!serial->isEnabled());
    name->setEnabled(false);
    w.find("Delay")->setEnabled(false);

    w.window->enableEditableParameters();
    QVERIFY(locked->isEnabled());
    QVERIFY(w.find("Delay")->isEnabled());
    QVERIFY(w.find("Tag")->isEnabled());
    QVERIFY(!name->isEnabled());
    QVERIFY(!serial->isEnabled());
}

QTEST_MAIN(EditHandlingTest)
#include "tst_edithandling.moc"
