#include "utils/icons/iconresources.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSvgRenderer>
#include <QtTest>

// Every icon the plug-in window and the host widgets name must come from the
// Utils library's resources, merely by linking the library.
class TstIcons : public QObject
{
    Q_OBJECT

private slots:
    void iconIsAvailable_data();
    void iconIsAvailable();
    void setHoldsExactlyTheNamedIcons();
    void registeringAgainKeepsTheSet();

private:
    static QStringList namedIcons();
};

QStringList TstIcons::namedIcons()
{
    QStringList paths;
    const char *const newPrefix[] = {
        "!_galben_cerc_negru_mare.svg", "Check_box_galben_Negru_mare.svg", "Export.svg",
        "Menuebaum.svg", "QLMR.jpg", "Reset.svg", "Sensorenliste.svg", "Verlauf_Loeschen.svg",
        "connect_no.svg", "connect_sensor_pc.svg", "connect_yes.svg", "edit_delete_all.svg",
        "file_open.svg", "file_print.svg", "file_save.svg", "led_state_0.svg",
        "led_state_1_1.svg", "led_state_1_2.svg", "led_state_2_1.svg", "led_state_2_2.svg",
        "lesen.svg", "libary.svg", "recorder_play.svg", "schreiben.svg", "statistics.svg",
        "tolvane-tool-configure.svg"};
    for (const char *name : newPrefix)
        paths << QStringLiteral(":/newPrefix/icons/") + QLatin1String(name);
    for (const char *name : {"arrow_down.png", "schreiben.svg", "schreiben2cerc.svg"})
        paths << QStringLiteral(":/icons/icons/") + QLatin1String(name);
    return paths;
}

void TstIcons::iconIsAvailable_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &path : namedIcons())
        QTest::newRow(qPrintable(path)) << path;
}

void TstIcons::iconIsAvailable()
{
    QFETCH(QString, path);
    QVERIFY2(QFile::exists(path), qPrintable(path));
    const QIcon icon(path);
    QVERIFY(!icon.isNull());

    if (path.endsWith(QLatin1String(".svg"))) {
        QSvgRenderer renderer(path);
        QVERIFY2(renderer.isValid(), "the SVG does not parse");
        QCOMPARE(renderer.viewBoxF(), QRectF(0, 0, 24, 24));
    }

    // Drawn, not blank: some pixel differs from the top-left corner's.
    const QImage image = icon.pixmap(24, 24).toImage();
    QVERIFY(!image.isNull());
    bool drawn = false;
    for (int y = 0; y < image.height() && !drawn; ++y)
        for (int x = 0; x < image.width() && !drawn; ++x)
            drawn = image.pixel(x, y) != image.pixel(0, 0);
    QVERIFY2(drawn, "the icon renders as one flat colour");
}

void TstIcons::setHoldsExactlyTheNamedIcons()
{
    QStringList expected = namedIcons();
    QStringList actual = Utils::iconResourcePaths();
    expected.sort();
    actual.sort();
    QCOMPARE(actual, expected);
}

void TstIcons::registeringAgainKeepsTheSet()
{
    const QStringList before = Utils::iconResourcePaths();
    Utils::registerIconResources();
    QCOMPARE(Utils::iconResourcePaths(), before);
    QVERIFY(!QIcon(QStringLiteral(":/newPrefix/icons/file_save.svg")).isNull());
}

QTEST_MAIN(TstIcons)
#include "tst_icons.moc"
