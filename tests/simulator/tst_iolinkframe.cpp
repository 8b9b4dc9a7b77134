#include "iolinkframe.h"

#include <QtTest>

using namespace IoLinkSim;

class TestIoLinkFrame : public QObject
{
    Q_OBJECT

private slots:
    void fixedRequests_data();
    void fixedRequests();
    void checksumOfTheFactoryResetExample();
    void readRequestCheckCoversAddressBytesBySize_data();
    void readRequestCheckCoversAddressBytesBySize();
    void errorAnswerCarriesTextAndCode();
    void hexText_data();
    void hexText();
};

void TestIoLinkFrame::fixedRequests_data()
{
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("connection probe") << makeFrame(CtrlProbe, QByteArray::fromHex("01"))
                                      << QByteArray::fromHex("03511201");
    QTest::newRow("identification set-up step 2")
        << makeFrame(CtrlSetup, QByteArray::fromHex("0903")) << QByteArray::fromHex("0473110903");
    QTest::newRow("process data poll") << makeFrame(CtrlProcessData, QByteArray())
                                       << QByteArray::fromHex("027022");
    QTest::newRow("identification set-up step 4")
        << makeFrame(CtrlPortMode, QByteArray::fromHex("03")) << QByteArray::fromHex("03702103");
    QTest::newRow("read of ProductID, two-byte check") << readRequest(0x13, 0, 7)
                                                       << QByteArray::fromHex("054626130000");
    QTest::newRow("read of ProductID, one-byte check") << readRequest(0x13, 0, 6)
                                                       << QByteArray::fromHex("054626130000");
    QTest::newRow("answer fetch") << makeFrame(CtrlFetch, QByteArray())
                                  << QByteArray::fromHex("027327");
    QTest::newRow("factory reset") << writeRequest(2, 0, 6, 0x82)
                                   << QByteArray::fromHex("066b2402000082");
    QTest::newRow("write of index 4 keeps the low byte for size 6")
        << writeRequest(4, 0, 6, 0x1234) << QByteArray::fromHex("06732404000034");
    QTest::newRow("read of index 4, size 6") << readRequest(4, 0, 6)
                                             << QByteArray::fromHex("057026040000");
    QTest::newRow("write of a two-byte value puts the high byte first")
        << writeRequest(68, 0, 7, 0x1388)
        << makeFrame(CtrlWrite, QByteArray::fromHex("4400001388"));
}

void TestIoLinkFrame::fixedRequests()
{
    QFETCH(QByteArray, built);
    QFETCH(QByteArray, expected);
    QCOMPARE(built.toHex(' '), expected.toHex(' '));
    QCOMPARE(int(quint8(built.at(0))), built.size() - 1);
}

void TestIoLinkFrame::checksumOfTheFactoryResetExample()
{
    const quint8 data[] = {0x02, 0x00, 0x00, 0x82};
    QCOMPARE(int(checksum6(0x24, data, 4)), 0x2B);
    QCOMPARE(int(checkOctet(0x24, QByteArray::fromHex("02000082"))), 0x6B);
}

void TestIoLinkFrame::readRequestCheckCoversAddressBytesBySize_data()
{
    QTest::addColumn<int>("subIndex");
    QTest::addColumn<int>("sizeCode");
    QTest::addColumn<int>("checkedBytes");

    QTest::newRow("size 6 checks the index bytes only") << 5 << 6 << 2;
    QTest::newRow("size 7 checks all three address bytes") << 5 << 7 << 3;
}

void TestIoLinkFrame::readRequestCheckCoversAddressBytesBySize()
{
    QFETCH(int, subIndex);
    QFETCH(int, sizeCode);
    QFETCH(int, checkedBytes);
    const QByteArray frame = readRequest(0x140, subIndex, sizeCode);
    const QByteArray address = QByteArray::fromHex("4001") + char(subIndex);
    QCOMPARE(frame.mid(3), address);
    QCOMPARE(int(quint8(frame.at(1))), int(checkOctet(CtrlRead, address, checkedBytes)));
    // With a nonzero subindex the two readings give different check octets.
    QVERIFY(checkOctet(CtrlRead, address, 2) != checkOctet(CtrlRead, address, 3));
}

void TestIoLinkFrame::errorAnswerCarriesTextAndCode()
{
    const QByteArray answer = errorAnswer(CtrlWrite, IsduAccessDenied);
    QCOMPARE(int(quint8(answer.at(0))), answer.size() - 1);
    QCOMPARE(int(quint8(answer.at(2))), int(CtrlWrite));
    QVERIFY(answer.contains("ERROR"));
    QCOMPARE(answer.right(2), QByteArray::fromHex("8023"));
}

void TestIoLinkFrame::hexText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("spaced lower case") << QByteArray("06 6b 24") << QByteArray::fromHex("066b24");
    QTest::newRow("packed upper case") << QByteArray("066B24") << QByteArray::fromHex("066b24");
    QTest::newRow("odd digit count is refused") << QByteArray("066") << QByteArray();
    QTest::newRow("non-digit is refused") << QByteArray("06 zz") << QByteArray();
}

void TestIoLinkFrame::hexText()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(fromHexText(text), bytes);
}

QTEST_APPLESS_MAIN(TestIoLinkFrame)
#include "tst_iolinkframe.moc"
