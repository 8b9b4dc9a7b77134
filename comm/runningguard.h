#pragma once

#include <QObject>
#include <QPointer>

namespace OrvexSensorPlugin {
namespace Core {

// Marks an operation that runs nested event loops as being on the stack, so
// that a slot entered again from one of those loops can tell and keep out. The
// owner may be deleted inside such a loop; the flag went with it then.
class RunningGuard
{
public:
    RunningGuard(QObject *owner, bool &flag) : m_owner(owner), m_flag(flag) { m_flag = true; }
    ~RunningGuard()
    {
        if (m_owner)
            m_flag = false;
    }
    RunningGuard(const RunningGuard &) = delete;
    RunningGuard &operator=(const RunningGuard &) = delete;

private:
    QPointer<QObject> m_owner;
    bool &m_flag;
};

} // namespace Core
} // namespace OrvexSensorPlugin
