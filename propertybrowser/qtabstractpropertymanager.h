#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

class QtProperty;
class QtAbstractPropertyManagerPrivate;

// Creates, owns and describes properties of one kind. Deleting the manager or
// calling clear() deletes its properties.
class QtAbstractPropertyManager : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QtAbstractPropertyManager)

public:
    explicit QtAbstractPropertyManager(QObject *parent = nullptr);
    ~QtAbstractPropertyManager() override;

    QList<QtProperty *> properties() const;
    void clear();
    QtProperty *addProperty(const QString &name = QString());

signals:
    // `parent` gained `property` as a sub-property after `after` (null: first).
    void propertyInserted(QtProperty *property, QtProperty *parent, QtProperty *after);
    // Anything visible about `property` changed: value, limits, name, enabled state...
    void propertyChanged(QtProperty *property);
    void propertyRemoved(QtProperty *property, QtProperty *parent);
    // Sent just before `property` is deleted.
    void propertyDestroyed(QtProperty *property);

protected:
    bool ownsProperty(const QtProperty *property) const;

    virtual bool hasValue(const QtProperty *property) const;
    virtual QString valueText(const QtProperty *property) const;
    virtual QVariant valueData(const QtProperty *property, int role) const;
    virtual void initializeProperty(QtProperty *property) = 0;
    virtual void uninitializeProperty(QtProperty *property);
    virtual QtProperty *createProperty();

    // For subclasses: report a visible change of `property`.
    void notifyPropertyChanged(QtProperty *property);

private:
    friend class QtProperty;

    void propertyDestroying(QtProperty *property);
    void propertyInsertedInto(QtProperty *property, QtProperty *parent, QtProperty *after);
    void propertyRemovedFrom(QtProperty *property, QtProperty *parent);
    void propertyChangedInternally(QtProperty *property);

    std::unique_ptr<QtAbstractPropertyManagerPrivate> d;
};
