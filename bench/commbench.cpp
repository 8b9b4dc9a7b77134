// Read-all and write-all of the real data file's parameters through the host's
// SerialChannel, a pseudo-terminal and the iolink-master-sim program. The
// baseline is the sum of the waits the transfers prescribe (120 + 50 + 70 + 70 ms
// a read, 250 + 100 + 100 + 250 ms a write); the overhead is what the plug-in,
// the channel, the line and the simulator add to them.

#include "comm/iolinkframes.h"
#include "window/sensorwindow.h"
#include "window/sensorwindowstate.h"

#include "extensionsystem/portsettings.h"
#include "extensionsystem/sensorbasic.h"
#include "extensionsystem/serialchannel.h"

#include "bench/simulatorprocess.h"

#include "propertybrowser/qtintpropertymanager.h"
#include "propertybrowser/qtproperty.h"
#include "propertybrowser/qtstringpropertymanager.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>

namespace OrvexSensorPlugin {
namespace Core {

struct SensorWindowTestAccess
{
    static SensorWindowState &state(SensorWindow &w) { return *w.state; }
    static bool &connected(SensorWindow &w) { return w.connected; }
    static const QMap<QString, QString> &addresses(SensorWindow &w)
    {
        return w.parameterAddresses;
    }
    static QtProperty *find(SensorWindow &w, const QString &id)
    {
        return w.findPropertyById(w.state->rootProperty, id.toStdString());
    }
    static void writeAll(SensorWindow &w) { w.vWriteAllSettings(false); }
    static void enableTreeDataHandling(SensorWindow &w, bool on) { w.enableTreeDataHandling(on); }
};

} // namespace Core
} // namespace OrvexSensorPlugin

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;

namespace {

constexpr int readWaitsMs = 120 + 50 + 70 + 70;
constexpr int writeWaitsMs = 250 + 100 + 100 + 250;
// A text parameter is not written: only the pauses around it remain.
constexpr int textWriteWaitsMs = 250 + 250;

// The offscreen platform warns on every showing of the progress dialog.
void quietOffscreenWarnings(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (msg.contains(QLatin1String("propagateSizeHints")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, msg)));
}

bool excludedFromWriteAll(const QString &id)
{
    return id.contains(QLatin1String("ReadOnly")) || id.contains(QLatin1String("InputMode"))
        || id.contains(QLatin1String("TEACHBUTTON"));
}

void printFigures(const char *name, int parameters, qint64 wallMs, qint64 waitsMs)
{
    const double overhead = double(wallMs - waitsMs);
    std::printf("%s_parameters: %d count\n", name, parameters);
    std::printf("%s_wall: %lld ms\n", name, static_cast<long long>(wallMs));
    std::printf("%s_prescribed_waits: %lld ms\n", name, static_cast<long long>(waitsMs));
    std::printf("%s_overhead: %.0f ms\n", name, overhead);
    std::printf("%s_overhead_per_parameter: %.1f ms\n", name, overhead / qMax(1, parameters));
    std::printf("%s_overhead_ratio: %.1f %%\n", name, 100.0 * overhead / qMax<qint64>(1, waitsMs));
}

// The parameters a read all and a write all move, and the counters whose values
// show that a read replaced what the window held.
struct Census
{
    int readable = 0;
    int writable = 0;
    int texts = 0;
    QList<QtProperty *> counters;
};

Census countParameters(SensorWindow &window)
{
    Census census;
    const QMap<QString, QString> &addresses = Access::addresses(window);
    for (auto it = addresses.cbegin(); it != addresses.cend(); ++it) {
        const auto address = parseParameterAddress(it.value());
        QtProperty *property = Access::find(window, it.key());
        if (!address || !isSupportedSizeCode(address->sizeCode) || !property)
            continue;
        ++census.readable;
        if (!excludedFromWriteAll(it.key())) {
            ++census.writable;
            if (property->propertyManager() == Access::state(window).stringManager)
                ++census.texts;
        }
        if (property->propertyManager() == Access::state(window).intManager)
            census.counters << property;
    }
    return census;
}

void measureTransfers(SensorWindow &window, const Census &census)
{
    // Values the sensor does not hold: the read must replace them.
    QMap<QtProperty *, int> sentinels;
    Access::enableTreeDataHandling(window, false);
    for (QtProperty *p : census.counters) {
        Access::state(window).intManager->setValue(p, 12345);
        sentinels[p] = Access::state(window).intManager->value(p);
    }
    Access::enableTreeDataHandling(window, true);

    QElapsedTimer clock;
    clock.start();
    window.readAllParameters();
    const qint64 readMs = clock.elapsed();
    int taken = 0;
    for (QtProperty *p : census.counters)
        taken += Access::state(window).intManager->value(p) != sentinels.value(p);

    clock.restart();
    Access::writeAll(window);
    const qint64 writeMs = clock.elapsed();

    printFigures("readall", census.readable, readMs, qint64(census.readable) * readWaitsMs);
    std::printf("readall_values_taken: %d of %d count\n", taken, int(census.counters.size()));
    printFigures("writeall", census.writable, writeMs,
                 qint64(census.writable - census.texts) * writeWaitsMs
                     + qint64(census.texts) * textWriteWaitsMs);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietOffscreenWarnings);
    QApplication app(argc, argv);
    const QDir bin(QCoreApplication::applicationDirPath());

    QProcess simulator;
    const QString device = startSimulatorProcess(simulator, bin);
    if (device.isEmpty())
        return 1;

    int status = 0;
    {
        ExtensionSystem::PortSettings settings;
        settings.portName = device;
        ExtensionSystem::SerialChannel channel(settings);
        if (!channel.open()) {
            std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(device),
                         qPrintable(channel.errorString()));
            simulator.terminate();
            simulator.waitForFinished(3000);
            return 1;
        }

        ExtensionSystem::SensorBasic chosen;
        chosen.setName("ZT4K-010 -1...10 bar");
        SensorWindow window(chosen);
        window.setCommunication(&channel);
        Access::connected(window) = true;

        const Census census = countParameters(window);
        if (census.readable == 0) {
            std::fprintf(stderr, "no parameters: is IoLinkZT4Kfamily.xml beside the program?\n");
            status = 1;
        } else {
            measureTransfers(window, census);
        }
        window.setCommunication(nullptr);
    }

    simulator.terminate();
    simulator.waitForFinished(3000);
    return status;
}
