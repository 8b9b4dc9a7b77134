// A settings file opened in a window, as the host's open action does it.
#include "fuzzsupport.h"

#include "plugin/pluginpaths.h"
#include "window/sensorwindow.h"

#include "extensionsystem/sensorbasic.h"

#include <QFileInfo>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace OrvexSensorPlugin::Core;
    FuzzSupport::startApplication();
    // Kept for the whole run, like the application.
    static SensorWindow *const window = [data] {
        const QString dir = QFileInfo(FuzzSupport::writeInput("fuzz.wts", data, 0)).path();
        QFile::copy(QStringLiteral(FUZZ_DATA_FILE), dir + QStringLiteral("/IoLinkZT4Kfamily.xml"));
        setPluginFileDirectory(dir);
        ExtensionSystem::SensorBasic chosen;
        chosen.setName("ZT4K-010 -1...10 bar");
        return new SensorWindow(chosen);
    }();
    window->bOpenSettings(FuzzSupport::writeInput(QStringLiteral("fuzz.wts"), data, size));
    QCoreApplication::processEvents();
    return 0;
}
