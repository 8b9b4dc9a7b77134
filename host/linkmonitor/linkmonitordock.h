#pragma once

#include <QDockWidget>

class QAction;
class QLabel;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

namespace LinkMonitor {

class LinkRecorder;
class LinkTableModel;

// "Link monitor": the frames on the line of one port as a table (time, direction,
// bytes, meaning, round trip), newest at the bottom and followed while the view is
// at the bottom, with counters above it, pause, clear, a filter that hides the
// process-data polls and export of the rows held as CSV.
class LinkMonitorDock : public QDockWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(LinkMonitorDock)

public:
    explicit LinkMonitorDock(QWidget *parent = nullptr);

    void setRecorder(LinkRecorder *recorder);
    // The port whose line is shown; another port starts afresh.
    void setPort(const QString &port);
    LinkTableModel *model() const { return m_model; }
    QTableView *view() const { return m_view; }
    QString countersText() const;
    bool exportCsv(const QString &fileName) const;
    void retranslate();

private:
    void createActions();
    void setProcessDataHidden(bool hidden);
    void exportWithDialog();
    void updateCounters();

    LinkTableModel *m_model;
    QSortFilterProxyModel *m_filter;
    QTableView *m_view;
    QLabel *m_counters;
    QTimer *m_refresh;
    QAction *m_pauseAction = nullptr;
    QAction *m_clearAction = nullptr;
    QAction *m_hidePollsAction = nullptr;
    QAction *m_exportAction = nullptr;
    bool m_following = true;
};

} // namespace LinkMonitor
