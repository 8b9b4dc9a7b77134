#include "comm/modalmessagebox.h"

#include <QPointer>

namespace OrvexSensorPlugin {
namespace Core {

QMessageBox::StandardButton execMessageBox(QWidget *parent, QMessageBox::Icon icon,
                                           const QString &title, const QString &text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton)
{
    QPointer<QMessageBox> box = new QMessageBox(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(defaultButton);
    box->exec();
    if (!box)
        return QMessageBox::NoButton;
    const QMessageBox::StandardButton pressed = box->standardButton(box->clickedButton());
    delete box.data();
    return pressed;
}

} // namespace Core
} // namespace OrvexSensorPlugin
