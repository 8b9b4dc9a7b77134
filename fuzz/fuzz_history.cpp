// The chart history text of settings files: whatever the chart takes, it must
// give back as a text that it takes again unchanged.
#include "fuzzsupport.h"

#include "utils/charts/genericchart.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzSupport::startApplication();
    static auto *const chart = new Utils::Charts::GenericChart(1); // kept, like the application
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    for (const QChar separator : {QLatin1Char(';'), QLatin1Char(',')}) {
        if (!chart->setDataFromString(text, separator))
            continue;
        const QString written = chart->dataToString(separator);
        if (!chart->setDataFromString(written, separator)
            || chart->dataToString(separator) != written)
            __builtin_trap();
    }
    return 0;
}
