#pragma once

#include "extensionsystem/extensionsystem_global.h"

#include <string>

namespace ExtensionSystem {

// Process-wide settings that the host application decides and plug-ins read.
class EXTENSIONSYSTEM_EXPORT Globals
{
public:
    static std::string getLanguage();
    static void setLanguage(const std::string &language);

    // True hides the plug-ins' property trees.
    static bool getPresentationMode();
    static void setPresentationMode(bool on);
};

} // namespace ExtensionSystem
