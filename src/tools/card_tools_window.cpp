#include "platform/safe_file.h"
#include "tools/card_tools_window.h"

#include "cards/card_files.h"
#include "cards/key_dictionary.h"
#include "cards/memory_tools.h"
#include "cards/mifare_tools.h"
#include "link/exchange_outcome.h"
#include "link/line_activity.h"
#include "link/shared_state.h"
#include "link/traffic_log.h"
#include "platform/line_busy.h"
#include "ui/reader_context.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSizePolicy>
#include <QVBoxLayout>

namespace mdq {

using namespace cards;

namespace {

const QString Title = QStringLiteral("Card Tools");
const QString ClassicItem = QStringLiteral("Mifare Classic S50/S70");
const QString UltralightItem = QStringLiteral("Mifare Ultralight");


// A label that names its box for screen readers too.
QLabel *buddyLabel(const QString &text, QWidget *box, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(box);
    box->setAccessibleName(QString(text).remove(QLatin1Char(':')));
    return label;
}

QString restoreText(const RestoreReport &report, const QString &unit)
{
    QString text = report.problems.join(QLatin1Char('\n'));
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    return text + QStringLiteral("%1 %2%3 written and verified").arg(report.written).arg(unit).arg(report.written == 1 ? "" : "s");
}

}  // namespace

void CardToolsWindow::open(ReaderContext &context)
{
    if (!context.runner.state().PortOpened) {
        context.runner.prompter().message(Icon::Exclamation, text::caution(), text::portSetupFirst());
        return;
    }
    CardToolsWindow window(context, context.window);
    window.exec();
}

CardToolsWindow::CardToolsWindow(ReaderContext &context, QWidget *parent) : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("CardTools"));
    setWindowTitle(Title);
    setWindowModality(Qt::WindowModal);
    auto *layout = new QVBoxLayout(this);

    auto *cardBox = new QGroupBox(QStringLiteral("Card"), this);
    auto *grid = new QGridLayout(cardBox);
    m_kind = new QComboBox(cardBox);
    m_kind->setObjectName(QStringLiteral("ToolCardKind"));
    m_kind->addItem(ClassicItem);
    m_kind->addItem(UltralightItem);
    for (const QString &name : memoryCardTypeNames())
        m_kind->addItem(name.toUpper());
    grid->addWidget(buddyLabel(QStringLiteral("Card kind:"), m_kind, cardBox), 0, 0);
    grid->addWidget(m_kind, 0, 1, 1, 3);
    m_keyFiles = new QLineEdit(cardBox);
    m_keyFiles->setObjectName(QStringLiteral("ToolKeyFiles"));
    m_keyFiles->setPlaceholderText(QStringLiteral("built-in keys; more key files separated by ;"));
    grid->addWidget(buddyLabel(QStringLiteral("Key files:"), m_keyFiles, cardBox), 1, 0);
    grid->addWidget(m_keyFiles, 1, 1, 1, 3);
    m_file = new QLineEdit(cardBox);
    m_file->setObjectName(QStringLiteral("ToolDumpFile"));
    m_file->setPlaceholderText(QStringLiteral(".json .bin .eml .mct (memory cards: .bin .hex)"));
    grid->addWidget(buddyLabel(QStringLiteral("Dump file:"), m_file, cardBox), 2, 0);
    grid->addWidget(m_file, 2, 1, 1, 3);
    m_psc = new QLineEdit(cardBox);
    m_psc->setObjectName(QStringLiteral("ToolPsc"));
    m_psc->setPlaceholderText(QStringLiteral("FFFFFF"));
    m_psc->setMaxLength(6);
    grid->addWidget(buddyLabel(QStringLiteral("PSC (SLE):"), m_psc, cardBox), 3, 0);
    grid->addWidget(m_psc, 3, 1);
    m_partial = new QCheckBox(QStringLiteral("Partial .bin/.eml (unknown sectors as zeros)"), cardBox);
    m_partial->setObjectName(QStringLiteral("ToolPartial"));
    m_trailers = new QCheckBox(QStringLiteral("Restore sector trailers"), cardBox);
    m_trailers->setObjectName(QStringLiteral("ToolTrailers"));
    m_block0 = new QCheckBox(QStringLiteral("Restore block 0"), cardBox);
    m_block0->setObjectName(QStringLiteral("ToolBlock0"));
    m_allPages = new QCheckBox(QStringLiteral("Restore Ultralight pages 0-3"), cardBox);
    m_allPages->setObjectName(QStringLiteral("ToolAllPages"));
    grid->addWidget(m_partial, 4, 0, 1, 2);
    grid->addWidget(m_trailers, 4, 2);
    grid->addWidget(m_block0, 5, 2);
    grid->addWidget(m_allPages, 5, 0, 1, 2);
    layout->addWidget(cardBox);

    auto *buttons = new QHBoxLayout;
    const struct
    {
        const char *name, *caption;
        void (CardToolsWindow::*handler)();
    } actions[] = {
        {"ToolSearchKeysBtn", "Search Keys", &CardToolsWindow::searchKeys},
        {"ToolExportKeysBtn", "Export Keys", &CardToolsWindow::exportKeys},
        {"ToolDumpBtn", "Dump", &CardToolsWindow::dump},
        {"ToolRestoreBtn", "Restore", &CardToolsWindow::restore},
        {"ToolCompareBtn", "Compare", &CardToolsWindow::compare},
    };
    for (const auto &a : actions) {
        auto *button = makeButton(this, QString::fromLatin1(a.name), QString::fromLatin1(a.caption));
        connect(button, &QPushButton::clicked, this, a.handler);
        buttons->addWidget(button);
        m_actions.append(button);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);

    auto *progressRow = new QHBoxLayout;
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ToolProgress"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_stop = makeButton(this, QStringLiteral("ToolStopBtn"), QStringLiteral("Stop"));
    m_stop->setEnabled(false);
    markStopControl(m_stop);  // clicks get through while the operation holds the line
    connect(m_stop, &QPushButton::clicked, this, [this] {
        m_stopRequested = true;
        if (LineActivity *activity = m_context.runner.link().activity)
            activity->requestStop();
    });
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_stop);
    layout->addLayout(progressRow);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("ToolStatus"));
    // Its text changes at every step; the window's size must not follow it.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    layout->addWidget(m_status);

    m_keyTable = new QPlainTextEdit(this);
    m_keyTable->setObjectName(QStringLiteral("ToolKeyTable"));
    m_keyTable->setReadOnly(true);
    useFixedFont(m_keyTable);
    m_keyTable->setAccessibleName(QStringLiteral("Key table"));
    m_output = new QPlainTextEdit(this);
    m_output->setObjectName(QStringLiteral("ToolOutput"));
    m_output->setReadOnly(true);
    useFixedFont(m_output);
    m_output->setAccessibleName(QStringLiteral("Output"));
    auto *texts = new QHBoxLayout;
    texts->addWidget(m_keyTable, 1);
    texts->addWidget(m_output, 2);
    layout->addLayout(texts, 1);

    auto *close = makeButton(this, QStringLiteral("ToolCloseBtn"), QStringLiteral("Close"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto *closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(close);
    layout->addLayout(closeRow);
    resize(760, 560);
}

CardToolsWindow::Family CardToolsWindow::family() const
{
    if (m_kind->currentText() == ClassicItem)
        return Family::Classic;
    if (m_kind->currentText() == UltralightItem)
        return Family::Ultralight;
    return Family::Memory;
}

void CardToolsWindow::showOutput(const QString &text)
{
    m_output->setPlainText(text);
}

void CardToolsWindow::setBusy(bool busy)
{
    for (QPushButton *b : m_actions)
        b->setEnabled(!busy);
    m_stop->setEnabled(busy);
}

bool CardToolsWindow::loadDictionary(QList<QByteArray> *keys)
{
    *keys = builtinKeys();
    for (const QString &f : m_keyFiles->text().split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const KeyFileParse p = readKeyFile(f.trimmed());
        if (!p.error.isEmpty()) {
            m_context.runner.prompter().message(Icon::Exclamation, Title, p.error);
            return false;
        }
        appendKeys(*keys, p.keys);
    }
    return true;
}

void CardToolsWindow::run(const QString &title, const std::function<bool(CardSession &)> &work)
{
    CommandRunner &runner = m_context.runner;
    if (!runner.state().PortOpened) {
        runner.prompter().message(Icon::Exclamation, text::caution(), text::portSetupFirst());
        return;
    }
    const auto address = runner.address();
    if (!address)
        return;
    if (!runner.recordData())
        runner.link().log.clear();
    m_stopRequested = false;
    showOutput(QString());
    m_status->setText(title + QStringLiteral("..."));
    Progress progress;
    progress.step = [this](int done, int total, const QString &what) {
        if (m_progress->maximum() != std::max(total, 1))
            m_progress->setRange(0, std::max(total, 1));
        m_progress->setValue(done);
        m_status->setText(what);
        keepWindowsPainted();
    };
    QStringList warnings;
    progress.warning = [&warnings](const QString &text) { warnings << text; };
    progress.stopRequested = [this] { return m_stopRequested; };
    CardSession session(runner.link(), *address, progress);
    bool ok = false;
    setBusy(true);
    {
        // The line is held for the whole operation: input is refused but for
        // Stop and Escape, which end it between exchanges or in a wait.
        LineBusy busy([this] {
            m_stopRequested = true;
            if (LineActivity *activity = m_context.runner.link().activity)
                activity->requestStop();
        });
        ok = work(session);
    }
    setBusy(false);
    runner.link().log.append(QStringLiteral("\r\n"));
    if (session.stopped()) {
        m_status->setText(QStringLiteral("Stopped by the operator"));
        return;
    }
    m_status->setText(ok ? title + QStringLiteral(": done") : title + QStringLiteral(": failed"));
    if (!warnings.isEmpty())
        m_output->appendPlainText(warnings.join(QLatin1Char('\n')));
    if (!ok)
        runner.prompter().message(Icon::Exclamation, Title, session.error().isEmpty() ? title + QStringLiteral(" failed") : session.error());
}

void CardToolsWindow::searchKeys()
{
    if (family() != Family::Classic) {
        m_context.runner.prompter().message(Icon::Exclamation, Title, QStringLiteral("Keys are searched on Mifare Classic cards only"));
        return;
    }
    QList<QByteArray> dictionary;
    if (!loadDictionary(&dictionary))
        return;
    run(QStringLiteral("Key search"), [&](CardSession &session) {
        const auto card = activateClassic(session);
        const auto table = card ? cards::searchKeys(session, card->kind, dictionary) : std::nullopt;
        if (!table)
            return false;
        m_keyA = table->keyA;
        m_keyB = table->keyB;
        m_keyTable->setPlainText(keyTableText(*table));
        return true;
    });
}

void CardToolsWindow::exportKeys()
{
    if (m_keyA.isEmpty()) {
        m_context.runner.prompter().message(Icon::Exclamation, Title, QStringLiteral("Search the keys first"));
        return;
    }
    SaveDialogRequest request;
    request.title = QStringLiteral("Export Keys");
    request.filterName = QStringLiteral("Key Files");
    request.filterPattern = QStringLiteral("*.bin");
    request.defaultExtension = QStringLiteral("bin");
    request.proposedName = QStringLiteral("keys.bin");
    const auto target = m_context.runner.prompter().askSaveFile(request);
    if (!target)
        return;
    int missing = 0;
    QString error;
    if (!writeFileWhole(target->fullPath, keyFileBytes(m_keyA, m_keyB, &missing), &error)) {
        m_context.runner.prompter().message(Icon::Exclamation, Title, error);
        return;
    }
    showOutput(QStringLiteral("Keys written to %1").arg(target->fullPath)
               + (missing ? QStringLiteral("\n%1 keys not found, written as FFFFFFFFFFFF").arg(missing) : QString()));
}

void CardToolsWindow::dump()
{
    const QString path = m_file->text().trimmed();
    const Family f = family();
    const auto format = formatOfName(path);
    const bool nameOk = f == Family::Memory ? memoryFileNameOk(path)
                      : f == Family::Ultralight ? (format == DumpFormat::Json || format == DumpFormat::Bin)
                                                : format.has_value();
    if (!nameOk) {
        m_context.runner.prompter().message(
            Icon::Exclamation, Title,
            f == Family::Memory       ? QStringLiteral("The dump file ends in .bin or .hex")
            : f == Family::Ultralight ? QStringLiteral("The dump file ends in .json or .bin")
                                      : QStringLiteral("The dump file ends in .json, .bin, .eml or .mct"));
        return;
    }
    QList<QByteArray> dictionary;
    if (f == Family::Classic && !loadDictionary(&dictionary))
        return;
    run(QStringLiteral("Dump"), [&](CardSession &session) {
        FileBytes bytes;
        QString summary;
        if (f == Family::Classic) {
            KeyTable keys;
            const auto image = dumpClassic(session, dictionary, &keys);
            if (!image)
                return false;
            m_keyA = keys.keyA;
            m_keyB = keys.keyB;
            m_keyTable->setPlainText(keyTableText(keys));
            bytes = writeMifare(*image, *format, m_partial->isChecked());
            int known = 0;
            for (const QByteArray &b : image->blocks)
                known += b.isEmpty() ? 0 : 1;
            summary = QStringLiteral("%1 card %2: %3 of %4 blocks").arg(kindName(image->kind), QString::fromLatin1(image->uid.toHex().toUpper())).arg(known).arg(image->blocks.size());
        } else if (f == Family::Ultralight) {
            const auto image = dumpUltralight(session);
            if (!image)
                return false;
            bytes = writeUltralight(*image, *format);
            summary = QStringLiteral("Ultralight card %1: 16 pages").arg(QString::fromLatin1(image->uid.toHex().toUpper()));
        } else {
            const auto type = memoryCardType(m_kind->currentText().toLower());
            const auto image = dumpMemoryCard(session, *type);
            if (!image)
                return false;
            bytes.bytes = writeMemoryFile(*image, path);
            summary = QStringLiteral("%1: %2 bytes").arg(m_kind->currentText()).arg(image->data.size());
        }
        for (const QString &w : bytes.warnings)
            session.warn(w);
        QString error = bytes.error;
        if (error.isEmpty())
            writeFileWhole(path, bytes.bytes, &error);
        if (!error.isEmpty()) {
            session.fail(error);
            return false;
        }
        showOutput(summary + QStringLiteral(" written to ") + path);
        return true;
    });
}

CardToolsWindow::ChosenFile CardToolsWindow::readChosenFile() const
{
    ChosenFile in;
    const QString path = m_file->text().trimmed();
    if (family() == Family::Memory) {
        in.type = memoryCardType(m_kind->currentText().toLower());
        in.memory = readMemoryFile(path, *in.type);
        in.file.error = in.memory.error;
    } else {
        in.file = readDump(path);
        const DumpKind wanted = family() == Family::Classic ? DumpKind::Mifare : DumpKind::Ultralight;
        if (in.file.error.isEmpty() && in.file.kind != wanted)
            in.file.error = QStringLiteral("%1: not a %2 dump").arg(path, m_kind->currentText());
    }
    if (!in.file.error.isEmpty())
        m_context.runner.prompter().message(Icon::Exclamation, Title, in.file.error);
    return in;
}

bool CardToolsWindow::keysFor(const ChosenFile &in, QList<QByteArray> *keys)
{
    if (family() != Family::Classic)
        return true;
    // The dump's own keys first, then the dictionaries.
    QList<QByteArray> dictionary;
    if (!loadDictionary(&dictionary))
        return false;
    *keys = in.file.mifare.keyA + in.file.mifare.keyB;
    appendKeys(*keys, dictionary);
    return true;
}

void CardToolsWindow::restore()
{
    const Family f = family();
    Prompter &prompter = m_context.runner.prompter();
    const ChosenFile in = readChosenFile();
    if (!in.file.error.isEmpty())
        return;
    const DumpParse &file = in.file;
    const MemoryParse &memory = in.memory;
    const std::optional<MemoryCardType> &type = in.type;
    if (f == Family::Memory && !m_psc->text().isEmpty() && type->pscBytes && !memoryPscOk(*type, m_psc->text())) {
        prompter.message(Icon::Exclamation, Title, QStringLiteral("The PSC is %1 hex digits").arg(type->pscBytes * 2));
        return;
    }
    // The questions come before the line is taken: no box while it is busy.
    const auto ask = [&prompter](const QString &question) {
        return prompter.askOkCancel(Icon::Question, Title, question);
    };
    if (f == Family::Classic && ((m_trailers->isChecked() && !ask(trailerQuestion())) || (m_block0->isChecked() && !ask(block0Question()))))
        return;
    if (f == Family::Ultralight && m_allPages->isChecked() && !ask(ultralightHeaderQuestion()))
        return;
    QList<QByteArray> dictionary;
    if (!keysFor(in, &dictionary))
        return;
    const Confirm answered = [](const QString &) { return true; };
    run(QStringLiteral("Restore"), [&](CardSession &session) {
        std::optional<RestoreReport> report;
        QString unit = QStringLiteral("block");
        if (f == Family::Classic) {
            RestoreOptions options;
            options.trailers = m_trailers->isChecked();
            options.block0 = m_block0->isChecked();
            options.confirm = answered;
            report = restoreClassic(session, file.mifare, dictionary, options);
        } else if (f == Family::Ultralight) {
            report = restoreUltralight(session, file.ultralight, m_allPages->isChecked(), answered);
            unit = QStringLiteral("page");
        } else {
            report = writeMemoryCard(session, *type, memory.data, QByteArray::fromHex(m_psc->text().toLatin1()));
            unit = QStringLiteral("byte");
        }
        if (!report)
            return false;
        showOutput(restoreText(*report, unit));
        if (!report->problems.isEmpty())
            session.fail(QStringLiteral("%1 problem%2: see the output").arg(report->problems.size()).arg(report->problems.size() > 1 ? "s" : ""));
        return report->problems.isEmpty();
    });
}

void CardToolsWindow::compare()
{
    const Family f = family();
    const ChosenFile in = readChosenFile();
    QList<QByteArray> dictionary;
    if (!in.file.error.isEmpty() || !keysFor(in, &dictionary))
        return;
    const DumpParse &file = in.file;
    const MemoryParse &memory = in.memory;
    const std::optional<MemoryCardType> &type = in.type;
    run(QStringLiteral("Compare"), [&](CardSession &session) {
        if (f == Family::Classic) {
            const auto image = dumpClassic(session, dictionary);
            if (!image)
                return false;
            showOutput(comparisonText(compareBlocks(file.mifare.blocks, image->blocks)));
        } else if (f == Family::Ultralight) {
            const auto image = dumpUltralight(session);
            if (!image)
                return false;
            showOutput(comparisonText(compareBlocks(file.ultralight.pages, image->pages), QStringLiteral("Page")));
        } else {
            const auto image = dumpMemoryCard(session, *type);
            if (!image)
                return false;
            // Rows of 16 bytes, as the .hex file shows them.
            QList<QByteArray> a, b;
            for (int i = 0; i < type->size; i += 16) {
                a << memory.data.mid(i, 16);
                b << image->data.mid(i, 16);
            }
            showOutput(comparisonText(compareBlocks(a, b), QStringLiteral("Row")));
        }
        return true;
    });
}

}  // namespace mdq
