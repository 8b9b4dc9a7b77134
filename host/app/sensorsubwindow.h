#pragma once

#include <QMdiSubWindow>

namespace Kalvio {

// The MDI sub-window a plug-in object places its window in. It reports once
// that it is done, whether the user closed it (which closes the plug-in's
// window first) or the plug-in closed its own window.
class SensorSubWindow : public QMdiSubWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(SensorSubWindow)

public:
    explicit SensorSubWindow(QWidget *parent = nullptr);

    // Starts watching the widget the plug-in put in.
    void watchWidget();
    bool isFinished() const { return m_finished; }

signals:
    void finished();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void finish();

    QWidget *m_watched = nullptr;
    bool m_closing = false;
    bool m_finished = false;
};

} // namespace Kalvio
