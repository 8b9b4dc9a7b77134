#include "plugin/pluginpaths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
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

QString pluginWritableFilePath(const QString &extension)
{
    const QFileInfo beside(pluginFilePath(extension));
    // QFileInfo::isWritable asks access(2): it honours the owner, the groups
    // and read-only mounts for this process's user (root may write anywhere).
    // An existing file must itself be writable; a new one needs the folder.
    const bool writable = beside.exists() ? beside.isWritable()
                                          : QFileInfo(beside.absolutePath()).isWritable();
    if (writable)
        return beside.filePath();
    // A fixed folder rather than the application's name, which each host program
    // sets as it likes. QSettings makes the folder when it first writes.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/kalvio/") + beside.fileName();
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
