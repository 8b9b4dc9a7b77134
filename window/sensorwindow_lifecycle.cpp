#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "utils/connectionstatus.h"
#include "utils/thresholdwindowwidget.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QPointer>
#include <QToolBar>

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::vAutoConnect(const QString &ComPort)
{
    QPointer<SensorWindow> alive(this);
    vDisconnect();
    QComboBox *combo = state->portCombo;
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i) == ComPort)
            combo->setCurrentIndex(i);
    }
    emit vComPortSelected(combo->currentText());
    state->showProgress = true;
    showTransferProgress(true);
    state->autoConnectRunning = true;

    if (bConnectToSensor()) {
        if (!alive)
            return;
        updateWindowTitle();
        connected = true;
        state->initialSyncPending = true;
        readAllParameters();
        if (!alive)
            return;
        ui->sensorOperationsToolbar->setEnabled(true);
        state->previousPortIndex = combo->currentIndex();
        if (state->thresholdWindow)
            state->thresholdWindow->setReadOnly(false);
        state->continuousDataTimer.start();
    } else {
        if (!alive)
            return;
        state->autoConnectRunning = false;
        state->showProgress = false;
        showTransferProgress(false);
        vDisconnect();
        combo->setCurrentIndex(0);
        // vDisconnect() titled the window while the port was still selected.
        updateWindowTitle();
    }
    state->connectionStatus->setConnected(connected);
    ui->actionEnable_live_data->setChecked(true);
    state->liveDataEnabled = true;
}

void SensorWindow::closeEvent(QCloseEvent *event)
{
    // An edit still inside its delay is the user's last word: it goes first.
    QPointer<SensorWindow> alive(this);
    flushPendingWrites();
    if (!alive)
        return;
    ui->actionEnable_live_data->setChecked(false);
    state->liveDataEnabled = false;
    state->chartPollTimer.stop();
    disconnect(&state->chartPollTimer, &QTimer::timeout, this, &SensorWindow::queryChartData);
    state->continuousDataTimer.stop();
    disconnect(&state->continuousDataTimer, &QTimer::timeout,
               this, &SensorWindow::slotContinousDataTimeout);
    vDisconnect();
    ui->actionEnable_live_data->setChecked(false);
    state->liveDataEnabled = false;
    state->showProgress = false;
    emit vAboutToClose();
    QMainWindow::closeEvent(event);
}

void SensorWindow::retranslateWindowTexts()
{
    setPressurePlotTitle();
    state->propertyDock->setWindowTitle(tr("Property tree"));
    if (state->processDataDock)
        state->processDataDock->setWindowTitle(tr(" Process data"));

    QComboBox *ports = state->portCombo;
    const int portIndex = ports->currentIndex();
    ports->setItemText(0, tr("Offline"));
    ports->setCurrentIndex(portIndex);

    if (QComboBox *outputs = state->outputCombo) {
        // Not blocked: refilling runs the output refresh, which retitles the
        // chart and relabels the groups and analog points in the new language.
        const int outputIndex = outputs->currentIndex();
        outputs->clear();
        outputs->insertItem(0, tr("Output") + QStringLiteral(" 1"));
        outputs->insertItem(1, tr("Output") + QStringLiteral(" 2"));
        outputs->setCurrentIndex(outputIndex);
    }
    updateWindowTitle();
}

} // namespace Core
} // namespace OrvexSensorPlugin
