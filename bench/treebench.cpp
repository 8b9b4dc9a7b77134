// Opens the window for a generated description of 1,000 parameters and reports
// how long that takes, against a description without parameters, and what one
// lookup of the last parameter by identifier costs.

#include "window/sensorwindow.h"
#include "window/sensorwindowstate.h"

#include "plugin/pluginpaths.h"

#include "extensionsystem/sensorbasic.h"

#include "propertybrowser/qtproperty.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using OrvexSensorPlugin::Core::SensorWindow;

namespace {
const int categories = 50;
const int perCategory = 20;

QString parameter(int n)
{
    static const char *const kinds[] = {"int", "double", "bool", "enumerator", "string", "action"};
    const QString kind = QString::fromLatin1(kinds[n % 6]);
    QString text = QStringLiteral("<property><type>%1</type><id>P%2</id>"
                                  "<text><en>Parameter %2</en><de>Parameter %2</de></text>"
                                  "<index>%3</index><subIndex>0</subIndex><size>6</size>")
                       .arg(kind).arg(n).arg(64 + n % 190);
    if (kind == QLatin1String("int") || kind == QLatin1String("double"))
        text += QStringLiteral("<min>0</min><max>1000</max><defaultvalue>%1</defaultvalue>")
                    .arg(n % 1000);
    else if (kind == QLatin1String("bool"))
        text += QStringLiteral("<defaultvalue>1</defaultvalue>");
    else if (kind == QLatin1String("enumerator"))
        text += QStringLiteral("<defaultvalue>1</defaultvalue><items><a><en>off</en><de>aus</de>"
                               "</a><b><en>on</en><de>ein</de></b><c><en>auto</en><de>auto</de>"
                               "</c></items>");
    else if (kind == QLatin1String("string"))
        text += QStringLiteral("<readonly>false</readonly><defaultvalue>text</defaultvalue>"
                               "<items><a><en>A</en><de>A</de></a></items>");
    else
        text += QStringLiteral("<caption><text><en>Run</en><de>Los</de></text></caption>");
    return text + QStringLiteral("</property>");
}

QString description(int parameters)
{
    QString tree;
    int n = 0;
    for (int c = 0; c < categories && n < parameters; ++c) {
        tree += QStringLiteral("<node><type>category</type><id>C%1</id>"
                               "<text><en>Group %1</en></text>").arg(c);
        for (int i = 0; i < perCategory && n < parameters; ++i)
            tree += parameter(n++);
        tree += QStringLiteral("</node>");
    }
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><document>"
                          "<documentId>IoLinkZT4Kfamily</documentId><sensorList><sensor>"
                          "<id>BN01</id><name>Bench sensor</name><max>10</max>"
                          "<decVal>1000</decVal><sensors/></sensor></sensorList>"
                          "<treeGui><default>%1</default></treeGui>"
                          "<guiCategory><default/></guiCategory></document>")
        .arg(tree);
}

struct Opening
{
    double constructMs = 0.0;
    double shownMs = 0.0;
};

// Median of a few openings; each window is deleted before the next.
Opening openWindow(const QString &xml, int runs)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml")));
    if (!file.open(QIODevice::WriteOnly) || file.write(xml.toUtf8()) < 0)
        return {};
    file.close();
    OrvexSensorPlugin::Core::setPluginFileDirectory(dir.path());

    ExtensionSystem::SensorBasic chosen;
    chosen.setName("Bench sensor");
    std::vector<double> construct, shown;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        auto window = std::make_unique<SensorWindow>(chosen);
        construct.push_back(clock.nsecsElapsed() / 1e6);
        window->show();
        QApplication::processEvents();
        shown.push_back(clock.nsecsElapsed() / 1e6);
    }
    OrvexSensorPlugin::Core::setPluginFileDirectory(QString());
    std::sort(construct.begin(), construct.end());
    std::sort(shown.begin(), shown.end());
    return {construct[construct.size() / 2], shown[shown.size() / 2]};
}

// Mean cost of one lookup; -1 when the answer was not the expected one.
double lookupMicroseconds(SensorWindow &window, const std::string &id, bool present,
                          int repeats)
{
    QtProperty *root = window.windowState()->rootProperty;
    QElapsedTimer clock;
    clock.start();
    int found = 0;
    for (int i = 0; i < repeats; ++i)
        found += window.findPropertyById(root, id) != nullptr;
    const double us = clock.nsecsElapsed() / 1e3 / repeats;
    return found == (present ? repeats : 0) ? us : -1.0;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = 5;

    const Opening empty = openWindow(description(0), runs);
    const Opening full = openWindow(description(categories * perCategory), runs);

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml")));
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(description(categories * perCategory).toUtf8());
    file.close();
    OrvexSensorPlugin::Core::setPluginFileDirectory(dir.path());
    ExtensionSystem::SensorBasic chosen;
    chosen.setName("Bench sensor");
    SensorWindow window(chosen);
    const double lastLookup = lookupMicroseconds(window, "P999", true, 2000);
    const double firstLookup = lookupMicroseconds(window, "P0", true, 2000);
    const double missingLookup = lookupMicroseconds(window, "absent", false, 2000);
    OrvexSensorPlugin::Core::setPluginFileDirectory(QString());

    std::printf("window_open_0_parameters: %.1f ms\n", empty.constructMs);
    std::printf("window_open_1000_parameters: %.1f ms\n", full.constructMs);
    std::printf("tree_build_1000_parameters: %.1f ms\n", full.constructMs - empty.constructMs);
    std::printf("window_shown_0_parameters: %.1f ms\n", empty.shownMs);
    std::printf("window_shown_1000_parameters: %.1f ms\n", full.shownMs);
    std::printf("find_first_parameter: %.2f us\n", firstLookup);
    std::printf("find_last_of_1000_parameters: %.2f us\n", lastLookup);
    std::printf("find_absent_parameter: %.2f us\n", missingLookup);
    return 0;
}
