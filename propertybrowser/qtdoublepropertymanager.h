#pragma once

#include "propertybrowser/qtabstractpropertymanager.h"

#include <memory>

class QtDoublePropertyManagerPrivate;

// Decimal numbers kept within [minimum, maximum] and rounded to `decimals` places.
// Changing a limit or the decimals applies both rules to the value again.
class QtDoublePropertyManager : public QtAbstractPropertyManager
{
    Q_OBJECT
    Q_DISABLE_COPY(QtDoublePropertyManager)

public:
    static constexpr int MaximumDecimals = 13;

    explicit QtDoublePropertyManager(QObject *parent = nullptr);
    ~QtDoublePropertyManager() override;

    double value(const QtProperty *property) const;
    double minimum(const QtProperty *property) const;
    double maximum(const QtProperty *property) const;
    double singleStep(const QtProperty *property) const;
    int decimals(const QtProperty *property) const;

public slots:
    void setValue(QtProperty *property, double value);
    void setMinimum(QtProperty *property, double minimum);
    void setMaximum(QtProperty *property, double maximum);
    // A maximum below the minimum is raised to the minimum.
    void setRange(QtProperty *property, double minimum, double maximum);
    void setSingleStep(QtProperty *property, double step);
    // Clamped to [0, MaximumDecimals].
    void setDecimals(QtProperty *property, int decimals);

signals:
    void valueChanged(QtProperty *property, double value);
    void rangeChanged(QtProperty *property, double minimum, double maximum);
    void singleStepChanged(QtProperty *property, double step);
    void decimalsChanged(QtProperty *property, int decimals);

protected:
    QString valueText(const QtProperty *property) const override;
    void initializeProperty(QtProperty *property) override;
    void uninitializeProperty(QtProperty *property) override;

private:
    std::unique_ptr<QtDoublePropertyManagerPrivate> d;
};
