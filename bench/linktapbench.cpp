// What the link monitor's tap costs the poll path: process-data frames through
// the in-process SimulatedChannel (latency 0) without a tap and with the link
// recorder tapped in (its deferred decoding included, as it runs on the same
// thread), in alternating blocks of the same run; and the recorder's own work per
// frame (two events noted, decoded into rows) measured alone.

#include "linkmonitor/linkrecorder.h"
#include "simulator/mastersimulator.h"
#include "simulator/sensordescription.h"
#include "simulator/simulatedchannel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using ExtensionSystem::CommunicationInterface;

namespace {

constexpr int framesPerBlock = 20000;
constexpr int blocks = 5;

// Microseconds per frame for one block of polls, one frame after the other; with a
// recorder, its decoding of what it noted meanwhile is counted in.
double pollBlock(IoLinkSim::SimulatedChannel &channel, LinkMonitor::LinkRecorder *recorder)
{
    CommunicationInterface::DataFrame frame;
    CommunicationInterface::FrameQuery query;
    query.request = std::string("\x02\x70\x22", 3);
    query.timeoutMs = 2000.0;
    frame.queries.push_back(query);
    QEventLoop loop;
    int left = framesPerBlock;
    const auto connection = QObject::connect(&channel, &CommunicationInterface::emitFinished,
                                             &loop, [&] {
                                                 if (--left > 0)
                                                     channel.uSendDataFrame(&frame);
                                                 else
                                                     loop.quit();
                                             });
    QElapsedTimer timer;
    timer.start();
    channel.setLinkTap(recorder);
    channel.uSendDataFrame(&frame);
    loop.exec();
    if (recorder)
        recorder->flush();
    QObject::disconnect(connection);
    return double(timer.nsecsElapsed()) / 1000.0 / framesPerBlock;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The recorder alone: a request and its answer noted, then decoded, per frame.
double recorderPerFrameUs(IoLinkSim::SimulatedChannel &channel)
{
    LinkMonitor::LinkRecorder recorder;
    ExtensionSystem::LinkEvent request{ExtensionSystem::LinkEvent::Request, 0,
                                       QByteArray("\x02\x70\x22", 3)};
    ExtensionSystem::LinkEvent answer{ExtensionSystem::LinkEvent::Answer, 0,
                                      QByteArray::fromHex("07762200012c0005")};
    int rows = 0;
    QObject::connect(&recorder, &LinkMonitor::LinkRecorder::rowsRecorded,
                     [&rows](const QVector<LinkMonitor::LinkRow> &made) { rows += made.size(); });
    const int frames = 100000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < frames; ++i) {
        request.timeNs = answer.timeNs = timer.nsecsElapsed();
        recorder.linkEvent(&channel, request);
        recorder.linkEvent(&channel, answer);
        if (i % 64 == 63)
            recorder.flush();
    }
    recorder.flush();
    const double us = double(timer.nsecsElapsed()) / 1000.0 / frames;
    return rows == 2 * frames ? us : -1.0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    IoLinkSim::SensorDescription description;
    if (!description.load(QDir(QCoreApplication::applicationDirPath())
                              .filePath(QStringLiteral("IoLinkZT4Kfamily.xml")))) {
        std::fprintf(stderr, "%s\n", qPrintable(description.errorString()));
        return 1;
    }
    IoLinkSim::MasterSimulator master(description);
    IoLinkSim::SimulatedChannel channel(&master);
    channel.setLatencyMs(0);
    LinkMonitor::LinkRecorder recorder;
    int rows = 0;
    QObject::connect(&recorder, &LinkMonitor::LinkRecorder::rowsRecorded,
                     [&rows](const QVector<LinkMonitor::LinkRow> &made) { rows += made.size(); });
    pollBlock(channel, nullptr); // warm-up
    std::vector<double> without, with;
    for (int i = 0; i < blocks; ++i) {
        without.push_back(pollBlock(channel, nullptr));
        with.push_back(pollBlock(channel, &recorder));
        master.clearLog();
    }
    if (rows != 2 * blocks * framesPerBlock) {
        std::fprintf(stderr, "the recorder made %d rows\n", rows);
        return 1;
    }
    const double base = median(without), tapped = median(with);
    std::printf("poll_frame_without_tap: %.2f us\n", base);
    std::printf("poll_frame_with_tap: %.2f us\n", tapped);
    std::printf("tap_cost_per_frame: %.2f us\n", tapped - base);
    std::printf("recorder_note_and_decode_per_frame: %.2f us\n", recorderPerFrameUs(channel));
    return 0;
}
