#pragma once

#include "propertybrowser/qtabstractpropertymanager.h"

#include <memory>

class QtBoolPropertyManagerPrivate;

class QtBoolPropertyManager : public QtAbstractPropertyManager
{
    Q_OBJECT
    Q_DISABLE_COPY(QtBoolPropertyManager)

public:
    explicit QtBoolPropertyManager(QObject *parent = nullptr);
    ~QtBoolPropertyManager() override;

    bool value(const QtProperty *property) const;
    QString trueText(const QtProperty *property) const;
    QString falseText(const QtProperty *property) const;

public slots:
    void setValue(QtProperty *property, bool value);
    // Also sets the texts shown for true and false; empty texts mean "True" and "False".
    void setValue(QtProperty *property, bool value, const QString &trueText,
                  const QString &falseText);

signals:
    void valueChanged(QtProperty *property, bool value);

protected:
    QString valueText(const QtProperty *property) const override;
    QVariant valueData(const QtProperty *property, int role) const override;
    void initializeProperty(QtProperty *property) override;
    void uninitializeProperty(QtProperty *property) override;

private:
    std::unique_ptr<QtBoolPropertyManagerPrivate> d;
};
