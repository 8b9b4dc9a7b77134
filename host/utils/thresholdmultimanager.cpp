#include "utils/thresholdmultimanager.h"

#include <algorithm>

namespace Utils {

ThresholdMultiManager::ThresholdMultiManager(int outputs, QObject *parent)
    : QObject(parent)
{
    m_thresholds.resize(std::max(0, outputs));
}

void ThresholdMultiManager::setOutputs(int outputs)
{
    outputs = std::max(0, outputs);
    if (outputs == m_thresholds.size())
        return;
    m_thresholds.resize(outputs);
    emit outputsChanged(outputs);
}

bool ThresholdMultiManager::store(int output, unsigned int mark, double value)
{
    if (output < 0 || output >= m_thresholds.size())
        return false;
    double &slot = mark == 0 ? m_thresholds[output].lower : m_thresholds[output].upper;
    if (slot == value)
        return false;
    slot = value;
    return true;
}

void ThresholdMultiManager::setThreshold(int output, unsigned int mark, double value)
{
    if (!store(output, mark, value))
        return;
    emit thresholdChanged(output, mark, value);
    for (Observer *observer : qAsConst(m_observers))
        observer->notify(unsigned(output), mark, value);
}

double ThresholdMultiManager::threshold(int output, unsigned int mark) const
{
    if (output < 0 || output >= m_thresholds.size())
        return 0.0;
    return mark == 0 ? m_thresholds[output].lower : m_thresholds[output].upper;
}

void ThresholdMultiManager::addObserver(Observer *observer)
{
    if (observer && observer != this && !m_observers.contains(observer))
        m_observers.append(observer);
}

void ThresholdMultiManager::removeObserver(Observer *observer)
{
    m_observers.removeAll(observer);
}

void ThresholdMultiManager::notify(unsigned int component, unsigned int mark, double value)
{
    // Observers set their marks without reporting back, so telling the one
    // that reported the change again does no harm.
    setThreshold(int(component), mark, value);
}

} // namespace Utils
