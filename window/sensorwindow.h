#pragma once

#include "plugin/sensor.h"

#include "extensionsystem/communicationinterface.h"

#include <boost/property_tree/ptree.hpp>

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <string>

class QtBrowserItem;
class QtProperty;
class QtTreePropertyBrowser;
class QTreeWidget;

namespace ExtensionSystem {
class SensorBasic;
}

namespace Utils {
namespace Charts {
class GenericChart;
}
} // namespace Utils

namespace OrvexSensorPlugin {
namespace Core {

enum class ParameterKind;
struct OutputLayout;
struct SettingsContent;
struct SensorWindowState;
class SensorWindowUi;

// The plug-in's main window for one opened sensor. Its slot table is part of
// the contract with the host; the operations of each subsystem live in that
// subsystem's folder (tree/, comm/, chart/, settings/) as further source files
// of this class, so that window/ holds only the frame and its life cycle.
class SensorWindow : public QMainWindow
{
    Q_OBJECT

public:
    using DataFrame = ExtensionSystem::CommunicationInterface::DataFrame;

    explicit SensorWindow(const ExtensionSystem::SensorBasic &chosenSensor);
    ~SensorWindow() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

    // Access for the plug-in object.
    SensorWindowState *windowState() const { return state; }
    SensorWindowUi *form() const { return ui; }
    QtTreePropertyBrowser *browser() const { return propertyBrowser; }
    const Sensor &catalogueRecord() const { return sensor; }
    bool isConnected() const { return connected; }
    void setCommunication(ExtensionSystem::CommunicationInterface *channel);
    ExtensionSystem::CommunicationInterface *communication() const;

    // Parameter tree (tree/)
    void buildParameterTree();
    void addParameterNode(const boost::property_tree::ptree &node, QtProperty *parent);
    QtProperty *findPropertyById(QtProperty *start, const std::string &id) const;
    QList<QtProperty *> collectSubProperties(QtProperty *start) const;
    void setParameterVisible(const QString &id, bool visible);
    bool isParameterVisible(const QString &id);
    void applySensorListLimits();
    void applySensorVariantLimits();
    void enableEditableParameters();
    void scheduleWrite(QtProperty *property, const QVariant &value);
    void queueWrite(const QString &id, const QVariant &value);
    void flushPendingWrites();
    void retranslateParameterNode(const boost::property_tree::ptree &node);
    void readCategoryLabel(const boost::property_tree::ptree &node, int row);

    // Frames and parameter access (comm/)
    bool writeParameter(QtProperty *property, const QVariant &value);
    void restoreSensorValue(QtProperty *property);
    void showValue(QtProperty *property, const QVariant &value);
    void rememberSensorValue(QtProperty *property);
    bool refuseWhileTransferring();
    void reportRefusedWrites();
    bool bWriteFrame(std::string request, bool useProgress);
    QByteArray readAnswer(std::string request, std::string pattern);
    bool identifySensor();
    bool readParameter(const QString &id, bool useProgress);
    void readAllParameters();
    void showTransferProgress(bool show);
    void factoryReset();

    // Chart, outputs, thresholds, process data (chart/)
    Utils::Charts::GenericChart *createChart(QWidget *parent);
    void setPressurePlotTitle();
    void initChartDecorations();
    void processDataReceived(const QString &hexAnswer);
    void createOutputCombo();
    void createProcessDataDock();
    void updateThresholdDecimals();
    void reexpressThresholds(int previousUnit);

    // Life cycle (window/)
    void retranslateWindowTexts();

signals:
    void vAboutToClose();
    void vSendData(const QString &text);
    void vSendFrame(ExtensionSystem::CommunicationInterface::DataFrame frame);
    void vComPortSelected(const QString &port);
    void vUpdateChart(double value);
    void sendQuery();

public slots:
    void vSensorUpdate(const QVariant &hide);
    void vOpenManual();
    void updateChart();
    void updateComPortList(const QStringList &ports);
    void vRestoreFactorySettings();
    void vExportChartData();
    void vClearHistory();
    void vPrintDocument();
    void setWindowActive(bool active);
    void vAutoConnect(const QString &ComPort);
    void vSetCompleteName(const QString &str);
    void vSaveSettings();
    bool bOpenSettings(const QString &fileName = QString());

protected slots:
    void vLoadSettings();
    void updateWindowTitle();
    void vConnectToPort(const QString &port);
    void vDisconnect();
    void enableStatusChecking(bool on);
    void removeSubProperties(QtProperty *property);
    void queryStatusData(unsigned int index = 0);
    void queryChartData();
    void slotContinousDataTimeout();
    bool bCheckConnection();
    bool bConnectToSensor();
    void itemSelected(QtBrowserItem *item);
    void intValueChanged(QtProperty *property, int value);
    void doubleValueChanged(QtProperty *property, double value);
    void boolValueChanged(QtProperty *property, bool value);
    void stringValueChanged(QtProperty *property, const QString &value);
    void enumValueChanged(QtProperty *property, int value);
    void buttonClicked(QtProperty *property);
    void sendDataFrame(ExtensionSystem::CommunicationInterface::DataFrame *frame,
                       bool showUi = true);
    void slotCurrentOutputChanged(int index);
    void chartThresholdChanged(unsigned int mark, double value);
    void enableTreeDataHandling(bool enabled);
    void enableStringManagerHandling(bool enabled);
    void actionEnableLiveData();
    void actionConnectSensor(int state);
    void sendDelayValue();
    void vUpdateProgressBar();
    void vWriteAllSettings(bool checked);
    void writeAllSettings();
    void vRadAllSettings(bool checked);
    void signalWriteModeIcon(bool signalIcon = false);
    void vZommResetForNoiseLine();
    void comboIndexChangedString(const QString &text);
    void comboIndexChangedInt(int index);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    class TreeHandlingPause;

    // Stages of the construction (window/sensorwindow.cpp)
    void createPortCombo();
    void createPropertyDock();
    void createPropertyBrowser();
    void connectActions();
    void createStatusBarWidgets();
    void createProgressParts();
    void connectChartAndBrowser();

    // Stages of the connection (comm/sensorwindow_connection.cpp)
    enum class MasterProbe { Answered, Unanswered, Withdrawn };
    enum class LinkUp { Up, Failed, WindowGone };
    LinkUp bringUpLink(bool withProgress);
    bool connectSensorToPc();
    bool connectPcToSensor();
    void finishConnection(bool startPolling);
    void abandonConnection();
    bool failConnection(const QString &text);
    MasterProbe probeMaster();

    // Stages of opening a settings file (settings/sensorwindow_settings.cpp)
    bool confirmOpenSettings();
    void settingsFailure(const char *text);
    bool applySettings(const SettingsContent &content);
    void applyParameterList(const std::string &list);
    bool writeOpenedSettings();

    // Stage of the tree's build (tree/sensorwindow_tree.cpp)
    QtProperty *createParameterProperty(const boost::property_tree::ptree &node,
                                        ParameterKind kind, const QString &id,
                                        const QString &label);

    // Stage of the process data panel (chart/sensorwindow_processdata.cpp)
    void fillProcessDataRows(QTreeWidget *tree);

    // Stages of the process-data poll (comm/sensorwindow_polling.cpp)
    void sendPoll(ExtensionSystem::CommunicationInterface *channel);
    bool handlePollAnswer(const DataFrame *frame);
    bool reportSilentSensor();

    // Stages of parameter access (comm/sensorwindow_parameters.cpp, the
    // encoding in comm/sensorwindow_encoding.cpp)
    // The raw number a value is written as, and whether it may be written at all.
    struct EncodedWrite
    {
        int raw = 0;
        bool text = false;   // a text parameter: never written
        bool fits = true;
        QString allowed;     // the range to tell when it does not fit
    };
    bool answerFitsParameter(const QString &id, QtProperty *property, const QByteArray &answer,
                             int sizeCode) const;
    void showReadValue(const QString &id, QtProperty *property, const QByteArray &answer);
    EncodedWrite encodeWrite(const QString &id, QtProperty *property, const QVariant &value);
    void encodeDoubleWrite(const QString &id, QtProperty *property, const QVariant &value,
                           EncodedWrite &encoded);
    bool transmitWrite(const QString &id, QtProperty *property, const QVariant &value,
                       const std::string &request, int raw);

    // Stages of the output refresh (chart/sensorwindow_outputs.cpp)
    QtProperty *outputParameter(const char *id) const;
    int enumParameter(const char *id) const;
    double doubleParameter(const char *id) const;
    void renameParameter(const char *id, const QString &name);
    void refreshUnitScale();
    void resetOutputDecorations();
    void showOutput2Row(bool switching);
    void convertPressuresAfterRead();
    void applyOutputLayout(const OutputLayout &layout);
    void showAnalogAxis(const OutputLayout &layout);
    void applyOutputMarks(const OutputLayout &layout);

    SensorWindowState *state = nullptr;
    SensorWindowUi *ui = nullptr;
    QtTreePropertyBrowser *propertyBrowser = nullptr;
    Sensor sensor;
    bool connected = false;
    QTimer writeDelayTimer;
    QtProperty *pendingProperty = nullptr;
    QVariant pendingValue;
    // Edits waiting for the write delay, one per parameter in the order of
    // their first edit; a later edit of the same parameter replaces its value.
    struct PendingWrite
    {
        QString id;
        QVariant value;
    };
    QList<PendingWrite> pendingWrites;
    // The last value each parameter had on the sensor (pressures in bar), to
    // show again when a write is refused.
    QMap<QString, QVariant> sensorValues;
    // Writes refused since the last report, one line each.
    QStringList refusedWrites;
    bool buttonValueFlag = true;
    bool bulkWriteRunning = false;
    bool languageChanging = false;
    bool lastVisibility = false;
    QMap<QString, QStringList> stringItems;
    QMap<QString, QString> parameterAddresses;
    boost::property_tree::ptree descriptionTree;
    QStringList categoryLabels;
    QMap<QString, int> categoryRows;
    QString identification;
    int lastUnitSetting = 0;

    // Tests reach the private fields through an accessor struct of their own.
    friend struct SensorWindowTestAccess;
};

} // namespace Core
} // namespace OrvexSensorPlugin
