#include "comm/iolinkframes.h"
#include "comm/rawvalue.h"

#include <QtTest>

using namespace OrvexSensorPlugin::Core;

namespace {
QByteArray hex(const char *text) { return QByteArray::fromHex(text); }
QByteArray bytes(const std::optional<std::string> &frame)
{
    return frame ? QByteArray(frame->data(), int(frame->size())) : QByteArray("none");
}
} // namespace

// The frame and raw-value rules, against frames written out byte by byte.
class TestIoLinkFrames : public QObject
{
    Q_OBJECT

private slots:
    void parameterRequests_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("raw");
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<QByteArray>("write");
        QTest::newRow("size 6 checks the index bytes and carries the low byte")
            << 4 << 6 << 0x1234 << hex("057026040000") << hex("06732404000034");
        QTest::newRow("system command 0x82")
            << 2 << 6 << 0x82 << hex("054326020000") << hex("066b2402000082");
        QTest::newRow("size 7 checks all address bytes, value high byte first")
            << 68 << 7 << 1000 << hex("056826440000") << hex("074f2444000003e8");
        QTest::newRow("index above 255 low byte first, negative value in two's complement")
            << 0x0123 << 7 << -100 << hex("056426230105") << hex("074924230105ff9c");
    }
    void parameterRequests()
    {
        QFETCH(int, index);
        QFETCH(int, size);
        QFETCH(int, raw);
        QFETCH(QByteArray, read);
        QFETCH(QByteArray, write);
        const ParameterAddress address{index, index > 255 ? 5 : 0, size};
        QCOMPARE(bytes(buildReadRequest(address)).toHex(' '), read.toHex(' '));
        QCOMPARE(bytes(buildWriteRequest(address, raw)).toHex(' '), write.toHex(' '));
    }

    void noFrameForOtherSizeCodes()
    {
        for (int size : {0, 5, 8}) {
            QVERIFY(!isSupportedSizeCode(size));
            QVERIFY(!buildReadRequest({64, 0, size}));
            QVERIFY(!buildWriteRequest({64, 0, size}, 1));
        }
    }

    void extractPayload_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("header");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("of two adjacent zeros the second stays")
            << hex("00004142") << 0 << hex("004142");
        QTest::newRow("zero dropped, then the header")
            << hex("0500732741424344") << 3 << hex("41424344");
        QTest::newRow("three bytes keep their header") << hex("057327") << 3 << hex("057327");
        QTest::newRow("a single zero byte stays") << hex("00") << 3 << hex("00");
        QTest::newRow("no header asked") << hex("0573274142") << 0 << hex("0573274142");
    }
    void extractPayload()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, header);
        QFETCH(QByteArray, payload);
        QCOMPARE(OrvexSensorPlugin::Core::extractPayload(answer.toStdString(), header), payload);
    }

    void parseAddress()
    {
        const auto address = parseParameterAddress("300;2;7");
        QVERIFY(address);
        QCOMPARE(QList<int>({address->index, address->subIndex, address->sizeCode}),
                 QList<int>({300, 2, 7}));
        for (const char *bad : {"", "68;7", "a;b;c"})
            QVERIFY2(!parseParameterAddress(bad), bad);
    }

    void answerDecoding_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<uint>("number");
        QTest::addColumn<int>("signedRaw");
        QTest::addColumn<bool>("usable");
        QTest::newRow("length 05 takes the last two bytes") << hex("05732bff9c") << 0xff9cu << -100
                                                            << true;
        QTest::newRow("length 04 takes the last byte") << hex("04732701") << 0x01u << 0x2701
                                                       << true;
        QTest::newRow("length 05 but too short takes the last byte") << hex("057302") << 0x02u
                                                                     << 0x7302 << true;
        QTest::newRow("hex digits 1a are no decimal number") << hex("1a73270102") << 0x02u
                                                             << 0x0102 << true;
        QTest::newRow("length 10 counts as ten") << hex("10732700ff01") << 0xff01u << -255
                                                 << true;
        QTest::newRow("short answer ending A7 00 is zero") << hex("73a700") << 0x00u << 0
                                                           << true;
        QTest::newRow("long answer ending A7 00 is a number") << hex("05732ba700") << 0xa700u
                                                              << -22784 << true;
        QTest::newRow("refusal") << (hex("0a7327") + "ERROR" + hex("8011")) << 0x11u << -32751
                                 << false;
        QTest::newRow("no answer") << QByteArray() << 0u << 0 << false;
    }
    void answerDecoding()
    {
        QFETCH(QByteArray, answer);
        QFETCH(uint, number);
        QFETCH(int, signedRaw);
        QFETCH(bool, usable);
        QCOMPARE(decodeValueNumber(answer), number);
        QCOMPARE(decodeSignedRaw(answer), signedRaw);
        QCOMPARE(isUsableAnswer(answer), usable);
    }

    // Doubles that are no pressure go in hundredths; pressures at decVal 100 keep two
    // decimals, at decVal 1000 the third is lost.
    void rawValueEdges()
    {
        QCOMPARE(decodeDoubleValue("OnDelay1", -100, 1000.0), -1.0);
        QCOMPARE(decodeDoubleValue("analogPressure0V", 1225, 100.0), 12.25);
        QCOMPARE(doubleRawValue("analogPressure0V", 12.25, 100.0), 1225);
        QCOMPARE(doubleRawValue("OnDelay1", 1.5, 1000.0), 150);
        QCOMPARE(doubleRawValue("ThresholdsPressure1A1", 1.234, 1000.0), 1230);
        QCOMPARE(enumRawFromIndex("DataStorageLock", 3), 0);
    }

    void stringAnswer()
    {
        QCOMPARE(decodeStringAnswer(hex("0b7327") + QByteArray("ZT41\0\0-G14", 10)),
                 QString::fromLatin1("ZT41\0-G14", 9));
        QCOMPARE(decodeStringAnswer(hex("087327") + "Vendor"), QStringLiteral("Vendor"));
    }
};

QTEST_APPLESS_MAIN(TestIoLinkFrames)
#include "tst_iolinkframes.moc"
