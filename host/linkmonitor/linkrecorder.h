#pragma once

#include "linkmonitor/linkrow.h"

#include "extensionsystem/linktap.h"

#include <QHash>
#include <QObject>
#include <QVector>

class QTimer;

namespace LinkMonitor {

// The tap the host sets on the channels it lends. On the channel's path it only
// notes the event and its port; decoding, round trips and the rows are made a few
// milliseconds later from the event loop, so that watching never delays a frame.
class LinkRecorder : public QObject, public ExtensionSystem::LinkTap
{
    Q_OBJECT
    Q_DISABLE_COPY(LinkRecorder)

public:
    explicit LinkRecorder(QObject *parent = nullptr);
    ~LinkRecorder() override;

    void linkEvent(const ExtensionSystem::CommunicationInterface *channel,
                   const ExtensionSystem::LinkEvent &event) override;
    // Turns the events noted so far into rows now.
    void flush();

signals:
    void rowsRecorded(const QVector<LinkMonitor::LinkRow> &rows);

private:
    struct Noted
    {
        QString port;
        ExtensionSystem::LinkEvent event;
    };
    struct LastRequest
    {
        QByteArray bytes;
        qint64 timeNs = 0;
        bool answerSeen = false;
    };

    LinkRow makeRow(const Noted &noted);

    QTimer *m_flushTimer;
    QVector<Noted> m_noted;
    QHash<QString, LastRequest> m_lastRequest;
    qint64 m_wallAtStartMs;
    qint64 m_steadyAtStartNs;
};

} // namespace LinkMonitor
