#include "propertybrowser/qtboolpropertymanager.h"

#include "propertybrowser/qtproperty.h"

#include <QHash>

namespace {

struct BoolData
{
    bool value = false;
    QString trueText;
    QString falseText;
};

} // namespace

class QtBoolPropertyManagerPrivate
{
public:
    QHash<const QtProperty *, BoolData> values;
};

QtBoolPropertyManager::QtBoolPropertyManager(QObject *parent)
    : QtAbstractPropertyManager(parent)
    , d(std::make_unique<QtBoolPropertyManagerPrivate>())
{
}

QtBoolPropertyManager::~QtBoolPropertyManager()
{
    clear();
}

bool QtBoolPropertyManager::value(const QtProperty *property) const
{
    return d->values.value(property).value;
}

QString QtBoolPropertyManager::trueText(const QtProperty *property) const
{
    return d->values.value(property).trueText;
}

QString QtBoolPropertyManager::falseText(const QtProperty *property) const
{
    return d->values.value(property).falseText;
}

void QtBoolPropertyManager::setValue(QtProperty *property, bool value)
{
    const auto it = d->values.find(property);
    if (it == d->values.end())
        return;
    setValue(property, value, it->trueText, it->falseText);
}

void QtBoolPropertyManager::setValue(QtProperty *property, bool value, const QString &trueText,
                                     const QString &falseText)
{
    const auto it = d->values.find(property);
    if (it == d->values.end())
        return;
    const bool valueMoved = it->value != value;
    const bool textsMoved = it->trueText != trueText || it->falseText != falseText;
    if (!valueMoved && !textsMoved)
        return;
    it->value = value;
    it->trueText = trueText;
    it->falseText = falseText;
    notifyPropertyChanged(property);
    if (valueMoved)
        emit valueChanged(property, value);
}

QString QtBoolPropertyManager::valueText(const QtProperty *property) const
{
    const auto it = d->values.constFind(property);
    if (it == d->values.constEnd())
        return QString();
    if (it->value)
        return it->trueText.isEmpty() ? tr("True") : it->trueText;
    return it->falseText.isEmpty() ? tr("False") : it->falseText;
}

QVariant QtBoolPropertyManager::valueData(const QtProperty *property, int role) const
{
    const auto it = d->values.constFind(property);
    if (it == d->values.constEnd() || role != Qt::CheckStateRole)
        return QVariant();
    return it->value ? Qt::Checked : Qt::Unchecked;
}

void QtBoolPropertyManager::initializeProperty(QtProperty *property)
{
    d->values.insert(property, BoolData());
}

void QtBoolPropertyManager::uninitializeProperty(QtProperty *property)
{
    d->values.remove(property);
}
