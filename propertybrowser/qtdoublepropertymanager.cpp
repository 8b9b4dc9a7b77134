#include "propertybrowser/qtdoublepropertymanager.h"

#include "propertybrowser/qtproperty.h"

#include <QHash>
#include <QLocale>

#include <cfloat>
#include <cmath>

namespace {

struct DoubleData
{
    double value = 0.0;
    double minimum = -DBL_MAX;
    double maximum = DBL_MAX;
    double singleStep = 1.0;
    int decimals = 2;
};

double roundTo(double value, int decimals)
{
    const double factor = std::pow(10.0, decimals);
    const double scaled = value * factor;
    // Beyond 2^52 every double is already a whole number of steps.
    if (!std::isfinite(scaled) || std::fabs(scaled) > 4.5e15)
        return value;
    return std::round(scaled) / factor;
}

// The value nearest to `value` that has at most `decimals` places and lies
// within the limits. When no such value exists, the limit itself is used.
double fitted(double value, const DoubleData &data)
{
    double result = roundTo(value, data.decimals);
    if (result >= data.minimum && result <= data.maximum)
        return result;
    const double factor = std::pow(10.0, data.decimals);
    if (result < data.minimum) {
        result = std::ceil(data.minimum * factor - 1e-7) / factor;
        if (!std::isfinite(result) || result < data.minimum)
            result = data.minimum;
    } else {
        result = std::floor(data.maximum * factor + 1e-7) / factor;
        if (!std::isfinite(result) || result > data.maximum)
            result = data.maximum;
    }
    return qBound(data.minimum, result, data.maximum);
}

} // namespace

class QtDoublePropertyManagerPrivate
{
public:
    QHash<const QtProperty *, DoubleData> values;
};

QtDoublePropertyManager::QtDoublePropertyManager(QObject *parent)
    : QtAbstractPropertyManager(parent)
    , d(std::make_unique<QtDoublePropertyManagerPrivate>())
{
}

QtDoublePropertyManager::~QtDoublePropertyManager()
{
    clear();
}

double QtDoublePropertyManager::value(const QtProperty *property) const
{
    return d->values.value(property).value;
}

double QtDoublePropertyManager::minimum(const QtProperty *property) const
{
    return d->values.value(property).minimum;
}

double QtDoublePropertyManager::maximum(const QtProperty *property) const
{
    return d->values.value(property).maximum;
}

double QtDoublePropertyManager::singleStep(const QtProperty *property) const
{
    return d->values.value(property).singleStep;
}

int QtDoublePropertyManager::decimals(const QtProperty *property) const
{
    return d->values.value(property).decimals;
}

void QtDoublePropertyManager::setValue(QtProperty *property, double value)
{
    const auto it = d->values.find(property);
    if (it == d->values.end() || std::isnan(value))
        return;
    const double newValue = fitted(value, *it);
    if (newValue == it->value)
        return;
    it->value = newValue;
    notifyPropertyChanged(property);
    emit valueChanged(property, newValue);
}

void QtDoublePropertyManager::setMinimum(QtProperty *property, double minimum)
{
    const auto it = d->values.constFind(property);
    if (it == d->values.constEnd())
        return;
    setRange(property, minimum, qMax(minimum, it->maximum));
}

void QtDoublePropertyManager::setMaximum(QtProperty *property, double maximum)
{
    const auto it = d->values.constFind(property);
    if (it == d->values.constEnd())
        return;
    setRange(property, qMin(maximum, it->minimum), maximum);
}

void QtDoublePropertyManager::setRange(QtProperty *property, double minimum, double maximum)
{
    const auto it = d->values.find(property);
    if (it == d->values.end() || std::isnan(minimum) || std::isnan(maximum))
        return;
    maximum = qMax(minimum, maximum);
    if (it->minimum == minimum && it->maximum == maximum)
        return;
    it->minimum = minimum;
    it->maximum = maximum;
    const double oldValue = it->value;
    const double newValue = fitted(oldValue, *it);
    it->value = newValue;
    emit rangeChanged(property, minimum, maximum);
    notifyPropertyChanged(property);
    if (newValue != oldValue)
        emit valueChanged(property, newValue);
}

void QtDoublePropertyManager::setSingleStep(QtProperty *property, double step)
{
    const auto it = d->values.find(property);
    if (it == d->values.end() || !(step > 0.0) || it->singleStep == step)
        return;
    it->singleStep = step;
    emit singleStepChanged(property, step);
}

void QtDoublePropertyManager::setDecimals(QtProperty *property, int decimals)
{
    const auto it = d->values.find(property);
    if (it == d->values.end())
        return;
    decimals = qBound(0, decimals, MaximumDecimals);
    if (it->decimals == decimals)
        return;
    it->decimals = decimals;
    const double oldValue = it->value;
    const double newValue = fitted(oldValue, *it);
    it->value = newValue;
    emit decimalsChanged(property, decimals);
    notifyPropertyChanged(property);
    if (newValue != oldValue)
        emit valueChanged(property, newValue);
}

QString QtDoublePropertyManager::valueText(const QtProperty *property) const
{
    const auto it = d->values.constFind(property);
    if (it == d->values.constEnd())
        return QString();
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(it->value, 'f', it->decimals);
}

void QtDoublePropertyManager::initializeProperty(QtProperty *property)
{
    d->values.insert(property, DoubleData());
}

void QtDoublePropertyManager::uninitializeProperty(QtProperty *property)
{
    d->values.remove(property);
}
