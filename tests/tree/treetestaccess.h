#pragma once

#include "common/windowaccess.h"

#include "plugin/pluginpaths.h"

#include "extensionsystem/sensorbasic.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace TreeFixture {

using Access = OrvexSensorPlugin::Core::SensorWindowTestAccess;

inline const char *sensorName() { return "Fixture sensor"; }
inline const char *realSensorName() { return "ZT4K-010 -1...10 bar"; }

inline QByteArray realDescription()
{
    QFile file(qEnvironmentVariable("TEST_SOURCE_DIR") + "/data/IoLinkZT4Kfamily.xml");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One parameter node labelled "<id> en" and "<id> de"; every kind but "category"
// gets the address 40;0;6 unless `address` is false.
inline QString node(const QString &type, const QString &id, const QString &extra = QString(),
                    const QString &tag = QStringLiteral("property"), bool address = true)
{
    QString text = QStringLiteral("<%1><type>%2</type><id>%3</id>").arg(tag, type, id);
    text += QStringLiteral("<text><en>%1 en</en><de>%1 de</de></text>").arg(id);
    if (address && type != QLatin1String("category"))
        text += QStringLiteral("<index>40</index><subIndex>0</subIndex><size>6</size>");
    return text + extra + QStringLiteral("</%1>").arg(tag);
}

inline QString topNode(const QString &type, const QString &id, const QString &extra = QString())
{
    return node(type, id, extra, QStringLiteral("node"));
}

inline QString sensorEntry(const QString &name, const QString &fields,
                           const QString &variants = QString())
{
    return QStringLiteral("<sensor><id>FX01</id><name>%1</name>%2<sensors>%3</sensors></sensor>")
        .arg(name, fields, variants);
}

inline QString defaultSensorList()
{
    return sensorEntry(sensorName(), "<max>10</max><decVal>1000</decVal>");
}

inline QString document(const QString &treeNodes, const QString &sensorList = defaultSensorList())
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<document>"
                          "<documentId>IoLinkZT4Kfamily</documentId>"
                          "<sensorList>%1</sensorList><treeGui><default>%2</default></treeGui>"
                          "<guiCategory><default/></guiCategory></document>\n")
        .arg(sensorList, treeNodes);
}

// The six pressure parameters (thresholds first) with the real description's limits.
inline QString pressureParameters()
{
    QString text;
    for (const char *id : {"ThresholdsPressure1A1", "ThresholdsPressure2A1",
                           "ThresholdsPressure1A2", "ThresholdsPressure2A2",
                           "analogPressure0V", "analogPressure10V"})
        text += topNode("double", id, "<min>-1</min><max>10</max><defaultvalue>0</defaultvalue>");
    return text;
}

inline QString unitParameter()
{
    return topNode("enumerator", "TemperatureSettings",
                   "<defaultvalue>0</defaultvalue><items><i><en>bar</en></i><i><en>psi</en></i>"
                   "<i><en>MPa</en></i><i><en>kPa</en></i></items>");
}

// A description in a folder of its own, read by the plug-in as the file beside
// the host program while the fixture lives.
class DescriptionFile
{
public:
    explicit DescriptionFile(const QByteArray &content)
    {
        QFile file(m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml")));
        m_written = file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
        OrvexSensorPlugin::Core::setPluginFileDirectory(m_dir.path());
    }
    explicit DescriptionFile(const QString &content) : DescriptionFile(content.toUtf8()) {}
    ~DescriptionFile() { OrvexSensorPlugin::Core::setPluginFileDirectory(QString()); }
    bool isWritten() const { return m_dir.isValid() && m_written; }

private:
    QTemporaryDir m_dir;
    bool m_written = false;
};

inline std::unique_ptr<OrvexSensorPlugin::Core::SensorWindow> openWindow(
    const char *name = sensorName())
{
    ExtensionSystem::SensorBasic chosen;
    chosen.setName(name);
    return std::make_unique<OrvexSensorPlugin::Core::SensorWindow>(chosen);
}

// Warnings of the description's logging category while `run` runs.
template<typename Run>
QStringList descriptionWarnings(const Run &run)
{
    static QStringList *sink = nullptr;
    QStringList warnings;
    sink = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (type >= QtWarningMsg && qstrcmp(context.category, "iolink.description") == 0)
                sink->append(text);
        });
    run();
    qInstallMessageHandler(previous);
    return warnings;
}

} // namespace TreeFixture
