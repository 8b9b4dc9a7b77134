#include "window/sensorwindowstate.h"

namespace OrvexSensorPlugin {
namespace Core {

SensorWindowState::SensorWindowState()
{
    chartPollTimer.setInterval(65);
    chartPollTimer.setSingleShot(true);
    chartPollTimer.setTimerType(Qt::PreciseTimer);
    continuousDataTimer.setInterval(19000);
    continuousDataTimer.setSingleShot(true);
    writeModeIconTimer.setInterval(700);
    writeModeIconTimer.setSingleShot(true);
}

SensorWindowState::~SensorWindowState()
{
    // Poll frames still in flight belong to the window.
    qDeleteAll(pendingFrames);
    pendingFrames.clear();
}

} // namespace Core
} // namespace OrvexSensorPlugin
