#include "propertybrowser/qtintpropertymanager.h"

#include "propertybrowser/qtproperty.h"

#include <QHash>
#include <QLocale>

#include <limits>

namespace {

struct IntData
{
    int value = 0;
    int minimum = std::numeric_limits<int>::min();
    int maximum = std::numeric_limits<int>::max();
    int singleStep = 1;
};

} // namespace

class QtIntPropertyManagerPrivate
{
public:
    QHash<const QtProperty *, IntData> values;
};

QtIntPropertyManager::QtIntPropertyManager(QObject *parent)
    : QtAbstractPropertyManager(parent)
    , d(std::make_unique<QtIntPropertyManagerPrivate>())
{
}

QtIntPropertyManager::~QtIntPropertyManager()
{
    clear();
}

int QtIntPropertyManager::value(const QtProperty *property) const
{
    return d->values.value(property).value;
}

int QtIntPropertyManager::minimum(const QtProperty *property) const
{
    return d->values.value(property).minimum;
}

int QtIntPropertyManager::maximum(const QtProperty *property) const
{
    return d->values.value(property).maximum;
}

int QtIntPropertyManager::singleStep(const QtProperty *property) const
{
    return d->values.value(property).singleStep;
}

void QtIntPropertyManager::setValue(QtProperty *property, int value)
{
    const auto it = d->values.find(property);
    if (it == d->values.end())
        return;
    value = qBound(it->minimum, value, it->maximum);
    if (it->value == value)
        return;
    it->value = value;
    notifyPropertyChanged(property);
    emit valueChanged(property, value);
}

void QtIntPropertyManager::setMinimum(QtProperty *property, int minimum)
{
    const auto it = d->values.constFind(property);
    if (it == d->values.constEnd())
        return;
    setRange(property, minimum, qMax(minimum, it->maximum));
}

void QtIntPropertyManager::setMaximum(QtProperty *property, int maximum)
{
    const auto it = d->values.constFind(property);
    if (it == d->values.constEnd())
        return;
    setRange(property, qMin(maximum, it->minimum), maximum);
}

void QtIntPropertyManager::setRange(QtProperty *property, int minimum, int maximum)
{
    const auto it = d->values.find(property);
    if (it == d->values.end())
        return;
    maximum = qMax(minimum, maximum);
    if (it->minimum == minimum && it->maximum == maximum)
        return;
    it->minimum = minimum;
    it->maximum = maximum;
    const int oldValue = it->value;
    const int newValue = qBound(minimum, oldValue, maximum);
    it->value = newValue;
    emit rangeChanged(property, minimum, maximum);
    notifyPropertyChanged(property);
    if (newValue != oldValue)
        emit valueChanged(property, newValue);
}

void QtIntPropertyManager::setSingleStep(QtProperty *property, int step)
{
    const auto it = d->values.find(property);
    if (it == d->values.end() || step <= 0 || it->singleStep == step)
        return;
    it->singleStep = step;
    emit singleStepChanged(property, step);
}

QString QtIntPropertyManager::valueText(const QtProperty *property) const
{
    const auto it = d->values.constFind(property);
    if (it == d->values.constEnd())
        return QString();
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(it->value);
}

void QtIntPropertyManager::initializeProperty(QtProperty *property)
{
    d->values.insert(property, IntData());
}

void QtIntPropertyManager::uninitializeProperty(QtProperty *property)
{
    d->values.remove(property);
}
