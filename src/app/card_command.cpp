#include "platform/safe_file.h"
#include "app/card_command.h"

#include "cards/card_files.h"
#include "cards/key_dictionary.h"
#include "cards/memory_tools.h"
#include "cards/mifare_tools.h"
#include "link/execute_command.h"
#include "link/shared_state.h"
#include "link/traffic_log.h"
#include "platform/clock.h"
#include "platform/qt_serial_port.h"
#include "setup/link_test.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace mdq {

using namespace cards;

namespace {

const QStringList kActions = {
    QStringLiteral("mf-keys"),  QStringLiteral("mf-dump"),    QStringLiteral("mf-restore"), QStringLiteral("mf-compare"),
    QStringLiteral("ul-dump"),  QStringLiteral("ul-restore"), QStringLiteral("mem-dump"),   QStringLiteral("mem-write"),
    QStringLiteral("compare"),
};

// How many file arguments each action takes, and which options go with it.
struct ActionRule
{
    const char *action;
    int files;
    const char *options;  // space-separated
};

const ActionRule kRules[] = {
    {"mf-keys", 0, "--keys --key-file"},
    {"mf-dump", 0, "--out --keys --partial"},
    {"mf-restore", 1, "--keys --trailers --block0 --yes"},
    {"mf-compare", 1, "--keys"},
    {"ul-dump", 0, "--out"},
    {"ul-restore", 1, "--all --yes"},
    {"mem-dump", 0, "--type --out"},
    {"mem-write", 1, "--type --psc"},
    {"compare", 2, ""},
};

void err(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

void out(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}


// The question on the terminal, or --yes; refused when nobody can answer.
Confirm makeConfirm(bool yes)
{
    return [yes](const QString &question) {
        if (yes)
            return true;
#ifdef Q_OS_UNIX
        if (!::isatty(0)) {
            err(QString(question).replace(QLatin1Char('\n'), QLatin1Char(' '))
                + QStringLiteral("\nNot confirmed: standard input is not a terminal (give --yes to confirm)"));
            return false;
        }
#endif
        std::fprintf(stderr, "%s\nType yes to go on: ", qPrintable(question));
        std::fflush(stderr);
        char line[64] = {};
        if (!std::fgets(line, sizeof line, stdin))
            return false;
        return QByteArray(line).trimmed().toLower() == "yes";
    };
}

struct Dictionary
{
    QList<QByteArray> keys;
    QString error;
};

Dictionary loadDictionary(const QStringList &files)
{
    Dictionary d;
    d.keys = builtinKeys();
    for (const QString &f : files) {
        const KeyFileParse p = readKeyFile(f);
        if (!p.error.isEmpty()) {
            d.error = p.error;
            return d;
        }
        appendKeys(d.keys, p.keys);
    }
    return d;
}

QList<QByteArray> pageList(const UltralightImage &image)
{
    return image.pages;
}

// The two dumps' blocks side by side, or why they cannot be.
Comparison compareDumps(const DumpParse &a, const DumpParse &b)
{
    if (a.kind != b.kind) {
        Comparison c;
        c.mismatch = QStringLiteral("A Mifare Classic dump and an Ultralight dump: not the same kind of card");
        return c;
    }
    return a.kind == DumpKind::Mifare ? compareBlocks(a.mifare.blocks, b.mifare.blocks)
                                      : compareBlocks(pageList(a.ultralight), pageList(b.ultralight));
}

int finishComparison(const Comparison &c, const QString &unit)
{
    out(comparisonText(c, unit));
    if (!c.mismatch.isEmpty())
        return cardexit::Failed;
    return c.differences.isEmpty() ? cardexit::Done : cardexit::Differences;
}

int reportRestore(const std::optional<RestoreReport> &report, CardSession &session, const QString &unit)
{
    if (!report) {
        if (session.failed())
            err(session.error());
        return cardexit::Failed;
    }
    for (const QString &p : report->problems)
        out(p + QLatin1Char('\n'));
    out(QStringLiteral("%1 %2%3 written and verified").arg(report->written).arg(unit).arg(report->written == 1 ? "" : "s")
        + (report->problems.isEmpty() ? QString() : QStringLiteral(", %1 problem%2").arg(report->problems.size()).arg(report->problems.size() == 1 ? "" : "s"))
        + QLatin1Char('\n'));
    return report->problems.isEmpty() ? cardexit::Done : cardexit::Failed;
}

int failedWith(CardSession &session)
{
    if (session.failed())
        err(session.error());
    return cardexit::Failed;
}

int runOnCard(const CardOptions &o, CardSession &session)
{
    const QString &action = o.action;
    if (action == QLatin1String("mf-keys") || action == QLatin1String("mf-dump") || action == QLatin1String("mf-compare")
        || action == QLatin1String("mf-restore")) {
        std::optional<DumpParse> file;
        if (action == QLatin1String("mf-compare") || action == QLatin1String("mf-restore")) {
            file = readDump(o.files.value(0));
            if (!file->error.isEmpty()) {
                err(file->error);
                return cardexit::Failed;
            }
            if (file->kind != DumpKind::Mifare) {
                err(QStringLiteral("%1: an Ultralight dump (use ul-restore or ul-dump and compare)").arg(o.files.value(0)));
                return cardexit::Failed;
            }
        }
        Dictionary dictionary = loadDictionary(o.keyFiles);
        if (!dictionary.error.isEmpty()) {
            err(dictionary.error);
            return cardexit::BadUsage;
        }
        if (file) {
            // The dump's own keys are the likeliest.
            QList<QByteArray> keys = file->mifare.keyA + file->mifare.keyB;
            appendKeys(keys, dictionary.keys);
            dictionary.keys = keys;
        }
        if (action == QLatin1String("mf-keys")) {
            const auto card = activateClassic(session);
            if (!card)
                return failedWith(session);
            const auto table = searchKeys(session, card->kind, dictionary.keys);
            if (!table)
                return failedWith(session);
            out(keyTableText(*table));
            if (!o.keyFileOut.isEmpty()) {
                int missing = 0;
                const QByteArray bytes = keyFileBytes(table->keyA, table->keyB, &missing);
                QString error;
                if (!writeFileWhole(o.keyFileOut, bytes, &error)) {
                    err(error);
                    return cardexit::Failed;
                }
                if (missing)
                    err(QStringLiteral("warning: %1 key%2 not found, written as FFFFFFFFFFFF in %3")
                            .arg(missing)
                            .arg(missing > 1 ? "s" : "")
                            .arg(o.keyFileOut));
            }
            return cardexit::Done;
        }
        if (action == QLatin1String("mf-restore")) {
            RestoreOptions options;
            options.trailers = o.trailers;
            options.block0 = o.block0;
            options.confirm = makeConfirm(o.yes);
            return reportRestore(restoreClassic(session, file->mifare, dictionary.keys, options), session,
                                 QStringLiteral("block"));
        }
        KeyTable keys;
        const auto image = dumpClassic(session, dictionary.keys, &keys);
        if (!image)
            return failedWith(session);
        if (action == QLatin1String("mf-compare"))
            return finishComparison(compareBlocks(file->mifare.blocks, image->blocks), QStringLiteral("Block"));
        const auto format = formatOfName(o.out);
        const FileBytes bytes = writeMifare(*image, *format, o.partial);
        for (const QString &w : bytes.warnings)
            err(QStringLiteral("warning: ") + w);
        QString error = bytes.error;
        if (error.isEmpty() && !writeFileWhole(o.out, bytes.bytes, &error)) {
        }
        if (!error.isEmpty()) {
            err(error);
            return cardexit::Failed;
        }
        out(keyTableText(keys));
        int known = 0;
        for (const QByteArray &b : image->blocks)
            known += b.isEmpty() ? 0 : 1;
        out(QStringLiteral("%1 card %2: %3 of %4 blocks written to %5\n")
                .arg(kindName(image->kind), QString::fromLatin1(image->uid.toHex().toUpper()))
                .arg(known)
                .arg(image->blocks.size())
                .arg(o.out));
        return cardexit::Done;
    }
    if (action == QLatin1String("ul-dump")) {
        const auto image = dumpUltralight(session);
        if (!image)
            return failedWith(session);
        const FileBytes bytes = writeUltralight(*image, *formatOfName(o.out));
        QString error = bytes.error;
        if (error.isEmpty())
            writeFileWhole(o.out, bytes.bytes, &error);
        if (!error.isEmpty()) {
            err(error);
            return cardexit::Failed;
        }
        out(QStringLiteral("Ultralight card %1: %2 pages written to %3\n")
                .arg(QString::fromLatin1(image->uid.toHex().toUpper()))
                .arg(image->pages.size())
                .arg(o.out));
        return cardexit::Done;
    }
    if (action == QLatin1String("ul-restore")) {
        const DumpParse file = readDump(o.files.value(0));
        if (!file.error.isEmpty() || file.kind != DumpKind::Ultralight) {
            err(file.error.isEmpty() ? QStringLiteral("%1: not an Ultralight dump").arg(o.files.value(0)) : file.error);
            return cardexit::Failed;
        }
        return reportRestore(restoreUltralight(session, file.ultralight, o.all, makeConfirm(o.yes)), session,
                             QStringLiteral("page"));
    }
    if (action == QLatin1String("mem-dump") || action == QLatin1String("mem-write")) {
        const auto type = memoryCardType(o.memType);
        if (action == QLatin1String("mem-dump")) {
            const auto image = dumpMemoryCard(session, *type);
            if (!image)
                return failedWith(session);
            QString error;
            if (!writeFileWhole(o.out, writeMemoryFile(*image, o.out), &error)) {
                err(error);
                return cardexit::Failed;
            }
            out(QStringLiteral("%1: %2 bytes written to %3\n").arg(type->name).arg(image->data.size()).arg(o.out));
            return cardexit::Done;
        }
        const MemoryParse file = readMemoryFile(o.files.value(0), *type);
        if (!file.error.isEmpty()) {
            err(file.error);
            return cardexit::Failed;
        }
        const QByteArray psc = QByteArray::fromHex(o.psc.toLatin1());
        return reportRestore(writeMemoryCard(session, *type, file.data, psc), session, QStringLiteral("byte"));
    }
    return cardexit::BadUsage;
}

}  // namespace

QString cardUsageText()
{
    return QStringLiteral(
        "Usage: qtest820 [--map COMn=DEVICE]... [--simulate [--sim WORDS]...] card --port COMn [--baud N]\n"
        "                [--address X] ACTION\n"
        "\n"
        "ACTION is one of:\n"
        "  mf-keys [--keys FILE]... [--key-file OUT]\n"
        "                      search every sector's Key A and Key B (built-in keys, then the key\n"
        "                      files); print the table; OUT gets every Key A then every Key B\n"
        "  mf-dump --out FILE [--keys FILE]... [--partial]\n"
        "                      search the keys and dump every sector they open to FILE (.json,\n"
        "                      .bin, .eml or .mct); .bin and .eml need --partial to write a sector\n"
        "                      no key opens (as zeros)\n"
        "  mf-restore FILE [--keys FILE]... [--trailers] [--block0] [--yes]\n"
        "                      write FILE's data blocks to the card and read each back; sector\n"
        "                      trailers and block 0 only when asked, after a confirmation (--yes)\n"
        "  mf-compare FILE [--keys FILE]...\n"
        "                      dump the card and print the blocks that differ from FILE\n"
        "  ul-dump --out FILE  dump an Ultralight card (.json or .bin)\n"
        "  ul-restore FILE [--all] [--yes]\n"
        "                      write pages 4-15 (0-15 with --all, after a confirmation)\n"
        "  mem-dump --type T --out FILE\n"
        "                      dump a memory card at the IC position (T: sle4442, sle4428,\n"
        "                      at24c01 .. at24c512) to FILE (.bin or .hex)\n"
        "  mem-write FILE --type T [--psc HEX]\n"
        "                      write FILE to the memory card and read it back (SLE cards verify\n"
        "                      the PSC first, FFFFFF / FFFF by default)\n"
        "  compare A B         print the blocks that differ between two dumps (no reader needed)\n"
        "\n"
        "  --port COMn         the reader's port; --baud N its speed (default 9600);\n"
        "  --address X         its device address 0..F (default 0)\n"
        "Exit codes: 0 done, 1 failed, 2 bad usage, 3 the comparison found differences.\n");
}

CardOptions parseCardOptions(const QStringList &args)
{
    CardOptions o;
    QStringList given;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        auto value = [&](const QString &option) -> QString {
            if (i + 1 < args.size() && !args.at(i + 1).startsWith(QLatin1String("--")))
                return args.at(++i);
            o.error = QStringLiteral("%1 needs a value").arg(option);
            return QString();
        };
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
            return o;
        }
        if (a.startsWith(QLatin1String("--")))
            given << a;
        if (a == QLatin1String("--port")) {
            const QString v = value(a);
            const auto m = PortMap::parseMapping(v + QStringLiteral("=x"));
            if (o.error.isEmpty() && !m)
                o.error = QStringLiteral("--port wants COMn with n from 1 to 16, not '%1'").arg(v);
            if (m)
                o.port = m->first;
        } else if (a == QLatin1String("--baud")) {
            const QString v = value(a);
            static const QList<qint32> bauds = {9600, 19200, 38400, 57600, 115200};
            o.baud = v.toInt();
            if (o.error.isEmpty() && !bauds.contains(o.baud))
                o.error = QStringLiteral("--baud is 9600, 19200, 38400, 57600 or 115200, not '%1'").arg(v);
        } else if (a == QLatin1String("--address")) {
            const QString v = value(a);
            bool ok = false;
            const int n = v.toInt(&ok, 16);
            if (o.error.isEmpty() && (!ok || v.size() != 1 || n < 0 || n > 15))
                o.error = QStringLiteral("--address is one hex digit 0..F, not '%1'").arg(v);
            o.address = quint8(n);
        } else if (a == QLatin1String("--keys")) {
            o.keyFiles << value(a);
        } else if (a == QLatin1String("--key-file")) {
            o.keyFileOut = value(a);
        } else if (a == QLatin1String("--out")) {
            o.out = value(a);
        } else if (a == QLatin1String("--type")) {
            o.memType = value(a).toLower();
        } else if (a == QLatin1String("--psc")) {
            o.psc = value(a);
        } else if (a == QLatin1String("--partial")) {
            o.partial = true;
        } else if (a == QLatin1String("--trailers")) {
            o.trailers = true;
        } else if (a == QLatin1String("--block0")) {
            o.block0 = true;
        } else if (a == QLatin1String("--all")) {
            o.all = true;
        } else if (a == QLatin1String("--yes")) {
            o.yes = true;
        } else if (a.startsWith(QLatin1String("-"))) {
            o.error = QStringLiteral("unknown card option '%1'").arg(a);
        } else if (o.action.isEmpty()) {
            o.action = a;
            if (!kActions.contains(a))
                o.error = QStringLiteral("unknown card action '%1' (one of %2)").arg(a, kActions.join(QStringLiteral(", ")));
        } else {
            o.files << a;
        }
        if (!o.error.isEmpty())
            return o;
    }
    if (o.action.isEmpty()) {
        o.error = QStringLiteral("card needs an action (one of %1)").arg(kActions.join(QStringLiteral(", ")));
        return o;
    }
    const ActionRule *rule = nullptr;
    for (const auto &r : kRules) {
        if (o.action == QLatin1String(r.action))
            rule = &r;
    }
    const QStringList allowed = QString::fromLatin1(rule->options).split(QLatin1Char(' '), Qt::SkipEmptyParts)
        + QStringList{QStringLiteral("--port"), QStringLiteral("--baud"), QStringLiteral("--address")};
    for (const QString &g : given) {
        if (!allowed.contains(g)) {
            o.error = QStringLiteral("%1 does not go with %2").arg(g, o.action);
            return o;
        }
    }
    if (o.files.size() != rule->files)
        o.error = QStringLiteral("%1 takes %2 file%3, not %4").arg(o.action).arg(rule->files).arg(rule->files == 1 ? "" : "s").arg(o.files.size());
    else if (o.action != QLatin1String("compare") && !o.port)
        o.error = QStringLiteral("%1 needs --port COMn").arg(o.action);
    else if (allowed.contains(QStringLiteral("--out")) && o.out.isEmpty())
        o.error = QStringLiteral("%1 needs --out FILE").arg(o.action);
    else if (o.action.startsWith(QLatin1String("mf-")) && !o.out.isEmpty() && !formatOfName(o.out))
        o.error = QStringLiteral("--out FILE ends in .json, .bin, .eml or .mct, not '%1'").arg(o.out);
    else if (o.action == QLatin1String("ul-dump")
             && (!formatOfName(o.out) || (*formatOfName(o.out) != DumpFormat::Json && *formatOfName(o.out) != DumpFormat::Bin)))
        o.error = QStringLiteral("--out FILE ends in .json or .bin, not '%1'").arg(o.out);
    else if (o.action.startsWith(QLatin1String("mem-")) && !memoryCardType(o.memType))
        o.error = QStringLiteral("--type is one of %1, not '%2'").arg(memoryCardTypeNames().join(QStringLiteral(", ")), o.memType);
    else if (o.action == QLatin1String("mem-dump") && !memoryFileNameOk(o.out))
        o.error = QStringLiteral("--out FILE ends in .bin or .hex, not '%1'").arg(o.out);
    else if (!o.psc.isEmpty() && memoryCardType(o.memType)->pscBytes == 0)
        o.error = QStringLiteral("--psc goes with sle4442 and sle4428, not %1").arg(o.memType);
    else if (!o.psc.isEmpty() && !memoryPscOk(*memoryCardType(o.memType), o.psc))
        o.error = QStringLiteral("--psc is %1 hex digits for %2, not '%3'")
                      .arg(memoryCardType(o.memType)->pscBytes * 2)
                      .arg(memoryCardType(o.memType)->name, o.psc);
    return o;
}

int runCardCommand(const CardOptions &o, const PortMap &map, std::function<bool()> stopRequested)
{
    if (o.action == QLatin1String("compare")) {
        const QString &fa = o.files.at(0), &fb = o.files.at(1);
        if (isMemoryFile(fa, QFileInfo(fa).size()) || isMemoryFile(fb, QFileInfo(fb).size())) {
            // Memory card files: 16-byte rows, as .hex shows them.
            QList<QByteArray> rows[2];
            for (int i = 0; i < 2; ++i) {
                QFile file(o.files.at(i));
                if (!QFileInfo(o.files.at(i)).isFile() || QFileInfo(o.files.at(i)).size() > 1024 * 1024 || !file.open(QIODevice::ReadOnly)) {
                    err(QStringLiteral("%1: %2").arg(o.files.at(i), QFileInfo::exists(o.files.at(i)) ? QStringLiteral("cannot be read")
                                                                                             : QStringLiteral("no such file")));
                    return cardexit::Failed;
                }
                const MemoryParse p = parseMemoryContent(file.readAll(), o.files.at(i));
                if (!p.error.isEmpty()) {
                    err(p.error);
                    return cardexit::Failed;
                }
                for (int a = 0; a < p.data.size(); a += 16)
                    rows[i] << p.data.mid(a, 16);
            }
            return finishComparison(compareBlocks(rows[0], rows[1]), QStringLiteral("Row"));
        }
        const DumpParse a = readDump(o.files.at(0));
        const DumpParse b = readDump(o.files.at(1));
        for (const DumpParse *p : {&a, &b}) {
            if (!p->error.isEmpty()) {
                err(p->error);
                return cardexit::Failed;
            }
        }
        return finishComparison(compareDumps(a, b), a.kind == DumpKind::Mifare ? QStringLiteral("Block") : QStringLiteral("Page"));
    }
    SystemClock clock;
    QtSerialPort port(map);
    TrafficLog log;
    SharedState state;
    LinkContext link{port, clock, log, state, nullptr};
    const OpenError opened = port.open(o.port, o.baud);
    if (opened != OpenError::None) {
        err(QStringLiteral("COM%1 (%2) cannot be opened: %3").arg(o.port).arg(port.deviceFor(o.port), port.errorText()));
        return cardexit::Failed;
    }
    if (IRUnitIfOk(link, o.address, true) != QLatin1String("OK")) {
        err(QStringLiteral("No reader answers on COM%1 (%2) at %3 baud, address %4")
                .arg(o.port)
                .arg(port.deviceName())
                .arg(o.baud)
                .arg(QString::number(o.address, 16).toUpper()));
        port.close();
        return cardexit::Failed;
    }
    state.PortOpened = true;
    Progress progress;
    progress.step = [](int done, int total, const QString &what) {
        if (done < total)
            err(what);
    };
    progress.warning = [](const QString &text) { err(QStringLiteral("warning: ") + text); };
    progress.stopRequested = std::move(stopRequested);
    CardSession session(link, o.address, progress);
    const int code = runOnCard(o, session);
    port.close();
    return code;
}

}  // namespace mdq
