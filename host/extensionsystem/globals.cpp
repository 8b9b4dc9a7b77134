#include "extensionsystem/globals.h"

namespace ExtensionSystem {

namespace {
std::string g_language = "en";
bool g_presentationMode = false;
} // namespace

std::string Globals::getLanguage()
{
    return g_language;
}

void Globals::setLanguage(const std::string &language)
{
    g_language = language.empty() ? std::string("en") : language;
}

bool Globals::getPresentationMode()
{
    return g_presentationMode;
}

void Globals::setPresentationMode(bool on)
{
    g_presentationMode = on;
}

} // namespace ExtensionSystem
