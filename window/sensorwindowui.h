#pragma once

#include <QCoreApplication>

class QAction;
class QFrame;
class QMainWindow;
class QStatusBar;
class QToolBar;
class QVBoxLayout;
class QWidget;

namespace OrvexSensorPlugin {
namespace Core {

// The window's form, built in code: actions, tool bars, status bar and the
// central frame that holds the chart.
class SensorWindowUi
{
    Q_DECLARE_TR_FUNCTIONS(OrvexSensorPlugin::Core::SensorWindow)

public:
    QAction *actionSave_Settings = nullptr;
    QAction *actionOpen_Settings = nullptr;
    QAction *actionSettings = nullptr;
    QAction *actionSupported_sensors = nullptr;
    QAction *actionDefaultSettings = nullptr;
    QAction *actionExportChartData = nullptr;
    QAction *actionEnable_live_data = nullptr;
    QAction *actionClear_History = nullptr;
    QAction *actionPrint_chart_view = nullptr;
    QAction *actionExport_chart_view = nullptr;
    QAction *actionOutput_1 = nullptr;
    QAction *actionOutput_2 = nullptr;
    QAction *actionRead = nullptr;
    QAction *actionWriting = nullptr;
    QAction *actionRead_Thresholds = nullptr;
    QWidget *centralwidget = nullptr;
    QVBoxLayout *verticalLayout = nullptr;
    QFrame *frame = nullptr;
    QToolBar *fileToolBar = nullptr;
    QToolBar *sensorOperationsToolbar = nullptr;
    QStatusBar *statusBar = nullptr;
    QToolBar *chartToolbar = nullptr;
    QToolBar *connectionToolBar = nullptr;
    QToolBar *outuptsComboToolBar = nullptr;

    void setupUi(QMainWindow *window);
    void retranslateUi(QMainWindow *window);

private:
    void createActions(QMainWindow *window);
    void createCentralFrame(QMainWindow *window);
    void createToolBars(QMainWindow *window);
};

} // namespace Core
} // namespace OrvexSensorPlugin
