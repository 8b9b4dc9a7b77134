#pragma once

#include "propertybrowser/qtabstractpropertymanager.h"

#include <memory>

class QtIntPropertyManagerPrivate;

// Whole numbers kept within [minimum, maximum]; narrowing the limits moves the value.
class QtIntPropertyManager : public QtAbstractPropertyManager
{
    Q_OBJECT
    Q_DISABLE_COPY(QtIntPropertyManager)

public:
    explicit QtIntPropertyManager(QObject *parent = nullptr);
    ~QtIntPropertyManager() override;

    int value(const QtProperty *property) const;
    int minimum(const QtProperty *property) const;
    int maximum(const QtProperty *property) const;
    int singleStep(const QtProperty *property) const;

public slots:
    void setValue(QtProperty *property, int value);
    void setMinimum(QtProperty *property, int minimum);
    void setMaximum(QtProperty *property, int maximum);
    // A maximum below the minimum is raised to the minimum.
    void setRange(QtProperty *property, int minimum, int maximum);
    void setSingleStep(QtProperty *property, int step);

signals:
    void valueChanged(QtProperty *property, int value);
    void rangeChanged(QtProperty *property, int minimum, int maximum);
    void singleStepChanged(QtProperty *property, int step);

protected:
    QString valueText(const QtProperty *property) const override;
    void initializeProperty(QtProperty *property) override;
    void uninitializeProperty(QtProperty *property) override;

private:
    std::unique_ptr<QtIntPropertyManagerPrivate> d;
};
