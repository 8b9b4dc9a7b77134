#include "common/windowaccess.h"
#include "plugin/pluginpaths.h"
#include "settings/settingsfile.h"

#include "extensionsystem/sensorbasic.h"
#include "utils/charts/genericchart.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>

using namespace OrvexSensorPlugin::Core;

// A save killed at any moment leaves the previous or the new complete file: the
// writer (settingswriter, the real one) replaces the file only once the new one is whole.
class TestSaveKill : public QObject
{
    Q_OBJECT

    // Saves through the window's own action, answering its file dialog with `path`.
    static QByteArray save(SensorWindow &window, const QString &path)
    {
        QTimer::singleShot(0, [path] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(path);
            static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
        });
        window.vSaveSettings();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void killedSaveLeavesOldOrNewFile()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(qEnvironmentVariable("TEST_SOURCE_DIR") + "/data/IoLinkZT4Kfamily.xml",
                            dir.filePath("IoLinkZT4Kfamily.xml")));
        setPluginFileDirectory(dir.path());
        ExtensionSystem::SensorBasic chosen;
        chosen.setName("ZT4K-010 -1...10 bar");
        SensorWindow window(chosen);
        Utils::Charts::GenericChart *chart = SensorWindowTestAccess::state(window).chart;
        // Two documents of about 1 MB that differ in their history.
        for (int i = 0; i < 40000; ++i)
            QVERIFY(chart->appendDataAt(0, 1.7e12 + i * 65.0, 5.0 + (i % 97) * 0.01, 4.0));
        const QByteArray older = save(window, dir.filePath("a.wts"));
        QVERIFY(chart->appendDataAt(0, 1.8e12, 1.0, 2.0));
        const QByteArray newer = save(window, dir.filePath("b.wts"));
        QVERIFY(!older.isEmpty() && !newer.isEmpty() && older != newer);
        const std::string list = parseSettings(older).parameterList.value_or("");
        for (QtProperty *property : SensorWindowTestAccess::all(window)) {
            const QString id = property->propertyId();
            const QtAbstractPropertyManager *manager = property->propertyManager();
            if (!manager->inherits("QtGroupPropertyManager")
                && !manager->inherits("Utils::ButtonManager"))
                QVERIFY2((";" + list).find(";" + id.toStdString() + "=") != std::string::npos,
                         qPrintable(id));
        }
        setPluginFileDirectory(QString());

        const QString target = dir.filePath("saved.wts");
        QVERIFY(QFile::copy(dir.filePath("a.wts"), target));
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        int survivors[2] = {}; // older, newer
        for (int kill = 0; kill < 200; ++kill) {
            QProcess writer;
            writer.start(QCoreApplication::applicationDirPath() + "/settingswriter",
                         {target, dir.filePath("a.wts"), dir.filePath("b.wts")});
            QVERIFY(writer.waitForReadyRead(10000));
            QThread::usleep(random.bounded(60000u));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished(5000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
            QFile file(target);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray text = file.readAll();
            QVERIFY2(text == older || text == newer,
                     qPrintable(QString("kill %1 (seed %2): %3 bytes")
                                    .arg(kill).arg(seed).arg(text.size())));
            ++survivors[text == newer ? 1 : 0];
        }
        // Kills came both before and after saves completed, not always at one phase.
        QVERIFY2(survivors[0] > 0 && survivors[1] > 0,
                 qPrintable(QString("%1 older, %2 newer").arg(survivors[0]).arg(survivors[1])));
    }
};

QTEST_MAIN(TestSaveKill)
#include "tst_savekill.moc"
