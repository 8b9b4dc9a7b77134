#include "linkmonitor/linktablemodel.h"

#include <QBrush>
#include <QIODevice>
#include <QPalette>
#include <QTextStream>

namespace LinkMonitor {

LinkTableModel::LinkTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void LinkTableModel::setPort(const QString &port)
{
    if (port == m_port)
        return;
    m_port = port;
    clear();
}

void LinkTableModel::setLimit(int limit)
{
    m_limit = qMax(1, limit);
    dropOldest(int(m_rows.size()) - m_limit);
}

void LinkTableModel::append(const QVector<LinkRow> &rows)
{
    if (m_paused)
        return;
    QVector<const LinkRow *> taken;
    for (const LinkRow &row : rows) {
        if (row.port == m_port)
            taken.append(&row);
    }
    if (taken.isEmpty())
        return;
    // Only the newest limit() of them can stay.
    const int skip = qMax(0, taken.size() - m_limit);
    dropOldest(int(m_rows.size()) + taken.size() - skip - m_limit);
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + taken.size() - skip - 1);
    for (int i = 0; i < taken.size(); ++i) {
        m_counters.add(*taken.at(i));
        if (i >= skip)
            m_rows.push_back(*taken.at(i));
    }
    endInsertRows();
}

void LinkTableModel::dropOldest(int count)
{
    count = qMin(count, int(m_rows.size()));
    if (count <= 0)
        return;
    beginRemoveRows(QModelIndex(), 0, count - 1);
    m_rows.erase(m_rows.begin(), m_rows.begin() + count);
    endRemoveRows();
}

void LinkTableModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_counters.clear();
    endResetModel();
}

bool LinkTableModel::writeCsv(QIODevice *device) const
{
    QTextStream out(device);
    out.setCodec("UTF-8");
    out << LinkRow::csvHeader() << '\n';
    for (const LinkRow &row : m_rows)
        out << row.csvLine() << '\n';
    out.flush();
    return out.status() == QTextStream::Ok;
}

int LinkTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int LinkTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LinkTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return QVariant();
    const LinkRow &row = m_rows[size_t(index.row())];
    if (role == ProcessDataRole)
        return row.meaning.processData;
    if (role == Qt::ForegroundRole) {
        using Outcome = LinkDecoder::Outcome;
        const Outcome outcome = row.meaning.outcome;
        if (outcome == Outcome::Refusal || outcome == Outcome::Unusable
            || outcome == Outcome::Timeout)
            return QBrush(Qt::darkRed);
        return QVariant();
    }
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case TimeColumn: return row.timeText();
    case DirectionColumn: return row.direction == LinkRow::Direction::Request ? tr("→ request")
                                                                              : tr("← answer");
    case BytesColumn: return row.bytesText();
    case MeaningColumn: return row.meaning.text;
    case RoundTripColumn: return row.roundTripText();
    default: return QVariant();
    }
}

QVariant LinkTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case TimeColumn: return tr("Time");
    case DirectionColumn: return tr("Direction");
    case BytesColumn: return tr("Bytes");
    case MeaningColumn: return tr("Meaning");
    case RoundTripColumn: return tr("Round trip (ms)");
    default: return QVariant();
    }
}

} // namespace LinkMonitor
