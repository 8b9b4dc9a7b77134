#include "propertybrowser/qtwheelguard_p.h"

#include <QEvent>
#include <QWidget>

QtWheelGuard::QtWheelGuard(QObject *parent)
    : QObject(parent)
{
}

void QtWheelGuard::install(QWidget *editor)
{
    editor->setFocusPolicy(Qt::StrongFocus);
    editor->installEventFilter(new QtWheelGuard(editor));
}

bool QtWheelGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && !widget->hasFocus()) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
