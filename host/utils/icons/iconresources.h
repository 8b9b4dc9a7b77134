#pragma once

#include "utils/utils_global.h"

#include <QStringList>

namespace Utils {

// Registers the host's icon set (":/newPrefix/icons/…", ":/icons/icons/…"). It
// runs by itself when the library is loaded; calling it again does no harm, and a
// program that uses nothing else of this library calls it to keep the library linked.
UTILS_EXPORT void registerIconResources();

// Resource paths of every icon in the set.
UTILS_EXPORT QStringList iconResourcePaths();

} // namespace Utils
