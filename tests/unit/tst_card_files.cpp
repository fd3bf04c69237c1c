// The card tools' files as pure functions: every dump format reads back to
// the blocks and keys it was written from (unknown sectors included where the
// format can say so), the JSON layout other tools read, key dictionaries,
// memory card hex files, and comparisons.

#include "cards/card_files.h"
#include "cards/key_dictionary.h"
#include "cards/memory_tools.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace mdq::cards;

namespace {

// Every data block different, keys per sector, trailers holding them, and
// one sector (5) no key opened.
MifareImage sampleImage(MifareKind kind)
{
    MifareImage image = MifareImage::empty(kind);
    image.uid = QByteArray::fromHex("A12B3C4D");
    for (int b = 0; b < blockCount(kind); ++b) {
        QByteArray data(BlockSize, '\0');
        for (int j = 0; j < BlockSize; ++j)
            data[j] = char(b * 5 + j * 17);
        image.blocks[b] = data;
    }
    // UID, BCC, SAK, ATQA as the card keeps them in block 0.
    image.blocks[0] = QByteArray::fromHex(kind == MifareKind::S50 ? "A12B3C4DFB0804006263646566676869"
                                                                  : "A12B3C4DFB1802006263646566676869");
    for (int s = 0; s < sectorCount(kind); ++s) {
        const QByteArray a(KeySize, char(s)), b(KeySize, char(0xB0 + s));
        image.keyA[s] = a;
        image.keyB[s] = b;
        image.blocks[firstBlock(s) + blocksIn(s) - 1] = a + QByteArray::fromHex("FF078069") + b;
    }
    for (int b = firstBlock(5); b < firstBlock(5) + 4; ++b)
        image.blocks[b].clear();
    image.keyA[5].clear();
    image.keyB[5].clear();
    return image;
}

}  // namespace

class TestCardFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFormatReadsBackToTheSameBlocksAndKeys_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("keepsUnknown");  // else written as zeros (--partial)
        for (const auto kind : {MifareKind::S50, MifareKind::S70}) {
            const char *k = kind == MifareKind::S50 ? "S50" : "S70";
            QTest::addRow("%s json", k) << int(kind) << int(DumpFormat::Json) << true;
            QTest::addRow("%s mct", k) << int(kind) << int(DumpFormat::Mct) << true;
            QTest::addRow("%s bin", k) << int(kind) << int(DumpFormat::Bin) << false;
            QTest::addRow("%s eml", k) << int(kind) << int(DumpFormat::Eml) << false;
        }
    }
    void everyFormatReadsBackToTheSameBlocksAndKeys()
    {
        QFETCH(int, kind);
        QFETCH(int, format);
        QFETCH(bool, keepsUnknown);
        const MifareImage image = sampleImage(MifareKind(kind));
        const auto f = DumpFormat(format);
        const QString name = QStringLiteral("dump.") + formatName(f);

        const FileBytes strict = writeMifare(image, f, false);
        QCOMPARE(strict.error.isEmpty(), keepsUnknown);  // .bin/.eml refuse a sector not read
        const FileBytes written = writeMifare(image, f, true);
        QVERIFY(written.error.isEmpty());
        QCOMPARE(written.warnings.isEmpty(), keepsUnknown);

        const DumpParse back = parseDump(written.bytes, name);
        QVERIFY2(back.error.isEmpty(), qPrintable(back.error));
        QCOMPARE(back.kind, DumpKind::Mifare);
        QCOMPARE(int(back.mifare.kind), kind);
        QCOMPARE(back.mifare.uid, image.uid);
        QCOMPARE(back.mifare.atqa, image.atqa);
        for (int b = 0; b < blockCount(image.kind); ++b) {
            const QByteArray expected = image.blocks.at(b).isEmpty() && !keepsUnknown ? QByteArray(BlockSize, '\0')
                                                                                      : image.blocks.at(b);
            QVERIFY2(back.mifare.blocks.at(b) == expected, qPrintable(QStringLiteral("block %1").arg(b)));
        }
        for (int s = 0; s < sectorCount(image.kind); ++s) {
            if (s == 5 && !keepsUnknown)
                continue;  // zeros stand for it
            QCOMPARE(back.mifare.keyA.at(s), image.keyA.at(s));
            QCOMPARE(back.mifare.keyB.at(s), image.keyB.at(s));
        }
        // Typed by content alone as well.
        const DumpParse byContent = parseDump(written.bytes, QStringLiteral("dump"));
        QCOMPARE(byContent.mifare.blocks, back.mifare.blocks);
    }

    void jsonIsLaidOutAsOtherToolsReadIt()
    {
        MifareImage image = sampleImage(MifareKind::S50);
        image.keyB[2].clear();  // found A only
        const QByteArray json = writeMifare(image, DumpFormat::Json).bytes;
        // Members in this order, blocks in number order ("10" after "9").
        QVERIFY(json.startsWith("{\n  \"Created\": \"qtest820\",\n  \"FileType\": \"mfc v2\",\n  \"Card\": {\n"
                                "    \"UID\": \"A12B3C4D\",\n    \"ATQA\": \"0400\",\n    \"SAK\": \"08\"\n  },\n"));
        QVERIFY(json.indexOf("\"9\": ") < json.indexOf("\"10\": "));
        const QJsonObject top = QJsonDocument::fromJson(json).object();
        const QJsonObject blocks = top.value("blocks").toObject();
        QCOMPARE(blocks.size(), 60);
        QVERIFY(!blocks.contains("20"));
        QCOMPARE(blocks.value("1").toString(), QString::fromLatin1(image.blocks[1].toHex().toUpper()));
        const QJsonObject keys = top.value("SectorKeys").toObject();
        QVERIFY(!keys.contains("5"));
        QCOMPARE(keys.value("2").toObject().keys(), (QStringList{"AccessConditions", "KeyA"}));
        QCOMPARE(keys.value("1").toObject().value("AccessConditions").toString(), QStringLiteral("FF078069"));
        QCOMPARE(MifareImage::empty(MifareKind::S70).atqa.toHex(), QByteArray("0200"));
    }

    void mctMarksWhatIsNotKnown()
    {
        MifareImage image = sampleImage(MifareKind::S50);
        image.keyB[1].clear();
        const QList<QByteArray> lines = writeMifare(image, DumpFormat::Mct).bytes.split('\n');
        QCOMPARE(lines.at(0), QByteArray("+Sector: 0"));
        QCOMPARE(lines.at(25), QByteArray("+Sector: 5"));
        QCOMPARE(lines.at(26), QByteArray(32, '-'));
        QCOMPARE(lines.at(9), QByteArray("010101010101FF078069------------"));
        const DumpParse back = parseDump(writeMifare(image, DumpFormat::Mct).bytes, "x.mct");
        QVERIFY(back.mifare.keyB.at(1).isEmpty());
        QCOMPARE(back.mifare.keyA.at(1), image.keyA.at(1));
    }

    void ultralightRoundTrips()
    {
        UltralightImage image = UltralightImage::empty();
        image.uid = QByteArray::fromHex("04516A721C2D80");
        for (int p = 0; p < UltralightPages; ++p)
            image.pages[p] = QByteArray(PageSize, char(p * 3 + 1));
        for (const auto f : {DumpFormat::Json, DumpFormat::Bin}) {
            const FileBytes written = writeUltralight(image, f);
            const DumpParse back = parseDump(written.bytes, QStringLiteral("u.") + formatName(f));
            QVERIFY2(back.error.isEmpty(), qPrintable(back.error));
            QCOMPARE(back.kind, DumpKind::Ultralight);
            QCOMPARE(back.ultralight.pages, image.pages);
        }
        QVERIFY(writeUltralight(image, DumpFormat::Json).bytes.contains("\"FileType\": \"mfu\""));
        QVERIFY(!writeUltralight(image, DumpFormat::Eml).error.isEmpty());
    }

    void badFilesAreRefusedWithTheirReason_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("bin of odd size") << QByteArray(1000, 'x') << "a.bin" << "1000 bytes";
        QTest::newRow("text named .bin") << QByteArray("{\"FileType\": \"mfc v2\"}") << "a.bin" << "text dump";
        QTest::newRow("eml line") << (QByteArray("00\n") + QByteArray(63 * 33, '0')) << "a.eml" << "lines";
        QTest::newRow("eml bad hex") << QByteArray(QByteArray(32, 'G') + "\n").repeated(64) << "a.eml" << "block 0";
        QTest::newRow("json type") << QByteArray("{\"FileType\": \"xyz\"}") << "a.json" << "FileType";
        QTest::newRow("json block") << QByteArray("{\"FileType\": \"mfc v2\", \"blocks\": {\"64\": \"00\"}}") << "a.json"
                                    << "block \"64\"";
        QTest::newRow("json broken") << QByteArray("{\"FileType\": ") << "a.json" << "not a JSON dump";
        QTest::newRow("mct sector size") << QByteArray("+Sector: 0\n" + QByteArray(32, '0') + "\n") << "a.mct"
                                         << "sector 0 has 1 blocks";
    }
    void badFilesAreRefusedWithTheirReason()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        QFETCH(QString, reason);
        const DumpParse p = parseDump(content, name);
        QVERIFY2(p.error.startsWith(name + QStringLiteral(": ")) && p.error.contains(reason), qPrintable(p.error));
    }

    void keyDictionariesTakeCommentsAndNameABadLine()
    {
        const KeyFileParse good = parseKeyText("# keys\n  a0a1a2a3a4a5   # inline\n\n\r\nFFFFFFFFFFFF\r\nA0A1A2A3A4A5\n", "k.dic");
        QVERIFY(good.error.isEmpty());
        QCOMPARE(good.keys, (QList<QByteArray>{QByteArray::fromHex("A0A1A2A3A4A5"), QByteArray::fromHex("FFFFFFFFFFFF")}));
        const KeyFileParse bad = parseKeyText("FFFFFFFFFFFF\n\nA0A1A2A3A4\n", "k.dic");
        QCOMPARE(bad.error, QStringLiteral("k.dic:3: not a key of 12 hex digits: \"A0A1A2A3A4\""));
        QVERIFY(bad.keys.isEmpty());
        QCOMPARE(builtinKeys().size(), 13);
        QCOMPARE(builtinKeys().first(), QByteArray(KeySize, char(0xFF)));

        int missing = 0;
        const QByteArray bytes = keyFileBytes({QByteArray(6, 'a'), {}}, {{}, QByteArray(6, 'd')}, &missing);
        QCOMPARE(missing, 2);
        QCOMPARE(bytes, QByteArray(6, 'a') + QByteArray(6, char(0xFF)) + QByteArray(6, char(0xFF)) + QByteArray(6, 'd'));
    }

    void memoryHexFilesRoundTripAndNameABadLine()
    {
        const auto type = *memoryCardType(QStringLiteral("sle4442"));
        QByteArray data(type.size, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = char(i * 7);
        const QByteArray text = memoryHexText(data);
        QVERIFY(text.startsWith("0000: 00 07 0E 15"));
        QCOMPARE(text.count('\n'), 16);
        QCOMPARE(parseMemoryFile(text, "m.hex", type).data, data);
        QByteArray broken = text;
        broken.replace("0020:", "0030:");
        QCOMPARE(parseMemoryFile(broken, "m.hex", type).error, QStringLiteral("m.hex:3: not \"ADDRESS: BYTE ...\" continuing at 0020"));
        QVERIFY(parseMemoryFile(QByteArray(100, 'x'), "m.bin", type).error.contains(QStringLiteral("100 bytes")));
    }

    void comparisonListsDifferingBlocksWithBothValues()
    {
        const MifareImage a = sampleImage(MifareKind::S50);
        MifareImage b = a;
        b.blocks[4] = QByteArray(BlockSize, char(0x11));
        b.blocks[21] = QByteArray(BlockSize, '\0');  // unknown in a: not compared
        const Comparison c = compareBlocks(a.blocks, b.blocks);
        QCOMPARE(c.differences.size(), 1);
        QCOMPARE(c.differences.first().block, 4);
        QCOMPARE(c.notCompared, 4);
        QVERIFY(comparisonText(c).startsWith(QStringLiteral("Block 4: %1 / 11111111111111111111111111111111\n")
                                                 .arg(QString::fromLatin1(a.blocks[4].toHex().toUpper()))));
        QVERIFY(!compareBlocks(a.blocks, MifareImage::empty(MifareKind::S70).blocks).mismatch.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCardFiles)
#include "tst_card_files.moc"
