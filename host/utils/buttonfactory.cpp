#include "utils/buttonfactory.h"

#include "propertybrowser/qtproperty.h"

#include <QPushButton>

namespace Utils {

ButtonFactory::ButtonFactory(QObject *parent)
    : QtAbstractEditorFactory<ButtonManager>(parent)
{
}

ButtonFactory::~ButtonFactory() = default;

void ButtonFactory::connectPropertyManager(ButtonManager *manager)
{
    connect(manager, &QtAbstractPropertyManager::propertyChanged, this,
            [this](QtProperty *property) { sync(property); });
    connect(manager, &QtAbstractPropertyManager::propertyDestroyed, this,
            [this](QtProperty *property) { forget(property); });
}

QWidget *ButtonFactory::createPropertyEditor(ButtonManager *, QtProperty *property,
                                             QWidget *parent)
{
    auto *button = new QPushButton(parent);
    // The tree keeps the keyboard focus and presses the button on Space or Enter.
    button->setFocusPolicy(Qt::NoFocus);
    m_buttons[property].append(button);
    m_properties.insert(button, property);
    connect(button, &QObject::destroyed, this,
            [this](QObject *object) { forgetButton(object); });
    connect(button, &QPushButton::clicked, this, [this, button] {
        QtProperty *clicked = m_properties.value(button);
        if (ButtonManager *owner = propertyManager(clicked))
            owner->click(clicked);
    });
    sync(property);
    return button;
}

void ButtonFactory::disconnectPropertyManager(ButtonManager *manager)
{
    const QList<QtProperty *> properties = manager->properties();
    for (QtProperty *property : properties)
        forget(property);
}

void ButtonFactory::sync(QtProperty *property)
{
    for (QPushButton *button : m_buttons.value(property)) {
        button->setText(property->valueText());
        button->setEnabled(property->isEnabled());
    }
}

void ButtonFactory::forget(QtProperty *property)
{
    const QList<QPushButton *> buttons = m_buttons.take(property);
    for (QPushButton *button : buttons)
        m_properties.remove(button);
}

void ButtonFactory::forgetButton(QObject *button)
{
    QtProperty *property = m_properties.take(button);
    if (!property)
        return;
    QList<QPushButton *> &buttons = m_buttons[property];
    for (int i = buttons.size() - 1; i >= 0; --i) {
        if (static_cast<QObject *>(buttons.at(i)) == button)
            buttons.removeAt(i);
    }
    if (buttons.isEmpty())
        m_buttons.remove(property);
}

} // namespace Utils
