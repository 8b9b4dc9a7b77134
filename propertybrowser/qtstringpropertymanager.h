#pragma once

#include "propertybrowser/qtabstractpropertymanager.h"

#include <memory>

class QtStringPropertyManagerPrivate;

class QtStringPropertyManager : public QtAbstractPropertyManager
{
    Q_OBJECT
    Q_DISABLE_COPY(QtStringPropertyManager)

public:
    explicit QtStringPropertyManager(QObject *parent = nullptr);
    ~QtStringPropertyManager() override;

    QString value(const QtProperty *property) const;

public slots:
    void setValue(QtProperty *property, const QString &value);

signals:
    void valueChanged(QtProperty *property, const QString &value);

protected:
    QString valueText(const QtProperty *property) const override;
    void initializeProperty(QtProperty *property) override;
    void uninitializeProperty(QtProperty *property) override;

private:
    std::unique_ptr<QtStringPropertyManagerPrivate> d;
};
