#include "connectionbroker.h"
#include "mainwindow.h"
#include "mastersimulator.h"
#include "pluginloader.h"
#include "portwatcher.h"

#include "common/modalanswerer.h"
#include "extensionsystem/globals.h"
#include "extensionsystem/plugininterface.h"

#include <QComboBox>
#include <QDockWidget>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <memory>

using ExtensionSystem::PluginInterface;

namespace {

struct CatalogueEntry
{
    QString id;
    QString name;
};

// The catalogue as the data file beside the program holds it.
QList<CatalogueEntry> readCatalogue(const QString &fileName)
{
    QList<CatalogueEntry> entries;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    QXmlStreamReader xml(&file);
    QStringList path;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            path << xml.name().toString();
            if (path.size() == 3 && path.at(1) == QLatin1String("sensorList"))
                entries.append(CatalogueEntry());
            if (path.size() == 4 && path.at(1) == QLatin1String("sensorList")) {
                if (path.last() == QLatin1String("id"))
                    entries.last().id = xml.readElementText();
                else if (path.last() == QLatin1String("name"))
                    entries.last().name = xml.readElementText();
                else
                    continue;
                path.removeLast();
            }
        } else if (xml.isEndElement()) {
            path.removeLast();
        }
    }
    return entries;
}

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runKalvio(const QStringList &arguments, int timeoutMs = 30000)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/kalvio"), arguments);
    Run run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

class EventCounter : public QObject
{
public:
    EventCounter(QEvent::Type type, QObject *parent)
        : QObject(parent)
        , m_type(type)
    {
    }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == m_type)
            ++count;
        return false;
    }

private:
    QEvent::Type m_type;
};

} // namespace

// The host application: its command line as a program, and its main window in
// process with the real plug-in from the output folder.
class TstKalvio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listPrintsIdentityAndCatalogue();
    void listWithoutPluginsFails();
    void refusedCommandLines_data();
    void refusedCommandLines();
    void screenshotShowsTheOpenedSensor();

    void openedSensorSitsInASubWindow();
    void closingTheSubWindowDeletesThePluginObject();
    void pluginClosingItsWindowEndsTheSession();
    void presentationModeReachesThePlugin();
    void languageChangeReachesThePluginWindow();
    void portListReachesTheOpenedWindow();
    void autoConnectBorrowsAndClosingReturnsTheChannel();

private:
    QString firstSensor() const { return m_catalogue.value(0).name; }
    QWidget *pluginWindow() const;

    QList<CatalogueEntry> m_catalogue;
    std::unique_ptr<Kalvio::PluginLoader> m_loader;
    std::unique_ptr<Kalvio::MainWindow> m_window;
};

void TstKalvio::initTestCase()
{
    const QString bin = QCoreApplication::applicationDirPath();
    m_catalogue = readCatalogue(bin + QStringLiteral("/IoLinkZT4Kfamily.xml"));
    QVERIFY(m_catalogue.size() >= 1);
    QVERIFY(QFile::exists(bin + QStringLiteral("/kalvio")));
    m_loader = std::make_unique<Kalvio::PluginLoader>();
    QCOMPARE(m_loader->loadFolder(bin), 1);
}

void TstKalvio::init()
{
    ExtensionSystem::Globals::setPresentationMode(false);
    ExtensionSystem::Globals::setLanguage("en");
    m_window = std::make_unique<Kalvio::MainWindow>(*m_loader);
    m_window->portWatcher()->setPortSource([] { return QStringList(); });
    m_window->resize(1100, 700);
    m_window->show();
}

void TstKalvio::cleanup()
{
    m_window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QWidget *TstKalvio::pluginWindow() const
{
    const QList<QMdiSubWindow *> windows = m_window->mdiArea()->subWindowList();
    return windows.isEmpty() ? nullptr : windows.first()->widget();
}

void TstKalvio::listPrintsIdentityAndCatalogue()
{
    const Run run = runKalvio({QStringLiteral("--list")});
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2 + m_catalogue.size());
    QVERIFY2(lines.at(0).startsWith(QLatin1String("IoLinkZT4Kfamily 1.0.0 [SERIAL] ")),
             qPrintable(lines.at(0)));
    QVERIFY(lines.at(0).endsWith(QLatin1String("IoLinkZT4Kfamily.so")));
    QCOMPARE(lines.at(1), QStringLiteral(
        "  Plugin for handling MASTER IO_LINK-KB6  TOLVANE  FLUID sensors family"));
    for (int i = 0; i < m_catalogue.size(); ++i) {
        QCOMPARE(lines.at(2 + i), QStringLiteral("  sensor %1: %2")
                                      .arg(m_catalogue.at(i).id, m_catalogue.at(i).name));
    }
}

void TstKalvio::listWithoutPluginsFails()
{
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    const Run run = runKalvio({QStringLiteral("--list"), QStringLiteral("--plugin-dir"),
                               empty.path()});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
}

void TstKalvio::refusedCommandLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2;
    QTest::newRow("connect without a sensor") << QStringList{"--connect", "/dev/pts/1"} << 2;
    QTest::newRow("quit-after not a number")
        << QStringList{"--quit-after", "soon", "--list"} << 2;
    QTest::newRow("sensor not in any catalogue")
        << QStringList{"--open", "No such sensor", "--quit-after", "0"} << 1;
}

void TstKalvio::refusedCommandLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    const Run run = runKalvio(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(!run.err.isEmpty());
}

void TstKalvio::screenshotShowsTheOpenedSensor()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    const Run run = runKalvio({QStringLiteral("--open"), firstSensor(),
                               QStringLiteral("--screenshot"), shot,
                               QStringLiteral("--quit-after"), QStringLiteral("1500")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains("Screenshot saved to"));
    QImage image(shot, "PNG");
    QVERIFY(!image.isNull());
    QVERIFY2(image.width() >= 900 && image.height() >= 600,
             qPrintable(QStringLiteral("%1x%2").arg(image.width()).arg(image.height())));
    // A drawn window, not a blank: tool bars, icons and text give many colours.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    QVERIFY2(colours.size() > 50, qPrintable(QString::number(colours.size())));
}

void TstKalvio::openedSensorSitsInASubWindow()
{
    QPointer<PluginInterface> plugin = m_window->openSensor(firstSensor());
    QVERIFY(plugin);
    QCOMPARE(plugin->getSensorName(), firstSensor());
    QCOMPARE(m_window->pluginObjects(), QList<PluginInterface *>{plugin.data()});
    QCOMPARE(m_window->mdiArea()->subWindowList().size(), 1);
    QWidget *window = pluginWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(window->windowTitle().contains(firstSensor()));
    QCOMPARE(m_window->openSensor(QStringLiteral("No such sensor")), nullptr);
    QCOMPARE(m_window->mdiArea()->subWindowList().size(), 1);
}

void TstKalvio::closingTheSubWindowDeletesThePluginObject()
{
    QPointer<PluginInterface> plugin = m_window->openSensor(firstSensor());
    QVERIFY(plugin);
    QPointer<QWidget> window = pluginWindow();
    QPointer<QMdiSubWindow> subWindow = m_window->mdiArea()->subWindowList().first();
    EventCounter *closes = new EventCounter(QEvent::Close, window);
    window->installEventFilter(closes);

    QVERIFY(subWindow->close());
    QCOMPARE(closes->count, 1);  // the plug-in's window was closed, once
    QVERIFY(plugin);             // deleted later, not under the caller
    QTRY_VERIFY(!plugin);
    QVERIFY(!window);
    QTRY_VERIFY(!subWindow);
    QVERIFY(m_window->pluginObjects().isEmpty());
}

void TstKalvio::pluginClosingItsWindowEndsTheSession()
{
    QPointer<PluginInterface> plugin = m_window->openSensor(firstSensor());
    QVERIFY(plugin);
    QPointer<QMdiSubWindow> subWindow = m_window->mdiArea()->subWindowList().first();
    plugin->vActionExit(QStringLiteral("any text"));
    QTRY_VERIFY(!plugin);
    QTRY_VERIFY(!subWindow);
}

void TstKalvio::presentationModeReachesThePlugin()
{
    QVERIFY(m_window->openSensor(firstSensor()));
    auto *dock = pluginWindow()->findChild<QDockWidget *>(QStringLiteral("propertyTree"));
    QVERIFY(dock);
    QVERIFY(!dock->isHidden());
    m_window->setPresentationMode(true);
    QVERIFY(ExtensionSystem::Globals::getPresentationMode());
    QVERIFY(dock->isHidden());
    m_window->setPresentationMode(false);
    QVERIFY(!ExtensionSystem::Globals::getPresentationMode());
    QVERIFY(!dock->isHidden());
}

void TstKalvio::languageChangeReachesThePluginWindow()
{
    QVERIFY(m_window->openSensor(firstSensor()));
    QWidget *window = pluginWindow();
    auto *changes = new EventCounter(QEvent::LanguageChange, window);
    window->installEventFilter(changes);
    m_window->setLanguage(QStringLiteral("de"));
    QCOMPARE(ExtensionSystem::Globals::getLanguage(), std::string("de"));
    QVERIFY(changes->count >= 1);
    m_window->setLanguage(QStringLiteral("en"));
    QCOMPARE(ExtensionSystem::Globals::getLanguage(), std::string("en"));
}

void TstKalvio::portListReachesTheOpenedWindow()
{
    const auto combosOffer = [this](const QString &port) {
        for (QComboBox *combo : pluginWindow()->findChildren<QComboBox *>()) {
            if (combo->findText(port) >= 0)
                return true;
        }
        return false;
    };
    m_window->portWatcher()->setExtraPorts({QStringLiteral("/dev/pts/901")});
    m_window->portWatcher()->refresh();
    QVERIFY(m_window->openSensor(firstSensor()));
    QVERIFY(combosOffer(QStringLiteral("/dev/pts/901")));

    m_window->portWatcher()->setExtraPorts({QStringLiteral("/dev/pts/902")});
    m_window->portWatcher()->refresh();
    QVERIFY(combosOffer(QStringLiteral("/dev/pts/902")));
    QVERIFY(!combosOffer(QStringLiteral("/dev/pts/901")));
}

void TstKalvio::autoConnectBorrowsAndClosingReturnsTheChannel()
{
    ModalAnswerer answerer;
    answerer.answerWith(QMessageBox::Ok);
    const QString dataFile =
        QCoreApplication::applicationDirPath() + QStringLiteral("/IoLinkZT4Kfamily.xml");
    QVERIFY(m_window->broker()->enableSimulator(dataFile));
    const QString port = Kalvio::ConnectionBroker::simulatedPortName();
    m_window->portWatcher()->setSimulatedPort(port);
    m_window->portWatcher()->refresh();
    QPointer<PluginInterface> plugin = m_window->openSensor(firstSensor());
    QVERIFY(plugin);

    plugin->vAutoConnect(port);
    QVERIFY(plugin);
    QCOMPARE(m_window->broker()->channelCount(), 1);
    QVERIFY(m_window->broker()->channelOf(plugin));
    QTRY_VERIFY(m_window->broker()->simulator()->requestCount() > 3);

    m_window->mdiArea()->subWindowList().first()->close();
    QTRY_VERIFY(!plugin);
    QCOMPARE(m_window->broker()->channelCount(), 0);
}

QTEST_MAIN(TstKalvio)
#include "tst_kalvio.moc"
