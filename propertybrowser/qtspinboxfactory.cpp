#include "propertybrowser/qtspinboxfactory.h"

#include "propertybrowser/qteditortracker_p.h"
#include "propertybrowser/qtwheelguard_p.h"

#include <QSignalBlocker>
#include <QSpinBox>

class QtSpinBoxFactoryPrivate
{
public:
    void sync(QtIntPropertyManager *manager, QtProperty *property)
    {
        for (QSpinBox *box : tracker.editors(property)) {
            const QSignalBlocker blocker(box);
            box->setRange(manager->minimum(property), manager->maximum(property));
            box->setSingleStep(manager->singleStep(property));
            box->setValue(manager->value(property));
            box->setEnabled(property->isEnabled());
        }
    }

    QtEditorTracker<QSpinBox> tracker;
};

QtSpinBoxFactory::QtSpinBoxFactory(QObject *parent)
    : QtAbstractEditorFactory<QtIntPropertyManager>(parent)
    , d(std::make_unique<QtSpinBoxFactoryPrivate>())
{
}

QtSpinBoxFactory::~QtSpinBoxFactory() = default;

void QtSpinBoxFactory::connectPropertyManager(QtIntPropertyManager *manager)
{
    connect(manager, &QtAbstractPropertyManager::propertyChanged, this,
            [this, manager](QtProperty *property) { d->sync(manager, property); });
    connect(manager, &QtIntPropertyManager::singleStepChanged, this,
            [this, manager](QtProperty *property) { d->sync(manager, property); });
    connect(manager, &QtAbstractPropertyManager::propertyDestroyed, this,
            [this](QtProperty *property) { d->tracker.forget(property); });
}

QWidget *QtSpinBoxFactory::createPropertyEditor(QtIntPropertyManager *manager,
                                                QtProperty *property, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setFrame(false);
    box->setAutoFillBackground(true);
    // Typing commits on Enter or when the box loses focus, not on every digit.
    box->setKeyboardTracking(false);
    QtWheelGuard::install(box);
    d->tracker.add(property, box, this);
    d->sync(manager, property);
    connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, [this, box](int value) {
        QtProperty *edited = d->tracker.property(box);
        if (QtIntPropertyManager *owner = propertyManager(edited))
            owner->setValue(edited, value);
    });
    return box;
}

void QtSpinBoxFactory::disconnectPropertyManager(QtIntPropertyManager *manager)
{
    const QList<QtProperty *> properties = manager->properties();
    for (QtProperty *property : properties)
        d->tracker.forget(property);
}
