#pragma once

#include "utils/utils_global.h"

#include <QDialog>

class QEventLoop;
class QLabel;
class QProgressBar;

namespace Utils {

// Waits for one transfer of a channel. exec(id) runs a local event loop until
// exit(id) receives the same id; ids of other transfers are ignored. With
// setShowUi(false) nothing is shown, but the wait is the same.
class UTILS_EXPORT ProgressBarUi : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(ProgressBarUi)

public:
    explicit ProgressBarUi(QWidget *parent = nullptr);
    ~ProgressBarUi() override;

    void setShowUi(bool show);
    bool showUi() const { return m_showUi; }

    // Returns once exit(id) came; also returns when the dialog is destroyed or
    // stop() is called.
    int exec(unsigned int id);
    bool isWaiting() const;

public slots:
    void exit(unsigned int id);
    void stop();

private:
    using QDialog::exec;

    bool m_showUi = true;
    unsigned int m_waitingFor = 0;
    bool m_done = false;
    QEventLoop *m_loop = nullptr;
    QProgressBar *m_bar = nullptr;
    QLabel *m_label = nullptr;
};

} // namespace Utils
