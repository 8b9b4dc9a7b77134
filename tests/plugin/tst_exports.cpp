#include <QLibrary>
#include <QProcess>
#include <QtTest>

// The module as the host loads it. Its whole surface: the seven exported
// functions, with the identity texts exactly as the plug-in reports them.
const char *const Exports[][2] = {
    {"pcTolvaneKalvioPluginName", "IoLinkZT4Kfamily"},
    {"pcPluginVersion", "1.0.0"},
    {"pcDescription", "Plugin for handling MASTER IO_LINK-KB6  TOLVANE  FLUID sensors family"},
    {"pcCommunicationType", "SERIAL"},
    {"vSensorMap", nullptr},
    {"vInitialisePlugin", nullptr},
    {"poGetInterfaceInstance", nullptr}};

class TestExports : public QObject
{
    Q_OBJECT

    QLibrary m_module{QCoreApplication::applicationDirPath() + "/IoLinkZT4Kfamily.so"};

private slots:
    void initTestCase() { QVERIFY2(m_module.load(), qPrintable(m_module.errorString())); }

    void exportsAndIdentityTexts()
    {
        QProcess nm;
        nm.start("nm", {"-D", "--defined-only", m_module.fileName()});
        QVERIFY2(nm.waitForFinished(20000) && nm.exitCode() == 0, "nm (binutils) is needed");
        QStringList exported, expected;
        for (const QString &line : QString(nm.readAllStandardOutput()).split('\n')) {
            const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
            if (fields.size() == 3 && fields[1] != "A") // linker marks such as _edata are absolute
                exported << fields[2];
        }
        for (const auto &row : Exports) {
            expected << row[0];
            const auto function = reinterpret_cast<const char *(*)()>(m_module.resolve(row[0]));
            QVERIFY2(function, row[0]);
            if (row[1]) {
                QCOMPARE(function(), function()); // a static text, the same each time
                QCOMPARE(QByteArray(function()), QByteArray(row[1]));
            }
        }
        exported.sort();
        expected.sort();
        QCOMPARE(exported, expected);
    }
};

QTEST_GUILESS_MAIN(TestExports)
#include "tst_exports.moc"
