#pragma once

#include "utils/utils_global.h"

#include <QWidget>

class QLabel;

namespace Utils {

// Status-bar indicator of a plug-in window's connection: an LED and a word.
class UTILS_EXPORT ConnectionStatus : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ConnectionStatus)

public:
    explicit ConnectionStatus(QWidget *parent = nullptr);

    bool isConnected() const { return m_connected; }

public slots:
    void setConnected(bool connected);

signals:
    void connectedChanged(bool connected);

protected:
    void changeEvent(QEvent *event) override;

private:
    void updateView();

    bool m_connected = false;
    QLabel *m_led = nullptr;
    QLabel *m_text = nullptr;
};

} // namespace Utils
