// The master's answers as the window reads them: the identification payload, a
// read answer decoded for the size code and parameter kind that the first byte
// picks, a refusal, and the process-data answer.
#include "chart/processvalue.h"
#include "comm/iolinkframes.h"

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace OrvexSensorPlugin::Core;
    const int choice = size ? data[0] : 0;
    const QByteArray answer(reinterpret_cast<const char *>(data) + 1, size ? int(size) - 1 : 0);
    extractPayload(answer.toStdString(), 3);
    refusalText(refusalCode(answer));
    decodeStringAnswer(answer);
    const int sizeCode = choice & 1 ? 7 : 6;
    if (isUsableAnswer(answer) && fitsSizeCode(answer, sizeCode)) {
        const unsigned int number = decodeValueNumber(answer);
        static const char *const ids[] = {"DataStorageLock", "PinFunctionA2",
                                          "TemperatureSettings", "ThresholdsPressure1A1"};
        const QString id = QLatin1String(ids[(choice >> 1) & 3]);
        enumIndexFromRaw(id, number);
        decodeLastTwoUnsigned(answer);
        const double value = decodeDoubleValue(id, decodeSignedRaw(answer), choice & 8 ? 10 : 1e3);
        if (number > (sizeCode == 6 ? 0xFFu : 0xFFFFu) || !std::isfinite(value))
            __builtin_trap();
    }
    if (isProcessDataAnswer(answer)) {
        const ProcessValue value = decodeProcessValue(QString::fromLatin1(answer.toHex()));
        if (value.raw < -32768 || value.raw > 32767 || value.status > 0xF)
            __builtin_trap();
        processValueText(analogEquivalent(value.raw / 1e3, -1.0, 10.0, choice & 1), " (bar)");
    }
    decodeProcessValue(QString::fromLatin1(answer));
    return 0;
}
