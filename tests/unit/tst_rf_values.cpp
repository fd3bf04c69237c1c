// Conversions of the contactless pages: purse values both ways, APDU text to
// bytes, the Mifare status word and its result text, the sector geometry.

#include "contactless/cpu_apdu_panel.h"
#include "contactless/mifare_command.h"
#include "contactless/purse_value.h"

#include <QtTest>

using namespace mdq;

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

Reply replyOf(const QByteArray &body)
{
    Reply r;
    r.assign(body);
    return r;
}
}  // namespace

class TestRfValues : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void purseValueToBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");  // empty: refused
        QTest::newRow("10000") << "10000" << hex("10270000");
        QTest::newRow("16777216") << "16777216" << hex("00000001");
        QTest::newRow("leading zeros") << "0000000255" << hex("FF000000");
        QTest::newRow("blanks around") << " 42 " << hex("2A000000");
        QTest::newRow("blank") << "  " << QByteArray();
        QTest::newRow("minus") << "-1" << QByteArray();
        QTest::newRow("inner blank") << "1 2" << QByteArray();
        QTest::newRow("full-width digit") << QString::fromUtf8("１") << QByteArray();
    }
    void purseValueToBytes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const auto got = encodePurseValue(text);
        QCOMPARE(got.has_value(), !bytes.isEmpty());
        if (got)
            QCOMPARE(*got, bytes);
    }

    void bytesToPurseValue_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("10000") << hex("10270000") << "10000";
        QTest::newRow("zero") << hex("00000000") << "0";
        QTest::newRow("all ones, unsigned") << hex("FFFFFFFF") << "4294967295";
        QTest::newRow("LSB first") << hex("01020304") << "67305985";
    }
    void bytesToPurseValue()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodePurseValue(bytes), text);
    }

    void apduText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::newRow("lower case pasted") << "00a4" << hex("00A4") << true;
        QTest::newRow("pair of blanks") << "00  " << QByteArray() << false;
        QTest::newRow("blank in a pair is trimmed") << " A" << hex("0A") << true;
    }
    void apduText()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        const auto got = parseApduText(text);
        QCOMPARE(got.has_value(), ok);
        if (got)
            QCOMPARE(*got, bytes);
    }

    void apduTextUpToOneFrame()
    {
        QVERIFY(parseApduText(QString(2 * 65532, QLatin1Char('0'))).has_value());
        QVERIFY(!parseApduText(QString(2 * 65533, QLatin1Char('0'))).has_value());
    }

    void statusWordAndResult_data()
    {
        QTest::addColumn<QByteArray>("body");  // reply from 'P' to BCC
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("result");
        QTest::newRow("6300") << hex("50 60 33 30 30 30 63 00 03 AA") << "6300" << "";
        QTest::newRow("single digit bytes") << hex("50 60 33 30 30 30 0A 05 03 AA") << "0A05" << "";
        QTest::newRow("no data: status bytes") << hex("50 60 33 30 30 30 03 AA") << "3030" << "";
    }
    void statusWordAndResult()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, word);
        QFETCH(QString, result);
        const Reply r = replyOf(body);
        QCOMPARE(mifare::statusWord(r), word);
        QCOMPARE(mifare::resultText(word), result);
        QCOMPARE(mifare::succeeded(r), word == QLatin1String("9000"));
        QCOMPARE(mifare::resultText(word, QStringLiteral("Exxcute OK")).isEmpty(), result.isEmpty());
    }

    void sectorGeometry()
    {
        const struct
        {
            int sector, block;
            bool trailer, manufacturer;
        } cases[] = {
            {0, 0, false, true}, {0, 1, false, false}, {0, 3, true, false},   {5, 3, true, false},
            {31, 3, true, false}, {31, 15, false, false}, {32, 3, false, false}, {32, 15, true, false},
            {39, 15, true, false}, {1, 0, false, false},
        };
        for (const auto &c : cases) {
            QCOMPARE(mifare::isTrailer(c.sector, c.block), c.trailer);
            QCOMPARE(mifare::isManufacturerBlock(c.sector, c.block), c.manufacturer);
        }
    }
};

QTEST_GUILESS_MAIN(TestRfValues)
#include "tst_rf_values.moc"
