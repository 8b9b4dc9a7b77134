#include "app/sensorsubwindow.h"

#include <QCloseEvent>
#include <QPointer>
#include <QTimer>

namespace Kalvio {

SensorSubWindow::SensorSubWindow(QWidget *parent)
    : QMdiSubWindow(parent)
{
    setObjectName(QStringLiteral("sensorSubWindow"));
}

void SensorSubWindow::watchWidget()
{
    if (m_watched)
        m_watched->removeEventFilter(this);
    m_watched = widget();
    if (m_watched)
        m_watched->installEventFilter(this);
}

void SensorSubWindow::closeEvent(QCloseEvent *event)
{
    if (m_finished) {
        QMdiSubWindow::closeEvent(event);
        return;
    }
    // The base closes the plug-in's window first and keeps the sub-window open
    // when that window refuses.
    m_closing = true;
    QMdiSubWindow::closeEvent(event);
    m_closing = false;
    if (event->isAccepted())
        finish();
}

bool SensorSubWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watched && event->type() == QEvent::Close && !m_closing && !m_finished) {
        // The plug-in closes its own window; whether the window accepts is known
        // only after its handler, so look once the event is through.
        QPointer<SensorSubWindow> self(this);
        QTimer::singleShot(0, this, [self] {
            if (self && self->m_watched && !self->m_watched->isVisible() && !self->m_finished) {
                self->hide();
                self->finish();
            }
        });
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void SensorSubWindow::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    emit finished();
}

} // namespace Kalvio
