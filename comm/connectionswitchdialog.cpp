#include "comm/connectionswitchdialog.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace OrvexSensorPlugin {
namespace Core {

namespace {
QPushButton *makeButton(QWidget *parent, const char *objectName, const char *icon)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setIcon(QIcon(QString::fromLatin1(icon)));
    return button;
}
} // namespace

ConnectionSwitchDialog::ConnectionSwitchDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("connectionSwitchingDialog"));
    setMinimumSize(101, 0);
    setStyleSheet(QStringLiteral(
        "QWidget#connectionSwitchingDialog {\n"
        "    border: 1px solid gray;\n"
        "    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,\n"
        "        stop: 0 #E1E1E1, stop: 0.4 #DDDDDD, stop: 0.5 #D8D8D8, stop: 1.0 #D3D3D3);\n"
        "}"));

    m_layout = new QGridLayout(this);
    m_layout->setObjectName(QStringLiteral("gridLayout"));
    m_pcToSensor = makeButton(this, "pcToSensor", ":/newPrefix/icons/connect_sensor_pc.svg");
    m_sensorToPc = makeButton(this, "sensorToPc", ":/newPrefix/icons/connect_yes.svg");
    m_cancel = makeButton(this, "cancel", ":/newPrefix/icons/edit_delete_all.svg");
    // The question above the buttons; the buttons keep their whole texts.
    m_question = new QLabel(this);
    m_question->setObjectName(QStringLiteral("question"));
    m_question->setWordWrap(true);
    m_layout->addWidget(m_question, 0, 0, 1, 3);
    m_layout->addWidget(m_pcToSensor, 1, 0);
    m_layout->addWidget(m_sensorToPc, 1, 1);
    m_layout->addWidget(m_cancel, 1, 2);

    connect(m_pcToSensor, &QPushButton::clicked, this, &ConnectionSwitchDialog::vPcToSensor);
    connect(m_sensorToPc, &QPushButton::clicked, this, &ConnectionSwitchDialog::vSensorToPc);
    connect(m_cancel, &QPushButton::clicked, this, &ConnectionSwitchDialog::vCancel);

    retranslateUi();
    m_question->setMinimumWidth(m_layout->itemAtPosition(1, 0)->sizeHint().width() * 2);
    resize(sizeHint());
    setResult(Cancelled);
    // Enter reads the sensor: it must never overwrite a sensor's settings.
    m_pcToSensor->setAutoDefault(false);
    m_cancel->setAutoDefault(false);
    m_sensorToPc->setDefault(true);
    m_sensorToPc->setFocus();
}

void ConnectionSwitchDialog::retranslateUi()
{
    setWindowTitle(QCoreApplication::translate("connectionSwitchingDialog", "Connect to sensor"));
    m_question->setText(QCoreApplication::translate(
        "connectionSwitchingDialog",
        "The settings shown in this window and the settings stored in the sensor may differ. "
        "Which settings do you want to use?"));
    m_pcToSensor->setText(QCoreApplication::translate("connectionSwitchingDialog",
                                                      "Write these settings to the sensor"));
    const QString pcTip = QCoreApplication::translate(
        "connectionSwitchingDialog", "Sensor settings will be overwritten with the ones from PC");
    m_pcToSensor->setToolTip(pcTip);
    m_pcToSensor->setStatusTip(pcTip);
    m_pcToSensor->setAccessibleDescription(pcTip);
    m_sensorToPc->setText(
        QCoreApplication::translate("connectionSwitchingDialog", "Read the sensor's settings"));
    m_sensorToPc->setToolTip(QCoreApplication::translate(
        "connectionSwitchingDialog",
        "PC settings will be overwritten with the ones from the Sensor"));
    m_cancel->setText(QCoreApplication::translate("connectionSwitchingDialog", "Cancel"));
}

// accept() sets the result to Accepted (1); each slot then puts its own.
void ConnectionSwitchDialog::vPcToSensor()
{
    accept();
    setResult(PcToSensor);
}

void ConnectionSwitchDialog::vSensorToPc()
{
    accept();
    setResult(SensorToPc);
}

void ConnectionSwitchDialog::vCancel()
{
    accept();
    setResult(Cancelled);
}

} // namespace Core
} // namespace OrvexSensorPlugin
