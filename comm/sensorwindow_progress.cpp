#include "window/sensorwindow.h"

#include "tree/treehandlingpause.h"

#include "comm/exchangeguard.h"
#include "comm/iolinkframes.h"
#include "plugin/pluginpaths.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>

namespace OrvexSensorPlugin {
namespace Core {

namespace {
constexpr int defaultProgressMaximum = 350;
constexpr int progressStepMs = 10;
} // namespace

void SensorWindow::showTransferProgress(bool show)
{
    QDialog &dialog = state->progressDialog;
    if (!show) {
        state->progressMaximum = defaultProgressMaximum;
        dialog.hide();
        state->showProgress = true;
        return;
    }

    dialog.setParent(this, Qt::SplashScreen | Qt::WindowStaysOnTopHint);
    dialog.setWindowOpacity(0.75);
    dialog.setModal(true);
    dialog.setObjectName(QStringLiteral("DataFrameSenderUi"));
    dialog.setStyleSheet(QStringLiteral(
        "QWidget#DataFrameSenderUi {border: 1px solid grey; border-style: outset; "
        "border-radius: 3px; padding: 1px 18px 1px 3px; min-width: 6em; "
        "background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #E1E1E1, "
        "stop: 0.4 #DDDDDD, stop: 0.5 #D8D8D8, stop: 1.0 #D3D3D3);}"));
    state->progressLayout->setObjectName(QStringLiteral("gridLayout"));

    state->progressLayout->addWidget(state->progressLabel, 0, 1, Qt::AlignCenter);
    QFont bold = state->progressLabel->font();
    bold.setBold(true);
    state->progressLabel->setFont(bold);
    state->progressLabel->setText(tr("updating..."));

    state->showProgress = false;
    state->progressButton->hide();

    dialog.setFixedSize(270, 60);
    state->progressBar->setFixedWidth(dialog.width() - 22);
    state->progressLayout->addWidget(state->progressBar, 1, 1, Qt::AlignHCenter);
    dialog.show();
    state->progressBar->setFixedHeight(20);
    state->progressBar->setRange(0, state->progressMaximum);
    state->progressBar->setValue(0);

    QTimer::singleShot(0, this, &SensorWindow::vUpdateProgressBar);
}

void SensorWindow::vUpdateProgressBar()
{
    QProgressBar *bar = state->progressBar;
    if (bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + 1);
        QTimer::singleShot(progressStepMs, this, &SensorWindow::vUpdateProgressBar);
        return;
    }

    state->progressMaximum = defaultProgressMaximum;
    state->progressDialog.hide();
    state->showProgress = true;
    if (!state->initialSyncPending)
        return;

    // The bar ran out after a connection: live data and the identity check begin now.
    if (!state->autoConnectRunning) {
        state->liveDataEnabled = ui->actionEnable_live_data->isChecked();
        if (state->communication)
            state->chartPollTimer.start();
        state->initialSyncPending = false;
        state->autoConnectRunning = false;
    } else {
        ui->actionEnable_live_data->setChecked(true);
    }
    state->liveDataEnabled = true;
    state->previousPortIndex = state->portCombo->currentIndex();
    state->liveDataEnabled = ui->actionEnable_live_data->isChecked();
    if (state->communication)
        state->chartPollTimer.start();
    state->continuousDataTimer.start();
    if (connected)
        ui->chartToolbar->setEnabled(true);
    state->initialSyncPending = false;
}

void SensorWindow::factoryReset()
{
    ExchangeGuard exchange(state->parameterExchanges);
    TreeHandlingPause pause(this);
    if (!ui->actionWriting->isChecked())
        ui->actionWriting->setChecked(true);

    state->progressMaximum = 380;
    state->showProgress = true;
    showTransferProgress(true);

    // The master needs these pauses between a fetch and the next request.
    blockingSleep(100);
    bWriteFrame(fetchRequest, false);
    blockingSleep(100);
    bWriteFrame(factoryResetRequest, false);
    blockingSleep(100);
    bWriteFrame(processDataRequest, false);
    bWriteFrame(processDataRequest, false);
    blockingSleep(100);

    state->convertAfterRead = true;
    readAllParameters();

    ui->actionEnable_live_data->setChecked(true);
    readParameter(QStringLiteral("FilterSettings"), false);
}

void SensorWindow::signalWriteModeIcon(bool signalIcon)
{
    if (signalIcon) {
        ui->actionWriting->setIcon(QIcon(QStringLiteral(":/icons/icons/schreiben2cerc.svg")));
        state->writeModeIconTimer.start();
    } else {
        ui->actionWriting->setIcon(QIcon(QStringLiteral(":/icons/icons/schreiben.svg")));
    }
}

} // namespace Core
} // namespace OrvexSensorPlugin
