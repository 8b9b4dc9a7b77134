#include "propertybrowser/qteditorfactory.h"
#include "propertybrowser/qtpropertymanager.h"
#include "propertybrowser/qttreepropertybrowser.h"
#include "utils/buttonfactory.h"
#include "utils/buttonmanager.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

// Drives the browser the way a person does: clicks on value cells, typing, keys.
class TestTreePropertyBrowser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void typingIntoDoubleSpinBox_data();
    void typingIntoDoubleSpinBox();
    void choosingEnumEntry_data();
    void choosingEnumEntry();
    void clickingCheckBoxToggles();
    void lineEditCommitsOnEnterAndRevertsOnEscape();
    void disabledRowRefusesEditing_data();
    void disabledRowRefusesEditing();
    void openEditorFollowsManager();
    void hiddenItemStaysHiddenWhenChildrenArrive();
    void sharedPropertyUpdatesEveryRow();
    void attachAndDetachShowAtOnce();
    void destroyedPropertyLeavesTree();
    void buttonRowEmitsButtonClicked();
    void currentItemSignal();
    void doubleClickOnNameStartsEditing();
    void managersMayGoBeforeTheBrowser();

private:
    QTreeWidgetItem *row(QtBrowserItem *item) const;
    QPoint valueCell(QtBrowserItem *item) const;
    void clickValue(QtBrowserItem *item);
    QWidget *editorOf(QtBrowserItem *item) const;

    std::unique_ptr<QObject> m_owner;
    std::unique_ptr<QtTreePropertyBrowser> m_browser;
    QtGroupPropertyManager *m_groups = nullptr;
    QtBoolPropertyManager *m_bools = nullptr;
    QtIntPropertyManager *m_ints = nullptr;
    QtDoublePropertyManager *m_doubles = nullptr;
    QtStringPropertyManager *m_strings = nullptr;
    QtEnumPropertyManager *m_enums = nullptr;
    Utils::ButtonManager *m_buttons = nullptr;
    QtProperty *m_root = nullptr;
};

void TestTreePropertyBrowser::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestTreePropertyBrowser::init()
{
    m_owner = std::make_unique<QObject>();
    m_groups = new QtGroupPropertyManager(m_owner.get());
    m_bools = new QtBoolPropertyManager(m_owner.get());
    m_ints = new QtIntPropertyManager(m_owner.get());
    m_doubles = new QtDoublePropertyManager(m_owner.get());
    m_strings = new QtStringPropertyManager(m_owner.get());
    m_enums = new QtEnumPropertyManager(m_owner.get());
    m_buttons = new Utils::ButtonManager(m_owner.get());

    m_browser = std::make_unique<QtTreePropertyBrowser>();
    m_browser->setFactoryForManager(m_bools, new QtCheckBoxFactory(m_owner.get()));
    m_browser->setFactoryForManager(m_ints, new QtSpinBoxFactory(m_owner.get()));
    m_browser->setFactoryForManager(m_doubles, new QtDoubleSpinBoxFactory(m_owner.get()));
    m_browser->setFactoryForManager(m_strings, new QtLineEditFactory(m_owner.get()));
    m_browser->setFactoryForManager(m_enums, new QtEnumEditorFactory(m_owner.get()));
    m_browser->setFactoryForManager(m_buttons, new Utils::ButtonFactory(m_owner.get()));
    m_browser->setResizeMode(QtTreePropertyBrowser::Stretch);
    m_root = m_groups->addProperty("Sensor");
    m_browser->addProperty(m_root);
    m_browser->resize(420, 360);
    m_browser->show();
    QApplication::setActiveWindow(m_browser.get());
    QVERIFY(QTest::qWaitForWindowActive(m_browser.get()));
}

void TestTreePropertyBrowser::cleanup()
{
    // The browser goes first, like a window that owns both.
    m_browser.reset();
    m_owner.reset();
}

QTreeWidgetItem *TestTreePropertyBrowser::row(QtBrowserItem *item) const
{
    QList<int> path;
    for (QtBrowserItem *i = item; i; i = i->parent()) {
        const QList<QtBrowserItem *> siblings =
            i->parent() ? i->parent()->children() : m_browser->topLevelItems();
        path.prepend(siblings.indexOf(i));
    }
    QTreeWidgetItem *result = m_browser->treeWidget()->topLevelItem(path.takeFirst());
    for (int index : path)
        result = result->child(index);
    return result;
}

QPoint TestTreePropertyBrowser::valueCell(QtBrowserItem *item) const
{
    QTreeWidget *tree = m_browser->treeWidget();
    const QRect rect = tree->visualItemRect(row(item));
    return QPoint(tree->header()->sectionViewportPosition(1) + 12, rect.center().y());
}

void TestTreePropertyBrowser::clickValue(QtBrowserItem *item)
{
    QTest::mouseClick(m_browser->treeWidget()->viewport(), Qt::LeftButton, {}, valueCell(item));
}

QWidget *TestTreePropertyBrowser::editorOf(QtBrowserItem *item) const
{
    return m_browser->treeWidget()->itemWidget(row(item), 1);
}

void TestTreePropertyBrowser::typingIntoDoubleSpinBox_data()
{
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("expected");
    QTest::addColumn<int>("emits");
    QTest::addColumn<int>("finishKey");

    const int enter = Qt::Key_Return;
    QTest::newRow("beyond the maximum is clamped")
        << 0.0 << 10.0 << 2 << "12.3456" << 10.0 << 1 << enter;
    QTest::newRow("below the minimum is clamped")
        << -5.0 << 10.0 << 1 << "-70" << -5.0 << 1 << enter;
    QTest::newRow("extra decimals are rounded")
        << 0.0 << 10.0 << 2 << "3.14159" << 3.14 << 1 << enter;
    QTest::newRow("three decimals kept") << 0.0 << 100.0 << 3 << "42.125" << 42.125 << 1 << enter;
    QTest::newRow("the current value emits nothing")
        << 0.0 << 10.0 << 2 << "2.500" << 2.5 << 0 << enter;
    QTest::newRow("Escape takes the typing back")
        << 0.0 << 10.0 << 2 << "7.25" << 2.5 << 0 << int(Qt::Key_Escape);
}

void TestTreePropertyBrowser::typingIntoDoubleSpinBox()
{
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(int, decimals);
    QFETCH(QString, typed);
    QFETCH(double, expected);
    QFETCH(int, emits);
    QFETCH(int, finishKey);

    QtProperty *threshold = m_doubles->addProperty("Threshold");
    m_doubles->setRange(threshold, minimum, maximum);
    m_doubles->setDecimals(threshold, decimals);
    m_doubles->setValue(threshold, 2.5);
    m_root->addSubProperty(threshold);
    QtBrowserItem *item = m_browser->items(threshold).value(0);
    QVERIFY(item);

    QSignalSpy values(m_doubles, &QtDoublePropertyManager::valueChanged);
    clickValue(item);
    auto *spinBox = qobject_cast<QDoubleSpinBox *>(editorOf(item));
    QVERIFY(spinBox);
    QTRY_VERIFY(spinBox->hasFocus());
    QTest::keyClick(spinBox, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spinBox, typed);
    QCOMPARE(values.count(), 0);
    QTest::keyClick(spinBox, Qt::Key(finishKey));
    // Leaving the editor must not commit what Escape took back.
    m_browser->treeWidget()->setFocus();

    QCOMPARE(values.count(), emits);
    QCOMPARE(m_doubles->value(threshold), expected);
    QCOMPARE(spinBox->text(), QString::number(expected, 'f', decimals));
    if (emits)
        QCOMPARE(values.first().at(1).toDouble(), expected);
    QCOMPARE(row(item)->text(1), QString::number(expected, 'f', decimals));
    QCOMPARE(spinBox->value(), expected);
}

void TestTreePropertyBrowser::choosingEnumEntry_data()
{
    QTest::addColumn<int>("downKeys");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("emits");

    QTest::newRow("one entry down picks index 1") << 1 << 1 << 1;
    QTest::newRow("going past the end picks the last") << 6 << 2 << 1;
    QTest::newRow("closing on the current entry emits nothing") << 0 << 0 << 0;
}

void TestTreePropertyBrowser::choosingEnumEntry()
{
    QFETCH(int, downKeys);
    QFETCH(int, expected);
    QFETCH(int, emits);

    QtProperty *unit = m_enums->addProperty("Unit");
    m_enums->setEnumNames(unit, {"bar", "psi", "MPa"});
    m_root->addSubProperty(unit);
    QtBrowserItem *item = m_browser->items(unit).value(0);

    QSignalSpy values(m_enums, &QtEnumPropertyManager::valueChanged);
    clickValue(item);
    auto *combo = qobject_cast<QComboBox *>(editorOf(item));
    QVERIFY(combo);
    // One click on the cell opens the list.
    QTRY_VERIFY(combo->view()->isVisible());
    for (int i = 0; i < downKeys; ++i)
        QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QTRY_VERIFY(!combo->view()->isVisible());

    QCOMPARE(values.count(), emits);
    QCOMPARE(m_enums->value(unit), expected);
    if (emits)
        QCOMPARE(values.first().at(1).toInt(), expected);
    QCOMPARE(row(item)->text(1), m_enums->enumNames(unit).at(expected));
}

void TestTreePropertyBrowser::clickingCheckBoxToggles()
{
    QtProperty *invert = m_bools->addProperty("Invert output");
    m_root->addSubProperty(invert);
    QtBrowserItem *item = m_browser->items(invert).value(0);
    QCOMPARE(row(item)->data(1, Qt::CheckStateRole).toInt(), int(Qt::Unchecked));

    QSignalSpy values(m_bools, &QtBoolPropertyManager::valueChanged);
    // The first click on a row that was not current already toggles.
    clickValue(item);
    QCOMPARE(values.count(), 1);
    QCOMPARE(m_bools->value(invert), true);
    QCOMPARE(row(item)->data(1, Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(row(item)->text(1), QString("True"));

    QTest::keyClick(m_browser->treeWidget(), Qt::Key_Space);
    QCOMPARE(values.count(), 2);
    QCOMPARE(m_bools->value(invert), false);
    auto *box = editorOf(item)->findChild<QCheckBox *>();
    QVERIFY(box);
    QVERIFY(!box->isChecked());
}

void TestTreePropertyBrowser::lineEditCommitsOnEnterAndRevertsOnEscape()
{
    QtProperty *tag = m_strings->addProperty("Tag");
    m_strings->setValue(tag, "old");
    m_root->addSubProperty(tag);
    QtBrowserItem *item = m_browser->items(tag).value(0);

    QSignalSpy values(m_strings, &QtStringPropertyManager::valueChanged);
    m_browser->editItem(item);
    auto *edit = qobject_cast<QLineEdit *>(editorOf(item));
    QVERIFY(edit);
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClicks(edit, "typed");
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(edit->text(), QString("old"));
    QCOMPARE(values.count(), 0);

    edit->selectAll();
    QTest::keyClicks(edit, "Tank 3");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(values.count(), 1);
    QCOMPARE(m_strings->value(tag), QString("Tank 3"));
    QCOMPARE(row(item)->text(1), QString("Tank 3"));
}

void TestTreePropertyBrowser::disabledRowRefusesEditing_data()
{
    QTest::addColumn<bool>("disableGroup");
    QTest::newRow("disabled property") << false;
    QTest::newRow("property below a disabled group") << true;
}

void TestTreePropertyBrowser::disabledRowRefusesEditing()
{
    QFETCH(bool, disableGroup);

    QtProperty *group = m_groups->addProperty("Output");
    QtProperty *count = m_ints->addProperty("Count");
    QtProperty *invert = m_bools->addProperty("Invert");
    m_ints->setRange(count, 0, 100);
    m_ints->setValue(count, 5);
    group->addSubProperty(count);
    group->addSubProperty(invert);
    m_root->addSubProperty(group);
    (disableGroup ? group : count)->setEnabled(false);
    if (!disableGroup)
        invert->setEnabled(false);
    QtBrowserItem *countItem = m_browser->items(count).value(0);
    QtBrowserItem *invertItem = m_browser->items(invert).value(0);

    QSignalSpy ints(m_ints, &QtIntPropertyManager::valueChanged);
    QSignalSpy bools(m_bools, &QtBoolPropertyManager::valueChanged);
    clickValue(countItem);
    QCOMPARE(m_browser->currentItem(), countItem);
    QVERIFY(!editorOf(countItem));
    QTest::keyClick(m_browser->treeWidget(), Qt::Key_F2);
    QTest::keyClicks(m_browser->treeWidget(), "99");
    QTest::keyClick(m_browser->treeWidget(), Qt::Key_Return);
    clickValue(invertItem);
    QTest::keyClick(m_browser->treeWidget(), Qt::Key_Space);
    QVERIFY(!editorOf(invertItem));
    QCOMPARE(ints.count(), 0);
    QCOMPARE(bools.count(), 0);
    QCOMPARE(m_ints->value(count), 5);

    // Enabled again, the current row gets its editor at once.
    group->setEnabled(true);
    count->setEnabled(true);
    invert->setEnabled(true);
    QVERIFY(editorOf(invertItem));
    clickValue(countItem);
    QVERIFY(qobject_cast<QSpinBox *>(editorOf(countItem)));
}

void TestTreePropertyBrowser::openEditorFollowsManager()
{
    QtProperty *threshold = m_doubles->addProperty("Threshold");
    m_doubles->setRange(threshold, 0.0, 100.0);
    m_doubles->setDecimals(threshold, 3);
    m_doubles->setValue(threshold, 50.1234);
    QtProperty *unit = m_enums->addProperty("Unit");
    m_enums->setEnumNames(unit, {"bar", "psi"});
    m_root->addSubProperty(threshold);
    m_root->addSubProperty(unit);

    QtBrowserItem *thresholdItem = m_browser->items(threshold).value(0);
    m_browser->setCurrentItem(thresholdItem);
    auto *spinBox = qobject_cast<QDoubleSpinBox *>(editorOf(thresholdItem));
    QVERIFY(spinBox);
    QCOMPARE(spinBox->value(), 50.123);
    m_doubles->setDecimals(threshold, 1);
    m_doubles->setMaximum(threshold, 20.0);
    QCOMPARE(spinBox->decimals(), 1);
    QCOMPARE(spinBox->maximum(), 20.0);
    QCOMPARE(spinBox->value(), 20.0);
    threshold->setEnabled(false);
    QVERIFY(!editorOf(thresholdItem));

    QtBrowserItem *unitItem = m_browser->items(unit).value(0);
    m_browser->setCurrentItem(unitItem);
    auto *combo = qobject_cast<QComboBox *>(editorOf(unitItem));
    QVERIFY(combo);
    m_enums->setEnumNames(unit, {"mbar", "kPa", "inHg"});
    m_enums->setValue(unit, 2);
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->currentText(), QString("inHg"));
}

void TestTreePropertyBrowser::hiddenItemStaysHiddenWhenChildrenArrive()
{
    QtProperty *group = m_groups->addProperty("Service");
    m_root->addSubProperty(group);
    QtBrowserItem *groupItem = m_browser->items(group).value(0);
    m_browser->setItemVisible(groupItem, false);
    QVERIFY(!m_browser->isItemVisible(groupItem));

    QtProperty *first = m_ints->addProperty("Counter");
    QtProperty *second = m_strings->addProperty("Note");
    group->addSubProperty(first);
    group->insertSubProperty(second, nullptr);
    m_strings->setValue(second, "changed");
    group->setPropertyName("Service menu");

    QVERIFY(!m_browser->isItemVisible(groupItem));
    QVERIFY(row(groupItem)->isHidden());
    QCOMPARE(groupItem->children().size(), 2);
    QCOMPARE(groupItem->children().at(0)->property(), second);
    QVERIFY(m_browser->treeWidget()->visualItemRect(row(groupItem->children().at(1))).isEmpty());

    m_browser->setItemVisible(groupItem, true);
    QVERIFY(m_browser->isItemVisible(groupItem));
    QVERIFY(!m_browser->treeWidget()->visualItemRect(row(groupItem)).isEmpty());
}

void TestTreePropertyBrowser::sharedPropertyUpdatesEveryRow()
{
    QtProperty *left = m_groups->addProperty("Output 1");
    QtProperty *right = m_groups->addProperty("Output 2");
    QtProperty *hysteresis = m_doubles->addProperty("Hysteresis");
    m_root->addSubProperty(left);
    m_root->addSubProperty(right);
    left->addSubProperty(hysteresis);
    right->addSubProperty(hysteresis);

    const QList<QtBrowserItem *> places = m_browser->items(hysteresis);
    QCOMPARE(places.size(), 2);
    QCOMPARE(places.at(0)->parent()->property(), left);
    QCOMPARE(places.at(1)->parent()->property(), right);

    // An edit in one row shows in both.
    QSignalSpy values(m_doubles, &QtDoublePropertyManager::valueChanged);
    clickValue(places.at(1));
    auto *spinBox = qobject_cast<QDoubleSpinBox *>(editorOf(places.at(1)));
    QVERIFY(spinBox);
    QTRY_VERIFY(spinBox->hasFocus());
    QTest::keyClick(spinBox, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spinBox, "1.5");
    QTest::keyClick(spinBox, Qt::Key_Return);
    QCOMPARE(values.count(), 1);
    QCOMPARE(row(places.at(0))->text(1), QString("1.50"));
    QCOMPARE(row(places.at(1))->text(1), QString("1.50"));

    hysteresis->setPropertyName("Hysteresis band");
    QCOMPARE(row(places.at(0))->text(0), QString("Hysteresis band"));
    QCOMPARE(row(places.at(1))->text(0), QString("Hysteresis band"));
}

void TestTreePropertyBrowser::attachAndDetachShowAtOnce()
{
    QtProperty *group = m_groups->addProperty("Limits");
    QtProperty *low = m_ints->addProperty("Low");
    QtProperty *nested = m_groups->addProperty("Nested");
    QtProperty *detail = m_strings->addProperty("Detail");
    nested->addSubProperty(detail);
    m_root->addSubProperty(group);
    group->addSubProperty(low);
    group->addSubProperty(nested);
    QCOMPARE(m_browser->items(detail).size(), 1);
    QCOMPARE(row(m_browser->items(group).value(0))->childCount(), 2);

    m_browser->setCurrentItem(m_browser->items(low).value(0));
    group->removeSubProperty(low);
    group->removeSubProperty(nested);
    QVERIFY(m_browser->items(low).isEmpty());
    QVERIFY(m_browser->items(detail).isEmpty());
    QCOMPARE(row(m_browser->items(group).value(0))->childCount(), 0);
    // Detached properties live on with their manager and can come back.
    QCOMPARE(m_ints->properties(), QList<QtProperty *>{low});
    QCOMPARE(nested->subProperties(), QList<QtProperty *>{detail});
    group->addSubProperty(nested);
    QCOMPARE(m_browser->items(detail).size(), 1);
}

void TestTreePropertyBrowser::destroyedPropertyLeavesTree()
{
    QtProperty *count = m_ints->addProperty("Count");
    m_root->addSubProperty(count);
    QtBrowserItem *item = m_browser->items(count).value(0);
    m_browser->setCurrentItem(item);
    QVERIFY(editorOf(item));
    const int rowsBefore = row(m_browser->topLevelItem(m_root))->childCount();

    m_ints->clear();
    QVERIFY(m_browser->items(count).isEmpty());
    QCOMPARE(row(m_browser->topLevelItem(m_root))->childCount(), rowsBefore - 1);
    QVERIFY(m_browser->currentItem() != item);

    m_browser->removeProperty(m_root);
    QVERIFY(m_browser->topLevelItems().isEmpty());
    QCOMPARE(m_browser->treeWidget()->topLevelItemCount(), 0);
}

void TestTreePropertyBrowser::buttonRowEmitsButtonClicked()
{
    QtProperty *reset = m_buttons->addProperty("Factory reset");
    m_buttons->setValue(reset, "Reset");
    m_root->addSubProperty(reset);
    QtBrowserItem *item = m_browser->items(reset).value(0);
    QCOMPARE(row(item)->text(1), QString("Reset"));

    QSignalSpy clicks(m_buttons, &Utils::ButtonManager::buttonClicked);
    clickValue(item);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.first().at(0).value<QtProperty *>(), reset);
    auto *button = qobject_cast<QPushButton *>(editorOf(item));
    QVERIFY(button);
    QCOMPARE(button->text(), QString("Reset"));

    m_buttons->setValue(reset, "Reset now");
    QCOMPARE(button->text(), QString("Reset now"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(clicks.count(), 2);

    reset->setEnabled(false);
    clickValue(item);
    m_buttons->click(reset);
    QCOMPARE(clicks.count(), 2);
}

void TestTreePropertyBrowser::currentItemSignal()
{
    QtProperty *count = m_ints->addProperty("Count");
    m_root->addSubProperty(count);
    QtBrowserItem *item = m_browser->items(count).value(0);
    QSignalSpy current(m_browser.get(), &QtTreePropertyBrowser::currentItemChanged);
    QTest::mouseClick(m_browser->treeWidget()->viewport(), Qt::LeftButton, {},
                      m_browser->treeWidget()->visualItemRect(row(item)).center());
    QCOMPARE(current.count(), 1);
    QCOMPARE(current.first().at(0).value<QtBrowserItem *>(), item);
    QCOMPARE(m_browser->currentItem(), item);
    QCOMPARE(item->browser(), m_browser.get());
}

void TestTreePropertyBrowser::doubleClickOnNameStartsEditing()
{
    QtProperty *delay = m_ints->addProperty("Switch delay");
    m_ints->setRange(delay, 0, 5000);
    m_root->addSubProperty(delay);
    QtBrowserItem *item = m_browser->items(delay).value(0);
    QTreeWidget *tree = m_browser->treeWidget();
    const QPoint name(tree->header()->sectionViewportPosition(0) + 40,
                      tree->visualItemRect(row(item)).center().y());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, name);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, name);
    auto *spinBox = qobject_cast<QSpinBox *>(editorOf(item));
    QVERIFY(spinBox);
    QTRY_VERIFY(spinBox->hasFocus());

    QSignalSpy values(m_ints, &QtIntPropertyManager::valueChanged);
    QTest::keyClicks(spinBox, "250");
    QTest::keyClick(spinBox, Qt::Key_Enter);
    QCOMPARE(values.count(), 1);
    QCOMPARE(m_ints->value(delay), 250);
}

void TestTreePropertyBrowser::managersMayGoBeforeTheBrowser()
{
    QtProperty *threshold = m_doubles->addProperty("Threshold");
    m_root->addSubProperty(threshold);
    m_browser->setCurrentItem(m_browser->items(threshold).value(0));
    QVERIFY(editorOf(m_browser->items(threshold).value(0)));

    m_owner.reset();
    QVERIFY(m_browser->topLevelItems().isEmpty());
    QCOMPARE(m_browser->treeWidget()->topLevelItemCount(), 0);
    QVERIFY(!m_browser->currentItem());
}

QTEST_MAIN(TestTreePropertyBrowser)
#include "tst_treepropertybrowser.moc"
