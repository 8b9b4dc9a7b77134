#include "app/portwatcher.h"

#include <QSerialPortInfo>
#include <QTimer>

namespace Kalvio {

PortWatcher::PortWatcher(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
    , m_source(&PortWatcher::systemPorts)
{
    m_timer->setInterval(3000);
    connect(m_timer, &QTimer::timeout, this, &PortWatcher::refresh);
}

void PortWatcher::setExtraPorts(const QStringList &ports)
{
    m_extraPorts = ports;
}

void PortWatcher::setSimulatedPort(const QString &port)
{
    m_simulatedPort = port;
}

void PortWatcher::setPortSource(PortSource source)
{
    m_source = source ? std::move(source) : PortSource(&PortWatcher::systemPorts);
}

void PortWatcher::setInterval(int milliseconds)
{
    m_timer->setInterval(milliseconds);
}

int PortWatcher::interval() const
{
    return m_timer->interval();
}

void PortWatcher::start()
{
    refresh();
    m_timer->start();
}

void PortWatcher::stop()
{
    m_timer->stop();
}

QStringList PortWatcher::systemPorts()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names << info.portName();
    names.sort();
    return names;
}

QStringList PortWatcher::collect() const
{
    QStringList ports = m_source();
    for (const QString &port : m_extraPorts) {
        if (!port.isEmpty() && !ports.contains(port))
            ports << port;
    }
    if (!m_simulatedPort.isEmpty() && !ports.contains(m_simulatedPort))
        ports << m_simulatedPort;
    return ports;
}

void PortWatcher::refresh()
{
    const QStringList ports = collect();
    if (ports == m_ports)
        return;
    m_ports = ports;
    emit portsChanged(m_ports);
}

} // namespace Kalvio
