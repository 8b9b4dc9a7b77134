#include "propertybrowser/qtpropertymanager.h"

#include <QSignalSpy>
#include <QtTest>

#include <cfloat>

class TestPropertyManagers : public QObject
{
    Q_OBJECT

private slots:
    void doubleRules_data();
    void doubleRules();
    void intRules_data();
    void intRules();
    void enumRules_data();
    void enumRules();
    void valueChangedOnlyOnRealChange_data();
    void valueChangedOnlyOnRealChange();
    void boolTexts_data();
    void boolTexts();
    void propertyChangedForVisibleChanges();
    void subPropertyStructure();
    void cyclesAreRefused();
    void detachingNeverDeletes();
    void managerDeletesItsProperties();
};

enum class DoubleOp { Value, Minimum, Maximum, Range, Decimals };
Q_DECLARE_METATYPE(DoubleOp)

void TestPropertyManagers::doubleRules_data()
{
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("start");
    QTest::addColumn<DoubleOp>("op");
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<double>("expected");
    QTest::addColumn<int>("emits");

    QTest::newRow("value above the maximum is clamped")
        << 0.0 << 10.0 << 2 << 1.0 << DoubleOp::Value << 12.3456 << 0.0 << 10.0 << 1;
    QTest::newRow("value below the minimum is clamped")
        << -5.0 << 10.0 << 2 << 1.0 << DoubleOp::Value << -7.5 << 0.0 << -5.0 << 1;
    QTest::newRow("value is rounded to the decimals")
        << 0.0 << 10.0 << 2 << 1.0 << DoubleOp::Value << 3.14159 << 0.0 << 3.14 << 1;
    QTest::newRow("rounding up past the maximum stays inside")
        << 0.0 << 9.999 << 2 << 1.0 << DoubleOp::Value << 9.998 << 0.0 << 9.99 << 1;
    QTest::newRow("value equal after rounding emits nothing")
        << 0.0 << 10.0 << 2 << 2.5 << DoubleOp::Value << 2.5031 << 0.0 << 2.5 << 0;
    QTest::newRow("lowering the maximum moves the value")
        << 0.0 << 10.0 << 3 << 8.0 << DoubleOp::Maximum << 5.5 << 0.0 << 5.5 << 1;
    QTest::newRow("raising the minimum moves the value")
        << 0.0 << 10.0 << 3 << 1.0 << DoubleOp::Minimum << 2.25 << 0.0 << 2.25 << 1;
    QTest::newRow("widening the range keeps the value")
        << 0.0 << 10.0 << 3 << 4.0 << DoubleOp::Range << -100.0 << 100.0 << 4.0 << 0;
    QTest::newRow("narrowing the range around the value keeps it")
        << 0.0 << 10.0 << 3 << 4.0 << DoubleOp::Range << 3.0 << 5.0 << 4.0 << 0;
    QTest::newRow("range entirely below the value moves it to the maximum")
        << 0.0 << 10.0 << 3 << 8.0 << DoubleOp::Range << 1.0 << 2.0 << 2.0 << 1;
    QTest::newRow("fewer decimals round the value")
        << 0.0 << 10.0 << 3 << 1.236 << DoubleOp::Decimals << 1.0 << 0.0 << 1.2 << 1;
    QTest::newRow("more decimals keep the value")
        << 0.0 << 10.0 << 1 << 1.2 << DoubleOp::Decimals << 4.0 << 0.0 << 1.2 << 0;
    QTest::newRow("fewer decimals never leave the maximum")
        << 0.0 << 1.26 << 2 << 1.26 << DoubleOp::Decimals << 1.0 << 0.0 << 1.2 << 1;
    QTest::newRow("fewer decimals never leave the minimum")
        << 0.24 << 10.0 << 2 << 0.24 << DoubleOp::Decimals << 1.0 << 0.0 << 0.3 << 1;
    QTest::newRow("zero decimals give whole numbers")
        << -50.0 << 50.0 << 3 << -2.5 << DoubleOp::Decimals << 0.0 << 0.0 << -3.0 << 1;
    QTest::newRow("not-a-number is ignored")
        << 0.0 << 10.0 << 2 << 1.5 << DoubleOp::Value << qQNaN() << 0.0 << 1.5 << 0;
}

void TestPropertyManagers::doubleRules()
{
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(int, decimals);
    QFETCH(double, start);
    QFETCH(DoubleOp, op);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(double, expected);
    QFETCH(int, emits);

    QtDoublePropertyManager manager;
    QtProperty *property = manager.addProperty("Threshold");
    manager.setDecimals(property, decimals);
    manager.setRange(property, minimum, maximum);
    manager.setValue(property, start);
    QCOMPARE(manager.value(property), start);

    QSignalSpy values(&manager, &QtDoublePropertyManager::valueChanged);
    QSignalSpy changes(&manager, &QtAbstractPropertyManager::propertyChanged);
    switch (op) {
    case DoubleOp::Value:
        manager.setValue(property, a);
        break;
    case DoubleOp::Minimum:
        manager.setMinimum(property, a);
        break;
    case DoubleOp::Maximum:
        manager.setMaximum(property, a);
        break;
    case DoubleOp::Range:
        manager.setRange(property, a, b);
        break;
    case DoubleOp::Decimals:
        manager.setDecimals(property, int(a));
        break;
    }
    QCOMPARE(manager.value(property), expected);
    QVERIFY(manager.value(property) >= manager.minimum(property));
    QVERIFY(manager.value(property) <= manager.maximum(property));
    QCOMPARE(values.count(), emits);
    if (emits) {
        QCOMPARE(values.first().at(0).value<QtProperty *>(), property);
        QCOMPARE(values.first().at(1).toDouble(), expected);
        QVERIFY(changes.count() >= 1);
    }
    QCOMPARE(property->valueText(),
             QLocale().toString(expected, 'f', manager.decimals(property)));
}

void TestPropertyManagers::intRules_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("expectedMaximum");
    QTest::addColumn<int>("emits");

    QTest::newRow("range around the value keeps it") << 5 << 0 << 10 << 5 << 10 << 0;
    QTest::newRow("maximum below the value moves it") << 50 << 0 << 20 << 20 << 20 << 1;
    QTest::newRow("minimum above the value moves it") << -3 << 1 << 20 << 1 << 20 << 1;
    QTest::newRow("inverted range collapses to the minimum") << 5 << 8 << 2 << 8 << 8 << 1;
}

void TestPropertyManagers::intRules()
{
    QFETCH(int, start);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, expected);
    QFETCH(int, expectedMaximum);
    QFETCH(int, emits);

    QtIntPropertyManager manager;
    QtProperty *property = manager.addProperty("Averaging");
    manager.setValue(property, start);
    QSignalSpy values(&manager, &QtIntPropertyManager::valueChanged);
    QSignalSpy ranges(&manager, &QtIntPropertyManager::rangeChanged);
    manager.setRange(property, minimum, maximum);
    QCOMPARE(manager.value(property), expected);
    QCOMPARE(manager.maximum(property), expectedMaximum);
    QCOMPARE(values.count(), emits);
    QCOMPARE(ranges.count(), 1);

    manager.setValue(property, expectedMaximum + 1000);
    QCOMPARE(manager.value(property), expectedMaximum);
}

void TestPropertyManagers::enumRules_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("start");
    QTest::addColumn<QStringList>("newNames");
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("expectedText");

    const QStringList units{"bar", "psi", "MPa"};
    QTest::newRow("new names select the first")
        << units << 2 << QStringList{"mA", "V"} << -2 << 0 << "mA";
    QTest::newRow("empty names select none") << units << 1 << QStringList() << -2 << -1 << "";
    QTest::newRow("the same names keep the index") << units << 2 << units << -2 << 2 << "MPa";
    QTest::newRow("index past the end is ignored") << units << 1 << units << 3 << 1 << "psi";
    QTest::newRow("negative index is ignored") << units << 1 << units << -1 << 1 << "psi";
    QTest::newRow("index inside the names is taken") << units << 0 << units << 2 << 2 << "MPa";
    QTest::newRow("without names no index is taken")
        << QStringList() << 0 << QStringList() << 0 << -1 << "";
}

void TestPropertyManagers::enumRules()
{
    QFETCH(QStringList, names);
    QFETCH(int, start);
    QFETCH(QStringList, newNames);
    QFETCH(int, request);
    QFETCH(int, expected);
    QFETCH(QString, expectedText);

    QtEnumPropertyManager manager;
    QtProperty *property = manager.addProperty("Unit");
    QCOMPARE(manager.value(property), -1);
    manager.setEnumNames(property, names);
    manager.setValue(property, start);
    const int before = manager.value(property);

    QSignalSpy values(&manager, &QtEnumPropertyManager::valueChanged);
    manager.setEnumNames(property, newNames);
    if (request != -2)
        manager.setValue(property, request);
    QCOMPARE(manager.value(property), expected);
    QCOMPARE(property->valueText(), expectedText);
    QCOMPARE(values.count(), before == expected ? 0 : 1);
    if (!values.isEmpty())
        QCOMPARE(values.first().at(1).toInt(), expected);
}

void TestPropertyManagers::valueChangedOnlyOnRealChange_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QVariant>("first");
    QTest::addColumn<QVariant>("second");
    QTest::addColumn<int>("emits");

    QTest::newRow("bool set twice to true") << "bool" << QVariant(true) << QVariant(true) << 1;
    QTest::newRow("bool set true then false") << "bool" << QVariant(true) << QVariant(false) << 2;
    QTest::newRow("int set twice to 7") << "int" << QVariant(7) << QVariant(7) << 1;
    QTest::newRow("int set 7 then 8") << "int" << QVariant(7) << QVariant(8) << 2;
    QTest::newRow("string set twice") << "string" << QVariant("a") << QVariant("a") << 1;
    QTest::newRow("string changed") << "string" << QVariant("a") << QVariant("b") << 2;
    QTest::newRow("double equal once rounded")
        << "double" << QVariant(1.25) << QVariant(1.2500001) << 1;
    QTest::newRow("enum set twice to 1") << "enum" << QVariant(1) << QVariant(1) << 1;
}

void TestPropertyManagers::valueChangedOnlyOnRealChange()
{
    QFETCH(QString, kind);
    QFETCH(QVariant, first);
    QFETCH(QVariant, second);
    QFETCH(int, emits);

    QtBoolPropertyManager bools;
    QtIntPropertyManager ints;
    QtStringPropertyManager strings;
    QtDoublePropertyManager doubles;
    QtEnumPropertyManager enums;
    std::unique_ptr<QSignalSpy> spy;
    std::function<void(const QVariant &)> set;
    if (kind == "bool") {
        QtProperty *p = bools.addProperty();
        spy = std::make_unique<QSignalSpy>(&bools, &QtBoolPropertyManager::valueChanged);
        set = [&bools, p](const QVariant &v) { bools.setValue(p, v.toBool()); };
    } else if (kind == "int") {
        QtProperty *p = ints.addProperty();
        spy = std::make_unique<QSignalSpy>(&ints, &QtIntPropertyManager::valueChanged);
        set = [&ints, p](const QVariant &v) { ints.setValue(p, v.toInt()); };
    } else if (kind == "string") {
        QtProperty *p = strings.addProperty();
        spy = std::make_unique<QSignalSpy>(&strings, &QtStringPropertyManager::valueChanged);
        set = [&strings, p](const QVariant &v) { strings.setValue(p, v.toString()); };
    } else if (kind == "double") {
        QtProperty *p = doubles.addProperty();
        spy = std::make_unique<QSignalSpy>(&doubles, &QtDoublePropertyManager::valueChanged);
        set = [&doubles, p](const QVariant &v) { doubles.setValue(p, v.toDouble()); };
    } else {
        QtProperty *p = enums.addProperty();
        enums.setEnumNames(p, {"off", "on"});
        spy = std::make_unique<QSignalSpy>(&enums, &QtEnumPropertyManager::valueChanged);
        set = [&enums, p](const QVariant &v) { enums.setValue(p, v.toInt()); };
    }
    set(first);
    set(second);
    QCOMPARE(spy->count(), emits);
}

void TestPropertyManagers::boolTexts_data()
{
    QTest::addColumn<bool>("value");
    QTest::addColumn<QString>("trueText");
    QTest::addColumn<QString>("falseText");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty texts show True") << true << "" << "" << "True";
    QTest::newRow("empty texts show False") << false << "" << "" << "False";
    QTest::newRow("own text for true") << true << "On" << "Off" << "On";
    QTest::newRow("own text for false") << false << "On" << "Off" << "Off";
    QTest::newRow("only a true text leaves False") << false << "On" << "" << "False";
}

void TestPropertyManagers::boolTexts()
{
    QFETCH(bool, value);
    QFETCH(QString, trueText);
    QFETCH(QString, falseText);
    QFETCH(QString, expected);

    QtBoolPropertyManager manager;
    QtProperty *property = manager.addProperty("Invert output");
    QSignalSpy values(&manager, &QtBoolPropertyManager::valueChanged);
    manager.setValue(property, value, trueText, falseText);
    QCOMPARE(manager.value(property), value);
    QCOMPARE(property->valueText(), expected);
    QCOMPARE(values.count(), value ? 1 : 0);
    // The plain setter keeps the texts.
    manager.setValue(property, value);
    QCOMPARE(property->valueText(), expected);
}

void TestPropertyManagers::propertyChangedForVisibleChanges()
{
    QtDoublePropertyManager manager;
    QtProperty *property = manager.addProperty("Threshold");
    QSignalSpy changes(&manager, &QtAbstractPropertyManager::propertyChanged);

    property->setPropertyName("Switch point");
    property->setEnabled(false);
    property->setToolTip("Where the output switches");
    manager.setDecimals(property, 3);
    manager.setRange(property, 0.0, 5.0);
    QCOMPARE(changes.count(), 5);

    // Repeating a setting or changing the hidden identifier changes nothing visible.
    property->setPropertyName("Switch point");
    property->setEnabled(false);
    property->setPropertyId("SP1");
    manager.setRange(property, 0.0, 5.0);
    QCOMPARE(changes.count(), 5);
    QCOMPARE(property->propertyId(), QString("SP1"));
}

void TestPropertyManagers::subPropertyStructure()
{
    QtGroupPropertyManager groups;
    QtIntPropertyManager ints;
    QtProperty *group = groups.addProperty("Output 1");
    QtProperty *a = ints.addProperty("A");
    QtProperty *b = ints.addProperty("B");
    QtProperty *c = ints.addProperty("C");

    QSignalSpy inserted(&groups, &QtAbstractPropertyManager::propertyInserted);
    group->addSubProperty(a);
    group->addSubProperty(c);
    group->insertSubProperty(b, a);
    group->addSubProperty(a);
    QCOMPARE(group->subProperties(), (QList<QtProperty *>{a, b, c}));
    QCOMPARE(inserted.count(), 3);
    QCOMPARE(inserted.at(2).at(0).value<QtProperty *>(), b);
    QCOMPARE(inserted.at(2).at(1).value<QtProperty *>(), group);
    QCOMPARE(inserted.at(2).at(2).value<QtProperty *>(), a);

    group->insertSubProperty(ints.addProperty("First"), nullptr);
    QCOMPARE(group->subProperties().first()->propertyName(), QString("First"));
    QCOMPARE(a->parentProperties(), QList<QtProperty *>{group});
    QVERIFY(!group->hasValue());
    QVERIFY(a->hasValue());
    QCOMPARE(a->propertyManager(), &ints);
}

void TestPropertyManagers::cyclesAreRefused()
{
    QtGroupPropertyManager groups;
    QtProperty *top = groups.addProperty("top");
    QtProperty *middle = groups.addProperty("middle");
    QtProperty *bottom = groups.addProperty("bottom");
    top->addSubProperty(middle);
    middle->addSubProperty(bottom);

    bottom->addSubProperty(top);
    bottom->addSubProperty(middle);
    middle->addSubProperty(middle);
    QVERIFY(bottom->subProperties().isEmpty());
    QCOMPARE(middle->subProperties(), QList<QtProperty *>{bottom});

    // A second parent that is not an ancestor is fine.
    QtProperty *other = groups.addProperty("other");
    other->addSubProperty(bottom);
    QCOMPARE(bottom->parentProperties(), (QList<QtProperty *>{middle, other}));
}

void TestPropertyManagers::detachingNeverDeletes()
{
    QtGroupPropertyManager groups;
    QtStringPropertyManager strings;
    QtProperty *group = groups.addProperty("Device");
    QtProperty *name = strings.addProperty("Name");
    strings.setValue(name, "ZT4");
    group->addSubProperty(name);

    QSignalSpy removed(&groups, &QtAbstractPropertyManager::propertyRemoved);
    QSignalSpy destroyed(&strings, &QtAbstractPropertyManager::propertyDestroyed);
    group->removeSubProperty(name);
    group->removeSubProperty(name);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(destroyed.count(), 0);
    QVERIFY(group->subProperties().isEmpty());
    QVERIFY(name->parentProperties().isEmpty());
    QCOMPARE(strings.properties(), QList<QtProperty *>{name});
    QCOMPARE(strings.value(name), QString("ZT4"));
}

void TestPropertyManagers::managerDeletesItsProperties()
{
    QtGroupPropertyManager groups;
    auto ints = std::make_unique<QtIntPropertyManager>();
    QtProperty *group = groups.addProperty("Device");
    QtProperty *child = ints->addProperty("Count");
    QtProperty *grandChild = ints->addProperty("Detail");
    group->addSubProperty(child);
    child->addSubProperty(grandChild);

    QSignalSpy removed(&groups, &QtAbstractPropertyManager::propertyRemoved);
    QSignalSpy destroyed(ints.get(), &QtAbstractPropertyManager::propertyDestroyed);
    ints->clear();
    QCOMPARE(destroyed.count(), 2);
    QVERIFY(ints->properties().isEmpty());
    QCOMPARE(removed.count(), 1);
    QVERIFY(group->subProperties().isEmpty());

    ints->addProperty("Again");
    ints.reset();
    QCOMPARE(groups.properties(), QList<QtProperty *>{group});
}

QTEST_MAIN(TestPropertyManagers)
#include "tst_propertymanagers.moc"
