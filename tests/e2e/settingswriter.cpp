// Helper of tst_savekill: saves the settings file `target` over and over with the
// real writer, alternating between the contents of two settings files, until killed.
#include "settings/settingsfile.h"

#include <cstdio>

using namespace OrvexSensorPlugin::Core;

int main(int argc, char *argv[])
{
    if (argc != 4)
        return 2;
    const SettingsContent documents[] = {readSettingsFile(QString::fromLocal8Bit(argv[2])),
                                         readSettingsFile(QString::fromLocal8Bit(argv[3]))};
    for (const SettingsContent &content : documents) {
        if (!content.isFor(content.sensorId.value_or("")) || !content.parameterList
            || !content.chartData)
            return 3;
    }
    std::puts("ready");
    std::fflush(stdout);
    const QString target = QString::fromLocal8Bit(argv[1]);
    for (unsigned i = 1;; ++i) {
        const SettingsContent &content = documents[i % 2];
        if (!writeSettingsFile(target, settingsDocument(*content.sensorId, *content.parameterList,
                                                        *content.chartData), nullptr))
            return 4;
    }
}
