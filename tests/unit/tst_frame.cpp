// Frame building, checksum and the hex text helpers.

#include "link/frame.h"

#include <QtTest/QTest>

using namespace mdq;

class TestFrame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void commandFrame_data()
    {
        QTest::addColumn<quint8>("address");
        QTest::addColumn<quint8>("cm");
        QTest::addColumn<quint8>("pm");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("initialise") << quint8(0) << quint8('0') << quint8('0') << QByteArray()
                                    << QByteArray::fromHex("F2 00 00 03 43 30 30 03 B1");
        QTest::newRow("error bin") << quint8(0) << quint8('2') << quint8('3') << QByteArray()
                                   << QByteArray::fromHex("F200000343323303B0");
        QTest::newRow("address A") << quint8(0xA) << quint8('1') << quint8('0') << QByteArray()
                                   << QByteArray::fromHex("F2 0A 00 03 43 31 30 03 BA");
        QTest::newRow("serial number") << quint8(0) << quint8(0xA2) << quint8('0') << QByteArray("\x12")
                                       << QByteArray::fromHex("F2 00 00 04 43 A2 30 12 03 36");
        QTest::newRow("counter 007") << quint8(0) << quint8(0xA5) << quint8('1') << QByteArray("007")
                                     << QByteArray::fromHex("F2 00 00 06 43 A5 31 30 30 37 03 17");
    }
    void commandFrame()
    {
        QFETCH(quint8, address);
        QFETCH(quint8, cm);
        QFETCH(quint8, pm);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, expected);
        const QByteArray f = CommandFrame(address, cm, pm, data);
        QCOMPARE(f.toHex(' ').toUpper(), expected.toHex(' ').toUpper());
        QCOMPARE(f.size(), 9 + data.size());
    }

    void longFrameUsesBothLengthBytes()
    {
        const QByteArray f = CommandFrame(0, 'Q', '3', QByteArray(300, '\x11'));
        QCOMPARE(quint8(f[2]), quint8(0x01));
        QCOMPARE(quint8(f[3]), quint8((303) & 0xFF));
        QCOMPARE(f.size(), 309);
        QCOMPARE(quint8(f[f.size() - 1]), ComputeBcc(f));
    }

    void bccIgnoresLastSlot()
    {
        QByteArray f = QByteArray::fromHex("F2000003433030030000");
        f.chop(1);
        const quint8 first = ComputeBcc(f);
        f[f.size() - 1] = char(first);
        QCOMPARE(ComputeBcc(f), first);
        QCOMPARE(ComputeBcc(QByteArray()), quint8(0));
        QCOMPARE(ComputeBcc(QByteArray(1, '\x55')), quint8(0));
    }

    void doubleType_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("empty") << "" << "00";
        QTest::newRow("one") << "A" << "0A";
        QTest::newRow("two") << "1F" << "1F";
        QTest::newRow("three") << "123" << "";
    }
    void doubleType()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(DoubleType(in), out);
    }

    void padBinary8_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("101") << "101" << "00000101";
        QTest::newRow("nine ones") << "111111111" << "0000000111111111";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("eight") << "10000000" << "10000000";
    }
    void padBinary8()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(PadBinary8(in), out);
    }

    void hexTextToNumber_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("FF") << "FF" << true << 255.0;
        QTest::newRow("0100") << "0100" << true << 256.0;
        QTest::newRow("empty") << "" << true << 0.0;
        QTest::newRow("lower case") << "ff" << false << 0.0;
        QTest::newRow("G") << "1G" << false << 0.0;
    }
    void hexTextToNumber()
    {
        QFETCH(QString, in);
        QFETCH(bool, ok);
        QFETCH(double, value);
        const auto v = HexTextToNumber(in);
        QCOMPARE(v.has_value(), ok);
        if (ok)
            QCOMPARE(*v, value);
    }

    void hexToByte_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<int>("value");  // -1: conversion fails
        QTest::newRow("one digit") << "1" << 1;
        QTest::newRow("two digits") << "80" << 0x80;
        QTest::newRow("lower case accepted") << "ff" << 255;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("blank") << " 1" << -1;
        QTest::newRow("non hex") << "G1" << -1;
        QTest::newRow("too large") << "100" << -1;
        QTest::newRow("minus") << "-1" << -1;
    }
    void hexToByte()
    {
        QFETCH(QString, in);
        QFETCH(int, value);
        const auto b = mdq::hexToByte(in);
        QCOMPARE(b.has_value(), value >= 0);
        if (b)
            QCOMPARE(int(*b), value);
    }
};

QTEST_APPLESS_MAIN(TestFrame)
#include "tst_frame.moc"
