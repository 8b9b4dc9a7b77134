#pragma once

#include <QMessageBox>

namespace OrvexSensorPlugin {
namespace Core {

// Runs a message box modally like QMessageBox::warning() and its siblings, but
// with the box on the heap: the host may delete the parent window while the box
// waits in its event loop, and a box on the stack would then be deleted twice.
// Returns the button pressed, NoButton when the box went with its parent.
QMessageBox::StandardButton execMessageBox(QWidget *parent, QMessageBox::Icon icon,
                                           const QString &title, const QString &text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton
                                           = QMessageBox::NoButton);

} // namespace Core
} // namespace OrvexSensorPlugin
