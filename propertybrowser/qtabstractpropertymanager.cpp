#include "propertybrowser/qtabstractpropertymanager.h"

#include "propertybrowser/qtproperty.h"

class QtAbstractPropertyManagerPrivate
{
public:
    QList<QtProperty *> properties;
};

namespace {

// QtProperty's constructor is protected; the manager builds plain ones through this.
class QtPlainProperty : public QtProperty
{
public:
    explicit QtPlainProperty(QtAbstractPropertyManager *manager)
        : QtProperty(manager)
    {
    }
};

} // namespace

QtAbstractPropertyManager::QtAbstractPropertyManager(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<QtAbstractPropertyManagerPrivate>())
{
    // Lets queued connections and signal spies carry properties.
    qRegisterMetaType<QtProperty *>();
}

QtAbstractPropertyManager::~QtAbstractPropertyManager()
{
    clear();
}

QList<QtProperty *> QtAbstractPropertyManager::properties() const
{
    return d->properties;
}

void QtAbstractPropertyManager::clear()
{
    while (!d->properties.isEmpty())
        delete d->properties.last();
}

QtProperty *QtAbstractPropertyManager::addProperty(const QString &name)
{
    QtProperty *property = createProperty();
    if (!property)
        return nullptr;
    property->initializeName(name);
    d->properties.append(property);
    initializeProperty(property);
    return property;
}

bool QtAbstractPropertyManager::ownsProperty(const QtProperty *property) const
{
    return property && property->propertyManager() == this
        && d->properties.contains(const_cast<QtProperty *>(property));
}

bool QtAbstractPropertyManager::hasValue(const QtProperty *) const
{
    return true;
}

QString QtAbstractPropertyManager::valueText(const QtProperty *) const
{
    return QString();
}

QVariant QtAbstractPropertyManager::valueData(const QtProperty *, int) const
{
    return QVariant();
}

void QtAbstractPropertyManager::uninitializeProperty(QtProperty *)
{
}

QtProperty *QtAbstractPropertyManager::createProperty()
{
    return new QtPlainProperty(this);
}

void QtAbstractPropertyManager::notifyPropertyChanged(QtProperty *property)
{
    emit propertyChanged(property);
}

void QtAbstractPropertyManager::propertyDestroying(QtProperty *property)
{
    if (!d->properties.contains(property))
        return;
    emit propertyDestroyed(property);
    uninitializeProperty(property);
    d->properties.removeOne(property);
}

void QtAbstractPropertyManager::propertyInsertedInto(QtProperty *property, QtProperty *parent,
                                                     QtProperty *after)
{
    emit propertyInserted(property, parent, after);
}

void QtAbstractPropertyManager::propertyRemovedFrom(QtProperty *property, QtProperty *parent)
{
    emit propertyRemoved(property, parent);
}

void QtAbstractPropertyManager::propertyChangedInternally(QtProperty *property)
{
    emit propertyChanged(property);
}
