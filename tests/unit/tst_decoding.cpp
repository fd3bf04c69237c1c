// Decoding and conversion without a window: the checksum and hex text
// helpers, negative replies into the operator's message, the contactless
// pages' purse values, APDU text, status words and sector geometry, and the
// unit configuration record into the rows of ConfigForm. (The frames
// themselves are written out byte by byte in widgets/tst_commands and the
// scenarios.)
// The command table: one row per request, no request or name twice, and the
// names a trace decoder looks up.
// Transcript strings: C escapes for control bytes, UTF-8 for the rest.

#include "contactless/cpu_apdu_panel.h"
#include "contactless/mifare_command.h"
#include "contactless/purse_value.h"
#include "control/config_form.h"
#include "link/commands.h"
#include "link/error_codes.h"
#include "link/frame.h"
#include "link/reply.h"
#include "support/recording_prompter.h"

#include <QSet>
#include <QtTest>
#include "automation/transcript.h"
#include "automation/script_prompter.h"
#include <QtTest/QTest>

using namespace mdq;
using namespace mdqtest;

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

class TestDecoding : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // ---- The checksum and the hex text helpers ----

    void bccOmitsItsOwnSlot()
    {
        QCOMPARE(ComputeBcc(hex("F2 00 00 03 43 31 30 03 00")), quint8(0xB0));
        QCOMPARE(ComputeBcc(hex("F2 00 00 03 43 31 30 03 B0")), quint8(0xB0));
        QCOMPARE(ComputeBcc(QByteArray()), quint8(0));
        QCOMPARE(ComputeBcc(hex("55")), quint8(0));
    }

    // The text helpers and the contactless pages' conversions: what each
    // makes of an input ("-": refused; bytes as hex, numbers in decimal).
    void conversion_data()
    {
        QTest::addColumn<QString>("helper");
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        auto row = [](const char *helper, const QString &in, const char *out) {
            const QString shown = in.size() > 12 ? QStringLiteral("%1 digits").arg(in.size()) : in;
            QTest::addRow("%s(\"%s\")", helper, qPrintable(shown)) << QString::fromLatin1(helper) << in
                                                                 << QString::fromLatin1(out);
        };
        row("DoubleType", "", "00");
        row("DoubleType", "A", "0A");
        row("DoubleType", "1F", "1F");
        row("DoubleType", "123", "");
        row("PadBinary8", "101", "00000101");
        row("PadBinary8", "111111111", "0000000111111111");
        row("PadBinary8", "", "");
        row("PadBinary8", "10000000", "10000000");
        row("HexTextToNumber", "FF", "255");
        row("HexTextToNumber", "0100", "256");
        row("HexTextToNumber", "", "0");
        row("HexTextToNumber", "ff", "-");  // lower case
        row("HexTextToNumber", "1G", "-");
        row("hexToByte", "1", "1");
        row("hexToByte", "80", "128");
        row("hexToByte", "ff", "255");  // lower case accepted
        for (const char *refused : {"", " 1", "G1", "100", "-1"})
            row("hexToByte", QLatin1String(refused), "-");
        row("encodePurseValue", "10000", "10270000");
        row("encodePurseValue", "16777216", "00000001");
        row("encodePurseValue", "0000000255", "FF000000");
        row("encodePurseValue", " 42 ", "2A000000");
        for (const QString &refused : {QStringLiteral("  "), QStringLiteral("-1"), QStringLiteral("1 2"), QString::fromUtf8("１")})
            row("encodePurseValue", refused, "-");
        row("decodePurseValue", "10270000", "10000");
        row("decodePurseValue", "00000000", "0");
        row("decodePurseValue", "FFFFFFFF", "4294967295");  // unsigned
        row("decodePurseValue", "01020304", "67305985");    // LSB first
        row("parseApduText", "00a4", "00A4");              // lower case pasted
        row("parseApduText", "00  ", "-");                 // a pair of blanks
        row("parseApduText", " A", "0A");                  // a blank in a pair is trimmed
        row("parseApduText", QString(2 * 65532, QLatin1Char('0')), QByteArray(65532, '\0').toHex().constData());
        row("parseApduText", QString(2 * 65533, QLatin1Char('0')), "-");  // more than one frame holds
    }
    void conversion()
    {
        QFETCH(QString, helper);
        QFETCH(QString, in);
        QFETCH(QString, out);
        QString got = QStringLiteral("-");
        if (helper == QLatin1String("DoubleType")) {
            got = DoubleType(in);
        } else if (helper == QLatin1String("PadBinary8")) {
            got = PadBinary8(in);
        } else if (helper == QLatin1String("HexTextToNumber")) {
            if (const auto n = HexTextToNumber(in))
                got = QString::number(*n, 'f', 0);
        } else if (helper == QLatin1String("hexToByte")) {
            if (const auto b = mdq::hexToByte(in))
                got = QString::number(*b);
        } else if (helper == QLatin1String("decodePurseValue")) {
            got = decodePurseValue(QByteArray::fromHex(in.toLatin1()));
        } else if (const auto b = helper == QLatin1String("encodePurseValue") ? encodePurseValue(in) : parseApduText(in)) {
            got = QString::fromLatin1(b->toHex().toUpper());
        }
        QCOMPARE(got, out);
    }

    // ---- Negative replies decoded into the operator's message ----

    void showErrorCode_data()
    {
        QTest::addColumn<char>("e1");
        QTest::addColumn<char>("e0");
        QTest::addColumn<QString>("text");  // empty: no message at all
        QTest::newRow("06 reserved") << '0' << '6' << "--------";
        QTest::newRow("64 curly quotes") << '6' << '4' << QString::fromUtf8("IC card communication error (Other than \u201c63\u201d)");
        QTest::newRow("a0 lower case") << 'a' << '0' << "";
        QTest::newRow("blank then 1 is code 1") << ' ' << '1' << "";
        QTest::newRow("zero bytes") << '\0' << '\0' << "";
    }
    void showErrorCode()
    {
        QFETCH(char, e1);
        QFETCH(char, e0);
        QFETCH(QString, text);
        RecordingPrompter p;
        const bool shown = ShowErrorCode(p, quint8(e1), quint8(e0));
        QCOMPARE(shown, !text.isEmpty());
        if (text.isEmpty()) {
            QVERIFY(p.shown().isEmpty());
            return;
        }
        const QString title = QStringLiteral("Negative response:") + QChar(e1) + QChar(e0);
        QCOMPARE(p.shown(), (QList<Shown>{{Icon::Information, title, text}}));
    }

    void everyTableCodeHasAMessage()
    {
        // The reader's code families: 00-69 (with gaps filled as reserved), 80, 81, A0, A1, B0.
        int found = 0;
        for (int i = 0; i <= 99; ++i)
            found += errorCodeMessage(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'))).has_value();
        QCOMPARE(found, 70 + 2);  // 00..69 and 80, 81
        for (const char *c : {"A0", "A1", "B0"})
            QVERIFY(errorCodeMessage(QString::fromLatin1(c)).has_value());
        QVERIFY(!errorCodeMessage(QStringLiteral("82")).has_value());
    }

    // ---- The contactless pages: status words and sector geometry ----

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

    // ---- The unit configuration record decoded into the rows of ConfigForm ----

    // For each byte a value its table has and one it has not (the texts of the
    // values the reader sends by default: shortRecord... and reader_config.scn).
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
        add(4, 'C', 2, "Only supports RF Card Read/Write");
        add(4, 'e', 2, "");
        add(5, 'U', 3, "USB Interface");
        add(5, 'r', 3, "");  // exact comparison
        add(6, '1', 4, "There IC card contacts components, for the third-party ");
        add(6, '3', 4, "");
        add(7, '0', 5, "No RF Card Read/Write Module");
        add(7, '3', 5, "");
        add(8, '5', 6, "Support five SAM card operation");
        add(8, '6', 6, "");
        add(9, 0x30, 7, "Rub card issuer Components");
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

    // A record cut short: the rows of the missing bytes stay empty ("+": a
    // row shown); the software code is shown as received.
    void shortRecord_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("none") << QByteArray() << "--------";
        QTest::newRow("identification only") << QByteArray("7") << "+-------";
        QTest::newRow("software code cut") << QByteArray("710") << "+-------";
        QTest::newRow("nine bytes") << QByteArray("7105ER222") << "+++++++-";
    }
    void shortRecord()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const QStringList rows = mdq::decodeConfig(bytes);
        QString mask;
        for (const QString &row : rows)
            mask += row.isEmpty() ? QLatin1Char('-') : QLatin1Char('+');
        QCOMPARE(mask, shown);
        QCOMPARE(mdq::decodeConfig(QByteArray("7A b ER2221")).at(1), QStringLiteral("A b"));
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

    // ---- The command table ----

    void tableHasNoRowTwice()
    {
        QSet<quint16> seen;
        for (const CommandInfo &c : commandTable()) {
            const quint16 key = quint16(c.cm << 8 | c.pm);
            QVERIFY2(!seen.contains(key), qPrintable(QStringLiteral("CM %1 PM %2 twice").arg(c.cm, 2, 16).arg(c.pm, 2, 16)));
            seen.insert(key);
        }
        QVERIFY(commandTable().size() >= 40);
        QSet<quint32> subs;
        for (const SubCommandInfo &s : subCommandTable()) {
            const quint32 key = quint32(s.cm) << 16 | quint32(s.pm) << 8 | s.code;
            QVERIFY2(!subs.contains(key), s.name);
            subs.insert(key);
        }
        QSet<quint8> families;
        for (const CommandFamily &f : commandFamilies()) {
            QVERIFY2(!families.contains(f.cm), f.name);
            families.insert(f.cm);
        }
        // Names distinct, every request in its family, every sub-command carried by a request.
        QSet<QString> names;
        for (const CommandInfo &c : commandTable()) {
            const QString name = QString::fromLatin1(c.name);
            QVERIFY(!name.isEmpty());
            QVERIFY2(!names.contains(name), c.name);
            names.insert(name);
            QVERIFY2(findFamily(c.cm), c.name);
        }
        for (const SubCommandInfo &s : subCommandTable()) {
            const QString name = QString::fromLatin1(s.name);
            QVERIFY2(!names.contains(name), s.name);
            names.insert(name);
            QVERIFY2(findCommand(s.cm, s.pm), s.name);  // carried by a request of the table
        }
        // Pairs and codes the tool never sends are not found.
        QVERIFY(!findCommand(0x32, 0x34));
        QVERIFY(!findFamily(0x99));
        QVERIFY(!findSubCommand(0x60, 0x34, 0xB0));
    }

    // The bytes each constant stands for are in the frames written out byte by
    // byte in widgets/tst_commands and the sim tests; here, the names.
    void requestName_data()
    {
        QTest::addColumn<QByteArray>("request");  // CM, PM, data
        QTest::addColumn<QString>("name");
        auto row = [](const char *what, const char *hex, const char *name) {
            QTest::newRow(what) << QByteArray::fromHex(hex) << QString::fromLatin1(name);
        };
        row("sub-command", "6033" "00B0010001", "Mifare read block");
        row("sub-command of another request", "5334" "0024010002FFFF", "SLE4428 change PSC");
        row("request", "3130", "Card status");
        row("data on a request without sub-commands", "3130" "0020", "Card status");
        row("Mifare request without its leading 00h", "6033" "B0", "Mifare command");
        row("leading byte not 00h", "6033" "01B0", "Mifare command");
        row("sub-command the request does not carry", "5333" "0024", "SLE4442 command");
        row("family", "3234", "Move card, PM 34h");
        row("another family", "520A", "SAM card, PM 0Ah");
        row("unknown", "9930", "Unknown command, CM 99h PM 30h");
    }
    void requestName()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, name);
        QCOMPARE(mdq::requestName(quint8(request[0]), quint8(request[1]), request.mid(2)), name);
    }

    // ---- Transcript strings and the script prompter ----

    void escaping_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("plain") << "Card jam" << "Card jam";
        QTest::newRow("crlf") << "a\r\nb" << "a\\r\\nb";
        QTest::newRow("quote and backslash") << "say \"x\\y\"" << "say \\\"x\\\\y\\\"";
        QTest::newRow("control bytes") << QString(QChar(0x01)) + QChar(0x1F) + QChar(0x7F) << "\\x01\\x1F\\x7F";
        QTest::newRow("tab is not special") << "\t" << "\\x09";
        QTest::newRow("unicode kept") << QString::fromUtf8("\u201c63\u201d") << QString::fromUtf8("\u201c63\u201d");
    }
    void escaping()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(escapeForTranscript(in), out);
    }

    void promptsAreRecordedAndAnswered()
    {
        QStringList lines;
        Transcript t([&lines](const QString &l) { lines << l; });
        ScriptPrompter p(t);
        p.message(Icon::Information, QStringLiteral("Card Status"), QStringLiteral("a\r\nb"));
        QVERIFY(p.askOkCancel(Icon::Question, QStringLiteral("Q"), QStringLiteral("sure?")));  // OK by default
        p.queueAnswer(false);
        QVERIFY(!p.askOkCancel(Icon::Exclamation, QStringLiteral("Q"), QStringLiteral("again?")));
        QCOMPARE(lines, (QStringList{"message information \"Card Status\" \"a\\r\\nb\"", "message question \"Q\" \"sure?\"",
                                     "answer OK", "message exclamation \"Q\" \"again?\"", "answer Cancel"}));
        t.mute();
        p.message(Icon::None, QStringLiteral("x"), QStringLiteral("y"));
        QCOMPARE(lines.size(), 5);
    }

    void saveDialogAnswers()
    {
        Transcript t([](const QString &) {});
        ScriptPrompter p(t);
        QVERIFY(!p.askSaveFile({}).has_value());  // nothing queued: cancelled
        p.queueSaveAs(QStringLiteral("/tmp/trace"));
        p.queueSaveAs(QString());
        const auto first = p.askSaveFile({QString(), QString(), QString(), QStringLiteral("TXT"), QString(), QString()});
        QVERIFY(first.has_value());
        QCOMPARE(first->fullPath, QStringLiteral("/tmp/trace.TXT"));
        QCOMPARE(first->fileName, QStringLiteral("trace.TXT"));
        QVERIFY(!p.askSaveFile({}).has_value());
    }
};

QTEST_GUILESS_MAIN(TestDecoding)
#include "tst_decoding.moc"
