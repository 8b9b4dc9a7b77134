// iolink-master-sim: an IO-Link master with one simulated pressure sensor on a
// pseudo-terminal. Prints the device path as the first line, then serves until
// SIGINT or SIGTERM.

#include "simulator/iolinkframe.h"
#include "simulator/mastersimulator.h"
#include "simulator/ptyserver.h"
#include "simulator/sensordescription.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int g_stopPipe[2] = {-1, -1};

void onSignal(int)
{
    const char wake = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_stopPipe[1], &wake, 1);
}

bool readRate(const QCommandLineParser &parser, const QString &name, double *rate)
{
    bool ok = true;
    *rate = parser.isSet(name) ? parser.value(name).toDouble(&ok) : 0.0;
    if (!ok || *rate < 0.0 || *rate > 1.0) {
        std::fprintf(stderr, "--%s wants a number from 0 to 1\n", qPrintable(name));
        return false;
    }
    return true;
}

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "IO-Link master with a simulated pressure sensor on a pseudo-terminal."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("data"), QStringLiteral("Sensor data file."), QStringLiteral("file"),
         QDir(QCoreApplication::applicationDirPath())
             .filePath(QStringLiteral("IoLinkZT4Kfamily.xml"))},
        {QStringLiteral("product-id"),
         QStringLiteral("ProductID of the sensor (default: first variant of the first model)."),
         QStringLiteral("text")},
        {QStringLiteral("link"), QStringLiteral("Make a symbolic link to the device."),
         QStringLiteral("path")},
        {QStringLiteral("drop-rate"), QStringLiteral("Share of answers lost (0..1)."),
         QStringLiteral("rate")},
        {QStringLiteral("error-rate"), QStringLiteral("Share of requests refused with ERROR."),
         QStringLiteral("rate")},
        {QStringLiteral("garbage-rate"), QStringLiteral("Share of answers garbled."),
         QStringLiteral("rate")},
        {QStringLiteral("delay-ms"), QStringLiteral("Latency of every answer."),
         QStringLiteral("ms"), QStringLiteral("0")},
        {QStringLiteral("silent-after"),
         QStringLiteral("Answer nothing after this many requests."), QStringLiteral("count")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the random choices and the noise."),
         QStringLiteral("number"), QStringLiteral("1")},
        {QStringLiteral("log"), QStringLiteral("Every request and answer in hex on stderr.")},
    });
}

// The failure modes, seed and delays the options ask for; false after saying what is wrong.
bool configureMaster(const QCommandLineParser &parser, IoLinkSim::MasterSimulator &master)
{
    double drop = 0.0, error = 0.0, garbage = 0.0;
    if (!readRate(parser, QStringLiteral("drop-rate"), &drop)
        || !readRate(parser, QStringLiteral("error-rate"), &error)
        || !readRate(parser, QStringLiteral("garbage-rate"), &garbage))
        return false;
    using Fault = IoLinkSim::MasterSimulator::Fault;
    master.setFaultRate(Fault::Drop, drop);
    master.setFaultRate(Fault::Error, error);
    master.setFaultRate(Fault::Garbage, garbage);
    bool seedOk = false, delayOk = false;
    master.setSeed(parser.value(QStringLiteral("seed")).toUInt(&seedOk));
    const int delay = parser.value(QStringLiteral("delay-ms")).toInt(&delayOk);
    if (!seedOk || !delayOk || delay < 0) {
        std::fprintf(stderr, "--seed and --delay-ms want whole numbers\n");
        return false;
    }
    master.setAnswerDelayMs(delay);
    if (parser.isSet(QStringLiteral("silent-after"))) {
        bool ok = false;
        const int after = parser.value(QStringLiteral("silent-after")).toInt(&ok);
        if (!ok || after < 0) {
            std::fprintf(stderr, "--silent-after wants a whole number\n");
            return false;
        }
        master.setSilentAfter(after);
    }
    return true;
}

// Replaces a symbolic link left behind by an earlier run.
bool makeLink(const QString &link, const QString &devicePath)
{
    const QFileInfo existing(link);
    if (existing.isSymLink())
        QFile::remove(link);
    if (!QFile::link(devicePath, link)) {
        std::fprintf(stderr, "cannot make the link %s\n", qPrintable(link));
        return false;
    }
    return true;
}

// Serves until SIGINT or SIGTERM.
int serveUntilSignal(IoLinkSim::PtyServer &server)
{
    if (pipe(g_stopPipe) != 0)
        return 1;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    server.serve(g_stopPipe[0]);
    server.stop();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("iolink-master-sim"));
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);

    IoLinkSim::SensorDescription description;
    if (!description.load(parser.value(QStringLiteral("data")))) {
        std::fprintf(stderr, "%s\n", qPrintable(description.errorString()));
        return 1;
    }
    IoLinkSim::MasterSimulator master(description, parser.value(QStringLiteral("product-id")));
    if (!configureMaster(parser, master))
        return 2;

    IoLinkSim::PtyServer server(master);
    if (!server.open()) {
        std::fprintf(stderr, "cannot open a pseudo-terminal: %s\n",
                     qPrintable(server.errorString()));
        return 1;
    }
    if (parser.isSet(QStringLiteral("log"))) {
        server.setLogger([](char direction, const QByteArray &bytes) {
            std::fprintf(stderr, "%c %s\n", direction, IoLinkSim::toHexText(bytes).constData());
        });
    }
    const QString link = parser.value(QStringLiteral("link"));
    if (!link.isEmpty() && !makeLink(link, server.devicePath()))
        return 1;

    std::printf("%s\n", qPrintable(server.devicePath()));
    std::fflush(stdout);
    std::fprintf(stderr, "serving %s as %s\n", qPrintable(master.sensor().productId()),
                 qPrintable(server.devicePath()));
    const int result = serveUntilSignal(server);
    if (!link.isEmpty() && QFileInfo(link).isSymLink())
        QFile::remove(link);
    return result;
}
