#pragma once

namespace OrvexSensorPlugin {
namespace Core {

// Counts an exchange of requests and fetch with the master while it runs. A
// delayed write served in the exchange's nested event loops would have the
// master answer the exchange's fetch with the write's result, so the write
// waits while the count is above zero.
class ExchangeGuard
{
public:
    explicit ExchangeGuard(int &depth) : m_depth(depth) { ++m_depth; }
    ~ExchangeGuard() { --m_depth; }
    ExchangeGuard(const ExchangeGuard &) = delete;
    ExchangeGuard &operator=(const ExchangeGuard &) = delete;

private:
    int &m_depth;
};

} // namespace Core
} // namespace OrvexSensorPlugin
