// qtest820 ... card ACTION, run as a bench script runs it: key search, dump,
// restore and compare against the in-process virtual reader (--simulate
// --sim "chip ..."), a restore followed by a dump over a real pseudo-terminal
// to mdq820-sim, the confirmations, and the exit codes 0/1/2/3.

#include "cards/card_files.h"
#include "support/program_run.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cards/mifare_classic.h>

using namespace mdqtest;
using namespace mdq::cards;

namespace {

const QString SecretKeys = QStringLiteral("# the sector 5 keys\n5A1B2C3D4E5F\n6C7D8E9FA0B1  # Key B\n");

ProgramRun card(const QString &chip, const QStringList &args, const QByteArray &input = {})
{
    QStringList all{QStringLiteral("--simulate")};
    if (!chip.isEmpty())
        all << QStringLiteral("--sim")
            << QStringLiteral("chip ") + (chip.startsWith(QLatin1String("ic ")) ? chip : QStringLiteral("rf ") + chip);
    all << QStringLiteral("card") << QStringLiteral("--port") << QStringLiteral("COM1") << args;
    ProgramOptions o;
    o.input = input;
    return runProgram(all, o);
}

// What the virtual reader's s50-keys card holds, block by block.
QList<QByteArray> mixedKeysCard()
{
    sim::MifareClassic c(sim::MifareClassic::Model::S50);
    c.stageMixedKeys();
    QList<QByteArray> blocks;
    for (int s = 0; s < 16; ++s) {
        for (int b = 0; b < 4; ++b)
            blocks << c.block(s, b);
    }
    return blocks;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

class TestCardCommand : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        write(path("secret.keys"), SecretKeys.toLatin1());
    }

    void keySearchFindsEverySectorsKeysButTheSecretOne()
    {
        const ProgramRun r = card(QStringLiteral("s50-keys"), {"mf-keys", "--key-file", path("found.keys")});
        QCOMPARE(r.code, 0);
        const QStringList rows = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 17);
        QCOMPARE(rows.at(0), QStringLiteral("Sector  Key A         Key B"));
        QCOMPARE(rows.at(2), QStringLiteral("     1  A0A1A2A3A4A5  B0B1B2B3B4B5"));
        QCOMPARE(rows.at(5), QStringLiteral("     4  000000000000  AABBCCDDEEFF"));
        QCOMPARE(rows.at(6), QStringLiteral("     5  ------------  ------------"));
        QVERIFY(r.err.contains(QStringLiteral("Key search: sector 15 of 16")));
        QVERIFY(r.err.contains(QStringLiteral("warning: 2 keys not found, written as FFFFFFFFFFFF")));
        const QByteArray keys = readAll(path("found.keys"));
        QCOMPARE(keys.size(), 192);
        QCOMPARE(keys.mid(6, 6).toHex().toUpper(), QByteArray("A0A1A2A3A4A5"));   // Key A of sector 1
        QCOMPARE(keys.mid(96 + 24, 6).toHex().toUpper(), QByteArray("AABBCCDDEEFF"));  // Key B of sector 4
        QCOMPARE(keys.mid(30, 6), QByteArray(6, char(0xFF)));  // not found

        // With the key file, every sector opens.
        const ProgramRun all = card(QStringLiteral("s50-keys"), {"mf-keys", "--keys", path("secret.keys")});
        QVERIFY(all.out.contains(QStringLiteral("     5  5A1B2C3D4E5F  6C7D8E9FA0B1")));
    }

    // Each format holds the card as it is (keys in the trailers); a sector
    // no key opens is left out of .json and .mct, refused by .bin without --partial.
    void dumpsHoldTheCard_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("withSecret");
        QTest::addColumn<bool>("partial");
        QTest::addColumn<int>("code");
        QTest::newRow("json, all keys") << "all.json" << true << false << 0;
        QTest::newRow("mct, all keys") << "all.mct" << true << false << 0;
        QTest::newRow("eml, all keys") << "all.eml" << true << false << 0;
        QTest::newRow("bin, all keys") << "all.bin" << true << false << 0;
        QTest::newRow("json, sector 5 unknown") << "some.json" << false << false << 0;
        QTest::newRow("mct, sector 5 unknown") << "some.mct" << false << false << 0;
        QTest::newRow("bin, sector 5 unknown") << "some.bin" << false << false << 1;
        QTest::newRow("bin, --partial") << "zeros.bin" << false << true << 0;
    }
    void dumpsHoldTheCard()
    {
        QFETCH(QString, name);
        QFETCH(bool, withSecret);
        QFETCH(bool, partial);
        QFETCH(int, code);
        QStringList args{"mf-dump", "--out", dir.filePath(name)};
        if (withSecret)
            args << "--keys" << path("secret.keys");
        if (partial)
            args << "--partial";
        const ProgramRun r = card(QStringLiteral("s50-keys"), args);
        QCOMPARE(r.code, code);
        if (code) {
            QVERIFY(r.err.contains(QStringLiteral("sector 5 not read")));
            QVERIFY(!QFile::exists(dir.filePath(name)));
            return;
        }
        const DumpParse p = readDump(dir.filePath(name));
        QVERIFY2(p.error.isEmpty(), qPrintable(p.error));
        const QList<QByteArray> card = mixedKeysCard();
        for (int b = 0; b < 64; ++b) {
            const bool hidden = !withSecret && b >= 20 && b < 24;
            const QByteArray expected = !hidden ? card.at(b) : partial ? QByteArray(16, '\0') : QByteArray();
            QVERIFY2(p.mifare.blocks.at(b) == expected, qPrintable(QStringLiteral("block %1").arg(b)));
        }
        QCOMPARE(p.mifare.keyA.at(3).toHex().toUpper(), QByteArray("4D3A99C351DD"));
        if (!withSecret)
            QVERIFY(r.err.contains(QStringLiteral("warning: 1 sector opened by no key")));
        if (name.endsWith(QLatin1String(".json")))
            QVERIFY(readAll(dir.filePath(name)).contains("\"ATQA\": \"0400\""));
    }

    // A restore writes the data blocks and reads each back; trailers and
    // block 0 only after the confirmation, which --yes gives and a
    // standard input that is not a terminal cannot.
    void restoreWritesAndVerifies()
    {
        QVERIFY(card(QStringLiteral("s50"), {"mf-dump", "--out", path("fresh.json")}).code == 0);
        DumpParse p = readDump(path("fresh.json"));
        p.mifare.blocks[4] = QByteArray(16, char(0x44));
        p.mifare.blocks[7] = QByteArray::fromHex("A0A1A2A3A4A5FF078069B0B1B2B3B4B5");
        write(path("changed.json"), writeMifare(p.mifare, DumpFormat::Json).bytes);

        const ProgramRun data = card(QStringLiteral("s50"), {"mf-restore", path("changed.json")});
        QCOMPARE(data.code, 0);
        QCOMPARE(data.out, QStringLiteral("47 blocks written and verified\n"));

        const ProgramRun refused = card(QStringLiteral("s50"), {"mf-restore", path("changed.json"), "--trailers"});
        QCOMPARE(refused.code, 1);
        QVERIFY(refused.err.contains(QStringLiteral("a wrong trailer locks its sector for good")));
        QVERIFY(refused.err.contains(QStringLiteral("standard input is not a terminal (give --yes to confirm)")));
        QVERIFY(refused.out.isEmpty());

        const ProgramRun trailers = card(QStringLiteral("s50"), {"mf-restore", path("changed.json"), "--trailers", "--yes"});
        QCOMPARE(trailers.code, 0);
        QCOMPARE(trailers.out, QStringLiteral("63 blocks written and verified\n"));

        // A trailer whose access bits contradict their copies would lock the
        // sector for good: not written, reported, the sector still opens.
        p.mifare.blocks[11] = QByteArray::fromHex("FFFFFFFFFFFFFF070069FFFFFFFFFFFF");
        write(path("badbits.json"), writeMifare(p.mifare, DumpFormat::Json).bytes);
        const ProgramRun bad = card(QStringLiteral("s50"), {"mf-restore", path("badbits.json"), "--trailers", "--yes"});
        QCOMPARE(bad.code, 1);
        QVERIFY(bad.out.startsWith(QStringLiteral("Block 11 (sector 2): trailer not written, its access bits FF0700 "
                                                  "contradict their inverted copies and would lock the sector\n")));
        QVERIFY(bad.out.endsWith(QStringLiteral("62 blocks written and verified, 1 problem\n")));

        // Block 0 is refused by the card: reported, exit 1.
        const ProgramRun block0 = card(QStringLiteral("s50"), {"mf-restore", path("changed.json"), "--block0", "--yes"});
        QCOMPARE(block0.code, 1);
        QVERIFY(block0.out.startsWith(QStringLiteral("Block 0 (sector 0): the card refused the write\n")));

        // A dump of the other kind is not written at all.
        const ProgramRun kind = card(QStringLiteral("s70"), {"mf-restore", path("changed.json")});
        QCOMPARE(kind.code, 1);
        QVERIFY(kind.err.contains(QStringLiteral("The dump is of an S50 card, the card is an S70: nothing written")));
    }

    // Over a real pseudo-terminal to mdq820-sim, so the card lives on between
    // runs: a restore followed by a dump gives the file restored, and the
    // card compares equal to it.
    void restoreThenDumpGivesTheOriginalOverAPty()
    {
        QProcess sim;
        sim.start(qEnvironmentVariable("MDQ820_SIM_BINARY"), {});
        QVERIFY(sim.waitForStarted());
        QVERIFY(sim.waitForReadyRead(5000));
        const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
        sim.write("chip rf s50-keys\n");
        QVERIFY(sim.waitForReadyRead(5000));
        QVERIFY(sim.readLine().startsWith("ok"));
        const QStringList map{"--map", "COM3=" + device, "card", "--port", "COM3"};

        QVERIFY(runProgram(map + QStringList{"mf-dump", "--out", path("pty.mct"), "--keys", path("secret.keys")}).code == 0);
        DumpParse original = readDump(path("pty.mct"));
        original.mifare.blocks[21] = QByteArray(16, char(0x21));  // in the secret sector
        original.mifare.blocks[1] = QByteArray(16, char(0x01));
        write(path("pty-changed.eml"), writeMifare(original.mifare, DumpFormat::Eml).bytes);

        const ProgramRun before = runProgram(map + QStringList{"mf-compare", path("pty-changed.eml"), "--keys", path("secret.keys")});
        QCOMPARE(before.code, 3);
        QVERIFY(before.out.startsWith(QStringLiteral("Block 1: ")));
        QVERIFY(before.out.contains(QStringLiteral("\nBlock 21: ")));
        QVERIFY(before.out.endsWith(QStringLiteral("2 differing\n")));

        // The restore finds the secret sector's keys in the dump itself.
        const ProgramRun restore = runProgram(map + QStringList{"mf-restore", path("pty-changed.eml")});
        QCOMPARE(restore.code, 0);
        QVERIFY(runProgram(map + QStringList{"mf-dump", "--out", path("pty-after.json"), "--keys", path("secret.keys")}).code == 0);
        QCOMPARE(readDump(path("pty-after.json")).mifare.blocks, original.mifare.blocks);
        const ProgramRun after = runProgram(map + QStringList{"mf-compare", path("pty-changed.eml"), "--keys", path("secret.keys")});
        QCOMPARE(after.code, 0);
        QCOMPARE(after.out, QStringLiteral("No differences\n"));
        sim.closeWriteChannel();
        QVERIFY(sim.waitForFinished(5000));
    }

    void ultralightAndMemoryCardsRoundTrip()
    {
        const ProgramRun ul = card(QStringLiteral("ultralight"), {"ul-dump", "--out", path("u.bin")});
        QCOMPARE(ul.code, 0);
        QCOMPARE(readAll(path("u.bin")).size(), 64);
        QCOMPARE(card(QStringLiteral("ultralight"), {"ul-restore", path("u.bin")}).out,
                 QStringLiteral("12 pages written and verified\n"));
        const ProgramRun all = card(QStringLiteral("ultralight"), {"ul-restore", path("u.bin"), "--all"});
        QCOMPARE(all.code, 1);
        QVERIFY(all.err.contains(QStringLiteral("lock and one-time bits can never be cleared again")));

        QCOMPARE(card(QStringLiteral("ic sle4442"), {}).code, 2);  // no action: bad usage
        auto memory = [](const QStringList &args) {
            return runProgram(QStringList{"--simulate", "--sim", "chip ic sle4442", "card", "--port", "COM1"} + args);
        };
        QCOMPARE(memory({"mem-dump", "--type", "sle4442", "--out", path("m.hex")}).code, 0);
        QByteArray hex = readAll(path("m.hex"));
        QVERIFY(hex.startsWith("0000: A2 13 10 91 FF"));
        hex.replace("0000: A2 13 10 91 FF", "0000: A2 13 10 91 5A");
        write(path("m.hex"), hex);
        const ProgramRun written = memory({"mem-write", path("m.hex"), "--type", "sle4442"});
        QCOMPARE(written.code, 0);
        QCOMPARE(written.out, QStringLiteral("256 bytes written and verified\n"));
        // Bytes 0-3 are protected on a new card: changing one is refused by address.
        hex.replace("0000: A2", "0000: A3");
        write(path("m.hex"), hex);
        const ProgramRun prot = memory({"mem-write", path("m.hex"), "--type", "sle4442"});
        QCOMPARE(prot.code, 1);
        QVERIFY(prot.err.contains(QStringLiteral("The byte at 0000h is protected and would change (A2h to A3h): nothing written")));
        // A memory dump compared with another: rows of 16 bytes.
        QCOMPARE(memory({"mem-dump", "--type", "sle4442", "--out", path("m2.bin")}).code, 0);
        const ProgramRun rows = runProgram({"card", "compare", path("m.hex"), path("m2.bin")});
        QCOMPARE(rows.code, 3);
        QCOMPARE(rows.out, QStringLiteral("Row 0: A31310915A%1 / A2131091FF%1\n1 differing\n").arg(QString(22, QLatin1Char('F'))));
        const ProgramRun psc = memory({"mem-write", path("m.hex"), "--type", "sle4442", "--psc", "123456"});
        QCOMPARE(psc.code, 1);
        QVERIFY(psc.err.contains(QStringLiteral("The PSC 123456 was refused (6F01)")));
    }

    void comparingTwoDumpsAndBadUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("same card, two formats") << QStringList{"compare", "all.json", "all.bin"} << 0 << "No differences";
        QTest::newRow("unknown sector not compared") << QStringList{"compare", "all.mct", "some.json"} << 0
                                                     << "No differences (4 not compared: unknown on one side)";
        QTest::newRow("differences") << QStringList{"compare", "all.json", "zeros.bin"} << 3 << "4 differing";
        QTest::newRow("kinds") << QStringList{"compare", "all.json", "u.bin"} << 1 << "not the same kind";
        QTest::newRow("no file") << QStringList{"compare", "all.json", "nothing.bin"} << 1 << "no such file";
        QTest::newRow("no action") << QStringList{"--port", "COM1"} << 2 << "card needs an action";
        QTest::newRow("unknown action") << QStringList{"mf-erase"} << 2 << "unknown card action 'mf-erase'";
        QTest::newRow("no port") << QStringList{"mf-keys"} << 2 << "mf-keys needs --port COMn";
        QTest::newRow("dump format") << QStringList{"mf-dump", "--port", "COM1", "--out", "x.txt"} << 2 << "ends in .json";
        QTest::newRow("option of another action") << QStringList{"mf-keys", "--port", "COM1", "--trailers"} << 2
                                                  << "--trailers does not go with mf-keys";
        QTest::newRow("memory type") << QStringList{"mem-dump", "--port", "COM1", "--type", "sle9999", "--out", "a.bin"}
                                     << 2 << "--type is one of sle4442";
        QTest::newRow("PSC of a card without one") << QStringList{"mem-write", "a.bin", "--port", "COM1", "--type", "at24c02", "--psc", "FFFF"}
                                                   << 2 << "--psc goes with sle4442 and sle4428, not at24c02";
        QTest::newRow("PSC length") << QStringList{"mem-write", "a.bin", "--port", "COM1", "--type", "sle4428", "--psc", "FFFFFF"}
                                    << 2 << "--psc is 4 hex digits for sle4428";
    }
    void comparingTwoDumpsAndBadUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, text);
        for (QString &a : args) {
            if (a.contains(QLatin1Char('.')) && !a.startsWith(QLatin1String("x.")) && !a.startsWith(QLatin1String("a.")))
                a = dir.filePath(a);
        }
        const ProgramRun r = runProgram(QStringList{"card"} + args);
        QCOMPARE(r.code, code);
        QVERIFY2((r.out + r.err).contains(text), qPrintable(r.out + r.err));
    }
};

QTEST_GUILESS_MAIN(TestCardCommand)
#include "tst_card_command.moc"
