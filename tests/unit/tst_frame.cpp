// The checksum and the hex text helpers. (The frames themselves are written
// out byte by byte in widgets/tst_commands and the scenarios.)

#include "link/frame.h"

#include <QtTest/QTest>

using namespace mdq;

class TestFrame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
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
