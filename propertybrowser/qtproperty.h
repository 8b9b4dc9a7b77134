#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

class QtAbstractPropertyManager;
class QtPropertyPrivate;

// One entry of a property tree. A property is created and owned by its manager
// (QtAbstractPropertyManager::addProperty); it may hang below any number of
// parents, or none. Detaching it from a parent never deletes it.
class QtProperty
{
public:
    // Value data role: true when the value cell looks and acts like a push button.
    static constexpr int ButtonRole = Qt::UserRole + 1;

    virtual ~QtProperty();

    QtAbstractPropertyManager *propertyManager() const;

    QString propertyName() const;
    void setPropertyName(const QString &name);
    QString propertyId() const;
    void setPropertyId(const QString &id);
    QString toolTip() const;
    void setToolTip(const QString &text);
    QString statusTip() const;
    void setStatusTip(const QString &text);
    QString whatsThis() const;
    void setWhatsThis(const QString &text);
    bool isEnabled() const;
    void setEnabled(bool enabled);

    // False for properties that only group others.
    bool hasValue() const;
    QString valueText() const;
    // Further presentation of the value, e.g. Qt::CheckStateRole or ButtonRole.
    QVariant valueData(int role) const;

    QList<QtProperty *> subProperties() const;
    QList<QtProperty *> parentProperties() const;
    // Appends `property`. Ignored when it is already a child, is this property
    // or would close a cycle.
    void addSubProperty(QtProperty *property);
    // Inserts `property` after `afterProperty`, or first when that is null.
    void insertSubProperty(QtProperty *property, QtProperty *afterProperty);
    void removeSubProperty(QtProperty *property);

protected:
    explicit QtProperty(QtAbstractPropertyManager *manager);

private:
    Q_DISABLE_COPY(QtProperty)
    friend class QtAbstractPropertyManager;

    void initializeName(const QString &name);
    bool isInSubtreeOf(const QtProperty *root) const;
    void changed();

    std::unique_ptr<QtPropertyPrivate> d;
};

Q_DECLARE_METATYPE(QtProperty *)
