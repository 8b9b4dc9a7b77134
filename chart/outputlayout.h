#pragma once

#include <QStringList>

namespace OrvexSensorPlugin {
namespace Core {

// Which output's switching points the chart's two marks show.
enum class MarkSource { Unchanged, Output1, Output2 };

// What the right axis shows: nothing, or output 2's analog signal.
enum class AnalogSignal { None, Voltage, Current };

// How the window presents the two outputs for one configuration: decided here,
// applied by SensorWindow::slotCurrentOutputChanged.
struct OutputLayout
{
    bool output1Switching = false;  // its points group shown and named with the unit
    bool output2Switching = false;  // its points group shown and named with the unit
    bool output2RowBlank = false;   // output 2 has a function without an on/off state
    bool outputComboShown = false;  // both switch: the combo chooses the marks' output
    bool marksEnabled = false;
    MarkSource marks = MarkSource::Unchanged;
    // Output 2's parameters shown; the others of outputTwoParameterIds() are hidden.
    QStringList output2Parameters;
    AnalogSignal rightAxis = AnalogSignal::None;
    double rightAxisLow = 0.0;
    double rightAxisHigh = 0.0;
    double rightAxisStep = 0.0;
};

// Output 2's parameters, hidden before the layout shows its own among them.
const QStringList &outputTwoParameterIds();

// pinFunctionA1: 0 switching, anything else not; pinFunctionA2: 0 switching,
// 1 analog, 2 remote switching, 3 remote analog, anything else (-1 when the
// description lacks it) none of these; analogMode: 0 voltage, else current;
// selectedOutput: the Output combo's index (0 output 1, 1 output 2).
OutputLayout outputLayout(int pinFunctionA1, int pinFunctionA2, int analogMode,
                          int selectedOutput);

} // namespace Core
} // namespace OrvexSensorPlugin
