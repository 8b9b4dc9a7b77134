#include "pluginpaths.h"

#include <QCoreApplication>
#include <QThread>

namespace OrvexSensorPlugin {
namespace Core {

namespace {
QString &fileDirectoryOverride()
{
    static QString directory;
    return directory;
}

std::function<void(int)> &sleepOverride()
{
    static std::function<void(int)> sleep;
    return sleep;
}
} // namespace

QString pluginFilePath(const QString &extension)
{
    const QString &dir = fileDirectoryOverride();
    const QString base = dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
    return base + QStringLiteral("/") + QStringLiteral("IoLinkZT4Kfamily") + extension;
}

void setPluginFileDirectory(const QString &directory)
{
    fileDirectoryOverride() = directory;
}

void blockingSleep(int milliseconds)
{
    if (milliseconds <= 0)
        return;
    if (sleepOverride())
        sleepOverride()(milliseconds);
    else
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void setSleepFunction(std::function<void(int)> sleep)
{
    sleepOverride() = std::move(sleep);
}

} // namespace Core
} // namespace OrvexSensorPlugin
