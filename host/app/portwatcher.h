#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QTimer;

namespace Kalvio {

// Keeps the list of ports the host offers: the serial ports the system finds,
// the ports named on the command line and, when enabled, the simulated port.
// Refreshed every few seconds; portsChanged() comes only when the list changed.
class PortWatcher : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PortWatcher)

public:
    using PortSource = std::function<QStringList()>;

    explicit PortWatcher(QObject *parent = nullptr);

    void setExtraPorts(const QStringList &ports);
    void setSimulatedPort(const QString &port);
    // Where the system's ports come from; tests put in their own list.
    void setPortSource(PortSource source);
    void setInterval(int milliseconds);
    int interval() const;

    void start();
    void stop();
    QStringList ports() const { return m_ports; }

    // The serial ports the system reports, by name.
    static QStringList systemPorts();

public slots:
    void refresh();

signals:
    void portsChanged(const QStringList &ports);

private:
    QStringList collect() const;

    QTimer *m_timer;
    PortSource m_source;
    QStringList m_extraPorts;
    QString m_simulatedPort;
    QStringList m_ports;
};

} // namespace Kalvio
