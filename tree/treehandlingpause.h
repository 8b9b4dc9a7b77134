#pragma once

#include "window/sensorwindow.h"

#include <QPointer>

namespace OrvexSensorPlugin {
namespace Core {

// Switches the tree's edit notifications off for a scope and on again at its
// end, so that the scope's own value changes are not taken for user edits. A
// window deleted inside the scope (the host may do so in a nested event loop)
// is not switched on again.
class SensorWindow::TreeHandlingPause
{
public:
    explicit TreeHandlingPause(SensorWindow *window) : m_window(window)
    {
        window->enableTreeDataHandling(false);
    }
    ~TreeHandlingPause()
    {
        if (m_window)
            m_window->enableTreeDataHandling(true);
    }
    TreeHandlingPause(const TreeHandlingPause &) = delete;
    TreeHandlingPause &operator=(const TreeHandlingPause &) = delete;

private:
    QPointer<SensorWindow> m_window;
};

} // namespace Core
} // namespace OrvexSensorPlugin
