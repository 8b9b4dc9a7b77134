#pragma once

#include "extensionsystem/communicationinterface.h"

#include "chart/processvalue.h"

#include <QDialog>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>
#include <string>

class QComboBox;
class QDockWidget;
class QGridLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class QtBoolPropertyManager;
class QtIntPropertyManager;
class QtDoublePropertyManager;
class QtStringPropertyManager;
class QtEnumPropertyManager;
class QtGroupPropertyManager;
class QtCheckBoxFactory;
class QtSpinBoxFactory;
class QtDoubleSpinBoxFactory;
class QtLineEditFactory;
class QtEnumEditorFactory;
class QtProperty;

namespace Utils {
class ButtonManager;
class ButtonFactory;
class ConnectionStatus;
class ThresholdWindowWidget;
class ThresholdMultiManager;
namespace Charts {
class GenericChart;
}
} // namespace Utils

namespace OrvexSensorPlugin {
namespace Core {

// The window's private state: one per window, deleted by the window's destructor.
struct SensorWindowState
{
    SensorWindowState();
    ~SensorWindowState();

    using DataFrame = ExtensionSystem::CommunicationInterface::DataFrame;

    bool liveDataEnabled = false;
    ExtensionSystem::CommunicationInterface *communication = nullptr;

    QtBoolPropertyManager *boolManager = nullptr;
    QtIntPropertyManager *intManager = nullptr;
    QtDoublePropertyManager *doubleManager = nullptr;
    QtStringPropertyManager *stringManager = nullptr;
    QtEnumPropertyManager *enumManager = nullptr;
    QtStringPropertyManager *stringManager2 = nullptr;
    QtGroupPropertyManager *groupManager = nullptr;
    QtCheckBoxFactory *checkBoxFactory = nullptr;
    QtSpinBoxFactory *spinBoxFactory = nullptr;
    QtDoubleSpinBoxFactory *doubleSpinBoxFactory = nullptr;
    QtLineEditFactory *lineEditFactory = nullptr;
    QtEnumEditorFactory *enumEditorFactory = nullptr;
    Utils::ButtonManager *buttonManager = nullptr;
    Utils::ButtonFactory *buttonFactory = nullptr;

    QDockWidget *propertyDock = nullptr;
    QComboBox *portCombo = nullptr;

    QTimer chartPollTimer;        // 65 ms, single-shot: next process-data poll
    QTimer continuousDataTimer;   // 19000 ms, single-shot: identity re-check
    QTimer writeModeIconTimer;    // 700 ms, single-shot

    Utils::Charts::GenericChart *chart = nullptr;
    Utils::ConnectionStatus *connectionStatus = nullptr;
    std::string language = "en";

    // Process-data polling
    unsigned int pendingFrameNumber = 0;
    int statusRetries = 2;
    QMutex frameMutex;
    QMap<unsigned int, DataFrame *> pendingFrames;   // owned
    bool pollHandlerRunning = false;                 // answer handler is on the stack
    bool pollDeferred = false;                       // a poll postponed until it returns

    // Transfer progress dialog
    QDialog progressDialog;
    QGridLayout *progressLayout = nullptr;
    QProgressBar *progressBar = nullptr;
    QLabel *progressLabel = nullptr;
    QPushButton *progressButton = nullptr;
    bool showProgress = true;
    int progressMaximum = 350;

    // Measuring range and units
    double maxRange = 10.0;
    double minRange = -1.0;
    double decVal = 1000.0;
    int unitIndex = 0;
    QString unitSuffix = QStringLiteral("(bar)");

    // Parameter tree
    QtProperty *rootProperty = nullptr;
    QStringList hiddenParameterIds;

    // Connection
    QString expectedSensorId;
    bool initialSyncPending = false;
    bool autoConnectRunning = false;
    int previousPortIndex = 0;
    bool convertAfterRead = false;
    bool readStringsEnabled = false;
    bool recheckRunning = false;   // slotContinousDataTimeout() is on the stack
    // Master exchanges whose fetch belongs to them (a read, a write) in progress;
    // a delayed write that comes due meanwhile waits for them.
    int parameterExchanges = 0;

    // Chart, outputs and thresholds
    Utils::ThresholdWindowWidget *thresholdWindow = nullptr;
    QList<Utils::ThresholdWindowWidget *> thresholdWindows;
    Utils::ThresholdMultiManager *thresholdManager = nullptr;
    int thresholdComponent = 0;   // component index of the overlay whose drag is handled
    int analogMode = 0;
    double analogLow = 0.0;
    double analogHigh = 0.0;
    QComboBox *outputCombo = nullptr;
    bool output2Switching = true;

    // Process data panel
    QDockWidget *processDataDock = nullptr;
    QTreeWidget *processDataTree = nullptr;
    QList<QTreeWidgetItem *> processDataItems;
    // The newest reading not shown in the panel yet. The panel follows the
    // chart's refreshes, so that a reading's rows and its point on the chart are
    // painted in one pass, at most as often as the chart redraws.
    struct PanelReading
    {
        double value;
        QString unitSuffix;
        ProcessValue answer;
        bool output2Switching;
    };
    std::optional<PanelReading> pendingReading;

    QString completeName;
};

} // namespace Core
} // namespace OrvexSensorPlugin
