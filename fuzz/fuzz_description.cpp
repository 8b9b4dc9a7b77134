// The sensor description as the tree build reads it: a window made on the fuzzed file.
#include "fuzzsupport.h"

#include "plugin/pluginpaths.h"
#include "window/sensorwindow.h"

#include "extensionsystem/sensorbasic.h"

#include <QFileInfo>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace OrvexSensorPlugin::Core;
    FuzzSupport::startApplication();
    setPluginFileDirectory(
        QFileInfo(FuzzSupport::writeInput("IoLinkZT4Kfamily.xml", data, size)).path());

    ExtensionSystem::SensorBasic chosen;
    chosen.setName("ZT4K-010 -1...10 bar");
    SensorWindow window(chosen);
    QCoreApplication::processEvents();
    return 0;
}
