#pragma once

#include "propertybrowser/qtabstracteditorfactory.h"
#include "propertybrowser/qtdoublepropertymanager.h"

#include <memory>

class QtDoubleSpinBoxFactoryPrivate;

// Its spin box accepts any typed number; on commit the manager clamps it to the
// limits and rounds it to the decimals.
class QtDoubleSpinBoxFactory : public QtAbstractEditorFactory<QtDoublePropertyManager>
{
    Q_OBJECT
    Q_DISABLE_COPY(QtDoubleSpinBoxFactory)

public:
    explicit QtDoubleSpinBoxFactory(QObject *parent = nullptr);
    ~QtDoubleSpinBoxFactory() override;

protected:
    void connectPropertyManager(QtDoublePropertyManager *manager) override;
    QWidget *createPropertyEditor(QtDoublePropertyManager *manager, QtProperty *property,
                                  QWidget *parent) override;
    void disconnectPropertyManager(QtDoublePropertyManager *manager) override;

private:
    std::unique_ptr<QtDoubleSpinBoxFactoryPrivate> d;
};
