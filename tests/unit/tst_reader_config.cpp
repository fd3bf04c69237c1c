// The unit configuration record decoded into the eight rows of ConfigForm:
// every decoding table, row by row, and replies too short for ten bytes.

#include "control/config_form.h"
#include "link/reply.h"

#include <QtTest/QTest>

namespace {
// Ten configuration bytes with one of them replaced.
QByteArray withByte(int index, char value)
{
    QByteArray b("7105ER2221");
    b[index] = value;
    return b;
}

QByteArray replyWithData(const QByteArray &data)
{
    QByteArray body("P\xA3" "0000", 6);
    body += data;
    body += '\x03';
    body += '\x00';  // BCC: nothing reads it
    return body;
}
}  // namespace

class TestReaderConfig : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Every entry of every decoding table, and values that are not in them.
    void decodingTable_data()
    {
        QTest::addColumn<int>("byteIndex");
        QTest::addColumn<char>("value");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        auto add = [](int byteIndex, char value, int row, const char *text) {
            QTest::addRow("byte %d = %02Xh", byteIndex, quint8(value)) << byteIndex << value << row
                                                                     << QString::fromLatin1(text);
        };
        add(0, '8', 0, "");
        add(4, '0', 2, "No read-write card function");
        add(4, 'I', 2, "Only supports contactless IC card Read/Write");
        add(4, 'C', 2, "Only supports RF Card Read/Write");
        add(4, 'e', 2, "");
        add(5, 'U', 3, "USB Interface");
        add(5, 'r', 3, "");  // exact comparison
        add(6, '0', 4, "No IC Card Read/Write Module");
        add(6, '1', 4, "There IC card contacts components, for the third-party ");
        add(6, '3', 4, "");
        add(7, '0', 5, "No RF Card Read/Write Module");
        add(7, '1', 5, "There RF card contacts components, for the third-party ");
        add(7, '3', 5, "");
        add(8, '0', 6, "No SAM card operation functions");
        add(8, '1', 6, "Support for one SAM card operation");
        add(8, '3', 6, "Support three SAM card operation");
        add(8, '4', 6, "Support four SAM card operation");
        add(8, '5', 6, "Support five SAM card operation");
        add(8, '6', 6, "");
        add(9, 0x30, 7, "Rub card issuer Components");
        add(9, 0x32, 7, "");
        add(9, 0x00, 7, "");
    }
    void decodingTable()
    {
        QFETCH(int, byteIndex);
        QFETCH(char, value);
        QFETCH(int, row);
        QFETCH(QString, text);
        const QStringList rows = mdq::decodeConfig(withByte(byteIndex, value));
        QCOMPARE(rows.at(row), text);
        // The other rows are untouched by this byte.
        const QStringList base = mdq::decodeConfig(QByteArray("7105ER2221"));
        for (int i = 0; i < 8; ++i)
            if (i != row)
                QCOMPARE(rows.at(i), base.at(i));
    }

    void softwareCodeIsShownAsReceived()
    {
        QCOMPARE(mdq::decodeConfig(QByteArray("7A b ER2221")).at(1), QStringLiteral("A b"));
    }

    void shortRecordLeavesTheRowsOfMissingBytesEmpty_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("none") << QByteArray() << QStringList(8, QString());
        QTest::newRow("identification only")
            << QByteArray("7") << (QStringList{"MDQ-820", "", "", "", "", "", "", ""});
        QTest::newRow("software code cut") << QByteArray("710")
                                            << (QStringList{"MDQ-820", "", "", "", "", "", "", ""});
        QTest::newRow("nine bytes") << QByteArray("7105ER222")
                                    << (QStringList{"MDQ-820", "105",
                                                    "Supports RF and contactless IC card Read/Write",
                                                    "RS-232 Interface", "MDQ Standard IC Card Read/Write Module",
                                                    "MDQ Standard RF Card Read/Write Module",
                                                    "Support two SAM card operation", ""});
    }
    void shortRecordLeavesTheRowsOfMissingBytesEmpty()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, rows);
        QCOMPARE(mdq::decodeConfig(bytes), rows);
    }

    void configBytesComeFromTheReplyDataOnly()
    {
        mdq::Reply full;
        full.assign(replyWithData("7105ER2221extra"));
        QCOMPARE(mdq::configBytesFrom(full), QByteArray("7105ER2221"));

        // Nine data bytes: ETX (03h) and the BCC would sit where byte 9 and
        // beyond are read; they are not taken for configuration.
        mdq::Reply shortReply;
        shortReply.assign(replyWithData("7105ER222"));
        QCOMPARE(mdq::configBytesFrom(shortReply), QByteArray("7105ER222"));

        mdq::Reply empty;
        empty.assign(replyWithData(QByteArray()));
        QCOMPARE(mdq::configBytesFrom(empty), QByteArray());
    }
};

QTEST_MAIN(TestReaderConfig)
#include "tst_reader_config.moc"
