#pragma once

#include "utils/utils_global.h"

#include "utils/buttonmanager.h"
#include "propertybrowser/qtabstracteditorfactory.h"

#include <QHash>
#include <QList>

class QPushButton;

namespace Utils {

// Editor of ButtonManager properties: a push button with the caption. Clicking it
// makes the manager emit buttonClicked(property).
class UTILS_EXPORT ButtonFactory : public QtAbstractEditorFactory<ButtonManager>
{
    Q_OBJECT
    Q_DISABLE_COPY(ButtonFactory)

public:
    explicit ButtonFactory(QObject *parent = nullptr);
    ~ButtonFactory() override;

protected:
    void connectPropertyManager(ButtonManager *manager) override;
    QWidget *createPropertyEditor(ButtonManager *manager, QtProperty *property,
                                  QWidget *parent) override;
    void disconnectPropertyManager(ButtonManager *manager) override;

private:
    void sync(QtProperty *property);
    void forget(QtProperty *property);
    void forgetButton(QObject *button);

    QHash<QtProperty *, QList<QPushButton *>> m_buttons;
    QHash<const QObject *, QtProperty *> m_properties;
};

} // namespace Utils
