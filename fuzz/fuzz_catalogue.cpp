// The catalogue: the host's list, each record by name, both entry readers on the raw text.
#include "fuzzsupport.h"

#include "plugin/catalogue.h"
#include "plugin/pluginpaths.h"

#include <QFileInfo>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace OrvexSensorPlugin::Core;
    setPluginFileDirectory(
        QFileInfo(FuzzSupport::writeInput("IoLinkZT4Kfamily.xml", data, size)).path());
    for (const ExtensionSystem::SensorBasic &entry : readSensorList()) {
        const Sensor record(readSensorByName(entry.name()));
        // What the list offers, the record must hold under the same name.
        if (record.name() != entry.name() || record.id().empty())
            __builtin_trap();
    }
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::stringstream forHost(text), forPlugin(text);
    ExtensionSystem::SensorBasic().fromXMLStream(forHost);
    Sensor().fromXMLStream(forPlugin);
    return 0;
}
