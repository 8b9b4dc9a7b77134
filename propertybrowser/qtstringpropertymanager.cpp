#include "propertybrowser/qtstringpropertymanager.h"

#include "propertybrowser/qtproperty.h"

#include <QHash>

class QtStringPropertyManagerPrivate
{
public:
    QHash<const QtProperty *, QString> values;
};

QtStringPropertyManager::QtStringPropertyManager(QObject *parent)
    : QtAbstractPropertyManager(parent)
    , d(std::make_unique<QtStringPropertyManagerPrivate>())
{
}

QtStringPropertyManager::~QtStringPropertyManager()
{
    clear();
}

QString QtStringPropertyManager::value(const QtProperty *property) const
{
    return d->values.value(property);
}

void QtStringPropertyManager::setValue(QtProperty *property, const QString &value)
{
    const auto it = d->values.find(property);
    if (it == d->values.end() || *it == value)
        return;
    *it = value;
    notifyPropertyChanged(property);
    emit valueChanged(property, value);
}

QString QtStringPropertyManager::valueText(const QtProperty *property) const
{
    return d->values.value(property);
}

void QtStringPropertyManager::initializeProperty(QtProperty *property)
{
    d->values.insert(property, QString());
}

void QtStringPropertyManager::uninitializeProperty(QtProperty *property)
{
    d->values.remove(property);
}
