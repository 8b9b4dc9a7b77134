#include "utils/connectionstatus.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>

namespace Utils {

ConnectionStatus::ConnectionStatus(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ConnectionStatus"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(4);
    m_led = new QLabel(this);
    m_text = new QLabel(this);
    layout->addWidget(m_led);
    layout->addWidget(m_text);
    updateView();
}

void ConnectionStatus::setConnected(bool connected)
{
    if (m_connected == connected) {
        updateView();
        return;
    }
    m_connected = connected;
    updateView();
    emit connectedChanged(connected);
}

void ConnectionStatus::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        updateView();
    QWidget::changeEvent(event);
}

void ConnectionStatus::updateView()
{
    const QString icon = m_connected ? QStringLiteral(":/newPrefix/icons/connect_yes.svg")
                                     : QStringLiteral(":/newPrefix/icons/connect_no.svg");
    m_led->setPixmap(QIcon(icon).pixmap(16, 16));
    m_text->setText(m_connected ? tr("Connected") : tr("Disconnected"));
    setToolTip(m_text->text());
}

} // namespace Utils
