#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "utils/charts/genericchart.h"
#include "utils/exportdialog.h"
#include "utils/plotdocument.h"

#include "comm/modalmessagebox.h"

#include <QMessageBox>
#include <QPointer>
#include <QToolBar>

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::vExportChartData()
{
    if (!state->chart)
        return;
    const QStringList captions = {tr("Time"), tr("Signal")};
    const QList<Utils::ValueOverTime> series = {state->chart->getData(0)};
    // On the heap: the host may delete the window while the dialog is up.
    QPointer<Utils::ExportDialog> dialog = new Utils::ExportDialog(
        series, captions, this, Qt::WindowTitleHint | Qt::WindowSystemMenuHint);
    dialog->setPrecision(2);
    dialog->exec();
    delete dialog.data();
}

void SensorWindow::vPrintDocument()
{
    QPointer<SensorWindow> alive(this);
    if (state->chart) {
        Utils::PlotDocument document(state->chart->poPlot(0));
        document.vPrintDocument();
    }
    if (!alive)
        return;
    // The print dialog may have run long: confirm the sensor is still the one
    // connected, which also restarts the identity re-check.
    identifySensor();
}

void SensorWindow::vClearHistory()
{
    // No is the default: Enter must not wipe a day of history.
    QPointer<SensorWindow> alive(this);
    const QMessageBox::StandardButton answer = execMessageBox(
        this, QMessageBox::Warning, tr("Clear chart history"),
        tr("Do you really want to clear chart history ?"), QMessageBox::Yes | QMessageBox::No,
        QMessageBox::No);
    if (!alive || answer != QMessageBox::Yes)
        return;
    if (state->chart)
        state->chart->clear();
    ui->chartToolbar->setEnabled(false);
}

} // namespace Core
} // namespace OrvexSensorPlugin
