#include "propertybrowser/qteditorfactory.h"
#include "propertybrowser/qtpropertymanager.h"
#include "propertybrowser/qttreepropertybrowser.h"
#include "utils/buttonfactory.h"
#include "utils/buttonmanager.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

enum class Op { Value, Minimum, Maximum, Decimals };
struct DoubleCase
{
    double minimum, maximum; int decimals; double start; Op op; double a, expected; int emits;
};
Q_DECLARE_METATYPE(DoubleCase)
struct Edit
{
    const char *kind, *start, *typed; int finish, disable; const char *text; int changes;
};
Q_DECLARE_METATYPE(Edit)

// The managers' rules the window relies on, and the browser driven as a person does.
class TestPropertyBrowser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void init();
    void doubleRules_data();
    void doubleRules();
    void intEnumAndBoolRules();
    void subPropertiesAndOwnership();
    void editing_data();
    void editing();
    void openEditorFollowsManager();
    void rowsFollowTheProperties();

private:
    QTreeWidgetItem *row(QtBrowserItem *item) const
    {
        const QList<QtBrowserItem *> siblings =
            item->parent() ? item->parent()->children() : m_browser->topLevelItems();
        return item->parent() ? row(item->parent())->child(siblings.indexOf(item))
                              : m_browser->treeWidget()->topLevelItem(siblings.indexOf(item));
    }
    QWidget *editor(QtBrowserItem *i) const { return row(i)->treeWidget()->itemWidget(row(i), 1); }

    // Factories first, so that the managers go before them, as in the window.
    struct Managers
    {
        QtCheckBoxFactory boolEditors;
        QtSpinBoxFactory intEditors;
        QtDoubleSpinBoxFactory doubleEditors;
        QtLineEditFactory stringEditors;
        QtEnumEditorFactory enumEditors;
        Utils::ButtonFactory buttonEditors;
        QtGroupPropertyManager groups;
        QtBoolPropertyManager bools;
        QtIntPropertyManager ints;
        QtDoublePropertyManager doubles;
        QtStringPropertyManager strings;
        QtEnumPropertyManager enums;
        Utils::ButtonManager buttons;
    };
    std::unique_ptr<Managers> m;
    std::unique_ptr<QtTreePropertyBrowser> m_browser;
    QtProperty *m_group = nullptr;
};

void TestPropertyBrowser::init()
{
    m_browser.reset(); // the browser of the last test goes first, as in the window
    m = std::make_unique<Managers>();
    m_browser = std::make_unique<QtTreePropertyBrowser>();
    m_browser->setFactoryForManager(&m->bools, &m->boolEditors);
    m_browser->setFactoryForManager(&m->ints, &m->intEditors);
    m_browser->setFactoryForManager(&m->doubles, &m->doubleEditors);
    m_browser->setFactoryForManager(&m->strings, &m->stringEditors);
    m_browser->setFactoryForManager(&m->enums, &m->enumEditors);
    m_browser->setFactoryForManager(&m->buttons, &m->buttonEditors);
    m_group = m->groups.addProperty("Output 1");
    m_browser->addProperty(m_group);
    m_browser->resize(420, 360);
    m_browser->show();
    QApplication::setActiveWindow(m_browser.get());
    QVERIFY(QTest::qWaitForWindowActive(m_browser.get()));
}

void TestPropertyBrowser::doubleRules_data()
{
    QTest::addColumn<DoubleCase>("c");
    const auto row = [](const char *name, DoubleCase c) { QTest::newRow(name) << c; };
    row("above the maximum is clamped", {0, 10, 2, 1, Op::Value, 12.3456, 10, 1});
    row("rounded to the decimals", {0, 10, 2, 1, Op::Value, 3.14159, 3.14, 1});
    row("rounding past the top falls back below it", {0, 9.999, 2, 1, Op::Value, 9.998, 9.99, 1});
    row("equal after rounding emits nothing", {0, 10, 2, 2.5, Op::Value, 2.5031, 2.5, 0});
    row("not-a-number is ignored", {0, 10, 2, 1.5, Op::Value, qQNaN(), 1.5, 0});
    row("maximum below the minimum moves both", {0, 10, 2, 5, Op::Maximum, -3, -3, 1});
    row("minimum above the maximum moves both", {0, 10, 2, 5, Op::Minimum, 12, 12, 1});
    row("higher maximum keeps the value", {0, 10, 3, 4, Op::Maximum, 20, 4, 0});
    row("lower maximum moves the value", {0, 10, 3, 8, Op::Maximum, 2, 2, 1});
    row("fewer decimals never leave the maximum", {0, 1.26, 2, 1.26, Op::Decimals, 1, 1.2, 1});
    row("fewer decimals never leave the minimum", {0.24, 10, 2, 0.24, Op::Decimals, 1, 0.3, 1});
}

void TestPropertyBrowser::doubleRules()
{
    QFETCH(DoubleCase, c);
    QtProperty *property = m->doubles.addProperty("Threshold");
    m->doubles.setDecimals(property, c.decimals);
    m->doubles.setRange(property, c.minimum, c.maximum);
    m->doubles.setValue(property, c.start);
    QSignalSpy values(&m->doubles, &QtDoublePropertyManager::valueChanged);
    if (c.op == Op::Value)
        m->doubles.setValue(property, c.a);
    else if (c.op == Op::Minimum)
        m->doubles.setMinimum(property, c.a);
    else if (c.op == Op::Maximum)
        m->doubles.setMaximum(property, c.a);
    else
        m->doubles.setDecimals(property, int(c.a));
    QCOMPARE(m->doubles.value(property), c.expected);
    QCOMPARE(values.count(), c.emits);
    if (c.emits)
        QCOMPARE(values.first().at(0).value<QtProperty *>(), property);
    QCOMPARE(property->valueText(), QString::number(c.expected, 'f', c.op == Op::Decimals
                                                                        ? int(c.a) : c.decimals));
}

void TestPropertyBrowser::intEnumAndBoolRules()
{
    QtProperty *count = m->ints.addProperty("Averaging");
    QtProperty *unit = m->enums.addProperty("Unit");
    QtProperty *invert = m->bools.addProperty("Invert output");
    QSignalSpy ints(&m->ints, &QtIntPropertyManager::valueChanged);
    QSignalSpy enums(&m->enums, &QtEnumPropertyManager::valueChanged);
    QSignalSpy bools(&m->bools, &QtAbstractPropertyManager::propertyChanged);
    m->ints.setValue(count, 50);
    m->ints.setRange(count, 0, 20);
    m->ints.setValue(count, 3);
    m->ints.setMinimum(count, 15);
    m->ints.setMinimum(count, 30); // above the maximum: both move
    m->ints.setMaximum(count, 10); // below the minimum: both move
    QCOMPARE(count->valueText(), QString("10"));
    QCOMPARE(ints.count(), 6);

    // An enumeration selects the first of new names and refuses indexes outside them.
    m->enums.setEnumNames(unit, {"bar", "psi", "MPa"});
    m->enums.setValue(unit, 3);
    m->enums.setValue(unit, -1);
    m->enums.setValue(unit, 2);
    m->enums.setEnumNames(unit, {"bar", "psi", "MPa"});
    QCOMPARE(unit->valueText(), QString("MPa"));
    m->enums.setEnumNames(unit, {});
    QCOMPARE(m->enums.value(unit), -1);
    QCOMPARE(enums.count(), 3);

    // A bool shows its own texts, or True and False.
    m->bools.setValue(invert, false, "On", "Off");
    QCOMPARE(invert->valueText(), QString("Off"));
    m->bools.setValue(invert, true);
    m->bools.setValue(invert, true);
    QCOMPARE(invert->valueText(), QString("On"));
    m->bools.setValue(invert, true, "", "Off");
    QCOMPARE(invert->valueText(), QString("True"));
    QCOMPARE(bools.count(), 3);
}

void TestPropertyBrowser::subPropertiesAndOwnership()
{
    auto strings = std::make_unique<QtStringPropertyManager>();
    QtProperty *group = m->groups.addProperty("Output 2");
    QtProperty *middle = m->groups.addProperty("Middle");
    QtProperty *a = strings->addProperty("A");
    QtProperty *b = strings->addProperty("B");
    a->setPropertyId("ApplicationSpecificTag");
    QCOMPARE(a->propertyId(), QString("ApplicationSpecificTag"));
    group->addSubProperty(a);
    group->addSubProperty(middle);
    group->insertSubProperty(b, a);
    group->addSubProperty(a);
    middle->addSubProperty(group); // no property may hang below its own descendants
    QCOMPARE(group->subProperties(), (QList<QtProperty *>{a, b, middle}));
    QVERIFY(middle->subProperties().isEmpty());

    // Detaching keeps a property; its manager deletes it.
    group->removeSubProperty(a);
    QCOMPARE(strings->properties(), (QList<QtProperty *>{a, b}));
    group->addSubProperty(a);
    strings.reset();
    QCOMPARE(group->subProperties(), QList<QtProperty *>{middle});
}

void TestPropertyBrowser::editing_data()
{
    // How editing starts (a click, a double click, a key), what is typed and the key
    // after it; disable 1: the property, 2: its group; the value cell afterwards.
    QTest::addColumn<Edit>("e");
    const int enter = Qt::Key_Return, escape = Qt::Key_Escape;
    const auto row = [](const char *name, Edit e) { QTest::newRow(name) << e; };
    row("number beyond the maximum is clamped", {"double", "click", "12.3", enter, 0, "10.00", 1});
    row("number rounded to its decimals", {"double", "click", "3.14159", enter, 0, "3.14", 1});
    row("number below the minimum is clamped", {"double", "click", "-70", enter, 0, "0.00", 1});
    row("Escape takes a typed number back", {"double", "click", "7.25", escape, 0, "2.50", 0});
    row("Escape takes a typed count back", {"int", "F2", "99", escape, 0, "5", 0});
    row("double click on the name edits", {"int", "double click", "250", enter, 0, "250", 1});
    row("text committed on Return", {"string", "click", "Tank 3", enter, 0, "Tank 3", 1});
    row("Escape takes typed text back", {"string", "F2", "typed", escape, 0, "old", 0});
    row("entry chosen in the list", {"enum", "click", "p", enter, 0, "psi", 1});
    row("check box toggled by a click", {"bool", "click", "", 0, 0, "True", 1});
    row("check box toggled by Space", {"bool", "Space", "", 0, 0, "True", 1});
    row("button clicked", {"button", "click", "", 0, 0, "Reset", 1});
    row("button pressed with Return", {"button", "Return", "", 0, 0, "Reset", 1});
    row("disabled count refuses typing", {"int", "F2", "99", enter, 1, "5", 0});
    row("disabled list does not open", {"enum", "click", "p", enter, 1, "bar", 0});
    row("check box in a disabled group ignores Space", {"bool", "Space", "", 0, 2, "False", 0});
    row("disabled button ignores a click", {"button", "click", "", 0, 1, "Reset", 0});
}

void TestPropertyBrowser::editing()
{
    QFETCH(Edit, e);
    const QString kind = e.kind, start = e.start, typed = e.typed;
    QtProperty *p = kind == "double" ? m->doubles.addProperty("Threshold")
                    : kind == "int"    ? m->ints.addProperty("Switch delay")
                    : kind == "string" ? m->strings.addProperty("Tag")
                    : kind == "enum"   ? m->enums.addProperty("Unit")
                    : kind == "bool"   ? m->bools.addProperty("Invert output")
                                       : m->buttons.addProperty("Factory reset");
    // A manager ignores properties of other managers.
    m->doubles.setRange(p, 0.0, 10.0);
    m->doubles.setValue(p, 2.5);
    m->ints.setRange(p, 0, 5000);
    m->ints.setValue(p, 5);
    m->strings.setValue(p, "old");
    m->enums.setEnumNames(p, {"bar", "psi", "MPa"});
    m->buttons.setValue(p, "Reset");
    m_group->addSubProperty(p);
    if (e.disable)
        (e.disable == 1 ? p : m_group)->setEnabled(false);
    QtBrowserItem *item = m_browser->items(p).value(0);
    QSignalSpy changed(p->propertyManager(), &QtAbstractPropertyManager::propertyChanged);
    QSignalSpy clicks(&m->buttons, &Utils::ButtonManager::buttonClicked);

    QTreeWidget *tree = m_browser->treeWidget();
    const QPoint cell(tree->header()->sectionViewportPosition(start == "double click" ? 0 : 1)
                          + 12, tree->visualItemRect(row(item)).center().y());
    if (start.contains("click")) {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, cell);
        if (start == "double click")
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, cell);
    } else {
        m_browser->setCurrentItem(item);
        QTest::keyClick(tree, start == "F2" ? Qt::Key_F2
                              : start == "Space" ? Qt::Key_Space : Qt::Key_Return);
    }
    QCOMPARE(editor(item) != nullptr, e.disable == 0);
    if (!typed.isEmpty()) {
        QCOMPARE(QApplication::activePopupWidget() != nullptr, kind == "enum" && !e.disable);
        QWidget *const target = nullptr; // keys go to the open list or the focus widget
        QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(target, typed);
        QCOMPARE(changed.count(), 0);
        QTest::keyClick(target, Qt::Key(e.finish));
        QTRY_VERIFY(!QApplication::activePopupWidget());
    }
    // Leaving the editor must not commit what Escape took back.
    tree->setFocus();
    QCOMPARE(row(item)->text(1), QString(e.text));
    QCOMPARE(row(item)->data(1, Qt::CheckStateRole).toInt(), QString(e.text) == "True" ? 2 : 0);
    QCOMPARE(changed.count() + clicks.count(), e.changes);
}

void TestPropertyBrowser::openEditorFollowsManager()
{
    QtProperty *threshold = m->doubles.addProperty("Threshold");
    m->doubles.setDecimals(threshold, 3);
    m->doubles.setValue(threshold, 50.1234);
    QtProperty *unit = m->enums.addProperty("Unit");
    m_group->addSubProperty(threshold);
    m_group->addSubProperty(unit);

    QtBrowserItem *thresholdItem = m_browser->items(threshold).value(0);
    m_browser->setCurrentItem(thresholdItem);
    auto *spinBox = qobject_cast<QDoubleSpinBox *>(editor(thresholdItem));
    QVERIFY(spinBox);
    QCOMPARE(spinBox->value(), 50.123);
    m->doubles.setDecimals(threshold, 1);
    m->doubles.setMaximum(threshold, 20.0);
    QCOMPARE(spinBox->decimals(), 1);
    QCOMPARE(spinBox->value(), 20.0);
    threshold->setEnabled(false);
    QVERIFY(!editor(thresholdItem));

    QtBrowserItem *unitItem = m_browser->items(unit).value(0);
    m_browser->setCurrentItem(unitItem);
    auto *combo = qobject_cast<QComboBox *>(editor(unitItem));
    QVERIFY(combo);
    m->enums.setEnumNames(unit, {"mbar", "kPa", "inHg"});
    m->enums.setValue(unit, 2);
    QCOMPARE(combo->currentText(), QString("inHg"));
    // A wheel turned over an editor without focus scrolls the tree, not the value.
    for (const bool focused : {false, true}) {
        focused ? combo->setFocus() : combo->clearFocus();
        QWheelEvent wheel(QPointF(5, 5), combo->mapToGlobal(QPoint(5, 5)), QPoint(),
                          QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(combo, &wheel);
        QCOMPARE(m->enums.value(unit), focused ? 1 : 2);
    }
    // The managers may go before the browser, an editor open.
    m.reset();
    QVERIFY(m_browser->topLevelItems().isEmpty());
    QCOMPARE(m_browser->treeWidget()->topLevelItemCount(), 0);
    QVERIFY(!m_browser->currentItem());
}

void TestPropertyBrowser::rowsFollowTheProperties()
{
    QtProperty *service = m->groups.addProperty("Service");
    QtProperty *hysteresis = m->doubles.addProperty("Hysteresis");
    m_group->addSubProperty(hysteresis);
    m_browser->addProperty(service);
    QtBrowserItem *serviceItem = m_browser->topLevelItem(service);
    QVERIFY(m_browser->isExpanded(serviceItem));
    m_browser->setExpanded(serviceItem, false);
    QVERIFY(!m_browser->isExpanded(serviceItem));
    m_browser->setItemVisible(serviceItem, false);

    // Rows arrive in the properties' order, in every place a property hangs, and a
    // hidden row stays hidden.
    QtProperty *counter = m->ints.addProperty("Counter");
    service->addSubProperty(counter);
    service->insertSubProperty(hysteresis, nullptr);
    service->setPropertyName("Service menu");
    QVERIFY(!m_browser->isItemVisible(serviceItem));
    QCOMPARE(row(serviceItem)->text(0), QString("Service menu"));
    QCOMPARE(serviceItem->children().at(0)->property(), hysteresis);
    m->doubles.setValue(hysteresis, 1.5);
    QCOMPARE(row(m_browser->items(hysteresis).at(0))->text(1), QString("1.50"));
    QCOMPARE(row(m_browser->items(hysteresis).at(1))->text(1), QString("1.50"));

    QSignalSpy current(m_browser.get(), &QtTreePropertyBrowser::currentItemChanged);
    m_browser->setCurrentItem(serviceItem->children().at(1));
    QCOMPARE(current.count(), 1);
    QCOMPARE(current.first().at(0).value<QtBrowserItem *>(), serviceItem->children().at(1));
    service->removeSubProperty(counter);
    QCOMPARE(row(serviceItem)->childCount(), 1);
    m->doubles.clear();
    QCOMPARE(row(serviceItem)->childCount(), 0);
    QCOMPARE(row(m_browser->topLevelItem(m_group))->childCount(), 0);
    m_browser->removeProperty(service);
    QCOMPARE(m_browser->treeWidget()->topLevelItemCount(), 1);
    m_browser->clear(); // every row goes, the properties stay
    QCOMPARE(m_browser->treeWidget()->topLevelItemCount(), 0);
    QCOMPARE(m_browser->topLevelItems().size(), 0);
    QCOMPARE(m_group->propertyName(), QString("Output 1"));
}

QTEST_MAIN(TestPropertyBrowser)
#include "tst_propertybrowser.moc"
