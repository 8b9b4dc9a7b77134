#pragma once

#include "extensionsystem/extensionsystem_global.h"

#include <sstream>
#include <string>

namespace ExtensionSystem {

// One entry of a plug-in's sensor catalogue as the host knows it.
class EXTENSIONSYSTEM_EXPORT SensorBasic
{
public:
    SensorBasic() = default;
    SensorBasic(const SensorBasic &other) = default;
    SensorBasic &operator=(const SensorBasic &other) = default;
    virtual ~SensorBasic() = default;

    const std::string &id() const { return m_id; }
    const std::string &name() const { return m_name; }
    const std::string &description() const { return m_description; }

    void setId(const std::string &id) { m_id = id; }
    void setName(const std::string &name) { m_name = name; }

    // Reads one entry's XML from the stream's current position to its end and
    // takes its "id", "name" and optional "description". Returns false, leaving
    // this object unchanged, when the text is not XML or lacks id or name. The
    // stream's state is cleared afterwards, so that callers may append the next
    // entry to the same stream.
    bool fromXMLStream(std::stringstream &in);

private:
    std::string m_id;
    std::string m_name;
    std::string m_description;
};

} // namespace ExtensionSystem
