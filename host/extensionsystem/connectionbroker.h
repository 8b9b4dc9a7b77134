#pragma once

#include "extensionsystem/extensionsystem_global.h"

#include <QString>

namespace ExtensionSystem {

class CommunicationInterface;
class PluginInterface;
class PortSettings;

// What the host application installs to lend ports to plug-in objects.
class EXTENSIONSYSTEM_EXPORT ConnectionBroker
{
public:
    virtual ~ConnectionBroker();

    // Opens the port for the plug-in object and returns its channel, or null.
    virtual CommunicationInterface *registerConnection(const PortSettings &settings,
                                                       PluginInterface *plugin) = 0;
    // Releases the channel of the plug-in object, if it holds one.
    virtual void unregisterConnection(PluginInterface *plugin) = 0;
    // The plug-in object is going away.
    virtual void unregisterPlugin(PluginInterface *plugin) = 0;
    // Why the last registerConnection() returned null, in the system's words.
    virtual QString lastError() const { return QString(); }
};

} // namespace ExtensionSystem
