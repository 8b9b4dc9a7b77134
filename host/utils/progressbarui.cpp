#include "utils/progressbarui.h"

#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QVBoxLayout>

namespace Utils {

ProgressBarUi::ProgressBarUi(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("ProgressBarUi"));
    auto *layout = new QVBoxLayout(this);
    m_label = new QLabel(tr("Communicating with the sensor..."), this);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 0); // busy indicator: a transfer has no known length
    m_bar->setTextVisible(false);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
}

ProgressBarUi::~ProgressBarUi()
{
    if (m_loop)
        m_loop->quit();
}

void ProgressBarUi::setShowUi(bool show)
{
    m_showUi = show;
}

bool ProgressBarUi::isWaiting() const
{
    return m_loop != nullptr;
}

int ProgressBarUi::exec(unsigned int id)
{
    if (m_loop)
        return 0; // already waiting; a second wait on one dialog would never end cleanly
    m_waitingFor = id;
    m_done = false;
    if (m_showUi)
        show();

    QEventLoop loop;
    m_loop = &loop;
    QPointer<ProgressBarUi> guard(this);
    if (!m_done)
        loop.exec(QEventLoop::DialogExec);
    if (!guard)
        return 0;
    m_loop = nullptr;
    if (m_showUi)
        hide();
    return m_done ? 1 : 0;
}

void ProgressBarUi::exit(unsigned int id)
{
    if (id != m_waitingFor || m_done)
        return;
    m_done = true;
    if (m_loop)
        m_loop->quit();
}

void ProgressBarUi::stop()
{
    if (m_loop)
        m_loop->quit();
}

} // namespace Utils
