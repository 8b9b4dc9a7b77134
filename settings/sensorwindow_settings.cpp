#include "window/sensorwindow.h"

#include "tree/treehandlingpause.h"

#include "comm/modalmessagebox.h"
#include "comm/runningguard.h"
#include "settings/settingsfile.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "utils/charts/genericchart.h"

#include "propertybrowser/qtboolpropertymanager.h"
#include "propertybrowser/qtdoublepropertymanager.h"
#include "propertybrowser/qtenumpropertymanager.h"
#include "propertybrowser/qtintpropertymanager.h"
#include "propertybrowser/qtproperty.h"
#include "propertybrowser/qtstringpropertymanager.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QToolBar>

#include <limits>
#include <map>

namespace OrvexSensorPlugin {
namespace Core {

namespace {

// Value of one parameter as the list writes it; groups and buttons have none.
std::string parameterEntry(const SensorWindowState &state, QtProperty *property,
                           const QMap<QString, QStringList> &stringItems)
{
    const std::string id = property->propertyId().toLatin1().toStdString();
    QtAbstractPropertyManager *manager = property->propertyManager();
    if (manager == state.enumManager)
        return wholeEntry(id, state.enumManager->value(property));
    if (manager == state.boolManager)
        return wholeEntry(id, state.boolManager->value(property) ? 1 : 0);
    if (manager == state.intManager)
        return wholeEntry(id, state.intManager->value(property));
    if (manager == state.doubleManager)
        return decimalEntry(id, state.doubleManager->value(property));
    if (manager == state.stringManager) {
        const QStringList items = stringItems.value(property->propertyId());
        return wholeEntry(id, items.indexOf(state.stringManager->value(property)));
    }
    return std::string();
}

// Runs a file dialog held on the heap: the host may delete the window while the
// dialog waits. The first file chosen, or nothing when cancelled or gone.
QString execFileDialog(QPointer<QFileDialog> dialog)
{
    const int result = dialog->exec();
    if (!dialog)
        return QString();
    const QStringList chosen = dialog->selectedFiles();
    delete dialog.data();
    return result == QDialog::Accepted && !chosen.isEmpty() ? chosen.constFirst() : QString();
}

// Ids of the list's entries that cannot be applied as they stand: a value that is
// no number of the parameter's kind or lies outside what the parameter takes, or an
// id given twice with different values. Ids that name no parameter are passed over.
QStringList unusableEntries(const SensorWindow &window, const SensorWindowState &state,
                            const SettingsContent &content)
{
    QStringList unusable;
    std::map<std::string, std::string> seen;
    const std::string list = content.parameterList.value_or(std::string());
    for (const ParameterText &part : splitParameterList(list)) {
        QtProperty *property =
            part.id.empty() ? nullptr : window.findPropertyById(state.rootProperty, part.id);
        if (!property)
            continue;
        const QtAbstractPropertyManager *manager = property->propertyManager();
        double low = std::numeric_limits<int>::min(), high = std::numeric_limits<int>::max();
        if (manager == state.enumManager) {
            low = 0;
            high = state.enumManager->enumNames(property).size() - 1;
        } else if (manager == state.intManager) {
            low = state.intManager->minimum(property);
            high = state.intManager->maximum(property);
        } else if (manager == state.doubleManager) {
            low = -100000.0; // the range that applying widens to
            high = 1000000.0;
        } else if (manager != state.boolManager) {
            continue;
        }
        const auto value = exactValue(part.value, manager == state.doubleManager);
        const auto first = seen.emplace(part.id, part.value).first;
        if (!value || *value < low || *value > high || first->second != part.value)
            unusable << QString::fromStdString(part.id);
    }
    unusable.removeDuplicates();
    return unusable;
}

// Why an opened file is refused as a whole, or empty: too large, without root, for
// another sensor, or with values that the parameters cannot take (read as 0, a
// damaged value would be written to the sensor).
QString refusalText(const SettingsContent &content, const std::string &sensorName,
                    const QStringList &unusable)
{
    using Status = SettingsContent::Status;
    if (content.status == Status::TooLarge)
        return SensorWindow::tr("The selected file is larger than 64 MB; no settings file is "
                                "that large");
    if (content.status == Status::NoRoot)
        return SensorWindow::tr("The selected settings are corupted");
    if (content.status == Status::Unreadable)
        return QString();
    // A root without either name counts as one for another sensor.
    if (!content.isFor(sensorName))
        return SensorWindow::tr("The selected settings are not for the current sensor");
    if (!unusable.isEmpty())
        return SensorWindow::tr("The selected settings hold values that their parameters "
                                "cannot take (%1); nothing was changed")
            .arg(unusable.mid(0, 5).join(QStringLiteral(", ")));
    return QString();
}

} // namespace

void SensorWindow::vSaveSettings()
{
    const QString proposed = proposedSettingsFileName(QString::fromStdString(sensor.name()),
                                                      QDate::currentDate());
    QPointer<SensorWindow> alive(this);
    QPointer<QFileDialog> dialog =
        new QFileDialog(this, tr("Save As..."), proposed, QStringLiteral("*.wts"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->selectFile(proposed);
    const QString fileName = execFileDialog(dialog);
    if (!alive || fileName.isEmpty())
        return;

    std::string parameterList;
    const QList<QtProperty *> properties = collectSubProperties(state->rootProperty);
    for (QtProperty *property : properties)
        parameterList += parameterEntry(*state, property, stringItems);
    const std::string chartData =
        state->chart ? state->chart->dataToUtf8() : std::string();

    // The new file replaces the old one only when it is complete, and a
    // failure is told: the user would otherwise believe the settings kept.
    QString reason;
    if (!writeSettingsFile(fileName, settingsDocument(sensor.name(), parameterList, chartData),
                           &reason)) {
        execMessageBox(this, QMessageBox::Critical, tr("Saving settings..."),
                       tr("The settings could not be saved to %1: %2")
                           .arg(QDir::toNativeSeparators(fileName), reason),
                       QMessageBox::Ok);
    }
}

void SensorWindow::vLoadSettings()
{
    const bool liveData = ui->actionEnable_live_data->isChecked();
    if (connected) {
        state->continuousDataTimer.stop();
        ui->actionEnable_live_data->setChecked(false);
    }
    bOpenSettings(QString());
    slotCurrentOutputChanged(state->outputCombo ? state->outputCombo->currentIndex() : 0);
    if (connected) {
        state->liveDataEnabled = liveData;
        ui->actionEnable_live_data->setChecked(liveData);
        identifySensor();
    }
    if (state->chart)
        state->chart->jumpToPlottingArea();
}

bool SensorWindow::bOpenSettings(const QString &fileName)
{
    QPointer<SensorWindow> alive(this);
    QString path = fileName;
    if (path.isEmpty()) {
        QPointer<QFileDialog> dialog = new QFileDialog(this);
        dialog->setNameFilter(tr("Sensor Settings (*.wts)"));
        path = execFileDialog(dialog);
        if (!alive || path.isEmpty())
            return false;
    }
    if (!confirmOpenSettings())
        return false;

    bool complete = true;
    const SettingsContent content = readSettingsFile(path);
    const QString refusal =
        refusalText(content, sensor.name(), unusableEntries(*this, *state, content));
    if (!refusal.isEmpty()) {
        execMessageBox(this, QMessageBox::Critical, tr("Opening settings..."), refusal,
                       QMessageBox::Ok);
        return false;
    }
    if (content.status == SettingsContent::Status::Unreadable) {
        settingsFailure(QT_TR_NOOP("The selected settings are corupted"));
        complete = false;
    } else {
        enableTreeDataHandling(false);
        complete = applySettings(content);
    }
    if (!alive)
        return false;

    enableTreeDataHandling(true);
    if (QtProperty *unit = findPropertyById(state->rootProperty, "TemperatureSettings"))
        lastUnitSetting = state->enumManager->value(unit);
    if (connected && !writeOpenedSettings())
        return false;
    return complete;
}

// While connected the file's values replace the sensor's: the user agrees
// first, and no other transfer may run meanwhile. False: nothing is opened.
bool SensorWindow::confirmOpenSettings()
{
    if (!connected)
        return true;
    if (refuseWhileTransferring())
        return false;
    QPointer<SensorWindow> alive(this);
    const auto answer = execMessageBox(
        this, QMessageBox::Information, tr("Open Settings"),
        tr("Loaded settings will override the current project"),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    if (!alive || answer != QMessageBox::Ok)
        return false;
    // Edits still in their delay go before the file's values replace them.
    flushPendingWrites();
    return alive;
}

void SensorWindow::settingsFailure(const char *text)
{
    execMessageBox(this, QMessageBox::Critical, tr("Opening settings..."), tr(text),
                   QMessageBox::Ok);
}

// The file's parameter values and chart history; false when a part is missing
// or the history is damaged.
bool SensorWindow::applySettings(const SettingsContent &content)
{
    if (!content.hasPluginSettings)
        return false;
    state->liveDataEnabled = false;
    if (state->communication)
        state->chartPollTimer.start();

    bool complete = true;
    if (content.parameterList)
        applyParameterList(*content.parameterList);
    else
        complete = false;

    if (!content.chartData) {
        complete = false;
    } else if (state->chart) {
        // Replaces the whole history only when the text is sound; a damaged
        // text leaves what the chart recorded.
        if (state->chart->setDataFromUtf8(*content.chartData, QLatin1Char(';'))) {
            ui->chartToolbar->setEnabled(true);
        } else {
            complete = false;
            settingsFailure(QT_TR_NOOP("The chart history in the selected settings is damaged; "
                                       "the chart keeps the history it has"));
        }
    }
    return complete;
}

// Texts are saved but not read back; groups and buttons hold no value.
void SensorWindow::applyParameterList(const std::string &list)
{
    for (const ParameterText &part : splitParameterList(list)) {
        QtProperty *property = findPropertyById(state->rootProperty, part.id);
        if (!property)
            continue;
        QtAbstractPropertyManager *manager = property->propertyManager();
        if (manager == state->enumManager) {
            state->enumManager->setValue(property, wholeValue(part.value));
        } else if (manager == state->boolManager) {
            state->boolManager->setValue(property, wholeValue(part.value) != 0, QString(),
                                         QString());
        } else if (manager == state->intManager) {
            state->intManager->setValue(property, wholeValue(part.value));
        } else if (manager == state->doubleManager) {
            // The saved value may lie outside the range the current unit
            // gives; widen it so that the value is kept.
            state->doubleManager->setMaximum(property, 1000000.0);
            state->doubleManager->setMinimum(property, -100000.0);
            state->doubleManager->setValue(property, decimalValue(part.value));
        }
    }
}

// The opened values go to the connected sensor. False when the window is gone.
bool SensorWindow::writeOpenedSettings()
{
    QPointer<SensorWindow> alive(this);
    state->unitIndex = lastUnitSetting;
    state->progressMaximum = 230;
    state->showProgress = true;
    showTransferProgress(true);
    {
        TreeHandlingPause pause(this);
        {
            RunningGuard bulkWrite(this, bulkWriteRunning);
            writeAllSettings();
        }
        if (!alive)
            return false;
        ui->sensorOperationsToolbar->setEnabled(connected);
    }
    reportRefusedWrites();
    return true;
}

void SensorWindow::vRestoreFactorySettings()
{
    if (!connected)
        return;
    QPointer<SensorWindow> alive(this);
    const auto answer = execMessageBox(
        this, QMessageBox::Warning, tr("Restore factory defaults"),
        tr("All settings will be restored to factory defaults, continue ?"),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    if (!alive || answer != QMessageBox::Ok)
        return;
    state->liveDataEnabled = false;
    if (state->communication)
        state->chartPollTimer.start();
    state->readStringsEnabled = false;
    factoryReset();
    buttonValueFlag = true;
    state->readStringsEnabled = true;
    state->liveDataEnabled = true;
    if (state->communication)
        state->chartPollTimer.start();
}

} // namespace Core
} // namespace OrvexSensorPlugin
