// The chart history text of settings files: whatever the chart takes, it must
// give back as a text that it takes again unchanged, and the same bytes read
// as a file holds them must give the same history as the text.
#include "fuzzsupport.h"

#include "utils/charts/genericchart.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzSupport::startApplication();
    static auto *const chart = new Utils::Charts::GenericChart(1); // kept, like the application
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const QString text = QString::fromUtf8(bytes.data(), int(size));
    for (const QChar separator : {QLatin1Char(';'), QLatin1Char(',')}) {
        const bool fromText = chart->setDataFromString(text, separator);
        const QString written = fromText ? chart->dataToString(separator) : QString();
        if (chart->setDataFromUtf8(bytes, separator) != fromText)
            __builtin_trap();
        if (!fromText)
            continue;
        if (chart->dataToUtf8(separator) != written.toStdString()
            || !chart->setDataFromString(written, separator)
            || chart->dataToString(separator) != written)
            __builtin_trap();
    }
    return 0;
}
