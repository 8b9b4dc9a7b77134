#include "window/sensorwindowui.h"

#include <QAction>
#include <QFrame>
#include <QIcon>
#include <QMainWindow>
#include <QMetaObject>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace OrvexSensorPlugin {
namespace Core {

namespace {

const char *const windowStyleSheet =
    "QComboBox {\n"
    "    border: 1px solid gray;\n"
    "    border-radius: 3px;\n"
    "    padding: 1px 18px 1px 3px;\n"
    "    min-width: 6em;\n"
    "}\n"
    "QComboBox:!editable, QComboBox::drop-down:editable {\n"
    "    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,\n"
    "        stop: 0 #E1E1E1, stop: 0.4 #DDDDDD, stop: 0.5 #D8D8D8, stop: 1.0 #D3D3D3);\n"
    "}\n"
    "QComboBox:!editable:on, QComboBox::drop-down:editable:on {\n"
    "    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,\n"
    "        stop: 0 #D3D3D3, stop: 0.4 #D8D8D8, stop: 0.5 #DDDDDD, stop: 1.0 #E1E1E1);\n"
    "}\n"
    "QComboBox::drop-down {\n"
    "    subcontrol-origin: padding;\n"
    "    subcontrol-position: top right;\n"
    "    width: 15px;\n"
    "    border-left-width: 1px;\n"
    "    border-left-color: darkgray;\n"
    "    border-left-style: solid;\n"
    "}\n"
    "QComboBox::down-arrow {\n"
    "    image: url(:/icons/icons/arrow_down.png);\n"
    "}\n"
    "QComboBox QAbstractItemView {\n"
    "    border: 2px solid darkgray;\n"
    "    selection-background-color: lightgray;\n"
    "}\n"
    "QWidget#toolBox::tab {\n"
    "    font: bold;\n"
    "    color: #4FA600;\n"
    "    height: 26px;\n"
    "    border: 1px solid gray;\n"
    "    border-radius: 3px;\n"
    "    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,\n"
    "        stop: 0 #E1E1E1, stop: 0.4 #DDDDDD, stop: 0.5 #D8D8D8, stop: 1.0 #D3D3D3);\n"
    "}\n";

QAction *makeAction(QMainWindow *window, const char *objectName, const char *iconPath)
{
    auto *action = new QAction(window);
    action->setObjectName(QString::fromLatin1(objectName));
    QIcon icon;
    icon.addFile(QString::fromLatin1(iconPath), QSize(), QIcon::Normal, QIcon::Off);
    action->setIcon(icon);
    return action;
}

QToolBar *makeToolBar(QMainWindow *window, const char *objectName)
{
    auto *bar = new QToolBar(window);
    bar->setObjectName(QString::fromLatin1(objectName));
    bar->setFloatable(false);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    return bar;
}

} // namespace

// Only what differs from Qt's defaults is set.
void SensorWindowUi::setupUi(QMainWindow *window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("SensorWindow"));
    window->resize(643, 625);
    window->setContextMenuPolicy(Qt::NoContextMenu);
    window->setStyleSheet(QString::fromLatin1(windowStyleSheet));

    createActions(window);
    createCentralFrame(window);
    createToolBars(window);
    retranslateUi(window);
    QMetaObject::connectSlotsByName(window);
}

void SensorWindowUi::createActions(QMainWindow *window)
{
    actionSave_Settings = makeAction(window, "actionSave_Settings",
                                     ":/newPrefix/icons/file_save.svg");
    actionOpen_Settings = makeAction(window, "actionOpen_Settings",
                                     ":/newPrefix/icons/file_open.svg");
    actionSettings = makeAction(window, "actionSettings",
                                ":/newPrefix/icons/tolvane-tool-configure.svg");
    actionSupported_sensors = makeAction(window, "actionSupported_sensors",
                                         ":/newPrefix/icons/libary.svg");
    actionDefaultSettings = makeAction(window, "actionDefaultSettings",
                                       ":/newPrefix/icons/Reset.svg");
    actionExportChartData = makeAction(window, "actionExportChartData",
                                       ":/newPrefix/icons/connect_sensor_pc.svg");
    actionExportChartData->setEnabled(false);
    actionExportChartData->setVisible(false);
    actionEnable_live_data = makeAction(window, "actionEnable_live_data",
                                        ":/newPrefix/icons/recorder_play.svg");
    actionEnable_live_data->setCheckable(true);
    actionClear_History = makeAction(window, "actionClear_History",
                                     ":/newPrefix/icons/Verlauf_Loeschen.svg");
    actionPrint_chart_view = makeAction(window, "actionPrint_chart_view",
                                        ":/newPrefix/icons/file_print.svg");
    actionExport_chart_view = makeAction(window, "actionExport_chart_view",
                                         ":/newPrefix/icons/Export.svg");
    actionOutput_1 = makeAction(window, "actionOutput_1", ":/newPrefix/icons/led_state_2_1.svg");
    actionOutput_1->setEnabled(false);
    actionOutput_1->setVisible(false);
    // Shown in menus even where the application hides menu icons.
    actionOutput_1->setIconVisibleInMenu(true);
    actionOutput_2 = makeAction(window, "actionOutput_2", ":/newPrefix/icons/led_state_2_2.svg");
    actionOutput_2->setEnabled(false);
    actionOutput_2->setVisible(false);
    actionRead = makeAction(window, "actionRead", ":/newPrefix/icons/lesen.svg");
    actionWriting = makeAction(window, "actionWriting", ":/newPrefix/icons/schreiben.svg");
    actionWriting->setEnabled(false);
    actionWriting->setVisible(false);
    actionRead_Thresholds = makeAction(window, "actionRead_Thresholds",
                                       ":/newPrefix/icons/QLMR.jpg");
    actionRead_Thresholds->setEnabled(false);
    actionRead_Thresholds->setVisible(false);
}

void SensorWindowUi::createCentralFrame(QMainWindow *window)
{
    centralwidget = new QWidget(window);
    centralwidget->setObjectName(QStringLiteral("centralwidget"));
    verticalLayout = new QVBoxLayout(centralwidget);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    frame = new QFrame(centralwidget);
    frame->setObjectName(QStringLiteral("frame"));
    frame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Raised);
    verticalLayout->addWidget(frame);
    window->setCentralWidget(centralwidget);
}

void SensorWindowUi::createToolBars(QMainWindow *window)
{
    fileToolBar = makeToolBar(window, "fileToolBar");
    fileToolBar->setIconSize(QSize(25, 25));
    // Fixed, not following the window's style.
    fileToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    window->addToolBar(Qt::TopToolBarArea, fileToolBar);

    sensorOperationsToolbar = makeToolBar(window, "sensorOperationsToolbar");
    sensorOperationsToolbar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    window->addToolBar(Qt::TopToolBarArea, sensorOperationsToolbar);

    statusBar = new QStatusBar(window);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    window->setStatusBar(statusBar);

    chartToolbar = makeToolBar(window, "chartToolbar");
    window->addToolBar(Qt::TopToolBarArea, chartToolbar);
    connectionToolBar = makeToolBar(window, "connectionToolBar");
    connectionToolBar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    window->addToolBar(Qt::TopToolBarArea, connectionToolBar);
    outuptsComboToolBar = makeToolBar(window, "outuptsComboToolBar");
    window->addToolBar(Qt::TopToolBarArea, outuptsComboToolBar);

    fileToolBar->addAction(actionOpen_Settings);
    fileToolBar->addAction(actionSave_Settings);
    fileToolBar->addSeparator();
    fileToolBar->addAction(actionExportChartData);
    for (QAction *action : {actionDefaultSettings, actionEnable_live_data, actionWriting,
                            actionRead_Thresholds, actionOutput_1, actionOutput_2, actionRead})
        sensorOperationsToolbar->addAction(action);
    chartToolbar->addAction(actionPrint_chart_view);
    chartToolbar->addAction(actionClear_History);
    chartToolbar->addAction(actionExport_chart_view);
}

void SensorWindowUi::retranslateUi(QMainWindow *window)
{
    Q_UNUSED(window)
    actionSave_Settings->setText(tr("Save Settings"));
    actionSave_Settings->setStatusTip(tr("Save sensor settings to file"));
    actionOpen_Settings->setText(tr("Open Settings"));
    actionOpen_Settings->setStatusTip(tr("Open a saved sensor from file"));
    actionSettings->setText(tr("Settings"));
    actionSupported_sensors->setText(tr("Supported sensors"));
    actionDefaultSettings->setText(tr("DefaultSettings"));
    actionDefaultSettings->setToolTip(tr("Restore sensor's default settings"));
    actionDefaultSettings->setStatusTip(tr("Restore sensor's default settings"));
    actionExportChartData->setText(tr("Export Chart Data"));
    actionExportChartData->setStatusTip(tr("Export chart data to file"));
    actionEnable_live_data->setText(tr("Enable live data"));
    actionEnable_live_data->setToolTip(tr("Enable live data"));
    actionClear_History->setText(tr("Clear History"));
    actionClear_History->setToolTip(tr("Clear chart history"));
    actionPrint_chart_view->setText(tr("Print chart view"));
    actionPrint_chart_view->setToolTip(tr("Print current chart view"));
    actionExport_chart_view->setText(tr("Export chart view"));
    actionExport_chart_view->setToolTip(tr("Export current chart view"));
    actionOutput_1->setText(tr("Output 1"));
    actionOutput_1->setToolTip(tr("Output 1 led"));
    actionOutput_2->setText(tr("Output 2"));
    actionOutput_2->setToolTip(tr("Output 2 led"));
    actionRead->setText(tr("Output 3"));
    actionRead->setToolTip(tr("read"));
    actionWriting->setText(tr("Switch to FP"));
    actionWriting->setIconText(tr("writings"));
    actionWriting->setToolTip(tr("Write mode"));
    actionRead_Thresholds->setText(tr("Read Thresholds"));
    fileToolBar->setWindowTitle(tr("File Tool Bar"));
    sensorOperationsToolbar->setWindowTitle(tr("Sensor Operations Tool Bar"));
    chartToolbar->setWindowTitle(tr("toolBar"));
    connectionToolBar->setWindowTitle(tr("toolBar"));
    outuptsComboToolBar->setWindowTitle(tr("toolBar"));
}

} // namespace Core
} // namespace OrvexSensorPlugin
