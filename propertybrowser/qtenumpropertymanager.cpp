#include "propertybrowser/qtenumpropertymanager.h"

#include "propertybrowser/qtproperty.h"

#include <QHash>

namespace {

struct EnumData
{
    int value = -1;
    QStringList names;
};

} // namespace

class QtEnumPropertyManagerPrivate
{
public:
    QHash<const QtProperty *, EnumData> values;
};

QtEnumPropertyManager::QtEnumPropertyManager(QObject *parent)
    : QtAbstractPropertyManager(parent)
    , d(std::make_unique<QtEnumPropertyManagerPrivate>())
{
}

QtEnumPropertyManager::~QtEnumPropertyManager()
{
    clear();
}

int QtEnumPropertyManager::value(const QtProperty *property) const
{
    return d->values.value(property).value;
}

QStringList QtEnumPropertyManager::enumNames(const QtProperty *property) const
{
    return d->values.value(property).names;
}

void QtEnumPropertyManager::setValue(QtProperty *property, int value)
{
    const auto it = d->values.find(property);
    if (it == d->values.end() || value < 0 || value >= it->names.size() || it->value == value)
        return;
    it->value = value;
    notifyPropertyChanged(property);
    emit valueChanged(property, value);
}

void QtEnumPropertyManager::setEnumNames(QtProperty *property, const QStringList &names)
{
    const auto it = d->values.find(property);
    if (it == d->values.end() || it->names == names)
        return;
    const int oldValue = it->value;
    const int newValue = names.isEmpty() ? -1 : 0;
    it->names = names;
    it->value = newValue;
    emit enumNamesChanged(property, names);
    notifyPropertyChanged(property);
    if (newValue != oldValue)
        emit valueChanged(property, newValue);
}

QString QtEnumPropertyManager::valueText(const QtProperty *property) const
{
    const auto it = d->values.constFind(property);
    if (it == d->values.constEnd() || it->value < 0 || it->value >= it->names.size())
        return QString();
    return it->names.at(it->value);
}

void QtEnumPropertyManager::initializeProperty(QtProperty *property)
{
    d->values.insert(property, EnumData());
}

void QtEnumPropertyManager::uninitializeProperty(QtProperty *property)
{
    d->values.remove(property);
}
