#pragma once

#include "linkmonitor/linkcounters.h"
#include "linkmonitor/linkrow.h"

#include <QAbstractTableModel>
#include <QVector>

#include <deque>

class QIODevice;

namespace LinkMonitor {

// The rows the monitor holds for one port, newest last, at most limit() of them
// (the oldest go first), with the counters over everything taken since the last
// clear(). While paused it takes nothing.
class LinkTableModel : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY(LinkTableModel)

public:
    enum Column { TimeColumn, DirectionColumn, BytesColumn, MeaningColumn, RoundTripColumn,
                  ColumnCount };
    // data() of any column with this role: true for process-data polls and their answers.
    static constexpr int ProcessDataRole = Qt::UserRole + 1;
    static constexpr int defaultLimit = 100000;

    explicit LinkTableModel(QObject *parent = nullptr);

    // Rows of other ports are not taken; changing the port clears.
    void setPort(const QString &port);
    QString port() const { return m_port; }
    void setPaused(bool paused) { m_paused = paused; }
    bool isPaused() const { return m_paused; }
    void setLimit(int limit);
    int limit() const { return m_limit; }
    void append(const QVector<LinkRow> &rows);
    void clear();
    const LinkCounters &counters() const { return m_counters; }
    const LinkRow &row(int i) const { return m_rows[size_t(i)]; }
    // Every row held, as CSV with a header line.
    bool writeCsv(QIODevice *device) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void dropOldest(int count);

    std::deque<LinkRow> m_rows;
    LinkCounters m_counters;
    QString m_port;
    int m_limit = defaultLimit;
    bool m_paused = false;
};

} // namespace LinkMonitor
