#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace ExtensionSystem {
class PluginInterface;
}

namespace LinkMonitor {
class LinkMonitorDock;
class LinkRecorder;
}

namespace Kalvio {

class SerialConnectionBroker;
class ModuleTranslations;
class PluginDock;
class PluginLoader;
class PortWatcher;
class SensorSubWindow;
class SensorViewMenu;

// The host's main window: the plug-in dock, the MDI area with one sub-window
// per opened sensor, and the menus that reach the plug-in objects.
class MainWindow : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(MainWindow)

public:
    explicit MainWindow(const PluginLoader &loader, QWidget *parent = nullptr);
    // Deletes the plug-in objects that are left (each takes its window along)
    // while the broker they unregister from still exists.
    ~MainWindow() override;

    SerialConnectionBroker *broker() const { return m_broker; }
    PortWatcher *portWatcher() const { return m_portWatcher; }
    QMdiArea *mdiArea() const { return m_mdiArea; }
    PluginDock *pluginDock() const { return m_dock; }
    // Sees the line of every channel the broker lends.
    LinkMonitor::LinkRecorder *linkRecorder() const { return m_linkRecorder; }
    LinkMonitor::LinkMonitorDock *linkMonitor() const { return m_linkMonitor; }
    // The View menu's entries for the active sensor window's docks and tool bars.
    SensorViewMenu *sensorViewMenu() const { return m_sensorViewMenu; }

    // Opens the sensor of that catalogue name in a new sub-window; null when no
    // plug-in lists it or the plug-in gives no object.
    ExtensionSystem::PluginInterface *openSensor(const QString &sensorName);
    QList<ExtensionSystem::PluginInterface *> pluginObjects() const;
    // Closes every sensor window and deletes its plug-in object.
    void closeAllSensors();

    void setPresentationMode(bool on);
    void setLanguage(const QString &code);
    bool saveScreenshot(const QString &fileName);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Session
    {
        QPointer<ExtensionSystem::PluginInterface> plugin;
        QPointer<SensorSubWindow> subWindow;
    };

    void createMenus();
    void retranslate();
    void releasePlugin(ExtensionSystem::PluginInterface *plugin);
    void deleteReleased();
    void reportPorts(const QStringList &ports);
    void onSubWindowActivated(QMdiSubWindow *subWindow);
    void openSettings();
    void followActiveSensor();
    ExtensionSystem::PluginInterface *activePlugin() const;

    const PluginLoader &m_loader;
    SerialConnectionBroker *m_broker;
    PortWatcher *m_portWatcher;
    QMdiArea *m_mdiArea;
    PluginDock *m_dock;
    LinkMonitor::LinkRecorder *m_linkRecorder;
    LinkMonitor::LinkMonitorDock *m_linkMonitor;
    ModuleTranslations *m_translations;
    QList<Session> m_sessions;
    // Plug-in objects scheduled for deletion; deleted outright at shutdown.
    QList<QPointer<ExtensionSystem::PluginInterface>> m_released;

    QMenu *m_fileMenu = nullptr;
    QMenu *m_viewMenu = nullptr;
    QMenu *m_languageMenu = nullptr;
    QMenu *m_windowMenu = nullptr;
    SensorViewMenu *m_sensorViewMenu = nullptr;
    QAction *m_openSettingsAction = nullptr;
    QAction *m_exitAction = nullptr;
    QAction *m_presentationAction = nullptr;
    QAction *m_englishAction = nullptr;
    QAction *m_germanAction = nullptr;
    QAction *m_tileAction = nullptr;
    QAction *m_cascadeAction = nullptr;
};

} // namespace Kalvio
