#pragma once

#include "window/sensorwindow.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "propertybrowser/qtproperty.h"
#include "propertybrowser/qtpropertymanager.h"

#include <QAction>
#include <QTimer>

namespace OrvexSensorPlugin {
namespace Core {

// The window's private fields and protected slots, for every test program.
// One definition only: the window befriends this struct by name.
struct SensorWindowTestAccess
{
    using W = SensorWindow;

    static SensorWindowState &state(W &w) { return *w.state; }
    static SensorWindowUi &ui(W &w) { return *w.ui; }
    static const Sensor &sensor(W &w) { return w.sensor; }
    static bool &connected(W &w) { return w.connected; }
    static QString &identification(W &w) { return w.identification; }
    static QTimer &writeDelayTimer(W &w) { return w.writeDelayTimer; }
    static QtProperty *&pendingProperty(W &w) { return w.pendingProperty; }
    static QVariant &pendingValue(W &w) { return w.pendingValue; }
    // The edits waiting for the write delay, "id=value" in the order they go out.
    static QStringList pendingWrites(W &w)
    {
        QStringList writes;
        for (const auto &write : w.pendingWrites)
            writes << write.id + QLatin1Char('=') + write.value.toString();
        return writes;
    }
    static void scheduleWrite(W &w, const QString &id, const QVariant &value)
    {
        w.scheduleWrite(find(w, id), value);
    }
    static QMap<QString, QString> &addresses(W &w) { return w.parameterAddresses; }
    static QMap<QString, QStringList> &stringItems(W &w) { return w.stringItems; }
    static bool &languageChanging(W &w) { return w.languageChanging; }
    static int &lastUnitSetting(W &w) { return w.lastUnitSetting; }
    static bool &bulkWriteRunning(W &w) { return w.bulkWriteRunning; }
    static const boost::property_tree::ptree &description(W &w) { return w.descriptionTree; }

    static QtProperty *root(W &w) { return w.state->rootProperty; }
    static QtProperty *find(W &w, const QString &id)
    {
        return w.findPropertyById(w.state->rootProperty, id.toStdString());
    }
    static QtProperty *property(W &w, const QString &id) { return find(w, id); }
    static QList<QtProperty *> all(W &w) { return w.collectSubProperties(w.state->rootProperty); }
    static bool isShown(W &w, const QString &id) { return w.isParameterVisible(id); }

    // Connection and polling.
    static void actionConnectSensor(W &w, int index) { w.actionConnectSensor(index); }
    static bool bConnectToSensor(W &w) { return w.bConnectToSensor(); }
    static bool bCheckConnection(W &w) { return w.bCheckConnection(); }
    static void vDisconnect(W &w) { w.vDisconnect(); }
    static void slotContinousDataTimeout(W &w) { w.slotContinousDataTimeout(); }
    static void queryStatusData(W &w, unsigned int n) { w.queryStatusData(n); }
    static void enableStatusChecking(W &w, bool on) { w.enableStatusChecking(on); }
    static void actionEnableLiveData(W &w) { w.actionEnableLiveData(); }
    static void updateWindowTitle(W &w) { w.updateWindowTitle(); }
    static void receive(W &w, const QString &hex) { w.processDataReceived(hex); }

    // Parameter access.
    static void sendDataFrame(W &w, SensorWindow::DataFrame *frame, bool showUi)
    {
        w.sendDataFrame(frame, showUi);
    }
    static void sendDelayValue(W &w) { w.sendDelayValue(); }
    static void writeAllSettings(W &w) { w.writeAllSettings(); }
    static void vWriteAllSettings(W &w) { w.vWriteAllSettings(false); }
    static void vRadAllSettings(W &w) { w.vRadAllSettings(false); }
    static void vLoadSettings(W &w) { w.vLoadSettings(); }

    // Tree handling.
    static void enableTreeDataHandling(W &w, bool on) { w.enableTreeDataHandling(on); }
    static void enableStringManagerHandling(W &w, bool on) { w.enableStringManagerHandling(on); }
    static void setParameterVisible(W &w, const QString &id, bool visible)
    {
        w.setParameterVisible(id, visible);
    }
    static void removeSubProperties(W &w, QtProperty *p) { w.removeSubProperties(p); }
    static void itemSelected(W &w, QtBrowserItem *item) { w.itemSelected(item); }
    static void comboIndexChangedInt(W &w, int index) { w.comboIndexChangedInt(index); }
    static void comboIndexChangedString(W &w, const QString &text)
    {
        w.comboIndexChangedString(text);
    }
    static void buttonClicked(W &w, QtProperty *p) { w.buttonClicked(p); }
    static void refreshOutputs(W &w) { w.slotCurrentOutputChanged(0); }

    // Live data as the action's slot leaves it.
    static void setLive(W &w, bool on)
    {
        w.ui->actionEnable_live_data->setChecked(on);
        w.state->liveDataEnabled = on;
    }

    // Values set as a read from the sensor sets them: not taken for user edits.
    static void setEnum(W &w, const QString &id, int value)
    {
        w.enableTreeDataHandling(false);
        w.state->enumManager->setValue(find(w, id), value);
        w.enableTreeDataHandling(true);
    }
    static void setDouble(W &w, const QString &id, double value)
    {
        w.enableTreeDataHandling(false);
        w.state->doubleManager->setValue(find(w, id), value);
        w.enableTreeDataHandling(true);
    }
    static double doubleValue(W &w, const QString &id)
    {
        return w.state->doubleManager->value(find(w, id));
    }

    // Forget a write that is waiting for its delay (the tree build schedules one).
    static void clearPendingWrite(W &w)
    {
        w.writeDelayTimer.stop();
        w.pendingProperty = nullptr;
        w.pendingValue = QVariant();
        w.pendingWrites.clear();
    }
};

} // namespace Core
} // namespace OrvexSensorPlugin
