#include "extensionsystem/sensorbasic.h"

#include <QStringList>
#include <QtTest>

#include <sstream>

using ExtensionSystem::SensorBasic;

class TestSensorBasic : public QObject
{
    Q_OBJECT

private slots:
    void readsEachAppendedEntry_data();
    void readsEachAppendedEntry();
};

// Each step appends one text to the same stream, then reads; the expected
// outcome is "ok" or "rejected" followed by the id and name held afterwards.
void TestSensorBasic::readsEachAppendedEntry_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("outcomes");

    QTest::newRow("entries appended one after another are read one at a time")
        << QStringList{"<id>ZT41</id><name>A</name>", "<id>ZT42</id><name>B</name>",
                       "<id>ZT43</id><name>C</name>"}
        << QStringList{"ok ZT41 A", "ok ZT42 B", "ok ZT43 C"};
    QTest::newRow("entries written with an XML declaration each")
        << QStringList{"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<id>ZT41</id><name>A</name>",
                       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<id>ZT42</id><name>B</name>"}
        << QStringList{"ok ZT41 A", "ok ZT42 B"};
    QTest::newRow("a rejected entry keeps the record and does not spoil the next")
        << QStringList{"<id>ZT41</id><name>A</name>", "<id>ZT42</id>", "<name>C</name>",
                       "<id>ZT44</id><name>D</name>"}
        << QStringList{"ok ZT41 A", "rejected ZT41 A", "rejected ZT41 A", "ok ZT44 D"};
    QTest::newRow("broken XML is rejected and the next entry is read")
        << QStringList{"<id>ZT41</id><name>A</nam", "<id>ZT42</id><name>B</name>"}
        << QStringList{"rejected  ", "ok ZT42 B"};
    QTest::newRow("empty id or name is rejected")
        << QStringList{"<id></id><name>A</name>", "<id>ZT42</id><name/>"}
        << QStringList{"rejected  ", "rejected  "};
}

void TestSensorBasic::readsEachAppendedEntry()
{
    QFETCH(QStringList, texts);
    QFETCH(QStringList, outcomes);
    QCOMPARE(texts.size(), outcomes.size());

    SensorBasic sensor;
    std::stringstream stream;
    for (int i = 0; i < texts.size(); ++i) {
        stream << texts.at(i).toStdString();
        const bool ok = sensor.fromXMLStream(stream);
        const QString outcome = QString(ok ? "ok" : "rejected") + " "
                                + QString::fromStdString(sensor.id()) + " "
                                + QString::fromStdString(sensor.name());
        QCOMPARE(outcome, outcomes.at(i));
    }
}

QTEST_GUILESS_MAIN(TestSensorBasic)
#include "tst_sensorbasic.moc"
