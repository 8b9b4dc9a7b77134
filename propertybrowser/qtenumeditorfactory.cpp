#include "propertybrowser/qtenumeditorfactory.h"

#include "propertybrowser/qteditortracker_p.h"
#include "propertybrowser/qtwheelguard_p.h"

#include <QComboBox>
#include <QSignalBlocker>

class QtEnumEditorFactoryPrivate
{
public:
    void sync(QtEnumPropertyManager *manager, QtProperty *property)
    {
        for (QComboBox *box : tracker.editors(property)) {
            const QSignalBlocker blocker(box);
            const QStringList names = manager->enumNames(property);
            QStringList shown;
            for (int i = 0; i < box->count(); ++i)
                shown.append(box->itemText(i));
            if (shown != names) {
                box->clear();
                box->addItems(names);
            }
            box->setCurrentIndex(manager->value(property));
            box->setEnabled(property->isEnabled());
        }
    }

    QtEditorTracker<QComboBox> tracker;
};

QtEnumEditorFactory::QtEnumEditorFactory(QObject *parent)
    : QtAbstractEditorFactory<QtEnumPropertyManager>(parent)
    , d(std::make_unique<QtEnumEditorFactoryPrivate>())
{
}

QtEnumEditorFactory::~QtEnumEditorFactory() = default;

void QtEnumEditorFactory::connectPropertyManager(QtEnumPropertyManager *manager)
{
    connect(manager, &QtAbstractPropertyManager::propertyChanged, this,
            [this, manager](QtProperty *property) { d->sync(manager, property); });
    connect(manager, &QtAbstractPropertyManager::propertyDestroyed, this,
            [this](QtProperty *property) { d->tracker.forget(property); });
}

QWidget *QtEnumEditorFactory::createPropertyEditor(QtEnumPropertyManager *manager,
                                                   QtProperty *property, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setFrame(false);
    box->setAutoFillBackground(true);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(1);
    QtWheelGuard::install(box);
    d->tracker.add(property, box, this);
    d->sync(manager, property);
    connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this, box](int index) {
                QtProperty *edited = d->tracker.property(box);
                if (QtEnumPropertyManager *owner = propertyManager(edited))
                    owner->setValue(edited, index);
            });
    return box;
}

void QtEnumEditorFactory::disconnectPropertyManager(QtEnumPropertyManager *manager)
{
    const QList<QtProperty *> properties = manager->properties();
    for (QtProperty *property : properties)
        d->tracker.forget(property);
}
