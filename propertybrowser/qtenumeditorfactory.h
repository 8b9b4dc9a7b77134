#pragma once

#include "propertybrowser/qtabstracteditorfactory.h"
#include "propertybrowser/qtenumpropertymanager.h"

#include <memory>

class QtEnumEditorFactoryPrivate;

class QtEnumEditorFactory : public QtAbstractEditorFactory<QtEnumPropertyManager>
{
    Q_OBJECT
    Q_DISABLE_COPY(QtEnumEditorFactory)

public:
    explicit QtEnumEditorFactory(QObject *parent = nullptr);
    ~QtEnumEditorFactory() override;

protected:
    void connectPropertyManager(QtEnumPropertyManager *manager) override;
    QWidget *createPropertyEditor(QtEnumPropertyManager *manager, QtProperty *property,
                                  QWidget *parent) override;
    void disconnectPropertyManager(QtEnumPropertyManager *manager) override;

private:
    std::unique_ptr<QtEnumEditorFactoryPrivate> d;
};
