// Round trip and sustained rate of master frames through the host's SerialChannel,
// a pseudo-terminal and the IO-Link master simulator (served by a thread of this
// process). Baselines from the same run: the simulator called directly, and the
// in-process SimulatedChannel.

#include "extensionsystem/serialchannel.h"
#include "simulator/iolinkframe.h"
#include "simulator/mastersimulator.h"
#include "simulator/ptyserver.h"
#include "simulator/sensordescription.h"
#include "simulator/simulatedchannel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using ExtensionSystem::CommunicationInterface;
using DataFrame = CommunicationInterface::DataFrame;
using FrameQuery = CommunicationInterface::FrameQuery;

namespace {

DataFrame pollFrame()
{
    DataFrame frame;
    FrameQuery query;
    query.request = std::string("\x02\x70\x22", 3);
    query.answerPattern = ".*";
    query.timeoutMs = 2000.0;
    frame.queries.push_back(query);
    return frame;
}

struct RoundTrips
{
    double medianMs = 0.0;
    double p95Ms = 0.0;
    int unanswered = 0;
};

// One frame at a time, each waited for in a local event loop as the plug-in does.
RoundTrips measureRoundTrips(CommunicationInterface *channel, int count)
{
    std::vector<double> times;
    RoundTrips result;
    for (int i = 0; i < count; ++i) {
        DataFrame frame = pollFrame();
        QEventLoop loop;
        unsigned int number = 0;
        QObject::connect(channel, &CommunicationInterface::emitFinished, &loop,
                         [&](unsigned int done) {
                             if (done == number)
                                 loop.quit();
                         });
        QElapsedTimer timer;
        timer.start();
        number = channel->uSendDataFrame(&frame);
        loop.exec();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (frame.queries[0].answered != 1)
            ++result.unanswered;
    }
    std::sort(times.begin(), times.end());
    result.medianMs = times[times.size() / 2];
    result.p95Ms = times[size_t(double(times.size()) * 0.95)];
    return result;
}

// All frames queued at once; frames per second until the last one is done.
double measureRate(CommunicationInterface *channel, int count, int *unanswered)
{
    std::vector<DataFrame> frames(size_t(count), pollFrame());
    int finished = 0;
    QEventLoop loop;
    QObject::connect(channel, &CommunicationInterface::emitFinished, &loop, [&](unsigned int) {
        if (++finished == count)
            loop.quit();
    });
    QElapsedTimer timer;
    timer.start();
    for (DataFrame &frame : frames)
        channel->uSendDataFrame(&frame);
    loop.exec();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    *unanswered = int(std::count_if(frames.begin(), frames.end(), [](const DataFrame &frame) {
        return frame.queries[0].answered != 1;
    }));
    return count / seconds;
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

void printCount(const char *name, int value, const char *unit)
{
    std::printf("%s: %d %s\n", name, value, unit);
    std::fflush(stdout);
}

// Baselines in process: the simulator answering a poll called directly, and the
// in-process channel without latency (event-loop cost only).
void measureInProcess(IoLinkSim::MasterSimulator &master, int roundTrips, int burst)
{
    {
        const QByteArray poll = QByteArray::fromHex("027022");
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 100000; ++i)
            master.handle(poll);
        print("simulator_handle_poll", double(timer.nsecsElapsed()) / 1e3 / 100000, "us");
        master.clearLog();
    }
    IoLinkSim::SimulatedChannel channel(&master);
    channel.setLatencyMs(0);
    const RoundTrips trips = measureRoundTrips(&channel, roundTrips);
    print("simulated_channel_roundtrip_median", trips.medianMs, "ms");
    int unanswered = 0;
    print("simulated_channel_frames_per_second", measureRate(&channel, burst, &unanswered),
          "frames/s");
    master.clearLog();
}

struct Timing
{
    const char *name;
    int characterDelay;
    int lineDelay;
};

// The serial channel over the pseudo-terminal with the given timing.
bool measureSerial(const QString &device, const Timing &timing, int roundTrips, int burst)
{
    ExtensionSystem::PortSettings settings;
    settings.portName = device;
    settings.characterDelay = timing.characterDelay;
    settings.lineDelay = timing.lineDelay;
    ExtensionSystem::SerialChannel channel(settings);
    if (!channel.open()) {
        std::fprintf(stderr, "%s\n", qPrintable(channel.errorString()));
        return false;
    }
    const RoundTrips trips = measureRoundTrips(&channel, timing.lineDelay ? 100 : roundTrips);
    const QByteArray name(timing.name);
    print((name + "_roundtrip_median").constData(), trips.medianMs, "ms");
    print((name + "_roundtrip_p95").constData(), trips.p95Ms, "ms");
    printCount((name + "_roundtrip_unanswered").constData(), trips.unanswered, "frames");
    int unanswered = 0;
    const double rate = measureRate(&channel, timing.lineDelay ? 200 : burst, &unanswered);
    print((name + "_frames_per_second").constData(), rate, "frames/s");
    printCount((name + "_burst_unanswered").constData(), unanswered, "frames");
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QString dataFile = QDir(QCoreApplication::applicationDirPath())
                           .filePath(QStringLiteral("IoLinkZT4Kfamily.xml"));
    if (argc > 1)
        dataFile = QString::fromLocal8Bit(argv[1]);
    IoLinkSim::SensorDescription description;
    if (!description.load(dataFile)) {
        std::fprintf(stderr, "%s\n", qPrintable(description.errorString()));
        return 1;
    }
    IoLinkSim::MasterSimulator master(description);
    const int roundTrips = 300;
    const int burst = 2000;
    measureInProcess(master, roundTrips, burst);

    IoLinkSim::PtyServer server(master);
    if (!server.start()) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    // Without delays, and with the catalogue's timing of the first model (2 ms, 10 ms).
    for (const Timing &timing :
         {Timing{"serial_pty", 0, 0}, Timing{"serial_pty_catalogue_delays", 2, 10}}) {
        if (!measureSerial(server.devicePath(), timing, roundTrips, burst))
            return 1;
    }
    server.stop();
    return 0;
}
