#include "app/idlequitter.h"

#include "utils/progressbarui.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

namespace Kalvio {

namespace {
constexpr int RetryMs = 50;
} // namespace

IdleQuitter::IdleQuitter(QObject *parent)
    : QObject(parent)
    , m_retry(new QTimer(this))
{
    m_retry->setSingleShot(true);
    m_retry->setInterval(RetryMs);
    connect(m_retry, &QTimer::timeout, this, &IdleQuitter::tryQuit);
}

bool IdleQuitter::transferRunning()
{
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget *widget : widgets) {
        auto *progress = qobject_cast<Utils::ProgressBarUi *>(widget);
        if (progress && progress->isWaiting())
            return true;
    }
    return false;
}

void IdleQuitter::quit(int exitCode)
{
    m_exitCode = exitCode;
    m_waitedMs = 0;
    tryQuit();
}

void IdleQuitter::tryQuit()
{
    if (m_waitedMs < m_patienceMs) {
        if (transferRunning()) {
            m_waitedMs += RetryMs;
            m_retry->start();
            return;
        }
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QDialog *>(modal)) {
            dialog->reject();
            m_waitedMs += RetryMs;
            m_retry->start();
            return;
        }
    }
    QCoreApplication::exit(m_exitCode);
}

} // namespace Kalvio
