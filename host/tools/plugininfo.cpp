// Loads the plug-in module the way the host does and prints its identity and
// the sensors it supports.

#include "extensionsystem/sensorbasic.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <list>

namespace {
using TextFunction = const char *(*)();
using SensorMapFunction = void (*)(std::list<ExtensionSystem::SensorBasic> &);

QString text(QLibrary &library, const char *symbol)
{
    const auto function = reinterpret_cast<TextFunction>(library.resolve(symbol));
    return function ? QString::fromUtf8(function()) : QStringLiteral("(missing %1)").arg(symbol);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList args = app.arguments();
    const QString path = args.size() > 1
                             ? args.at(1)
                             : QCoreApplication::applicationDirPath() + "/IoLinkZT4Kfamily.so";
    QLibrary library(path);
    if (!library.load()) {
        err << "Cannot load " << path << ": " << library.errorString() << '\n';
        return 1;
    }

    out << "Plug-in:       " << text(library, "pcTolvaneKalvioPluginName") << '\n'
        << "Version:       " << text(library, "pcPluginVersion") << '\n'
        << "Description:   " << text(library, "pcDescription") << '\n'
        << "Communication: " << text(library, "pcCommunicationType") << '\n';

    const auto sensorMap = reinterpret_cast<SensorMapFunction>(library.resolve("vSensorMap"));
    if (!sensorMap) {
        err << "The module has no vSensorMap\n";
        return 1;
    }
    std::list<ExtensionSystem::SensorBasic> sensors;
    sensorMap(sensors);
    out << "Sensors (" << sensors.size() << "), from "
        << QCoreApplication::applicationDirPath() << "/IoLinkZT4Kfamily.xml:\n";
    for (const auto &sensor : sensors) {
        out << "  " << QString::fromStdString(sensor.id()) << "  "
            << QString::fromStdString(sensor.name());
        if (!sensor.description().empty())
            out << "  - " << QString::fromStdString(sensor.description());
        out << '\n';
    }
    return sensors.empty() ? 2 : 0;
}
