#pragma once

#include "propertybrowser/qtabstracteditorfactory.h"
#include "propertybrowser/qtintpropertymanager.h"

#include <memory>

class QtSpinBoxFactoryPrivate;

class QtSpinBoxFactory : public QtAbstractEditorFactory<QtIntPropertyManager>
{
    Q_OBJECT
    Q_DISABLE_COPY(QtSpinBoxFactory)

public:
    explicit QtSpinBoxFactory(QObject *parent = nullptr);
    ~QtSpinBoxFactory() override;

protected:
    void connectPropertyManager(QtIntPropertyManager *manager) override;
    QWidget *createPropertyEditor(QtIntPropertyManager *manager, QtProperty *property,
                                  QWidget *parent) override;
    void disconnectPropertyManager(QtIntPropertyManager *manager) override;

private:
    std::unique_ptr<QtSpinBoxFactoryPrivate> d;
};
