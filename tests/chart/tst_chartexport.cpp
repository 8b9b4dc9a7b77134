#include "common/modalanswerer.h"
#include "utils/exportdialog.h"
#include "utils/plotdocument.h"

#include <QtTest>

#include <qwt_plot.h>

#include <cmath>

using Utils::ExportDialog;
using Utils::PlotDocument;
using Utils::ValueOverTime;

class TestChartExport : public QObject
{
    Q_OBJECT

private slots:
    void csvHasCaptionsIsoTimesAndPrecision_data();
    void csvHasCaptionsIsoTimesAndPrecision();
    void seriesOfDifferentLengthsLeaveCellsEmpty();
    void savingFromTheDialogWritesTheChosenFile();
    void unwritablePathFails();
    void plotRendersToPdf();
};

void TestChartExport::csvHasCaptionsIsoTimesAndPrecision_data()
{
    QTest::addColumn<QChar>("delimiter");
    QTest::addColumn<int>("precision");
    QTest::addColumn<QString>("expected");
    const QString times[] = {QStringLiteral("2024-12-09T08:16:40.000Z"),
                             QStringLiteral("2024-12-09T08:16:40.065Z"),
                             QStringLiteral("2024-12-09T08:16:41.999Z")};
    QTest::newRow("semicolon, 2 decimals")
        << QChar(QLatin1Char(';')) << 2
        << "Time;Signal\n" + times[0] + ";1.00\n" + times[1] + ";-0.13\n" + times[2]
               + ";14.50\n";
    QTest::newRow("comma, 0 decimals, caption with comma quoted")
        << QChar(QLatin1Char(',')) << 0
        << "Time,\"Signal, bar\"\n" + times[0] + ",1\n" + times[1] + ",-0\n" + times[2]
               + ",15\n";
}

void TestChartExport::csvHasCaptionsIsoTimesAndPrecision()
{
    QFETCH(QChar, delimiter);
    QFETCH(int, precision);
    QFETCH(QString, expected);
    const double t0 = 1733732200000.0;
    ValueOverTime series({t0, t0 + 65.0, t0 + 1999.0}, {1.0, -0.125, 14.504});
    const QString signal = delimiter == QLatin1Char(',') ? QStringLiteral("Signal, bar")
                                                         : QStringLiteral("Signal");
    ExportDialog dialog({series}, {QStringLiteral("Time"), signal}, nullptr,
                        Qt::WindowTitleHint | Qt::WindowSystemMenuHint);
    dialog.setPrecision(precision);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    QVERIFY(dialog.writeCsv(path, delimiter));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), expected);
}

void TestChartExport::seriesOfDifferentLengthsLeaveCellsEmpty()
{
    ValueOverTime a({1000.0, 2000.0}, {1.0, 2.0});
    ValueOverTime b({1000.0}, {3.0});
    ExportDialog dialog({b, a}, {QStringLiteral("Time"), QStringLiteral("B"),
                                 QStringLiteral("A")});
    dialog.setPrecision(1);
    QCOMPARE(QString::fromUtf8(dialog.csv(QLatin1Char(';'))),
             QStringLiteral("Time;B;A\n1970-01-01T00:00:01.000Z;3.0;1.0\n"
                            "1970-01-01T00:00:02.000Z;;2.0\n"));
}

void TestChartExport::savingFromTheDialogWritesTheChosenFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chosen.csv"));
    ExportDialog dialog({ValueOverTime({0.0}, {2.0})}, {QStringLiteral("Time"),
                                                       QStringLiteral("Signal")});
    dialog.setFilePath(path);
    dialog.setDelimiter(QLatin1Char('\t'));
    ModalAnswerer answerer;
    answerer.answerWithButton(QStringLiteral("save"));
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("Time\tSignal\n1970-01-01T00:00:00.000Z\t2.00\n"));
}

void TestChartExport::unwritablePathFails()
{
    ExportDialog dialog({ValueOverTime({0.0}, {2.0})}, {QStringLiteral("Time")});
    QString error;
    QVERIFY(!dialog.writeCsv(QStringLiteral("/nonexistent-dir/x/out.csv"), QLatin1Char(';'),
                             &error));
    QVERIFY(!error.isEmpty());
}

void TestChartExport::plotRendersToPdf()
{
    QwtPlot plot;
    plot.setTitle(QStringLiteral("Pressure (bar)"));
    plot.resize(600, 400);
    PlotDocument document(&plot);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plot.pdf"));
    QVERIFY(document.renderToPdf(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(5) == "%PDF-");
}

QTEST_MAIN(TestChartExport)
#include "tst_chartexport.moc"
