#pragma once

#include "common/windowaccess.h"

#include "window/sensorwindow.h"
#include "window/sensorwindowstate.h"

#include "plugin/pluginpaths.h"

#include "extensionsystem/sensorbasic.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace OrvexSensorPlugin {
namespace Core {


} // namespace Core
} // namespace OrvexSensorPlugin

namespace TreeFixture {

inline const char *sensorName() { return "Fixture sensor"; }

// One parameter node. Every kind but "category" gets an address unless the
// extra text brings its own; labels are "<id> en" and "<id> de".
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

inline QString sensorEntry(const QString &name, const QString &fields, const QString &variants)
{
    return QStringLiteral("<sensor><id>FX01</id><name>%1</name>%2<sensors>%3</sensors></sensor>")
        .arg(name, fields, variants);
}

inline QString defaultSensorList()
{
    return sensorEntry(QString::fromLatin1(sensorName()),
                       QStringLiteral("<max>10</max><decVal>1000</decVal>"),
                       QStringLiteral("<variant><ID3>010</ID3><maxRange>10</maxRange>"
                                      "<minRange>-1</minRange><floatVal>1000</floatVal>"
                                      "</variant>"));
}

inline QString document(const QString &treeNodes, const QString &sensorList = defaultSensorList())
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<document>"
                          "<documentId>IoLinkZT4Kfamily</documentId>"
                          "<sensorList>%1</sensorList>"
                          "<treeGui><default>%2</default></treeGui>"
                          "<guiCategory><default/></guiCategory></document>\n")
        .arg(sensorList, treeNodes);
}

// The six pressure parameters with the limits the real description gives them.
inline QString pressureParameters()
{
    const QString limits =
        QStringLiteral("<min>-1</min><max>10</max><defaultvalue>0</defaultvalue>");
    QString text;
    for (const char *id : {"ThresholdsPressure1A1", "ThresholdsPressure2A1",
                           "ThresholdsPressure1A2", "ThresholdsPressure2A2",
                           "analogPressure0V", "analogPressure10V"})
        text += topNode(QStringLiteral("double"), QString::fromLatin1(id), limits);
    return text;
}

inline QString unitParameter()
{
    return topNode(QStringLiteral("enumerator"), QStringLiteral("TemperatureSettings"),
                   QStringLiteral("<defaultvalue>0</defaultvalue><items>"
                                  "<i><en>bar</en><de>bar</de></i><i><en>psi</en><de>psi</de></i>"
                                  "<i><en>MPa</en><de>MPa</de></i><i><en>kPa</en><de>kPa</de></i>"
                                  "</items>"));
}

// A description written into a folder of its own, which the plug-in reads as
// the file beside the host program while the fixture lives.
class DescriptionFile
{
public:
    explicit DescriptionFile(const QByteArray &content)
    {
        QFile file(m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml")));
        if (file.open(QIODevice::WriteOnly))
            m_written = file.write(content) == content.size();
        OrvexSensorPlugin::Core::setPluginFileDirectory(m_dir.path());
    }
    explicit DescriptionFile(const QString &content) : DescriptionFile(content.toUtf8()) {}
    ~DescriptionFile() { OrvexSensorPlugin::Core::setPluginFileDirectory(QString()); }

    bool isWritten() const { return m_dir.isValid() && m_written; }
    QString path() const { return m_dir.path(); }

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

} // namespace TreeFixture
