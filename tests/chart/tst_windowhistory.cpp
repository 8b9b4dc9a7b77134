#include "charttestaccess.h"

#include "common/modalanswerer.h"

#include "mastersimulator.h"
#include "sensordescription.h"
#include "simulatedchannel.h"

#include "utils/charts/genericchart.h"
#include "utils/exportdialog.h"

#include <QToolBar>
#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;

class WindowHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void exportHandsTheSeriesToTheDialog_data();
    void exportHandsTheSeriesToTheDialog();
    void clearHistory_data();
    void clearHistory();
    void printingIsFollowedByIdentification();

private:
    ChartTestFiles m_files;
};

void WindowHistoryTest::init()
{
    QVERIFY(m_files.install());
}

void WindowHistoryTest::exportHandsTheSeriesToTheDialog_data()
{
    QTest::addColumn<int>("points");
    QTest::newRow("empty history still opens the dialog") << 0;
    QTest::newRow("three points in the unit they were taken") << 3;
}

void WindowHistoryTest::exportHandsTheSeriesToTheDialog()
{
    QFETCH(int, points);
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    Access::connected(*w) = true;
    Access::setLive(*w, true);
    for (int i = 0; i < points; ++i)
        Access::receive(*w, QStringLiteral("0000000003e80000")); // 1.0 bar

    QByteArray csv;
    int precision = -1;
    Qt::WindowFlags flags;
    bool seen = false;
    // Look at the dialog while it runs, then close it.
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<Utils::ExportDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen = true;
        csv = dialog->csv(QLatin1Char(';'));
        precision = dialog->precision();
        flags = dialog->windowFlags();
        QCOMPARE(dialog->parentWidget(), w.get());
        dialog->reject();
    });
    poll.start();
    w->vExportChartData();
    poll.stop();

    QVERIFY(seen);
    QCOMPARE(precision, 2);
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    const QList<QByteArray> lines = csv.split('\n');
    QCOMPARE(lines.first(), QByteArray("Time;Signal"));
    QCOMPARE(lines.size(), points + 2); // header, points, and the empty rest after the last \n
    for (int i = 1; i <= points; ++i)
        QVERIFY2(lines.at(i).endsWith(";1.00"), lines.at(i).constData());
    // The window keeps its history.
    QCOMPARE(s.chart->history(0).size(), std::size_t(points));
}

void WindowHistoryTest::clearHistory_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("No keeps every point") << false;
    QTest::newRow("Yes empties the chart and disables the chart tools") << true;
}

void WindowHistoryTest::clearHistory()
{
    QFETCH(bool, yes);
    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    QToolBar *toolbar = Access::ui(*w).chartToolbar;
    Access::connected(*w) = true;
    Access::setLive(*w, true);
    for (int i = 0; i < 5; ++i)
        Access::receive(*w, QStringLiteral("0000000003e80000"));
    w->updateChart();
    QVERIFY(toolbar->isEnabled());

    ModalAnswerer answerer;
    answerer.answerWith(yes ? QMessageBox::Yes : QMessageBox::No);
    w->vClearHistory();
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.titles(), QStringList{QStringLiteral("Clear chart history")});
    QCOMPARE(answerer.texts(),
             QStringList{QStringLiteral("Do you really want to clear chart history ?")});

    QCOMPARE(s.chart->history(0).size(), std::size_t(yes ? 0 : 5));
    QCOMPARE(toolbar->isEnabled(), !yes);
    // updateChart turns the tools on again while connected.
    w->updateChart();
    QVERIFY(toolbar->isEnabled());
}

void WindowHistoryTest::printingIsFollowedByIdentification()
{
    IoLinkSim::SensorDescription description;
    QVERIFY2(description.load(m_files.dataFile()), qPrintable(description.errorString()));
    IoLinkSim::MasterSimulator master(description, QStringLiteral("ZT41-G14-010"));
    IoLinkSim::SimulatedChannel channel(&master);

    auto w = ChartTestFiles::makeWindow();
    SensorWindowState &s = Access::state(*w);
    w->setCommunication(&channel);
    QVERIFY(!s.continuousDataTimer.isActive());

    // The print dialog is cancelled: the identification runs all the same.
    ModalAnswerer answerer;
    answerer.answerWithButton(QStringLiteral("Cancel"));
    w->vPrintDocument();
    QVERIFY(answerer.answered() >= 1);

    bool productIdRead = false;
    for (const auto &entry : master.requestLog())
        productIdRead |= entry.request == QByteArray::fromHex("054626130000");
    QVERIFY(productIdRead);
    QVERIFY(s.continuousDataTimer.isActive());
    s.continuousDataTimer.stop();
    w->setCommunication(nullptr);
}

QTEST_MAIN(WindowHistoryTest)
#include "tst_windowhistory.moc"
