#pragma once

#include "propertybrowser/qtabstractpropertymanager.h"

// Properties without a value that only gather sub-properties under a heading.
class QtGroupPropertyManager : public QtAbstractPropertyManager
{
    Q_OBJECT
    Q_DISABLE_COPY(QtGroupPropertyManager)

public:
    explicit QtGroupPropertyManager(QObject *parent = nullptr);
    ~QtGroupPropertyManager() override;

protected:
    bool hasValue(const QtProperty *property) const override;
    void initializeProperty(QtProperty *property) override;
};
