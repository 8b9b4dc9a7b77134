#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "plugin/catalogue.h"
#include "plugin/pluginpaths.h"

#include "extensionsystem/globals.h"
#include "utils/buttonfactory.h"
#include "utils/buttonmanager.h"
#include "utils/charts/genericchart.h"
#include "utils/connectionstatus.h"
#include "utils/thresholdmultimanager.h"

#include "propertybrowser/qteditorfactory.h"
#include "propertybrowser/qtpropertymanager.h"
#include "propertybrowser/qttreepropertybrowser.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

namespace OrvexSensorPlugin {
namespace Core {

SensorWindow::SensorWindow(const ExtensionSystem::SensorBasic &chosenSensor)
    : QMainWindow(nullptr, Qt::WindowFlags())
    , state(new SensorWindowState)
    , ui(new SensorWindowUi)
{
    ui->setupUi(this);
    pendingProperty = nullptr;
    createPortCombo();
    state->language = sensor.language();

    QSettings settings(pluginWritableFilePath(QStringLiteral(".ini")), QSettings::IniFormat, this);
    sensor = readSensorByName(chosenSensor.name());
    createPropertyDock();
    state->chart = createChart(ui->frame);
    setPressurePlotTitle();
    createPropertyBrowser();
    enableTreeDataHandling(true);
    updateWindowTitle();

    ui->sensorOperationsToolbar->setEnabled(false);
    connected = false;
    connectActions();
    restoreState(settings.value(objectName() + QStringLiteral("/state")).toByteArray(), 0);

    setWindowFlags(Qt::WindowFlags());
    buildParameterTree();
    createProcessDataDock();
    setMinimumHeight(500);
    setMinimumWidth(850);
    createStatusBarWidgets();

    buttonValueFlag = true;
    languageChanging = false;
    writeDelayTimer.setInterval(400);
    writeDelayTimer.setSingleShot(true);
    connect(&writeDelayTimer, &QTimer::timeout, this, &SensorWindow::sendDelayValue);
    createProgressParts();
    state->showProgress = true;
    lastVisibility = false;
    connectChartAndBrowser();

    for (const QString &id : qAsConst(state->hiddenParameterIds))
        setParameterVisible(id, false);
    initChartDecorations();
    if (ExtensionSystem::Globals::getPresentationMode())
        state->propertyDock->hide();
}

void SensorWindow::createPortCombo()
{
    state->portCombo = new QComboBox(this);
    state->portCombo->insertItem(0, tr("Offline"), QVariant());
    state->portCombo->insertSeparator(1);
    ui->connectionToolBar->addWidget(state->portCombo);
    auto *spacer = new QLabel;
    spacer->setFixedWidth(10);
    spacer->setVisible(true);
    ui->sensorOperationsToolbar->addWidget(spacer); // the tool bar takes ownership
}

void SensorWindow::createPropertyDock()
{
    state->propertyDock = new QDockWidget;
    state->propertyDock->setWindowTitle(tr("Property tree"));
    state->propertyDock->setObjectName(QStringLiteral("propertyTree"));
    state->propertyDock->setAllowedAreas(Qt::AllDockWidgetAreas);
    state->propertyDock->toggleViewAction()->setIcon(
        QIcon(QStringLiteral(":/newPrefix/icons/Menuebaum.svg")));
    ui->fileToolBar->addAction(state->propertyDock->toggleViewAction());
}

// Managers, editor factories and the browser, all owned by the dock. The
// second string manager and the group manager get no editor.
void SensorWindow::createPropertyBrowser()
{
    QWidget *dock = state->propertyDock;
    state->boolManager = new QtBoolPropertyManager(dock);
    state->intManager = new QtIntPropertyManager(dock);
    state->doubleManager = new QtDoublePropertyManager(dock);
    state->stringManager = new QtStringPropertyManager(dock);
    state->enumManager = new QtEnumPropertyManager(dock);
    state->stringManager2 = new QtStringPropertyManager(dock);
    state->groupManager = new QtGroupPropertyManager(dock);
    state->checkBoxFactory = new QtCheckBoxFactory(dock);
    state->spinBoxFactory = new QtSpinBoxFactory(dock);
    state->doubleSpinBoxFactory = new QtDoubleSpinBoxFactory(dock);
    state->lineEditFactory = new QtLineEditFactory(dock);
    state->enumEditorFactory = new QtEnumEditorFactory(dock);
    propertyBrowser = new QtTreePropertyBrowser(dock);
    propertyBrowser->setResizeMode(QtTreePropertyBrowser::ResizeToContents);
    propertyBrowser->setStyleSheet(
        QStringLiteral(" QTreeView {selection-background-color:  #00619E;}"));
    propertyBrowser->setFactoryForManager(state->boolManager, state->checkBoxFactory);
    propertyBrowser->setFactoryForManager(state->intManager, state->spinBoxFactory);
    propertyBrowser->setFactoryForManager(state->doubleManager, state->doubleSpinBoxFactory);
    propertyBrowser->setFactoryForManager(state->stringManager, state->lineEditFactory);
    propertyBrowser->setFactoryForManager(state->enumManager, state->enumEditorFactory);

    state->buttonManager = new Utils::ButtonManager(dock);
    state->buttonFactory = new Utils::ButtonFactory(dock);
    propertyBrowser->setFactoryForManager(state->buttonManager, state->buttonFactory);
}

void SensorWindow::connectActions()
{
    connect(&state->chartPollTimer, &QTimer::timeout, this, &SensorWindow::queryChartData);
    connect(&state->continuousDataTimer, &QTimer::timeout,
            this, &SensorWindow::slotContinousDataTimeout);

    connect(ui->actionSave_Settings, &QAction::triggered, this, &SensorWindow::vSaveSettings);
    connect(ui->actionOpen_Settings, &QAction::triggered, this, &SensorWindow::vLoadSettings);
    connect(ui->actionDefaultSettings, &QAction::triggered,
            this, &SensorWindow::vRestoreFactorySettings);
    connect(ui->actionExport_chart_view, &QAction::triggered,
            this, &SensorWindow::vExportChartData);
    connect(ui->actionPrint_chart_view, &QAction::triggered, this, &SensorWindow::vPrintDocument);
    connect(ui->actionClear_History, &QAction::triggered, this, &SensorWindow::vClearHistory);
    connect(ui->actionEnable_live_data, &QAction::triggered,
            this, &SensorWindow::actionEnableLiveData);
    connect(state->portCombo, QOverload<int>::of(&QComboBox::activated),
            this, &SensorWindow::actionConnectSensor);
    connect(ui->actionWriting, &QAction::triggered, this, &SensorWindow::vWriteAllSettings);
    connect(ui->actionRead, &QAction::triggered, this, &SensorWindow::vRadAllSettings);
    connect(&state->writeModeIconTimer, &QTimer::timeout,
            this, [this] { signalWriteModeIcon(); });
}

void SensorWindow::createStatusBarWidgets()
{
    state->connectionStatus = new Utils::ConnectionStatus(this);
    ui->statusBar->addPermanentWidget(state->connectionStatus, 0);
    ui->statusBar->addPermanentWidget(new QLabel(this), 0);
    if (state->chart)
        state->chart->setEnabled(false);
}

void SensorWindow::createProgressParts()
{
    state->progressLayout = new QGridLayout(&state->progressDialog);
    state->progressBar = new QProgressBar;
    state->progressBar->setTextVisible(false);
    state->progressBar->setStyleSheet(
        QStringLiteral("QProgressBar::chunk{background-color: #00619E;margin: 0.8px}"));
    state->progressLabel = new QLabel;
    state->progressLabel->setObjectName(QStringLiteral("label"));
    state->progressButton = new QPushButton;
    state->progressButton->setFixedSize(23, 20);
}

void SensorWindow::connectChartAndBrowser()
{
    if (state->chart) {
        state->chart->setTimelineScale(-42.0, 260.0);
        connect(state->chart, &Utils::Charts::GenericChart::vSignalZommResetForNoiseLine,
                this, &SensorWindow::vZommResetForNoiseLine);
    }
    connect(propertyBrowser, &QtTreePropertyBrowser::currentItemChanged,
            this, &SensorWindow::itemSelected);
}

SensorWindow::~SensorWindow()
{
    {
        QSettings settings(pluginWritableFilePath(QStringLiteral(".ini")), QSettings::IniFormat);
        settings.setValue(objectName() + QStringLiteral("/geometry"), saveGeometry());
        settings.setValue(objectName() + QStringLiteral("/state"), saveState(0));
    }
    state->liveDataEnabled = false;
    writeDelayTimer.stop();
    state->chartPollTimer.stop();
    state->continuousDataTimer.stop();

    // The progress parts are owned by the dialog's layout only once it has been
    // shown; QPointer-free deletes are safe because each deletion below removes
    // the widget from its parent first.
    delete state->progressBar;
    state->progressBar = nullptr;
    delete state->progressButton;
    state->progressButton = nullptr;
    delete state->progressLabel;
    state->progressLabel = nullptr;
    delete state->chart;
    state->chart = nullptr;
    delete ui;
    ui = nullptr;
    delete propertyBrowser;
    propertyBrowser = nullptr;
    delete state->thresholdManager;
    state->thresholdManager = nullptr;
    delete state->propertyDock; // owns the managers, factories and their properties
    state->propertyDock = nullptr;
    delete state->processDataTree;
    state->processDataTree = nullptr;
    delete state->processDataDock;
    state->processDataDock = nullptr;
    delete state;
    state = nullptr;
}

void SensorWindow::setCommunication(ExtensionSystem::CommunicationInterface *channel)
{
    state->communication = channel;
}

ExtensionSystem::CommunicationInterface *SensorWindow::communication() const
{
    return state->communication;
}

bool SensorWindow::eventFilter(QObject *watched, QEvent *event)
{
    return QObject::eventFilter(watched, event);
}

void SensorWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (state && state->chart)
        state->chart->UpdateMinimumHeights(height());
}

void SensorWindow::vSensorUpdate(const QVariant &hide)
{
    state->propertyDock->setVisible(!hide.toBool());
}

void SensorWindow::vOpenManual()
{
}

void SensorWindow::vSetCompleteName(const QString &str)
{
    state->completeName = str;
}

void SensorWindow::vConnectToPort(const QString &port)
{
    emit vComPortSelected(port);
}

void SensorWindow::updateWindowTitle()
{
    const QString port = state->portCombo->currentIndex() <= 0
        ? tr("Offline") : state->portCombo->currentText();
    const QString title = QString::fromStdString(sensor.name()) + QStringLiteral(" (") + port
        + QStringLiteral(")");
    setWindowTitle(title);
    if (state->rootProperty)
        state->rootProperty->setPropertyName(title);
    ui->statusBar->showMessage(title, 0);
}

} // namespace Core
} // namespace OrvexSensorPlugin
