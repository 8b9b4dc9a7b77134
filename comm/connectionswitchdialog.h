#pragma once

#include <QDialog>

class QGridLayout;
class QLabel;
class QPushButton;

namespace OrvexSensorPlugin {
namespace Core {

// Asks in which direction the settings of PC and sensor are brought in line
// before connecting. result() after exec(): 2 PC to sensor, 1 sensor to PC,
// 0 cancelled (also when closed any other way).
class ConnectionSwitchDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(ConnectionSwitchDialog)

public:
    enum Direction { Cancelled = 0, SensorToPc = 1, PcToSensor = 2 };

    explicit ConnectionSwitchDialog(QWidget *parent = nullptr);

public slots:
    void vPcToSensor();
    void vSensorToPc();
    void vCancel();

private:
    void retranslateUi();

    QGridLayout *m_layout = nullptr;
    QLabel *m_question = nullptr;
    QPushButton *m_pcToSensor = nullptr;
    QPushButton *m_sensorToPc = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace Core
} // namespace OrvexSensorPlugin
