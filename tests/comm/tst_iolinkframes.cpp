#include "comm/iolinkframes.h"
#include "comm/rawvalue.h"

#include <QtTest>

using namespace OrvexSensorPlugin::Core;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray toBytes(const std::optional<std::string> &frame)
{
    return frame ? QByteArray(frame->data(), static_cast<int>(frame->size())) : QByteArray();
}

} // namespace

class TestIoLinkFrames : public QObject
{
    Q_OBJECT

private slots:
    void checkOctetOfFixedRequests_data();
    void checkOctetOfFixedRequests();
    void extractPayload_data();
    void extractPayload();
    void parameterRequests_data();
    void parameterRequests();
    void noFrameForOtherSizeCodes_data();
    void noFrameForOtherSizeCodes();
    void parseAddress_data();
    void parseAddress();
    void valueNumber_data();
    void valueNumber();
    void doubleDecoding_data();
    void doubleDecoding();
    void enumerationMappings_data();
    void enumerationMappings();
    void doubleRawValue_data();
    void doubleRawValue();
    void usableAnswers_data();
    void usableAnswers();
    void stringAnswer();
};

void TestIoLinkFrames::checkOctetOfFixedRequests_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("checkedBytes");

    QTest::newRow("probe 03 51 12 01") << hex("03511201") << 1;
    QTest::newRow("set-up 04 73 11 09 03") << hex("0473110903") << 2;
    QTest::newRow("process data 02 70 22") << hex("027022") << 0;
    QTest::newRow("port mode 03 70 21 03") << hex("03702103") << 1;
    QTest::newRow("product id read covers two index bytes") << hex("054626130000") << 2;
    QTest::newRow("fetch 02 73 27") << hex("027327") << 0;
    QTest::newRow("factory reset 06 6B 24 02 00 00 82") << hex("066b2402000082") << 4;
    QTest::newRow("write index 4 value 0x34") << hex("06732404000034") << 4;
    QTest::newRow("read index 4 size 6") << hex("057026040000") << 2;
}

void TestIoLinkFrames::checkOctetOfFixedRequests()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, checkedBytes);

    const auto control = static_cast<quint8>(frame.at(2));
    const auto *data = reinterpret_cast<const quint8 *>(frame.constData() + 3);
    const quint8 check = 0x40 | checksum6(control, data, checkedBytes);
    QCOMPARE(check, static_cast<quint8>(frame.at(1)));
    QVERIFY(checksum6(control, data, checkedBytes) < 0x40);
}

void TestIoLinkFrames::extractPayload_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("header");
    QTest::addColumn<QByteArray>("payload");

    QTest::newRow("of two adjacent zeros the second stays") << hex("00004142") << 0
                                                            << hex("004142");
    QTest::newRow("zero dropped before the header goes")
        << hex("0500732741424344") << 3 << hex("41424344");
    QTest::newRow("three bytes keep their header") << hex("057327") << 3 << hex("057327");
    QTest::newRow("a single zero byte stays") << hex("00") << 3 << hex("00");
    QTest::newRow("empty answer") << QByteArray() << 3 << QByteArray();
    QTest::newRow("no header asked") << hex("0573274142") << 0 << hex("0573274142");
}

void TestIoLinkFrames::extractPayload()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, header);
    QFETCH(QByteArray, payload);

    QCOMPARE(OrvexSensorPlugin::Core::extractPayload(answer.toStdString(), header), payload);
}

void TestIoLinkFrames::parameterRequests_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("subIndex");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QByteArray>("write");

    QTest::newRow("size 6 carries the low byte only")
        << 4 << 0 << 6 << 0x1234 << hex("057026040000") << hex("06732404000034");
    QTest::newRow("system command restores factory settings")
        << 2 << 0 << 6 << 0x82 << hex("054326020000") << hex("066b2402000082");
    QTest::newRow("size 7 carries both bytes, high first")
        << 68 << 0 << 7 << 1000 << QByteArray() << QByteArray();
    QTest::newRow("negative raw goes out as two's complement")
        << 69 << 0 << 7 << -100 << QByteArray() << QByteArray();
    QTest::newRow("index above 255 splits low, high")
        << 0x0123 << 5 << 7 << 7 << QByteArray() << QByteArray();
}

void TestIoLinkFrames::parameterRequests()
{
    QFETCH(int, index);
    QFETCH(int, subIndex);
    QFETCH(int, size);
    QFETCH(int, raw);
    QFETCH(QByteArray, read);
    QFETCH(QByteArray, write);

    const ParameterAddress address{index, subIndex, size};
    const QByteArray readFrame = toBytes(buildReadRequest(address));
    const QByteArray writeFrame = toBytes(buildWriteRequest(address, raw));

    // Layout checks for every row.
    QCOMPARE(readFrame.size(), 6);
    QCOMPARE(quint8(readFrame.at(0)), quint8(5));
    QCOMPARE(quint8(readFrame.at(2)), quint8(0x26));
    QCOMPARE(quint8(readFrame.at(3)), quint8(index & 0xFF));
    QCOMPARE(quint8(readFrame.at(4)), quint8(index >> 8));
    QCOMPARE(quint8(readFrame.at(5)), quint8(subIndex));
    const auto *readData = reinterpret_cast<const quint8 *>(readFrame.constData() + 3);
    QCOMPARE(quint8(readFrame.at(1)), quint8(0x40 | checksum6(0x26, readData, size - 4)));

    QCOMPARE(writeFrame.size(), size + 1);
    QCOMPARE(quint8(writeFrame.at(0)), quint8(size));
    QCOMPARE(quint8(writeFrame.at(2)), quint8(0x24));
    QCOMPARE(quint8(writeFrame.at(3)), quint8(index & 0xFF));
    QCOMPARE(quint8(writeFrame.at(4)), quint8(index >> 8));
    QCOMPARE(quint8(writeFrame.at(5)), quint8(subIndex));
    if (size == 7) {
        QCOMPARE(quint8(writeFrame.at(6)), quint8((raw >> 8) & 0xFF));
        QCOMPARE(quint8(writeFrame.at(7)), quint8(raw & 0xFF));
    } else {
        QCOMPARE(quint8(writeFrame.at(6)), quint8(raw & 0xFF));
    }
    const auto *writeData = reinterpret_cast<const quint8 *>(writeFrame.constData() + 3);
    QCOMPARE(quint8(writeFrame.at(1)), quint8(0x40 | checksum6(0x24, writeData, size - 2)));

    // Byte-exact where the row gives the frame.
    if (!read.isEmpty())
        QCOMPARE(readFrame.toHex(' '), read.toHex(' '));
    if (!write.isEmpty())
        QCOMPARE(writeFrame.toHex(' '), write.toHex(' '));
}

void TestIoLinkFrames::noFrameForOtherSizeCodes_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("size 0") << 0;
    QTest::newRow("size 5") << 5;
    QTest::newRow("size 8") << 8;
    QTest::newRow("negative size") << -1;
}

void TestIoLinkFrames::noFrameForOtherSizeCodes()
{
    QFETCH(int, size);
    const ParameterAddress address{64, 0, size};
    QVERIFY(!isSupportedSizeCode(size));
    QVERIFY(!buildReadRequest(address).has_value());
    QVERIFY(!buildWriteRequest(address, 1).has_value());
}

void TestIoLinkFrames::parseAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("subIndex");
    QTest::addColumn<int>("size");

    QTest::newRow("index;subIndex;size") << "68;0;7" << true << 68 << 0 << 7;
    QTest::newRow("sub-index other than 0") << "300;2;6" << true << 300 << 2 << 6;
    QTest::newRow("empty address") << "" << false << 0 << 0 << 0;
    QTest::newRow("two parts only") << "68;7" << false << 0 << 0 << 0;
    QTest::newRow("not numbers") << "a;b;c" << false << 0 << 0 << 0;
}

void TestIoLinkFrames::parseAddress()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, index);
    QFETCH(int, subIndex);
    QFETCH(int, size);

    const auto address = parseParameterAddress(text);
    QCOMPARE(address.has_value(), valid);
    if (valid) {
        QCOMPARE(address->index, index);
        QCOMPARE(address->subIndex, subIndex);
        QCOMPARE(address->sizeCode, size);
    }
}

void TestIoLinkFrames::valueNumber_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<uint>("value");

    QTest::newRow("length 05 takes the last two bytes") << hex("0573270102") << 0x0102u;
    QTest::newRow("length 04 takes the last byte") << hex("04732701") << 0x01u;
    QTest::newRow("length 05 but too short takes the last byte") << hex("057302") << 0x02u;
    QTest::newRow("hex digits 1a are no decimal number") << hex("1a73270102") << 0x02u;
    QTest::newRow("length 10 counts as ten") << hex("10732700ff01") << 0xff01u;
    QTest::newRow("empty answer") << QByteArray() << 0u;
}

void TestIoLinkFrames::valueNumber()
{
    QFETCH(QByteArray, answer);
    QFETCH(uint, value);
    QCOMPARE(decodeValueNumber(answer), value);
}

void TestIoLinkFrames::doubleDecoding_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<double>("decVal");
    QTest::addColumn<double>("value");

    QTest::newRow("FF 9C of a non-pressure double is -1.0")
        << "OnDelay1" << hex("05732bff9c") << 1000.0 << -1.0;
    QTest::newRow("pressure divides by decVal")
        << "ThresholdsPressure1A1" << hex("05732b03e8") << 1000.0 << 1.0;
    QTest::newRow("negative pressure") << "ThresholdsPressure1A1" << hex("05732bfc18")
                                       << 1000.0 << -1.0;
    QTest::newRow("short answer ending A7 00 is zero") << "OnDelay1" << hex("73a700") << 1000.0
                                                       << 0.0;
    QTest::newRow("long answer ending A7 00 is a number")
        << "OnDelay1" << hex("05732ba700") << 1000.0 << -22784 * 0.01;
    QTest::newRow("pressure at decVal 10") << "analogPressure10V" << hex("05732b0018") << 10.0
                                           << 2.4;
}

void TestIoLinkFrames::doubleDecoding()
{
    QFETCH(QString, id);
    QFETCH(QByteArray, answer);
    QFETCH(double, decVal);
    QFETCH(double, value);
    QCOMPARE(decodeDoubleValue(id, decodeSignedRaw(answer), decVal), value);
}

void TestIoLinkFrames::enumerationMappings_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("raw");
    QTest::addColumn<bool>("roundTrip");

    QTest::newRow("DataStorageLock locked sends 2") << "DataStorageLock" << 1 << 2 << true;
    QTest::newRow("DataStorageLock unlocked sends 0") << "DataStorageLock" << 0 << 0 << true;
    QTest::newRow("DataStorageLock other index sends 0") << "DataStorageLock" << 3 << 0 << false;
    QTest::newRow("PinFunctionA2 index 0 sends 1") << "PinFunctionA2" << 0 << 1 << true;
    QTest::newRow("PinFunctionA2 index 3 sends 5") << "PinFunctionA2" << 3 << 5 << true;
    QTest::newRow("PinFunctionA2 index 1 sends 3") << "PinFunctionA2" << 1 << 3 << true;
    QTest::newRow("other enumerations send the index") << "FilterSettings" << 4 << 4 << true;
}

void TestIoLinkFrames::enumerationMappings()
{
    QFETCH(QString, id);
    QFETCH(int, index);
    QFETCH(int, raw);
    QFETCH(bool, roundTrip);

    QCOMPARE(enumRawFromIndex(id, index), raw);
    if (roundTrip)
        QCOMPARE(enumIndexFromRaw(id, static_cast<unsigned int>(raw)), index);
}

void TestIoLinkFrames::doubleRawValue_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("decVal");
    QTest::addColumn<int>("raw");

    QTest::newRow("2.36 at decVal 10 rounds to 2.4, sent as 24")
        << "ThresholdsPressure1A1" << 2.36 << 10.0 << 24;
    QTest::newRow("1.5 bar at decVal 1000 is 1500") << "ThresholdsPressure1A1" << 1.5 << 1000.0
                                                    << 1500;
    QTest::newRow("1.0 bar at decVal 1000 is 1000") << "ThresholdsPressure2A2" << 1.0 << 1000.0
                                                    << 1000;
    QTest::newRow("non-pressure 1.5 is 150") << "OnDelay1" << 1.5 << 1000.0 << 150;
    QTest::newRow("decVal 100 keeps two decimals") << "analogPressure0V" << 12.25 << 100.0
                                                   << 1225;
    QTest::newRow("negative pressure") << "ThresholdsPressure1A1" << -0.5 << 1000.0 << -500;
    QTest::newRow("third decimal at decVal 1000 is lost") << "ThresholdsPressure1A1" << 1.234
                                                          << 1000.0 << 1230;
}

void TestIoLinkFrames::doubleRawValue()
{
    QFETCH(QString, id);
    QFETCH(double, value);
    QFETCH(double, decVal);
    QFETCH(int, raw);
    QCOMPARE(OrvexSensorPlugin::Core::doubleRawValue(id, value, decVal), raw);
}

void TestIoLinkFrames::usableAnswers_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("usable");

    QTest::newRow("value answer") << hex("0573270102") << true;
    QTest::newRow("unanswered") << QByteArray() << false;
    QTest::newRow("ERROR in the middle") << (hex("0a7327") + "ERROR" + hex("8011")) << false;
}

void TestIoLinkFrames::usableAnswers()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, usable);
    QCOMPARE(isUsableAnswer(answer), usable);
}

void TestIoLinkFrames::stringAnswer()
{
    QCOMPARE(decodeStringAnswer(hex("0b7327") + QByteArray("ZT41\0\0-G14", 10)),
             QString::fromLatin1("ZT41\0-G14", 9));
    QCOMPARE(decodeStringAnswer(hex("087327") + "Vendor"), QStringLiteral("Vendor"));
}

QTEST_APPLESS_MAIN(TestIoLinkFrames)
#include "tst_iolinkframes.moc"
