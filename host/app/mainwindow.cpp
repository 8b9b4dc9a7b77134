#include "app/mainwindow.h"

#include "app/moduletranslations.h"
#include "app/plugindock.h"
#include "app/pluginloader.h"
#include "app/portwatcher.h"
#include "app/sensorsubwindow.h"
#include "app/sensorviewmenu.h"
#include "app/serialconnectionbroker.h"

#include "extensionsystem/communicationinterface.h"
#include "extensionsystem/globals.h"
#include "extensionsystem/plugininterface.h"
#include "linkmonitor/linkmonitordock.h"
#include "linkmonitor/linkrecorder.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QIcon>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

namespace Kalvio {

MainWindow::MainWindow(const PluginLoader &loader, QWidget *parent)
    : QMainWindow(parent)
    , m_loader(loader)
    , m_broker(new SerialConnectionBroker(this))
    , m_portWatcher(new PortWatcher(this))
    , m_mdiArea(new QMdiArea(this))
    , m_dock(new PluginDock(this))
    , m_linkRecorder(new LinkMonitor::LinkRecorder(this))
    , m_linkMonitor(new LinkMonitor::LinkMonitorDock(this))
    , m_translations(new ModuleTranslations(this))
{
    setObjectName(QStringLiteral("KalvioMainWindow"));
    setWindowTitle(QStringLiteral("Kalvio"));
    setWindowIcon(QIcon(QStringLiteral(":/newPrefix/icons/connect_sensor_pc.svg")));
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(m_mdiArea);
    m_dock->setPlugins(loader);
    addDockWidget(Qt::LeftDockWidgetArea, m_dock);
    resizeDocks({m_dock}, {300}, Qt::Horizontal);
    m_linkMonitor->setRecorder(m_linkRecorder);
    m_broker->setLinkTap(m_linkRecorder);
    addDockWidget(Qt::BottomDockWidgetArea, m_linkMonitor);
    m_linkMonitor->hide();
    // Each module's translation lies beside it; the host libraries beside the program.
    const QString programFolder = QCoreApplication::applicationDirPath();
    for (const char *module : {"kalvio", "Utils", "PropertyBrowser"})
        m_translations->addModule(programFolder, QLatin1String(module));
    for (const auto &plugin : loader.plugins())
        m_translations->addModuleFile(plugin->fileName());
    createMenus();
    retranslate();
    statusBar();

    ExtensionSystem::PluginInterface::setConnectionBroker(m_broker);

    connect(m_dock, &PluginDock::sensorActivated, this,
            [this](const QString &name) { openSensor(name); });
    connect(m_portWatcher, &PortWatcher::portsChanged, this, &MainWindow::reportPorts);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &MainWindow::onSubWindowActivated);
    connect(m_broker, &SerialConnectionBroker::connectionOpened, this,
            [this](const QString &port) {
                statusBar()->showMessage(tr("%1 opened").arg(port), 5000);
                followActiveSensor();
            });
    connect(m_broker, &SerialConnectionBroker::connectionRefused, this,
            [this](const QString &port, const QString &reason) {
                statusBar()->showMessage(tr("%1 cannot be opened: %2").arg(port, reason), 8000);
            });
}

MainWindow::~MainWindow()
{
    // The MDI area reports sub-window activations while QWidget's destructor
    // takes it down, when this object is no longer a MainWindow.
    disconnect(m_mdiArea, nullptr, this, nullptr);
    for (const Session &session : qAsConst(m_sessions))
        delete session.plugin.data();
    m_sessions.clear();
    deleteReleased();
    m_broker->setLinkTap(nullptr);
    if (ExtensionSystem::PluginInterface::connectionBroker() == m_broker)
        ExtensionSystem::PluginInterface::setConnectionBroker(nullptr);
}

void MainWindow::createMenus()
{
    m_fileMenu = menuBar()->addMenu(QString());
    m_openSettingsAction = m_fileMenu->addAction(
        QIcon(QStringLiteral(":/newPrefix/icons/file_open.svg")), QString(), this,
        &MainWindow::openSettings);
    m_openSettingsAction->setObjectName(QStringLiteral("actionOpenSettings"));
    m_openSettingsAction->setEnabled(false);
    m_fileMenu->addSeparator();
    m_exitAction = m_fileMenu->addAction(QString(), this, &QWidget::close);
    m_exitAction->setObjectName(QStringLiteral("actionExit"));
    m_exitAction->setShortcut(QKeySequence::Quit);

    m_viewMenu = menuBar()->addMenu(QString());
    m_viewMenu->addAction(m_dock->toggleViewAction());
    m_viewMenu->addAction(m_linkMonitor->toggleViewAction());
    m_presentationAction = m_viewMenu->addAction(QString());
    m_presentationAction->setObjectName(QStringLiteral("actionPresentationMode"));
    m_presentationAction->setCheckable(true);
    m_presentationAction->setChecked(ExtensionSystem::Globals::getPresentationMode());
    connect(m_presentationAction, &QAction::toggled, this, &MainWindow::setPresentationMode);
    m_sensorViewMenu = new SensorViewMenu(m_viewMenu);

    m_languageMenu = menuBar()->addMenu(QString());
    auto *languages = new QActionGroup(this);
    m_englishAction = m_languageMenu->addAction(QStringLiteral("English"));
    m_englishAction->setData(QStringLiteral("en"));
    m_germanAction = m_languageMenu->addAction(QStringLiteral("Deutsch"));
    m_germanAction->setData(QStringLiteral("de"));
    for (QAction *action : {m_englishAction, m_germanAction}) {
        action->setCheckable(true);
        languages->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, action] { setLanguage(action->data().toString()); });
    }
    const QString current = QString::fromStdString(ExtensionSystem::Globals::getLanguage());
    (current == QLatin1String("de") ? m_germanAction : m_englishAction)->setChecked(true);

    m_windowMenu = menuBar()->addMenu(QString());
    m_tileAction = m_windowMenu->addAction(QString(), m_mdiArea, &QMdiArea::tileSubWindows);
    m_cascadeAction =
        m_windowMenu->addAction(QString(), m_mdiArea, &QMdiArea::cascadeSubWindows);
}

void MainWindow::retranslate()
{
    m_fileMenu->setTitle(tr("&File"));
    m_openSettingsAction->setText(tr("Open Settings..."));
    m_exitAction->setText(tr("E&xit"));
    m_viewMenu->setTitle(tr("&View"));
    m_presentationAction->setText(tr("Presentation mode"));
    m_languageMenu->setTitle(tr("&Language"));
    m_windowMenu->setTitle(tr("&Window"));
    m_tileAction->setText(tr("&Tile"));
    m_cascadeAction->setText(tr("&Cascade"));
    m_dock->retranslate();
    m_linkMonitor->retranslate();
}

ExtensionSystem::PluginInterface *MainWindow::openSensor(const QString &sensorName)
{
    PluginLibrary *library = m_loader.pluginForSensor(sensorName);
    const ExtensionSystem::SensorBasic *sensor =
        library ? library->findSensor(sensorName) : nullptr;
    if (!sensor) {
        statusBar()->showMessage(tr("No plug-in offers the sensor %1").arg(sensorName), 8000);
        return nullptr;
    }
    auto *subWindow = new SensorSubWindow;
    m_mdiArea->addSubWindow(subWindow);
    ExtensionSystem::PluginInterface *plugin = library->createInstance(*sensor, subWindow);
    if (!plugin) {
        m_mdiArea->removeSubWindow(subWindow);
        delete subWindow;
        return nullptr;
    }
    plugin->setSensorName(sensorName);
    subWindow->watchWidget();
    if (subWindow->widget())
        subWindow->resize(subWindow->widget()->size() + QSize(12, 36));
    // The sub-window holds the plug-in's window, which the plug-in object
    // deletes; so the sub-window goes only after the object is gone.
    connect(plugin, &QObject::destroyed, subWindow, &QObject::deleteLater);
    connect(subWindow, &SensorSubWindow::finished, this,
            [this, plugin] { releasePlugin(plugin); });
    m_sessions.append(Session{plugin, subWindow});
    subWindow->setWindowIcon(windowIcon());
    // A single sensor gets the whole area; further ones come as normal windows.
    if (m_sessions.size() == 1)
        subWindow->showMaximized();
    else
        subWindow->show();
    plugin->vAvailablePortsUpdated(m_portWatcher->ports());
    // The area activated the sub-window before its session was known here.
    onSubWindowActivated(m_mdiArea->activeSubWindow());
    return plugin;
}

QList<ExtensionSystem::PluginInterface *> MainWindow::pluginObjects() const
{
    QList<ExtensionSystem::PluginInterface *> plugins;
    for (const Session &session : m_sessions) {
        if (session.plugin)
            plugins << session.plugin.data();
    }
    return plugins;
}

void MainWindow::releasePlugin(ExtensionSystem::PluginInterface *plugin)
{
    for (int i = 0; i < m_sessions.size(); ++i) {
        if (m_sessions.at(i).plugin == plugin) {
            m_sessions.removeAt(i);
            // Never from under the plug-in: it may be inside one of its own
            // nested event loops right now.
            plugin->deleteLater();
            m_released.append(plugin);
            return;
        }
    }
}

void MainWindow::closeAllSensors()
{
    const QList<Session> sessions = m_sessions;
    for (const Session &session : sessions) {
        if (session.subWindow && !session.subWindow->isFinished())
            session.subWindow->close();
    }
    // Called with no plug-in code on the stack, so what closing has scheduled
    // for deletion can go now, in the order it was scheduled: the released
    // channels finish their frames while the windows that queued them still exist.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_sessions.clear();
    for (const Session &session : sessions)
        delete session.plugin.data();
    deleteReleased();
}

void MainWindow::deleteReleased()
{
    for (const QPointer<ExtensionSystem::PluginInterface> &plugin : qAsConst(m_released))
        delete plugin.data();
    m_released.clear();
}

void MainWindow::reportPorts(const QStringList &ports)
{
    for (ExtensionSystem::PluginInterface *plugin : pluginObjects())
        plugin->vAvailablePortsUpdated(ports);
}

void MainWindow::onSubWindowActivated(QMdiSubWindow *subWindow)
{
    for (const Session &session : qAsConst(m_sessions)) {
        if (session.plugin)
            session.plugin->setWindowActive(subWindow && session.subWindow == subWindow);
    }
    m_openSettingsAction->setEnabled(activePlugin() != nullptr);
    followActiveSensor();
}

// The link monitor and the View menu's sensor entries follow the active sensor window.
void MainWindow::followActiveSensor()
{
    ExtensionSystem::PluginInterface *plugin = activePlugin();
    const ExtensionSystem::CommunicationInterface *channel =
        plugin ? m_broker->channelOf(plugin) : nullptr;
    if (channel)
        m_linkMonitor->setPort(channel->currentPortSettings().portName);
    QMdiSubWindow *active = plugin ? m_mdiArea->activeSubWindow() : nullptr;
    m_sensorViewMenu->showWindow(active ? active->widget() : nullptr);
}

ExtensionSystem::PluginInterface *MainWindow::activePlugin() const
{
    QMdiSubWindow *active = m_mdiArea->activeSubWindow();
    for (const Session &session : m_sessions) {
        if (active && session.subWindow == active)
            return session.plugin.data();
    }
    return nullptr;
}

void MainWindow::openSettings()
{
    QPointer<ExtensionSystem::PluginInterface> plugin = activePlugin();
    if (!plugin)
        return;
    const QString fileName = QFileDialog::getOpenFileName(
        this, tr("Open Settings"), QString(), tr("Settings files (*.wts);;All files (*)"));
    if (!fileName.isEmpty() && plugin)
        plugin->vActionOpen(fileName);
}

void MainWindow::setPresentationMode(bool on)
{
    ExtensionSystem::Globals::setPresentationMode(on);
    if (m_presentationAction->isChecked() != on)
        m_presentationAction->setChecked(on);
    for (ExtensionSystem::PluginInterface *plugin : pluginObjects())
        plugin->vUpdate(QVariant(on));
}

void MainWindow::setLanguage(const QString &code)
{
    ExtensionSystem::Globals::setLanguage(code.toStdString());
    (code == QLatin1String("de") ? m_germanAction : m_englishAction)->setChecked(true);
    m_translations->setLanguage(code);
    // The plug-in windows relabel themselves on this event, translator or not.
    for (const Session &session : qAsConst(m_sessions)) {
        if (session.subWindow && session.subWindow->widget()) {
            QEvent change(QEvent::LanguageChange);
            QCoreApplication::sendEvent(session.subWindow->widget(), &change);
        }
    }
    retranslate();
}

bool MainWindow::saveScreenshot(const QString &fileName)
{
    return grab().save(fileName, "PNG");
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    const QList<Session> sessions = m_sessions;
    for (const Session &session : sessions) {
        if (session.subWindow && !session.subWindow->isFinished()
            && !session.subWindow->close()) {
            event->ignore();
            return;
        }
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QMainWindow::changeEvent(event);
}

} // namespace Kalvio
