#pragma once

#include "propertybrowser/qtabstractpropertymanager.h"

#include <QStringList>

#include <memory>

class QtEnumPropertyManagerPrivate;

// A choice among names; the value is the index of the chosen name, -1 without names.
class QtEnumPropertyManager : public QtAbstractPropertyManager
{
    Q_OBJECT
    Q_DISABLE_COPY(QtEnumPropertyManager)

public:
    explicit QtEnumPropertyManager(QObject *parent = nullptr);
    ~QtEnumPropertyManager() override;

    int value(const QtProperty *property) const;
    QStringList enumNames(const QtProperty *property) const;

public slots:
    // An index outside the names is ignored.
    void setValue(QtProperty *property, int value);
    // New names select the first one (index -1 for an empty list).
    void setEnumNames(QtProperty *property, const QStringList &names);

signals:
    void valueChanged(QtProperty *property, int value);
    void enumNamesChanged(QtProperty *property, const QStringList &names);

protected:
    QString valueText(const QtProperty *property) const override;
    void initializeProperty(QtProperty *property) override;
    void uninitializeProperty(QtProperty *property) override;

private:
    std::unique_ptr<QtEnumPropertyManagerPrivate> d;
};
