// Every fault of the simulated master during every activity of a connected window,
// over a real pseudo-terminal (PtyServer in this process, the host's SerialChannel).
// A fault strikes at the activity's second request and, where it is one of single
// answers, lasts for two requests. After the activity the identity re-check runs as
// its 19 s timer would start it. One row per cell:
//   fault activity outcome seconds bound recheck-seconds
// outcome: "connected" with the tree matching the simulator's memory (and the
// messages shown, if any, such as a report of writes that failed), "offline" with
// the window's message, or what went wrong ("DIFFER" lists the parameters whose tree
// value is not the sensor's, "SILENT" an offline window without a message). seconds
// is the activity's own time, bound the worst case of its transfers' time-outs
// (blocking waits between requests are switched off). A cell that outlives its bound
// by 60 s is reported as HANG and ends the program.
// Arguments: optional fault and activity names to run only those.

#include "common/connectionrig.h"

#include "comm/rawvalue.h"
#include "settings/settingsfile.h"

#include <QApplication>
#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

using namespace ConnectionRig;
using Fault = IoLinkSim::MasterSimulator::Fault;

namespace {

enum class Strike { None, Answer, Silent, TerminalClosed, OtherProduct };

struct FaultCase
{
    const char *name;
    Strike strike;
    Fault fault;
};

const FaultCase faults[] = {
    {"none", Strike::None, Fault::None},
    {"drop", Strike::Answer, Fault::Drop},
    {"late", Strike::Answer, Fault::Late},
    {"error", Strike::Answer, Fault::Error},
    {"garbage", Strike::Answer, Fault::Garbage},
    {"truncated", Strike::Answer, Fault::Truncated},
    {"silent", Strike::Silent, Fault::Silent},
    {"pty-closed", Strike::TerminalClosed, Fault::None},
    {"product-id", Strike::OtherProduct, Fault::None},
};

const char *const activities[] = {"connect-sensor-to-pc", "connect-pc-to-sensor", "read-all",
                                  "write-all", "edit", "polling", "factory-reset",
                                  "open-settings"};

void runFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Raw number the sensor should hold for each parameter the tree shows; the names of
// those whose tree value differs from the simulator's memory.
QStringList differences(Rig &rig)
{
    Core::SensorWindowState &state = rig.state();
    QStringList differ;
    for (const QString &id : Access::addresses(rig.window()).keys()) {
        QtProperty *property = rig.property(id);
        if (!property || !rig.sensor().hasParameter(id) || id.contains("ReadOnly"))
            continue;
        QtAbstractPropertyManager *manager = property->propertyManager();
        long raw = 0;
        if (manager == state.boolManager)
            raw = state.boolManager->value(property) ? 1 : 0;
        else if (manager == state.intManager)
            raw = state.intManager->value(property);
        else if (manager == state.enumManager)
            raw = Core::enumRawFromIndex(id, state.enumManager->value(property));
        else if (manager == state.doubleManager)
            raw = Core::doubleRawValue(id, state.doubleManager->value(property), state.decVal);
        else
            continue;
        if (raw != rig.sensor().rawValue(id))
            differ << QStringLiteral("%1=%2/%3").arg(id).arg(raw).arg(rig.sensor().rawValue(id));
    }
    return differ;
}

// A settings file with the tree's values, as the window writes one.
QString settingsFile(Rig &rig, const QString &path)
{
    Core::SensorWindowState &state = rig.state();
    std::string list;
    for (QtProperty *property : Access::all(rig.window())) {
        const std::string id = property->propertyId().toStdString();
        QtAbstractPropertyManager *manager = property->propertyManager();
        if (manager == state.enumManager)
            list += Core::wholeEntry(id, state.enumManager->value(property));
        else if (manager == state.boolManager)
            list += Core::wholeEntry(id, state.boolManager->value(property));
        else if (manager == state.intManager)
            list += Core::wholeEntry(id, state.intManager->value(property));
        else if (manager == state.doubleManager)
            list += Core::decimalEntry(id, state.doubleManager->value(property));
    }
    const QByteArray text = Core::settingsDocument(sensorName(), list, std::string());
    return Core::writeSettingsFile(path, text, nullptr) ? path : QString();
}

// Worst case of an activity in seconds: its transfers each running into its time-out
// (probe 1 s, every other transfer 2 s), the waits between them not counted.
double boundSeconds(const QString &activity, int parameters)
{
    const double readAll = parameters * 4 * 2.0;
    const double writeOne = 3 * 2.0;
    const double writeAll = parameters * writeOne;
    const double identify = 7 * 2.0 + 0.1;
    const double connect = 5 * 1.0 + identify;
    const double poll = 3 * 2.0 + identify;
    if (activity == "connect-sensor-to-pc")
        return connect + readAll + poll;
    if (activity == "connect-pc-to-sensor")
        return connect + writeAll + readAll + poll;
    if (activity == "read-all")
        return readAll + poll;
    if (activity == "write-all" || activity == "open-settings")
        return writeAll + poll;
    if (activity == "edit")
        return 0.4 + writeOne + poll;
    if (activity == "factory-reset")
        return writeOne + readAll + poll;
    return 1.5 + poll; // polling
}

// Ends the program when a cell outlives its bound by a minute.
class Watchdog
{
public:
    void arm(const QString &row, double seconds)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_row = row.toStdString();
        m_deadline = std::chrono::steady_clock::now()
            + std::chrono::milliseconds(qint64((seconds + 60.0) * 1000));
        m_armed = true;
        m_wake.notify_all();
    }
    void disarm()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = false;
    }
    Watchdog()
        : m_thread([this] { watch(); })
    {
        m_thread.detach();
    }

private:
    void watch()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            if (!m_armed) {
                m_wake.wait(lock);
                continue;
            }
            if (m_wake.wait_until(lock, m_deadline) == std::cv_status::timeout && m_armed) {
                std::printf("%s HANG >%.0f\n", m_row.c_str(), 60.0);
                std::fflush(stdout);
                std::_Exit(3);
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_armed = false;
    std::string m_row;
    std::thread m_thread;
};

Watchdog *watchdog = nullptr;

struct Cell
{
    QString outcome;
    double seconds = 0.0;
    double recheckSeconds = 0.0;
    double bound = 0.0;
};

// Connects the rig's window (sensor to PC) and lets its live data start.
bool connectWindow(Rig &rig)
{
    DialogScript answers({QStringLiteral("sensorToPc")});
    rig.choosePort(rig.portIndex());
    rig.finishProgress();
    runFor(100);
    return rig.window().isConnected();
}

// Makes the fault strike at the second request from now, on the server's thread.
void arm(Rig &rig, const FaultCase &fault)
{
    auto *count = new std::atomic<int>(0); // lives as long as the server's logger
    IoLinkSim::MasterSimulator *master = &rig.master();
    IoLinkSim::PtyServer *pty = rig.pty();
    pty->setLogger([count, master, pty, fault](char direction, const QByteArray &) {
        if (direction != '>' || ++*count != 2)
            return;
        switch (fault.strike) {
        case Strike::None:
            break;
        case Strike::Answer:
            master->injectFault(fault.fault, 2);
            break;
        case Strike::Silent:
            master->setSilentAfter(master->requestCount());
            break;
        case Strike::TerminalClosed:
            QMetaObject::invokeMethod(qApp, [pty] { pty->stop(); }, Qt::QueuedConnection);
            break;
        case Strike::OtherProduct:
            master->setProductId(QStringLiteral("ZT42-G14-100"));
            break;
        }
    });
}

void runActivity(Rig &rig, const QString &activity, const QString &settings)
{
    Core::SensorWindow &window = rig.window();
    if (activity.startsWith("connect")) {
        rig.choosePort(rig.portIndex());
    } else if (activity == "read-all") {
        Access::vRadAllSettings(window);
    } else if (activity == "write-all") {
        Access::vWriteAllSettings(window);
    } else if (activity == "edit") {
        QtProperty *delay = rig.property(QStringLiteral("OnDelay1"));
        rig.state().intManager->setValue(delay, rig.state().intManager->value(delay) + 5);
        QElapsedTimer clock;
        clock.start();
        while ((Access::writeDelayTimer(window).isActive()
                || !Access::pendingWrites(window).isEmpty())
               && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } else if (activity == "polling") {
        runFor(1500);
    } else if (activity == "factory-reset") {
        window.vRestoreFactorySettings();
    } else if (activity == "open-settings") {
        window.bOpenSettings(settings);
    }
}

Cell runCell(const FaultCase &fault, const QString &activity, const QString &folder)
{
    Cell cell;
    Rig rig(QString(), Transport::PseudoTerminal);
    if (!rig.isReady())
        return Cell{QStringLiteral("NO-RIG")};
    cell.bound = boundSeconds(activity, Access::addresses(rig.window()).size());
    if (!activity.startsWith("connect") && !connectWindow(rig))
        return Cell{QStringLiteral("NO-CONNECT")};
    const QString settings = settingsFile(rig, folder + "/cell.wts");
    // The direction dialog and its notice are answered; every later box acknowledged.
    const QStringList script = activity == "connect-sensor-to-pc"
        ? QStringList{QStringLiteral("sensorToPc")}
        : activity == "connect-pc-to-sensor"
            ? QStringList{QStringLiteral("pcToSensor"), QStringLiteral("Ok")}
            : activity == "factory-reset" || activity == "open-settings"
                ? QStringList{QStringLiteral("Ok")} : QStringList();
    DialogScript answers(script);
    arm(rig, fault);
    watchdog->arm(QStringLiteral("%1 %2").arg(fault.name, activity), cell.bound);
    QElapsedTimer clock;
    clock.start();
    runActivity(rig, activity, settings);
    cell.seconds = clock.elapsed() / 1000.0;
    rig.finishProgress();
    runFor(300);
    // The identity timer runs out.
    clock.restart();
    if (rig.window().isConnected()) {
        rig.state().continuousDataTimer.stop();
        Access::slotContinousDataTimeout(rig.window());
    }
    runFor(300);
    cell.recheckSeconds = clock.elapsed() / 1000.0;
    watchdog->disarm();
    const QStringList messages = answers.titles().mid(script.size());
    if (rig.window().isConnected()) {
        const QStringList differ = differences(rig);
        cell.outcome = differ.isEmpty() ? QStringLiteral("connected")
                                        : QStringLiteral("DIFFER(%1)").arg(differ.join(','));
        if (!messages.isEmpty())
            cell.outcome += QStringLiteral("+message(%1)").arg(messages.join('|'));
    } else {
        cell.outcome = messages.isEmpty() ? QStringLiteral("SILENT")
                                          : QStringLiteral("offline(%1)").arg(messages.join('|'));
    }
    cell.outcome.replace(' ', '_');
    rig.pty()->setLogger(nullptr);
    return cell;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TEST_SOURCE_DIR"))
        qputenv("TEST_SOURCE_DIR", SOURCE_DIR);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QString onlyFault = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString onlyActivity = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    Core::setSleepFunction([](int) {});
    QTemporaryDir folder;
    watchdog = new Watchdog; // its thread watches until the program ends

    int bad = 0;
    int cells = 0;
    QElapsedTimer total;
    total.start();
    std::printf("# fault activity outcome seconds bound recheck-seconds\n");
    for (const FaultCase &fault : faults) {
        if (!onlyFault.isEmpty() && onlyFault != fault.name)
            continue;
        for (const char *activity : activities) {
            if (!onlyActivity.isEmpty() && onlyActivity != activity)
                continue;
            const Cell cell = runCell(fault, activity, folder.path());
            ++cells;
            const bool sound = (cell.outcome.startsWith("connected")
                                || cell.outcome.startsWith("offline"))
                && cell.seconds <= cell.bound;
            bad += sound ? 0 : 1;
            std::printf("%s %s %s %.2f %.0f %.2f\n", fault.name, activity, qPrintable(cell.outcome),
                        cell.seconds, cell.bound, cell.recheckSeconds);
            std::fflush(stdout);
        }
    }
    std::printf("faultmatrix_cells: %d cells\n", cells);
    std::printf("faultmatrix_unsound_cells: %d cells\n", bad);
    std::printf("faultmatrix_seconds: %.1f s\n", total.elapsed() / 1000.0);
    return bad == 0 ? 0 : 1;
}
