#include "linkmonitor/linkmonitordock.h"

#include "linkmonitor/linkrecorder.h"
#include "linkmonitor/linktablemodel.h"

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace LinkMonitor {

LinkMonitorDock::LinkMonitorDock(QWidget *parent)
    : QDockWidget(parent)
    , m_model(new LinkTableModel(this))
    , m_filter(new QSortFilterProxyModel(this))
    , m_view(new QTableView(this))
    , m_counters(new QLabel(this))
    , m_refresh(new QTimer(this))
{
    setObjectName(QStringLiteral("LinkMonitorDock"));
    m_filter->setSourceModel(m_model);
    m_filter->setFilterRole(LinkTableModel::ProcessDataRole);
    m_view->setModel(m_filter);
    m_view->setObjectName(QStringLiteral("linkMonitorTable"));
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    m_view->horizontalHeader()->setStretchLastSection(false);
    m_view->horizontalHeader()->setSectionResizeMode(LinkTableModel::MeaningColumn,
                                                     QHeaderView::Stretch);
    // Wide enough for the time, the direction and a refusal's ten bytes.
    const QFontMetrics metrics = m_view->fontMetrics();
    m_view->setColumnWidth(LinkTableModel::TimeColumn,
                           metrics.horizontalAdvance(QStringLiteral("00:00:00.000")) + 16);
    m_view->setColumnWidth(LinkTableModel::DirectionColumn,
                           metrics.horizontalAdvance(QStringLiteral("← request")) + 16);
    m_view->setColumnWidth(LinkTableModel::BytesColumn,
                           metrics.horizontalAdvance(QStringLiteral("00 ").repeated(10)) + 16);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setWordWrap(false);
    m_counters->setObjectName(QStringLiteral("linkMonitorCounters"));
    m_counters->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *content = new QWidget(this);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(2, 2, 2, 2);
    auto *tools = new QToolBar(content);
    createActions();
    tools->addActions({m_pauseAction, m_clearAction, m_hidePollsAction, m_exportAction});
    layout->addWidget(tools);
    layout->addWidget(m_counters);
    layout->addWidget(m_view);
    setWidget(content);

    // Follow the newest row only while the user has not scrolled up.
    connect(m_filter, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar *bar = m_view->verticalScrollBar();
        m_following = bar->value() >= bar->maximum();
    });
    connect(m_filter, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_following)
            m_view->scrollToBottom();
    });
    connect(m_refresh, &QTimer::timeout, this, [this] {
        if (isVisible())
            updateCounters();
    });
    m_refresh->start(500);
    retranslate();
}

void LinkMonitorDock::createActions()
{
    m_pauseAction = new QAction(this);
    m_pauseAction->setObjectName(QStringLiteral("actionLinkMonitorPause"));
    m_pauseAction->setCheckable(true);
    connect(m_pauseAction, &QAction::toggled, m_model, &LinkTableModel::setPaused);
    m_clearAction = new QAction(this);
    m_clearAction->setObjectName(QStringLiteral("actionLinkMonitorClear"));
    connect(m_clearAction, &QAction::triggered, this, [this] {
        m_model->clear();
        updateCounters();
    });
    m_hidePollsAction = new QAction(this);
    m_hidePollsAction->setObjectName(QStringLiteral("actionLinkMonitorHidePolls"));
    m_hidePollsAction->setCheckable(true);
    connect(m_hidePollsAction, &QAction::toggled, this, &LinkMonitorDock::setProcessDataHidden);
    m_exportAction = new QAction(this);
    m_exportAction->setObjectName(QStringLiteral("actionLinkMonitorExport"));
    connect(m_exportAction, &QAction::triggered, this, &LinkMonitorDock::exportWithDialog);
}

void LinkMonitorDock::retranslate()
{
    setWindowTitle(tr("Link monitor"));
    m_pauseAction->setText(tr("Pause"));
    m_clearAction->setText(tr("Clear"));
    m_hidePollsAction->setText(tr("Hide process data"));
    m_exportAction->setText(tr("Export CSV..."));
    updateCounters();
}

void LinkMonitorDock::setRecorder(LinkRecorder *recorder)
{
    connect(recorder, &LinkRecorder::rowsRecorded, m_model, &LinkTableModel::append);
}

void LinkMonitorDock::setPort(const QString &port)
{
    m_model->setPort(port);
    updateCounters();
}

void LinkMonitorDock::setProcessDataHidden(bool hidden)
{
    // The filter keeps rows whose process-data flag reads "false".
    m_filter->setFilterFixedString(hidden ? QStringLiteral("false") : QString());
}

QString LinkMonitorDock::countersText() const
{
    const LinkCounters &counters = m_model->counters();
    const auto ms = [](qint64 us) {
        return us < 0 ? QStringLiteral("–") : QString::number(double(us) / 1000.0, 'f', 1);
    };
    QString text = tr("%1 frames/s   answered %2   unanswered %3   ERROR %4   unusable %5   "
                      "round trip median %6 ms, 99 %: %7 ms")
                       .arg(counters.framesPerSecond(QDateTime::currentMSecsSinceEpoch()))
                       .arg(counters.answered())
                       .arg(counters.unanswered())
                       .arg(counters.refusals())
                       .arg(counters.unusable())
                       .arg(ms(counters.roundTripPercentileUs(0.5)),
                            ms(counters.roundTripPercentileUs(0.99)));
    if (!counters.lastError().isEmpty()) {
        const QString at = QDateTime::fromMSecsSinceEpoch(counters.lastErrorTimeMs())
                               .toString(QStringLiteral("hh:mm:ss.zzz"));
        text += QLatin1Char('\n') + tr("Last error %1: %2").arg(at, counters.lastError());
    }
    return text;
}

void LinkMonitorDock::updateCounters()
{
    if (!m_model->port().isEmpty())
        m_counters->setText(tr("Port %1").arg(m_model->port()) + QStringLiteral(":   ")
                            + countersText());
    else
        m_counters->setText(countersText());
}

bool LinkMonitorDock::exportCsv(const QString &fileName) const
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)
           && m_model->writeCsv(&file);
}

void LinkMonitorDock::exportWithDialog()
{
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Export the link monitor"), QStringLiteral("link-monitor.csv"),
        tr("CSV files (*.csv);;All files (*)"));
    if (!fileName.isEmpty() && !exportCsv(fileName))
        QMessageBox::warning(this, tr("Export the link monitor"),
                             tr("%1 cannot be written.").arg(fileName));
}

} // namespace LinkMonitor
