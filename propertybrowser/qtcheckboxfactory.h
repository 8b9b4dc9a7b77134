#pragma once

#include "propertybrowser/qtabstracteditorfactory.h"
#include "propertybrowser/qtboolpropertymanager.h"

#include <memory>

class QtCheckBoxFactoryPrivate;

class QtCheckBoxFactory : public QtAbstractEditorFactory<QtBoolPropertyManager>
{
    Q_OBJECT
    Q_DISABLE_COPY(QtCheckBoxFactory)

public:
    explicit QtCheckBoxFactory(QObject *parent = nullptr);
    ~QtCheckBoxFactory() override;

protected:
    void connectPropertyManager(QtBoolPropertyManager *manager) override;
    QWidget *createPropertyEditor(QtBoolPropertyManager *manager, QtProperty *property,
                                  QWidget *parent) override;
    void disconnectPropertyManager(QtBoolPropertyManager *manager) override;

private:
    std::unique_ptr<QtCheckBoxFactoryPrivate> d;
};
