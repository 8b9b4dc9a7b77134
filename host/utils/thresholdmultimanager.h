#pragma once

#include "utils/observer.h"
#include "utils/utils_global.h"

#include <QList>
#include <QObject>
#include <QVector>

namespace Utils {

// Keeps the lower and upper thresholds of several outputs and passes every
// change on to the registered observers (for example the overlays of a chart).
class UTILS_EXPORT ThresholdMultiManager : public QObject, public Observer
{
    Q_OBJECT
    Q_DISABLE_COPY(ThresholdMultiManager)

public:
    explicit ThresholdMultiManager(int outputs, QObject *parent = nullptr);

    // New outputs start with both thresholds at 0; dropped outputs are forgotten.
    void setOutputs(int outputs);
    int outputs() const { return m_thresholds.size(); }

    // mark 0 is the lower, any other the upper threshold; out-of-range outputs are ignored.
    void setThreshold(int output, unsigned int mark, double value);
    double threshold(int output, unsigned int mark) const;

    // Observers are not owned; remove one before it is destroyed.
    void addObserver(Observer *observer);
    void removeObserver(Observer *observer);

    // A threshold changed at an observer: stored and passed to the others.
    void notify(unsigned int component, unsigned int mark, double value) override;

signals:
    void outputsChanged(int outputs);
    void thresholdChanged(int output, unsigned int mark, double value);

private:
    struct Pair
    {
        double lower = 0.0;
        double upper = 0.0;
    };
    bool store(int output, unsigned int mark, double value);

    QVector<Pair> m_thresholds;
    QList<Observer *> m_observers;
};

} // namespace Utils
