#include "linkmonitor/linktracewriter.h"

#include "linkmonitor/linkrecorder.h"

namespace LinkMonitor {

LinkTraceWriter::LinkTraceWriter(const QString &fileName, QObject *parent)
    : QObject(parent)
    , m_file(fileName)
{
}

bool LinkTraceWriter::open()
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    m_file.write(LinkRow::csvHeader().toUtf8() + '\n');
    return m_file.flush();
}

void LinkTraceWriter::follow(LinkRecorder *recorder)
{
    connect(recorder, &LinkRecorder::rowsRecorded, this, &LinkTraceWriter::write);
}

void LinkTraceWriter::write(const QVector<LinkRow> &rows)
{
    if (!m_file.isOpen())
        return;
    QByteArray text;
    for (const LinkRow &row : rows)
        text += row.csvLine().toUtf8() + '\n';
    m_file.write(text);
    // Whole batches reach the file, so that a run stopped any time leaves whole lines.
    m_file.flush();
}

} // namespace LinkMonitor
