#include "app/commandline.h"

#include <QCommandLineParser>

namespace Kalvio {

namespace {

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Kalvio: configure and watch sensors through their plug-ins."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("list"),
         QStringLiteral("Print every plug-in and its sensors, then exit.")},
        {QStringLiteral("open"), QStringLiteral("Open the sensor of this catalogue name."),
         QStringLiteral("name")},
        {QStringLiteral("port"),
         QStringLiteral("Offer this port as well (repeatable), e.g. a pseudo-terminal."),
         QStringLiteral("name")},
        {QStringLiteral("simulator"), QStringLiteral("Offer the built-in simulated port.")},
        {QStringLiteral("language"), QStringLiteral("Language code, \"en\" or \"de\"."),
         QStringLiteral("code")},
        {QStringLiteral("presentation"), QStringLiteral("Start in presentation mode.")},
        {QStringLiteral("connect"),
         QStringLiteral("Connect the opened sensor on this port at once."),
         QStringLiteral("port")},
        {QStringLiteral("screenshot"),
         QStringLiteral("Save a PNG of the main window when --quit-after runs out."),
         QStringLiteral("file")},
        {QStringLiteral("quit-after"), QStringLiteral("Quit after this many milliseconds."),
         QStringLiteral("ms")},
        {QStringLiteral("size"),
         QStringLiteral("Open the main window at this size, e.g. 1920x1080 "
                        "(else as it was last closed, or 1280x800)."),
         QStringLiteral("WxH")},
        {QStringLiteral("trace"),
         QStringLiteral("Write every frame on the lines, decoded, to this CSV file."),
         QStringLiteral("file")},
        {QStringLiteral("link-monitor"), QStringLiteral("Show the link monitor.")},
        {QStringLiteral("plugin-dir"),
         QStringLiteral("Load plug-ins from this folder instead of the program's."),
         QStringLiteral("dir")},
    });
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine result;
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = QStringLiteral("Unexpected argument: %1")
                           .arg(parser.positionalArguments().constFirst());
        return result;
    }
    result.help = parser.isSet(QStringLiteral("help"));
    result.list = parser.isSet(QStringLiteral("list"));
    result.openSensor = parser.value(QStringLiteral("open"));
    result.ports = parser.values(QStringLiteral("port"));
    result.simulator = parser.isSet(QStringLiteral("simulator"));
    result.language = parser.value(QStringLiteral("language"));
    result.presentation = parser.isSet(QStringLiteral("presentation"));
    result.connectPort = parser.value(QStringLiteral("connect"));
    result.screenshot = parser.value(QStringLiteral("screenshot"));
    result.pluginDir = parser.value(QStringLiteral("plugin-dir"));
    result.trace = parser.value(QStringLiteral("trace"));
    result.linkMonitor = parser.isSet(QStringLiteral("link-monitor"));
    if (parser.isSet(QStringLiteral("quit-after"))) {
        bool ok = false;
        result.quitAfterMs = parser.value(QStringLiteral("quit-after")).toInt(&ok);
        if (!ok || result.quitAfterMs < 0)
            result.error = QStringLiteral("--quit-after wants a number of milliseconds");
    }
    if (parser.isSet(QStringLiteral("size"))) {
        const QStringList parts = parser.value(QStringLiteral("size")).split(QLatin1Char('x'));
        if (parts.size() == 2)
            result.size = QSize(parts[0].toInt(), parts[1].toInt());
        if (!result.size.isValid() || result.size.isEmpty())
            result.error = QStringLiteral("--size wants a width and height such as 1280x800");
    }
    if (!result.connectPort.isEmpty() && result.openSensor.isEmpty())
        result.error = QStringLiteral("--connect needs a sensor opened with --open");
    if (parser.isSet(QStringLiteral("open")) && result.openSensor.isEmpty())
        result.error = QStringLiteral("--open wants a sensor name");
    return result;
}

QString commandLineHelp()
{
    QCommandLineParser parser;
    addOptions(parser);
    return parser.helpText();
}

} // namespace Kalvio
