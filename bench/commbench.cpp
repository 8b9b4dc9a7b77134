// Read-all and write-all of the real data file's parameters through the host's
// SerialChannel, a pseudo-terminal and the iolink-master-sim program. The
// baseline is the sum of the waits the transfers prescribe (120 + 50 + 70 + 70 ms
// a read, 250 + 100 + 100 + 250 ms a write); the overhead is what the plug-in,
// the channel and the line add to them. A replay of the same waits and the same
// number of frames straight on the channel, without the window, shows how much of
// that is the line and the simulator rather than the plug-in.

#include "comm/iolinkframes.h"
#include "window/sensorwindow.h"
#include "window/sensorwindowstate.h"

#include "extensionsystem/portsettings.h"
#include "extensionsystem/sensorbasic.h"
#include "extensionsystem/serialchannel.h"

#include "qtintpropertymanager.h"
#include "qtproperty.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QThread>

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

bool excludedFromWriteAll(const QString &id)
{
    return id.contains(QLatin1String("ReadOnly")) || id.contains(QLatin1String("InputMode"))
        || id.contains(QLatin1String("TEACHBUTTON"));
}

// One step of a replay: a wait of the GUI thread, or (0) one frame waited for.
using Replay = QList<int>;

qint64 replayOnChannel(ExtensionSystem::CommunicationInterface *channel, const Replay &steps,
                       int repeats)
{
    using Channel = ExtensionSystem::CommunicationInterface;
    QElapsedTimer clock;
    clock.start();
    for (int r = 0; r < repeats; ++r) {
        for (int step : steps) {
            if (step > 0) {
                QThread::msleep(static_cast<unsigned long>(step));
                continue;
            }
            Channel::DataFrame frame;
            Channel::FrameQuery query;
            query.request = processDataRequest;
            query.answerPattern = ".*";
            query.timeoutMs = 2000.0;
            frame.queries.push_back(query);
            QEventLoop loop;
            unsigned int number = 0;
            QObject::connect(channel, &Channel::emitFinished, &loop, [&](unsigned int done) {
                if (done == number)
                    loop.quit();
            });
            number = channel->uSendDataFrame(&frame);
            loop.exec();
        }
    }
    return clock.elapsed();
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

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir bin(QCoreApplication::applicationDirPath());

    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::SeparateChannels);
    simulator.start(bin.filePath(QStringLiteral("iolink-master-sim")),
                    {QStringLiteral("--data"),
                     bin.filePath(QStringLiteral("IoLinkZT4Kfamily.xml"))});
    if (!simulator.waitForStarted(5000) || !simulator.waitForReadyRead(5000)) {
        std::fprintf(stderr, "iolink-master-sim did not start: %s\n",
                     qPrintable(simulator.errorString()));
        return 1;
    }
    const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();

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

        int readable = 0;
        int writable = 0;
        QList<QtProperty *> counters;
        const QMap<QString, QString> &addresses = Access::addresses(window);
        for (auto it = addresses.cbegin(); it != addresses.cend(); ++it) {
            const auto address = parseParameterAddress(it.value());
            QtProperty *property = Access::find(window, it.key());
            if (!address || !isSupportedSizeCode(address->sizeCode) || !property)
                continue;
            ++readable;
            if (!excludedFromWriteAll(it.key()))
                ++writable;
            if (property->propertyManager() == Access::state(window).intManager)
                counters << property;
        }
        if (readable == 0) {
            std::fprintf(stderr, "no parameters: is IoLinkZT4Kfamily.xml beside the program?\n");
            status = 1;
        } else {
            // Values the sensor does not hold: the read must replace them.
            QMap<QtProperty *, int> sentinels;
            Access::enableTreeDataHandling(window, false);
            for (QtProperty *p : counters) {
                Access::state(window).intManager->setValue(p, 12345);
                sentinels[p] = Access::state(window).intManager->value(p);
            }
            Access::enableTreeDataHandling(window, true);

            QElapsedTimer clock;
            clock.start();
            window.readAllParameters();
            const qint64 readMs = clock.elapsed();
            int taken = 0;
            for (QtProperty *p : counters)
                taken += Access::state(window).intManager->value(p) != sentinels.value(p);

            clock.restart();
            Access::writeAll(window);
            const qint64 writeMs = clock.elapsed();

            // The same waits and frames without the window: read request, two polls,
            // fetch; and fetch, write request, poll.
            const qint64 readReplayMs =
                replayOnChannel(&channel, {120, 0, 50, 0, 70, 0, 70, 0}, readable);
            const qint64 writeReplayMs =
                replayOnChannel(&channel, {250, 100, 0, 100, 0, 0, 250}, writable);

            printFigures("readall", readable, readMs, qint64(readable) * readWaitsMs);
            std::printf("readall_values_taken: %d of %d count\n", taken, int(counters.size()));
            std::printf("readall_channel_replay_wall: %lld ms\n",
                        static_cast<long long>(readReplayMs));
            std::printf("readall_plugin_overhead: %lld ms\n",
                        static_cast<long long>(readMs - readReplayMs));
            printFigures("writeall", writable, writeMs, qint64(writable) * writeWaitsMs);
            std::printf("writeall_channel_replay_wall: %lld ms\n",
                        static_cast<long long>(writeReplayMs));
            std::printf("writeall_plugin_overhead: %lld ms\n",
                        static_cast<long long>(writeMs - writeReplayMs));
        }
        window.setCommunication(nullptr);
    }

    simulator.terminate();
    simulator.waitForFinished(3000);
    return status;
}
