#include "utils/progressbarui.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <memory>

using Utils::ProgressBarUi;

class TestProgressBarUi : public QObject
{
    Q_OBJECT

private slots:
    void execWaitsForItsOwnId_data();
    void execWaitsForItsOwnId();
    void stopEndsTheWaitWithoutSuccess();
    void destroyingTheDialogEndsTheWait();
    void timersRunDuringTheWait();
};

void TestProgressBarUi::execWaitsForItsOwnId_data()
{
    QTest::addColumn<bool>("showUi");
    QTest::newRow("shown while waiting") << true;
    QTest::newRow("nothing shown with setShowUi(false)") << false;
}

void TestProgressBarUi::execWaitsForItsOwnId()
{
    QFETCH(bool, showUi);
    ProgressBarUi dialog;
    dialog.setModal(showUi);
    dialog.setShowUi(showUi);

    bool waitingAfterOtherId = false;
    bool visibleDuringWait = !showUi;
    QTimer::singleShot(20, &dialog, [&] {
        visibleDuringWait = dialog.isVisible();
        dialog.exit(6); // another transfer
        waitingAfterOtherId = dialog.isWaiting();
    });
    QTimer::singleShot(60, &dialog, [&] { dialog.exit(7); });
    QTimer::singleShot(5000, &dialog, [&] { dialog.stop(); }); // guard against a hang

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(dialog.exec(7), 1);
    QVERIFY(clock.elapsed() >= 50);
    QVERIFY(clock.elapsed() < 4000);
    QVERIFY(waitingAfterOtherId);
    QCOMPARE(visibleDuringWait, showUi);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.isWaiting());
}

void TestProgressBarUi::stopEndsTheWaitWithoutSuccess()
{
    ProgressBarUi dialog;
    dialog.setShowUi(false);
    QTimer::singleShot(10, &dialog, &ProgressBarUi::stop);
    QCOMPARE(dialog.exec(3), 0);
    QVERIFY(!dialog.isWaiting());

    // The same dialog can wait again, and an earlier id no longer counts.
    QTimer::singleShot(10, &dialog, [&] { dialog.exit(3); });
    QTimer::singleShot(30, &dialog, [&] { dialog.exit(4); });
    QTimer::singleShot(5000, &dialog, &ProgressBarUi::stop);
    QCOMPARE(dialog.exec(4), 1);
}

void TestProgressBarUi::destroyingTheDialogEndsTheWait()
{
    QObject context;
    auto *dialog = new ProgressBarUi;
    QPointer<ProgressBarUi> guard(dialog);
    dialog->setShowUi(false);
    QTimer::singleShot(10, &context, [&] { delete guard.data(); });
    QTimer::singleShot(5000, &context, [&] {
        if (guard)
            guard->stop();
    });
    QCOMPARE(dialog->exec(9), 0);
    QVERIFY(guard.isNull());
}

void TestProgressBarUi::timersRunDuringTheWait()
{
    ProgressBarUi dialog;
    dialog.setShowUi(false);
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(5);
    connect(&ticker, &QTimer::timeout, &dialog, [&] {
        if (++ticks == 5)
            dialog.exit(1);
    });
    ticker.start();
    QTimer::singleShot(5000, &dialog, &ProgressBarUi::stop);
    QCOMPARE(dialog.exec(1), 1);
    QCOMPARE(ticks, 5);
}

QTEST_MAIN(TestProgressBarUi)
#include "tst_progressbarui.moc"
