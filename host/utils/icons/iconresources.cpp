#include "utils/icons/iconresources.h"

#include <QDir>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace Utils {

namespace {
// Registers the set as soon as the library is loaded, before any plug-in asks for an icon.
[[maybe_unused]] const bool g_registered = [] {
    initIconResources();
    return true;
}();
} // namespace

void registerIconResources()
{
    initIconResources();
}

QStringList iconResourcePaths()
{
    QStringList paths;
    for (const QString &folder : {QStringLiteral(":/newPrefix/icons"),
                                  QStringLiteral(":/icons/icons")}) {
        const QDir dir(folder);
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
            paths << folder + QLatin1Char('/') + name;
    }
    return paths;
}

} // namespace Utils
