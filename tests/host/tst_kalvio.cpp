#include "app/idlequitter.h"
#include "app/mainwindow.h"
#include "app/plugindock.h"
#include "app/pluginloader.h"
#include "app/portwatcher.h"
#include "app/serialconnectionbroker.h"
#include "simulator/mastersimulator.h"

#include "common/modalanswerer.h"
#include "extensionsystem/globals.h"
#include "extensionsystem/plugininterface.h"
#include "utils/progressbarui.h"

#include <QtTest>
#include <QtWidgets>

using ExtensionSystem::PluginInterface;

const QStringList Sensors{"ZT4K-010 -1...10 bar", "ZT4K-100 0...100 bar", "ZT4K-400 0...400 bar"};

// The host application: its command line as a program, its main window in process
// with the real plug-in from the output folder, the port list and the idle quit.
class TstKalvio : public QObject
{
    Q_OBJECT

    Kalvio::PluginLoader m_loader;
    std::unique_ptr<Kalvio::MainWindow> m_window;

    QWidget *pluginWindow() const { return m_window->mdiArea()->subWindowList().at(0)->widget(); }

private slots:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        QCOMPARE(m_loader.loadFolder(QCoreApplication::applicationDirPath()), 1);
    }

    void init()
    {
        m_window = std::make_unique<Kalvio::MainWindow>(m_loader);
        m_window->show();
    }

    void cleanup()
    {
        m_window.reset();
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments"); // %DIR%: an empty folder of the test's
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");           // %BIN%: the program's folder
        const QString quitAfter = "--quit-after";
        QTest::newRow("--list prints every plug-in with its sensors") << QStringList{"--list"} << 0
            << "IoLinkZT4Kfamily 1.0.0 [SERIAL] %BIN%/IoLinkZT4Kfamily.so\n"
               "  Plugin for handling MASTER IO_LINK-KB6  TOLVANE  FLUID sensors family\n"
               "  sensor ZT41: " + Sensors[0] + "\n  sensor ZT42: " + Sensors[1]
                   + "\n  sensor ZT43: " + Sensors[2] + "\n";
        QTest::newRow("--list without plug-ins fails")
            << QStringList{"--list", "--plugin-dir", "%DIR%"} << 1 << "";
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2 << "";
        QTest::newRow("--connect without a sensor") << QStringList{"--connect", "p"} << 2 << "";
        QTest::newRow("--quit-after not a number") << QStringList{quitAfter, "x"} << 2 << "";
        QTest::newRow("sensor in no catalogue") << QStringList{"--open", "None", quitAfter, "0"}
                                                << 1 << "";
        QTest::newRow("screenshot of the opened sensor when the time runs out")
            << QStringList{"--open", Sensors[0], "--screenshot", "%DIR%/s.png", quitAfter, "300"}
            << 0 << "Screenshot saved to %DIR%/s.png\n";
        QTest::newRow("screenshot that cannot be written, after 1.5 s without --quit-after")
            << QStringList{"--screenshot", "%DIR%/no/s.png"} << 1 << "";
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QTemporaryDir dir;
        arguments.replaceInStrings("%DIR%", dir.path());
        out.replace("%DIR%", dir.path()).replace("%BIN%", QCoreApplication::applicationDirPath());
        QProcess kalvio;
        kalvio.start(QCoreApplication::applicationDirPath() + "/kalvio", arguments);
        QVERIFY(kalvio.waitForFinished(20000));
        QCOMPARE(kalvio.exitCode(), exitCode);
        QCOMPARE(QString::fromUtf8(kalvio.readAllStandardOutput()), out);
        QFile png(dir.filePath("s.png"));
        QCOMPARE(png.open(QIODevice::ReadOnly) && png.read(8) == "\x89PNG\r\n\x1a\n"
                     && png.size() > 1000, out.startsWith("Screenshot"));
    }

    void sessionEnds_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("atOnce");
        QTest::newRow("user closes the sub-window") << "sub-window" << false;
        QTest::newRow("plug-in closes its own window") << "plug-in" << false;
        QTest::newRow("user closes the main window") << "main window" << false;
        QTest::newRow("host closes all sensors at exit") << "all" << true;
    }

    void sessionEnds()
    {
        QFETCH(QString, how);
        QFETCH(bool, atOnce);
        ModalAnswerer answerer;
        Kalvio::SerialConnectionBroker *broker = m_window->broker();
        const QString port = Kalvio::SerialConnectionBroker::simulatedPortName();
        QVERIFY(broker->enableSimulator(QCoreApplication::applicationDirPath()
                                        + "/IoLinkZT4Kfamily.xml"));
        m_window->portWatcher()->setSimulatedPort(port);
        m_window->portWatcher()->refresh();
        QTreeWidget *tree = m_window->pluginDock()->tree();
        emit tree->itemActivated(tree->topLevelItem(0)->child(0), 0);
        QCOMPARE(m_window->pluginObjects().size(), 1);
        QPointer<PluginInterface> plugin = m_window->pluginObjects().at(0);
        QCOMPARE(plugin->getSensorName(), Sensors[0]);
        QPointer<QMdiSubWindow> subWindow = m_window->mdiArea()->subWindowList().first();
        QVERIFY(subWindow->isMaximized() && pluginWindow()->windowTitle().contains(Sensors[0]));
        QVERIFY(m_window->findChild<QAction *>("actionOpenSettings")->isEnabled());
        if (atOnce) { // connecting takes the plug-in some 10 s, so only once
            plugin->vAutoConnect(port); // borrows the simulated port through the host's broker
            QVERIFY(broker->channelOf(plugin));
            QTRY_VERIFY(broker->simulator()->requestCount() > 3);
        }
        if (how == "sub-window")
            QVERIFY(subWindow->close());
        else if (how == "plug-in")
            plugin->vActionExit("any text");
        else if (how == "main window")
            QVERIFY(m_window->close());
        else
            m_window->closeAllSensors();
        QCOMPARE(plugin.isNull(), atOnce); // never deleted from under its caller otherwise
        QTRY_VERIFY(!plugin);
        QVERIFY(m_window->pluginObjects().isEmpty());
        QCOMPARE(broker->channelCount(), 0);
        QTRY_VERIFY(!subWindow);
    }

    // The View menu brings back each closed dock and hidden tool bar of the sensor window.
    void viewMenuListsTheSensorWindowsDocksAndToolBars()
    {
        QVERIFY(m_window->openSensor(Sensors[0]));
        const QList<QAction *> entries = m_window->menuBar()->actions().at(1)->menu()->actions();
        QList<QWidget *> hidden;
        for (QWidget *widget : pluginWindow()->findChildren<QWidget *>()) {
            if (qobject_cast<QDockWidget *>(widget) || qobject_cast<QToolBar *>(widget))
                hidden << widget;
        }
        QVERIFY(hidden.size() >= 4);
        for (QWidget *widget : hidden) {
            widget->hide();
            const auto entry = std::find_if(entries.begin(), entries.end(),
                [widget](QAction *a) { return a->data().value<QObject *>() == widget; });
            QVERIFY2(entry != entries.end(), qPrintable(widget->objectName()));
            QVERIFY((*entry)->text() != "toolBar" && (*entry)->text() == (*entry)->text().trimmed());
            QVERIFY(!(*entry)->isChecked());
            (*entry)->trigger();
            QVERIFY(widget->isVisible());
        }
    }

    // The ports offered: the system's, the extra ones, then the simulated one, each once.
    void portsReachThePluginWindow()
    {
        QCOMPARE(m_window->openSensor("None"), nullptr);
        QCOMPARE(m_window->statusBar()->currentMessage(), "No plug-in offers the sensor None");
        Kalvio::PortWatcher *watcher = m_window->portWatcher();
        QStringList system{"ttyS0", "/dev/pts/9"};
        watcher->setPortSource([&system] { return system; });
        watcher->setExtraPorts({"/dev/pts/9", "", "/dev/pts/8", "/dev/pts/8"});
        watcher->setInterval(10);
        QSignalSpy changed(watcher, &Kalvio::PortWatcher::portsChanged);
        watcher->start();
        QCOMPARE(watcher->ports(), (QStringList{"ttyS0", "/dev/pts/9", "/dev/pts/8"}));
        QVERIFY(m_window->openSensor(Sensors[0]));
        QWidget *window = pluginWindow();
        const auto offered = [window] {
            QStringList ports;
            for (QComboBox *combo : window->findChildren<QComboBox *>())
                for (int i = 0; i < combo->count(); ++i)
                    ports << combo->itemText(i);
            return ports.join(' ');
        };
        QVERIFY2(offered().contains("ttyS0 /dev/pts/9 /dev/pts/8"), qPrintable(offered()));
        system = QStringList{"ttyUSB0"};
        watcher->setSimulatedPort("Sim");
        QTRY_VERIFY(offered().contains("ttyUSB0 /dev/pts/9 /dev/pts/8 Sim"));
        watcher->stop();
        system.clear();
        QTest::qWait(50);
        QCOMPARE(changed.count(), 2); // only a changed list is reported, until stopped
    }

    // Leaving the event loop while a plug-in waits for a transfer would end its wait
    // with the frame still queued: the quit waits for it, but no longer than its patience.
    void quit_data()
    {
        QTest::addColumn<int>("transferMs"); // when the running transfer ends
        QTest::addColumn<int>("patienceMs");
        QTest::addColumn<int>("waitResult");
        QTest::newRow("a running transfer is waited for") << 300 << 15000 << 1;
        QTest::newRow("a transfer beyond the patience is left") << 5000 << 200 << 0;
    }

    void quit()
    {
        QFETCH(int, transferMs);
        QFETCH(int, patienceMs);
        QFETCH(int, waitResult);
        Utils::ProgressBarUi progress;
        progress.setShowUi(false);
        Kalvio::IdleQuitter quitter;
        quitter.setPatience(patienceMs);
        int result = -1;
        QElapsedTimer clock;
        QTimer::singleShot(0, &quitter, [&] {
            QTimer::singleShot(0, &quitter, [&] {
                clock.start();
                quitter.quit(7);
            });
            QTimer::singleShot(transferMs, &progress, [&] { progress.exit(5); });
            result = progress.exec(5);
        });
        QTimer::singleShot(5000, &quitter, [] { QCoreApplication::exit(-1); }); // no quit came
        QCOMPARE(QApplication::exec(), 7);
        QCOMPARE(result, waitResult);
        const int minMs = qMin(transferMs, patienceMs) - 20;
        QVERIFY(clock.elapsed() >= minMs && clock.elapsed() < minMs + 1000);
    }
};

QTEST_MAIN(TstKalvio)
#include "tst_kalvio.moc"
