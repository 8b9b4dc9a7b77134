#pragma once

#include "linkmonitor/linkrow.h"

#include <QFile>
#include <QObject>
#include <QVector>

namespace LinkMonitor {

class LinkRecorder;

// Writes every row a recorder makes, of every port, to a CSV file as it comes
// (the monitor's columns plus the port), so that a run leaves its trace.
class LinkTraceWriter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(LinkTraceWriter)

public:
    explicit LinkTraceWriter(const QString &fileName, QObject *parent = nullptr);

    // Creates the file with its header line; false with errorString().
    bool open();
    QString errorString() const { return m_file.errorString(); }
    void follow(LinkRecorder *recorder);
    void write(const QVector<LinkMonitor::LinkRow> &rows);

private:
    QFile m_file;
};

} // namespace LinkMonitor
