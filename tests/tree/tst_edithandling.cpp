#include "treetestaccess.h"

#include "extensionsystem/globals.h"
#include "utils/buttonmanager.h"

#include "qtpropertymanager.h"
#include "qttreepropertybrowser.h"

#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using namespace TreeFixture;

namespace {
QString editTree()
{
    return unitParameter() + pressureParameters()
        + topNode("category", "Settings",
                  node("int", "Delay", "<max>1000</max>") + node("double", "Factor", "<max>100</max>")
                      + node("double", "Locked", "<max>9</max><readonly>true</readonly>")
                      + node("bool", "Invert")
                      + node("enumerator", "Mode", "<items><a><en>a</en></a><b><en>b</en></b>"
                                                   "<c><en>c</en></c></items>")
                      + node("action", "Teach")
                      + node("string", "Tag", "<readonly>false</readonly><defaultvalue>x"
                                              "</defaultvalue><items><a><en>Left</en></a>"
                                              "<b><en>Right</en></b></items>")
                      + node("string", "Name", "<defaultvalue>n</defaultvalue>")
                      + node("string", "Serial", "<readonly>true</readonly><defaultvalue>s"
                                                 "</defaultvalue>"));
}

// A window on the tree above with no write waiting.
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
    QtProperty *find(const char *id) const { return Access::find(*window, id); }
    QtProperty *pending() const { return Access::pendingProperty(*window); }
    QVariant value() const { return Access::pendingValue(*window); }
    // Every kind of edit a user makes in the tree.
    void editAll()
    {
        state.intManager->setValue(find("Delay"), 99);
        state.doubleManager->setValue(find("Factor"), 1.5);
        state.boolManager->setValue(find("Invert"), true);
        state.enumManager->setValue(find("TemperatureSettings"), 1);
        state.buttonManager->click(find("Teach"));
    }

    DescriptionFile file;
    std::unique_ptr<SensorWindow> window;
    SensorWindowState &state;
    QTimer &timer;
};
} // namespace

class EditHandlingTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { ExtensionSystem::Globals::setLanguage("en"); }
    void editSchedulesWrite_data();
    void editSchedulesWrite();
    void editsWithin400msCoalesce();
    void noWriteScheduled_data();
    void noWriteScheduled();
    void unitChangeReexpressesPressures_data();
    void unitChangeReexpressesPressures();
    void newDecimalsAreNoEdit();
    void selectionAndComboSlots();
    void enableEditableParameters();
};

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
    for (int round = 0; round < 2; ++round) { // handling is still on after the first edit
        Access::clearPendingWrite(*w.window);
        if (id == "Delay")
            w.state.intManager->setValue(property, 250 - round);
        else if (id == "Factor")
            w.state.doubleManager->setValue(property, 12.5 - round);
        else if (id == "Invert")
            w.state.boolManager->setValue(property, round == 0);
        else if (id == "Mode")
            w.state.enumManager->setValue(property, 2 - round);
        else
            w.state.buttonManager->click(property);
        QCOMPARE(w.pending(), property);
        QVERIFY(w.timer.isActive());
        if (round == 0) {
            QCOMPARE(w.value(), expected);
            QCOMPARE(w.value().userType(), expected.userType());
        }
    }
    // A text typed into the tree is no edit to write.
    Access::clearPendingWrite(*w.window);
    w.state.stringManager->setValue(w.find("Tag"), QStringLiteral("typed"));
    QVERIFY(!w.pending() && !w.timer.isActive());
}

// Edits within 400 ms of each other restart the delay and leave one write of the
// last value; the same property edited twice coalesces to its last value.
void EditHandlingTest::editsWithin400msCoalesce()
{
    EditWindow w;
    QList<QVariant> written;
    QObject::connect(&w.timer, &QTimer::timeout, [&] { written << w.value(); });
    QElapsedTimer clock;
    clock.start();
    w.state.intManager->setValue(w.find("Delay"), 7);
    QTest::qWait(150);
    if (clock.elapsed() >= 400)
        QSKIP("The machine took 400 ms for a 150 ms wait");
    QVERIFY(written.isEmpty());
    w.state.intManager->setValue(w.find("Delay"), 9);
    w.state.doubleManager->setValue(w.find("Factor"), 3.25);
    w.state.intManager->setValue(w.find("Delay"), 11);
    // Restarted by the later edits, not left to run out 400 ms after the first.
    QVERIFY2(w.timer.remainingTime() > 300, qPrintable(QString::number(w.timer.remainingTime())));
    QTRY_COMPARE_WITH_TIMEOUT(written.size(), 1, 2000);
    QVERIFY(clock.elapsed() >= 150 + 380); // a coarse timer may fire 5 % early
    QCOMPARE(written.first(), QVariant(11));
    QCOMPARE(w.pending(), w.find("Delay"));
    QTest::qWait(450);
    QCOMPARE(written.size(), 1);
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
    w.editAll();
    QVERIFY(!w.pending());
    QVERIFY(!w.value().isValid());
    QVERIFY(!w.timer.isActive());
    // The edits show in the tree all the same; the unit change re-expressed nothing.
    QCOMPARE(w.state.intManager->value(w.find("Delay")), 99);
    QCOMPARE(w.state.doubleManager->value(w.find("ThresholdsPressure1A1")), 5.0);
    QCOMPARE(Access::lastUnitSetting(*w.window), 0);
}

void EditHandlingTest::unitChangeReexpressesPressures_data()
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

void EditHandlingTest::unitChangeReexpressesPressures()
{
    QFETCH(int, unit);
    QFETCH(double, half);
    QFETCH(double, quarter);
    QFETCH(double, low);
    QFETCH(double, high);
    EditWindow w;
    QtProperty *units = w.find("TemperatureSettings");
    QtProperty *first = w.find("ThresholdsPressure1A1");
    QtDoublePropertyManager *doubles = w.state.doubleManager;
    w.state.enumManager->setValue(units, unit);
    QCOMPARE(doubles->value(first), half);
    QCOMPARE(doubles->minimum(first), low);
    QCOMPARE(doubles->maximum(first), high);
    QCOMPARE(doubles->value(w.find("ThresholdsPressure2A2")), quarter);
    QCOMPARE(doubles->value(w.find("analogPressure10V")), high);
    QCOMPARE(doubles->minimum(w.find("analogPressure0V")), low);
    QCOMPARE(w.state.unitIndex, unit);
    // The pressures changed while the handlers were off: the write waiting is the unit's.
    QCOMPARE(w.pending(), units);
    QCOMPARE(w.value(), QVariant(unit));
    QCOMPARE(Access::lastUnitSetting(*w.window), unit);
    QVERIFY(w.timer.isActive());

    // Back to bar restores values and range; handling is still on for the next edit.
    Access::clearPendingWrite(*w.window);
    w.state.enumManager->setValue(units, 0);
    QCOMPARE(doubles->value(first), 5.0);
    QCOMPARE(doubles->minimum(first), -1.0);
    QCOMPARE(doubles->maximum(first), 10.0);
    w.state.intManager->setValue(w.find("Delay"), 5);
    QCOMPARE(w.pending(), w.find("Delay"));
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
    QCOMPARE(w.state.doubleManager->decimals(w.find("ThresholdsPressure2A2")), 1);
    QCOMPARE(w.state.doubleManager->decimals(w.find("analogPressure0V")), 3);
    QVERIFY(!w.pending());
    QVERIFY(!w.timer.isActive());
    w.state.doubleManager->setValue(first, 2.0);
    QCOMPARE(w.pending(), first);
}

void EditHandlingTest::selectionAndComboSlots()
{
    EditWindow w;
    QtProperty *mode = w.find("Mode");
    QtBrowserItem *item = w.window->browser()->items(mode).value(0);
    QVERIFY(item);
    w.window->browser()->setCurrentItem(item); // the browser's selection reaches the slot
    QCOMPARE(w.pending(), mode);
    QVERIFY(!w.timer.isActive());
    Access::comboIndexChangedInt(*w.window, 2);
    QCOMPARE(w.value(), QVariant(2));
    QVERIFY(w.timer.isActive());

    Access::clearPendingWrite(*w.window);
    Access::itemSelected(*w.window, nullptr);
    Access::comboIndexChangedInt(*w.window, 1);
    Access::comboIndexChangedString(*w.window, QStringLiteral("Left"));
    QVERIFY(!w.timer.isActive() && !w.value().isValid());

    // A choice picked for a text parameter goes to the tree as text, and no further.
    QtProperty *tag = w.find("Tag");
    Access::pendingProperty(*w.window) = tag;
    Access::comboIndexChangedString(*w.window, QStringLiteral("Right"));
    QCOMPARE(w.state.stringManager->value(tag), QStringLiteral("Right"));
    QVERIFY(!w.timer.isActive() && !w.value().isValid());
}

void EditHandlingTest::enableEditableParameters()
{
    EditWindow w;
    QtProperty *locked = w.find("Locked");
    QtProperty *name = w.find("Name");     // marked read-only, yet enabled
    QtProperty *serial = w.find("Serial"); // marked and disabled
    QVERIFY(!locked->isEnabled() && name->isEnabled() && !serial->isEnabled());
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
