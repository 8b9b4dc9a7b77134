#pragma once

#include "propertybrowser/qtproperty.h"

#include <QObject>
#include <QSet>

class QWidget;

// Untyped face of an editor factory, as the browser sees it.
class QtAbstractEditorFactoryBase : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QtAbstractEditorFactoryBase)

public:
    // An editor that writes to `property` through its manager and follows the
    // manager's changes while it lives; null when no attached manager owns `property`.
    virtual QWidget *createEditor(QtProperty *property, QWidget *parent) = 0;

protected:
    explicit QtAbstractEditorFactoryBase(QObject *parent = nullptr);
};

// Makes editors for the properties of managers of type PropertyManager that were
// attached with addPropertyManager (QtTreePropertyBrowser::setFactoryForManager does that).
template <class PropertyManager>
class QtAbstractEditorFactory : public QtAbstractEditorFactoryBase
{
public:
    explicit QtAbstractEditorFactory(QObject *parent = nullptr)
        : QtAbstractEditorFactoryBase(parent)
    {
    }

    QWidget *createEditor(QtProperty *property, QWidget *parent) override
    {
        PropertyManager *manager = propertyManager(property);
        return manager ? createPropertyEditor(manager, property, parent) : nullptr;
    }

    void addPropertyManager(PropertyManager *manager)
    {
        if (!manager || m_managers.contains(manager))
            return;
        m_managers.insert(manager);
        connectPropertyManager(manager);
        connect(manager, &QObject::destroyed, this, [this, manager] {
            m_managers.remove(manager);
        });
    }

    void removePropertyManager(PropertyManager *manager)
    {
        if (!m_managers.remove(manager))
            return;
        disconnect(manager, nullptr, this, nullptr);
        disconnectPropertyManager(manager);
    }

    QSet<PropertyManager *> propertyManagers() const { return m_managers; }

    PropertyManager *propertyManager(QtProperty *property) const
    {
        if (!property)
            return nullptr;
        for (PropertyManager *manager : m_managers) {
            if (manager == property->propertyManager())
                return manager;
        }
        return nullptr;
    }

protected:
    virtual void connectPropertyManager(PropertyManager *manager) = 0;
    virtual QWidget *createPropertyEditor(PropertyManager *manager, QtProperty *property,
                                          QWidget *parent) = 0;
    virtual void disconnectPropertyManager(PropertyManager *manager) = 0;

private:
    QSet<PropertyManager *> m_managers;
};
