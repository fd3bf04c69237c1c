// The control language: parsing, answers, and the state each command changes.

#include "control_interpreter.h"

#include <QtTest>

using namespace sim;

class TstControlInterpreter : public QObject
{
    Q_OBJECT

private:
    ReaderModel model;
    FaultPlan faults;
    LinkSettings link;

    QString run(const QString &line)
    {
        ControlInterpreter interpreter(model, faults, link);
        return interpreter.execute(line);
    }

private Q_SLOTS:
    void init()
    {
        model = ReaderModel();
        faults.clear();
        link = LinkSettings();
    }

    void answers_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("answer");
        auto row = [](const char *line, const char *answer) {
            QTest::newRow(line) << QString::fromLatin1(line) << QString::fromLatin1(answer);
        };
        row("insert", "ok card at the front");
        row("insert\r\n", "ok card at the front");
        row("insert now", "error: usage: insert");
        row("take", "error: no card at the front");
        row("jam", "error: no card in the channel");
        row("unjam", "ok");
        row("stacker low", "ok stacker low");
        row("stacker half", "error: stacker level is empty, low or full");
        row("bin full", "ok bin full");
        row("bin", "error: usage: bin full|empty");
        row("entry prohibited", "ok entry prohibited");
        row("entry closed", "error: entry is allowed or prohibited");
        row("sensor 12 1", "ok sensors 000000000001");
        row("sensor 1 1", "ok sensors 100000000000");
        row("sensor 13 1", "error: usage: sensor N 0|1 with N from 1 to 12");
        row("sensor 0 1", "error: usage: sensor N 0|1 with N from 1 to 12");
        row("sensor 2 on", "error: usage: sensor N 0|1 with N from 1 to 12");
        row("sensors 010000000010", "ok sensors 010000000010");
        row("sensors 0100", "error: twelve characters 0 or 1 expected");
        row("counter 7", "ok counter 007");
        row("counter 999", "ok counter 999");
        row("counter 1000", "error: counter is 0 to 999 (up to three digits)");
        row("counter 1a", "error: counter is 0 to 999 (up to three digits)");
        row("serial  SN 7 ", "ok serial \" SN 7 \"");
        row("serial", "ok serial \"\"");
        row("config 7105ER2221", "ok config \"7105ER2221\"");
        row("config 7105ER222", "error: the configuration is exactly ten characters");
        row("version V 2.0", "ok version \"V 2.0\"");
        row("address F", "ok address F");
        row("address b", "ok address B");
        row("address 10", "error: the address is one hex digit 0..F");
        row("address G", "error: the address is one hex digit 0..F");
        row("baud 19200", "ok baud 19200");
        row("baud 12345", "error: unsupported baud rate \"12345\"");
        row("pace on", "ok pace on");
        row("pace maybe", "error: pace is on or off");
        row("fault nak", "ok fault nak");
        row("fault header-only once", "ok fault header-only once");
        row("fault nak twice", "error: unknown fault \"nak twice\"");
        row("fault delay 40", "ok fault delay 40");
        row("fault delay", "error: usage: fault delay MS (0 to 999999)");
        row("fault delay -5", "error: usage: fault delay MS (0 to 999999)");
        row("fault negative A1", "ok fault negative A1");
        row("fault negative A", "error: usage: fault negative CODE (two characters, e.g. 10 or A1)");
        row("fault bogus", "error: unknown fault \"bogus\"");
        row("fault oversize once", "ok fault oversize once");
        row("fault none", "ok fault none");
        row("fault", "error: usage: fault MODE [once]|delay MS|negative CODE|none");
        row("chip ic sle4442", "ok chip ic sle4442");
        row("chip ic sle4443", "error: unknown contact chip \"sle4443\" (known: sle4442 sle4428 at24c01 at24c02 "
                               "at24c04 at24c08 at24c16 at24c32 at24c64 at24c128 at24c256 at24c512 cpu-t0 cpu-t1 sam)");
        row("chip sam 3 sam", "ok chip sam 3 sam");
        row("chip rf s50", "ok chip rf s50");
        row("chip rf mystery",
            "error: unknown contactless chip \"mystery\" (known: s50 s70 ultralight type-a type-b)");
        row("chip ic none", "ok chip ic none");
        row("chip sam 8 none", "ok chip sam 8 none");
        row("chip sam 9 none", "error: SAM sockets are 1 to 8");
        row("chip sam none", "error: usage: chip ic|rf KIND|none, chip sam N KIND|none");
        row("chip usb none", "error: the slot is ic, rf or sam");
        row("", "error: empty command (try help)");
        row("   ", "error: empty command (try help)");
        row("dance", "error: unknown command \"dance\" (try help)");
        // Taking the card needs it free at the front; entry prohibited refuses a card.
        row("insert; insert", "error: there is already a card in the channel");
        row("insert; jam", "ok card jammed");
        row("insert; jam; take", "error: the card is jammed");
        row("insert; jam; unjam; take", "ok card taken");
        row("entry prohibited; insert", "error: card entry is prohibited");
    }

    void answers()
    {
        QFETCH(QString, line);
        QFETCH(QString, answer);
        // "a; b": the answer to b after a, on the same state.
        const QStringList lines = line.split(QStringLiteral("; "));
        for (const QString &earlier : lines.mid(0, lines.size() - 1))
            run(earlier);
        const QString got = run(lines.last());
        QCOMPARE(got, answer);
        QVERIFY(!got.contains(QLatin1Char('\n')));
    }

    // A serial number or version text must fit the host's 1025-byte reply
    // buffer (and never wrap the 16-bit LEN).
    void replyTextsFitTheReplyBuffer()
    {
        for (const char *command : {"serial", "version"}) {
            const QString c = QLatin1String(command);
            QVERIFY(run(c + ' ' + QString(1017, 'X')).startsWith(QLatin1String("ok")));
            for (int length : {1018, 65536})
                QVERIFY2(run(c + ' ' + QString(length, 'X')).startsWith(QLatin1String("error: ")), command);
            QVERIFY(run(c + ' ' + QString(1018, 'X')).contains(QLatin1String("at most 1017")));
        }
    }

    void commandsChangeTheState()
    {
        QCOMPARE(run(QStringLiteral("state")),
                 QStringLiteral("ok address=0 baud=9600 pace=off card=none jammed=no stacker=full bin=not-full "
                                "entry=allowed sensors=000000000000 counter=000 sam=1 fault=\"none\" "
                                "serial=\"MDQ820SIM0001\" config=\"7105ER2221\" version=\"MDQ-820 SIM V1.0\""));
        for (const char *line : {"insert", "jam", "stacker empty", "bin full", "entry prohibited", "sensor 3 1",
                                 "counter 42", "serial X1", "config 7105EU2101", "version V9", "address C",
                                 "baud 115200", "pace on", "fault silent once", "fault delay 15",
                                 "fault negative 10"}) {
            QVERIFY2(run(QString::fromLatin1(line)).startsWith(QLatin1String("ok")), line);
        }
        QCOMPARE(run(QStringLiteral("state")),
                 QStringLiteral("ok address=C baud=115200 pace=on card=front jammed=yes stacker=empty bin=full "
                                "entry=prohibited sensors=001000000000 counter=042 sam=1 "
                                "fault=\"silent once, delay 15, negative 10\" serial=\"X1\" config=\"7105EU2101\" "
                                "version=\"V9\""));
        QCOMPARE(model.address(), quint8(0x0C));
        QCOMPARE(faults.mode(), FaultMode::Silent);
        QVERIFY(faults.isOnce());
        QCOMPARE(link.baud, 115200);
        QVERIFY(link.pace);
    }

    void resetKeepsAddressAndLine()
    {
        run(QStringLiteral("address 7"));
        run(QStringLiteral("baud 38400"));
        run(QStringLiteral("insert"));
        run(QStringLiteral("counter 5"));
        run(QStringLiteral("fault nak"));
        QCOMPARE(run(QStringLiteral("reset")), QStringLiteral("ok power-on state"));
        QCOMPARE(model.address(), quint8(7));
        QCOMPARE(link.baud, 38400);
        QCOMPARE(model.cardPosition(), CardPosition::None);
        QCOMPARE(model.counter(), 0);
        QCOMPARE(faults.mode(), FaultMode::None);
    }

    void helpNamesEveryCommand()
    {
        const QString help = run(QStringLiteral("help"));
        QVERIFY(help.startsWith(QLatin1String("ok commands: insert, take,")));
        const QStringList entries = ControlInterpreter::commandHelp();
        QCOMPARE(entries.size(), 21);
        for (const QString &entry : entries) {
            const QString name = entry.section(QLatin1Char(' '), 0, 0).section(QLatin1Char('\n'), 0, 0);
            QVERIFY2(help.contains(name + QLatin1Char(',')) || help.contains(name + QLatin1Char(' ')),
                     qPrintable(name));
            QVERIFY2(!run(name).contains(QLatin1String("unknown command")), qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(TstControlInterpreter)
#include "tst_control_interpreter.moc"
