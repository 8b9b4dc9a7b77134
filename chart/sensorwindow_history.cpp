#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "utils/charts/genericchart.h"
#include "utils/exportdialog.h"
#include "utils/plotdocument.h"

#include <QMessageBox>
#include <QToolBar>

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::vExportChartData()
{
    if (!state->chart)
        return;
    const QStringList captions = {tr("Time"), tr("Signal")};
    const QList<Utils::ValueOverTime> series = {state->chart->getData(0)};
    Utils::ExportDialog dialog(series, captions, this,
                               Qt::WindowTitleHint | Qt::WindowSystemMenuHint);
    dialog.setPrecision(2);
    dialog.exec();
}

void SensorWindow::vPrintDocument()
{
    if (state->chart) {
        Utils::PlotDocument document(state->chart->poPlot(0));
        document.vPrintDocument();
    }
    // The print dialog may have run long: confirm the sensor is still the one
    // connected, which also restarts the identity re-check.
    identifySensor();
}

void SensorWindow::vClearHistory()
{
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        this, tr("Clear chart history"), tr("Do you really want to clear chart history ?"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    if (state->chart)
        state->chart->clear();
    ui->chartToolbar->setEnabled(false);
}

} // namespace Core
} // namespace OrvexSensorPlugin
