#include "utils/buttonmanager.h"

#include "propertybrowser/qtproperty.h"

namespace Utils {

ButtonManager::ButtonManager(QObject *parent)
    : QtAbstractPropertyManager(parent)
{
}

ButtonManager::~ButtonManager()
{
    clear();
}

QString ButtonManager::value(const QtProperty *property) const
{
    return m_captions.value(property);
}

void ButtonManager::setValue(QtProperty *property, const QString &caption)
{
    const auto it = m_captions.find(property);
    if (it == m_captions.end() || *it == caption)
        return;
    *it = caption;
    notifyPropertyChanged(property);
    emit valueChanged(property, caption);
}

void ButtonManager::click(QtProperty *property)
{
    if (m_captions.contains(property) && property->isEnabled())
        emit buttonClicked(property);
}

QString ButtonManager::valueText(const QtProperty *property) const
{
    return m_captions.value(property);
}

QVariant ButtonManager::valueData(const QtProperty *property, int role) const
{
    if (role == QtProperty::ButtonRole && m_captions.contains(property))
        return true;
    return QVariant();
}

void ButtonManager::initializeProperty(QtProperty *property)
{
    m_captions.insert(property, QString());
}

void ButtonManager::uninitializeProperty(QtProperty *property)
{
    m_captions.remove(property);
}

} // namespace Utils
