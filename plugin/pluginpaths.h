#pragma once

#include <QString>

#include <functional>

namespace OrvexSensorPlugin {
namespace Core {

// The files beside the host program: its folder + "/IoLinkZT4Kfamily" + extension
// (".xml" for the catalogue and description, ".ini" for the window layout).
QString pluginFilePath(const QString &extension);

// A file the plug-in writes (the window layout, ".ini"): beside the host program
// while that folder can be written by this user, as in a build tree; otherwise,
// as for an installed program, in the user's configuration folder
// (~/.config/kalvio). The same path serves for reading.
QString pluginWritableFilePath(const QString &extension);

// Tests point the plug-in at a folder of their own; an empty folder restores
// the host program's folder.
void setPluginFileDirectory(const QString &directory);

// Every blocking wait of the GUI thread between master requests goes through
// here. Tests may install a shorter sleep; null restores the real one.
void blockingSleep(int milliseconds);
void setSleepFunction(std::function<void(int)> sleep);

} // namespace Core
} // namespace OrvexSensorPlugin
