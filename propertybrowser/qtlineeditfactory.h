#pragma once

#include "propertybrowser/qtabstracteditorfactory.h"
#include "propertybrowser/qtstringpropertymanager.h"

#include <memory>

class QtLineEditFactoryPrivate;

// Commits on Enter or when the line edit loses focus; Escape brings back the value.
class QtLineEditFactory : public QtAbstractEditorFactory<QtStringPropertyManager>
{
    Q_OBJECT
    Q_DISABLE_COPY(QtLineEditFactory)

public:
    explicit QtLineEditFactory(QObject *parent = nullptr);
    ~QtLineEditFactory() override;

protected:
    void connectPropertyManager(QtStringPropertyManager *manager) override;
    QWidget *createPropertyEditor(QtStringPropertyManager *manager, QtProperty *property,
                                  QWidget *parent) override;
    void disconnectPropertyManager(QtStringPropertyManager *manager) override;

private:
    std::unique_ptr<QtLineEditFactoryPrivate> d;
};
