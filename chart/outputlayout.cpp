#include "chart/outputlayout.h"

namespace OrvexSensorPlugin {
namespace Core {

namespace {

enum PinFunctionA2 { Switching = 0, Analog = 1, RemoteSwitching = 2, RemoteAnalog = 3 };

} // namespace

const QStringList &outputTwoParameterIds()
{
    static const QStringList ids = {
        QStringLiteral("OnDelay2"),         QStringLiteral("OffDelay2"),
        QStringLiteral("NONCA2"),           QStringLiteral("SettingsPointsPressureA2"),
        QStringLiteral("AnalogPointsPressure"), QStringLiteral("AnalogMode"),
        QStringLiteral("RemoteSwitchingOutput"), QStringLiteral("remoteAnalogValue")};
    return ids;
}

OutputLayout outputLayout(int pinFunctionA1, int pinFunctionA2, int analogMode,
                          int selectedOutput)
{
    OutputLayout layout;
    layout.output1Switching = pinFunctionA1 == 0;
    layout.output2Switching = pinFunctionA2 == Switching;
    layout.outputComboShown = layout.output1Switching && layout.output2Switching;
    layout.marksEnabled = layout.output1Switching || layout.output2Switching;
    if (layout.outputComboShown)
        layout.marks = selectedOutput == 0 ? MarkSource::Output1 : MarkSource::Output2;
    else if (layout.output1Switching)
        layout.marks = MarkSource::Output1;
    else if (layout.output2Switching)
        layout.marks = MarkSource::Output2;

    switch (pinFunctionA2) {
    case Switching:
        layout.output2Parameters = QStringList{
            QStringLiteral("SettingsPointsPressureA2"), QStringLiteral("OnDelay2"),
            QStringLiteral("OffDelay2"), QStringLiteral("NONCA2")};
        break;
    case Analog:
        layout.output2Parameters = QStringList{QStringLiteral("AnalogPointsPressure"),
                                               QStringLiteral("AnalogMode")};
        layout.rightAxis = analogMode == 0 ? AnalogSignal::Voltage : AnalogSignal::Current;
        layout.rightAxisLow = analogMode == 0 ? 0.0 : 4.0;
        layout.rightAxisHigh = analogMode == 0 ? 10.0 : 20.0;
        layout.rightAxisStep = 2.0;
        break;
    case RemoteSwitching:
        layout.output2Parameters = QStringList{QStringLiteral("RemoteSwitchingOutput")};
        break;
    case RemoteAnalog:
        layout.output2Parameters = QStringList{QStringLiteral("remoteAnalogValue"),
                                               QStringLiteral("AnalogMode")};
        break;
    default:
        break;
    }
    layout.output2RowBlank = pinFunctionA2 == Analog || pinFunctionA2 == RemoteSwitching
        || pinFunctionA2 == RemoteAnalog;
    return layout;
}

} // namespace Core
} // namespace OrvexSensorPlugin
