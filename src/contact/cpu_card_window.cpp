#include "contact/cpu_card_window.h"

#include "contact/panel_widgets.h"
#include "ui/reader_context.h"
#include "link/commands.h"
#include "link/frame.h"
#include "link/shared_state.h"
#include "platform/prompter.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace mdq {

namespace {

// Names and captions that differ between the two windows.
struct Design
{
    const char *window;
    const char *caption;
    quint8 cm;
    const char *coldReset;
    const char *warmReset;
    const char *send;
    const char *down;
    const char *option;
    std::initializer_list<const char *> apdus;
};

const Design kCpu = {"CPUCARD", "CPU Card", CmContactCpu, "CPUColdResetBtn", "CPUWarmResetBtn", "SendCmdBtn", "DownBtn",
                     "CPUVCCOPTION",
                     {"0084000008", "00A40000023F00", "00C0000018", "00A404000E315041592E5359532E4444463031"}};
const Design kSam = {"SimCard", "SAM Card", CmSam, "SimColdReset", "SimWarmReset", "SendCmd", "Down", "SAMVCCOPTION",
                     {"0084000008", "00A40000023F00", "00A404000E315041592E5359532E4444463031"}};

const char *const kActivation[] = {
    "Card is not activated",
    "The card has been activated, working frequency of 3.57 MHZ",
    "The card has been activated, working frequency of 7.16 MHZ",
};

// The current SAM named by the status reply; the reader reports sockets 1 to 5.
const char *const kCurrentSam[] = {
    "Current SAM card is  No.1 ", "Current SAM card is  No.2", "Current SAM card is  No.3",
    "Current SAM card is  No.4",  "Current SAM card is  No.5",
};
// "SAM 1" to "SAM 14" can be selected (the list shows the first eight).
constexpr int SamCount = 14;

template <size_t N>
QString pick(const char *const (&table)[N], quint8 code)
{
    const int i = int(code) - '0';
    return i >= 0 && i < int(N) ? QString::fromLatin1(table[i]) : QString();
}

const QString CrLf = QStringLiteral("\r\n");
const QString DefaultApdu = QStringLiteral("00A40000023F00");

}  // namespace

int samCode(const QString &text)
{
    for (int i = 0; i < SamCount; ++i) {
        if (text == QStringLiteral("SAM %1").arg(i + 1))
            return '0' + i;
    }
    return -1;
}

QString activationText(quint8 code)
{
    return pick(kActivation, code);
}

QString currentSamText(quint8 code)
{
    return pick(kCurrentSam, code);
}

void CpuCardWindow::open(ReaderContext &context, Kind kind)
{
    if (!context.runner.state().PortOpened) {
        context.runner.prompter().message(Icon::Exclamation, text::caution(), text::portSetupFirst());
        return;
    }
    CpuCardWindow window(context, kind, context.window);
    window.exec();
}

CpuCardWindow::CpuCardWindow(ReaderContext &context, Kind kind, QWidget *parent)
    : QDialog(parent), m_context(context), m_kind(kind)
{
    const Design &d = kind == Kind::Cpu ? kCpu : kSam;
    m_cm = d.cm;
    setObjectName(QString::fromLatin1(d.window));
    setWindowTitle(QString::fromLatin1(d.caption));
    // Modal to the tool's own windows only: the virtual reader stays usable.
    setWindowModality(Qt::WindowModal);

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *options = new QGroupBox(QStringLiteral("Cold Reset Option"), this);
    options->setObjectName(QStringLiteral("Frame1"));
    auto *optionLayout = new QVBoxLayout(options);
    const char *const optionCaptions[] = {"VCC=5V with the EMV2000 ver4.0", "VCC=5V with the ISO/IEC7816-3"};
    for (int i = 0; i < 2; ++i) {
        auto *radio = new QRadioButton(QString::fromLatin1(optionCaptions[i]), options);
        setControlName(radio, QString::fromLatin1(d.option), i);
        optionLayout->addWidget(radio);
        if (i == 0) {
            radio->setChecked(true);
            m_emvOption = radio;
        }
    }
    top->addWidget(options);

    auto *buttons = new QGridLayout;
    auto *cold = makeButton(this, QString::fromLatin1(d.coldReset), QStringLiteral("Cold Reset"));
    auto *warm = makeButton(this, QString::fromLatin1(d.warmReset), QStringLiteral("Warm Reset"));
    auto *send = makeButton(this, QString::fromLatin1(d.send), QStringLiteral("Send APDU"));
    auto *status = makeButton(this, QStringLiteral("CheckStatusBtn"), QStringLiteral("Card Status"));
    auto *down = makeButton(this, QString::fromLatin1(d.down), QStringLiteral("Deactivate"));
    auto *back = makeButton(this, QStringLiteral("BackCmd"), QStringLiteral("Cancel"));
    buttons->addWidget(cold, 0, 0);
    buttons->addWidget(warm, 0, 1);
    buttons->addWidget(send, 1, 0);
    buttons->addWidget(status, 1, 1);
    buttons->addWidget(down, 2, 0);
    buttons->addWidget(back, 2, 1);
    top->addLayout(buttons);
    layout->addLayout(top);

    if (kind == Kind::Sam) {
        auto *samRow = new QHBoxLayout;
        m_samNo = new QComboBox(this);
        m_samNo->setObjectName(QStringLiteral("SimNo1"));
        m_samNo->setEditable(true);
        m_samNo->setInsertPolicy(QComboBox::NoInsert);
        m_samNo->setCompleter(nullptr);
        for (int i = 1; i <= 8; ++i)
            m_samNo->addItem(QStringLiteral("SAM %1").arg(i));
        m_samNo->setEditText(QStringLiteral("SAM 1"));
        auto *select = makeButton(this, QStringLiteral("SelectSamCmd"), QStringLiteral("Choose SAM"));
        samRow->addWidget(m_samNo);
        samRow->addWidget(select);
        samRow->addStretch(1);
        layout->addLayout(samRow);
        connect(select, &QPushButton::clicked, this, &CpuCardWindow::chooseSam);
    }

    layout->addWidget(new QLabel(QStringLiteral("APDU Command"), this));
    m_cmdText = new QComboBox(this);
    m_cmdText->setObjectName(QStringLiteral("CmdText"));
    m_cmdText->setEditable(true);
    m_cmdText->setLineEdit(new FilteredLineEdit(FilteredLineEdit::Filter::HexWithBackspace, m_cmdText));
    m_cmdText->setInsertPolicy(QComboBox::NoInsert);
    m_cmdText->setCompleter(nullptr);
    for (const char *apdu : d.apdus)
        m_cmdText->addItem(QString::fromLatin1(apdu));
    m_cmdText->setEditText(DefaultApdu);
    layout->addWidget(m_cmdText);

    layout->addWidget(new QLabel(QStringLiteral("ATR Information"), this));
    useFixedFont(m_cmdText);
    m_resetText = new ResponseBox(this);
    m_resetText->setObjectName(QStringLiteral("ResetTextBack"));
    layout->addWidget(m_resetText);
    layout->addWidget(new QLabel(QStringLiteral("Return Information"), this));
    m_backText = new ResponseBox(this);
    m_backText->setObjectName(QStringLiteral("BackText"));
    layout->addWidget(m_backText);

    connect(cold, &QPushButton::clicked, this, &CpuCardWindow::coldReset);
    connect(warm, &QPushButton::clicked, this, &CpuCardWindow::warmReset);
    connect(send, &QPushButton::clicked, this, &CpuCardWindow::sendApdu);
    connect(status, &QPushButton::clicked, this, &CpuCardWindow::checkStatus);
    connect(down, &QPushButton::clicked, this, &CpuCardWindow::deactivate);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
}

void CpuCardWindow::reset(quint8 pm, const QByteArray &data, const QString &title, bool handle69)
{
    CommandRunner &runner = m_context.runner;
    runner.run(
        [&](quint8 address) {
            m_resetText->clear();
            return std::optional<QByteArray>(CommandFrame(address, m_cm, pm, data));
        },
        [&](const Reply &r) {
            m_resetText->setText(bytesHex(r.bytes(7, r.length() - 3)));
            const quint8 protocol = r.at(6);
            if (protocol == '0' || protocol == '1')
                runner.showInformation(title, QStringLiteral("%1 Success(T=%2)").arg(title, QChar(protocol)));
        },
        [&](const Reply &r) {
            if (handle69 && r.at(3) == '6' && r.at(4) == '9') {
                m_resetText->setText(m_resetText->text() + bytesHex(r.bytes(6, r.length() - 3)));
                runner.showInformation(
                    QStringLiteral("Negative response:69"),
                    QStringLiteral("Tried to communicate with IC card not supported in Protocol EMV2000.") + CrLf
                        + (r.at(5) == '0' ? QStringLiteral("T=0") : QStringLiteral("T=1")));
                return true;
            }
            m_resetText->setText(m_resetText->text() + bytesHex(r.bytes(5, r.length() - 3)));
            return false;
        });
}

void CpuCardWindow::coldReset()
{
    reset(PmCpuColdReset, QByteArray(1, m_emvOption->isChecked() ? ColdResetEmv : ColdResetIso),
          QStringLiteral("Cold Reset"), true);
}

void CpuCardWindow::warmReset()
{
    reset(PmCpuWarmReset, {}, QStringLiteral("Warm Reset"), false);
}

void CpuCardWindow::sendApdu()
{
    CommandRunner &runner = m_context.runner;
    runner.run(
        [&](quint8 address) -> std::optional<QByteArray> {
            m_backText->clear();
            const QString t = m_cmdText->currentText();
            if (t.size() % 2 != 0) {
                runner.showDataError();
                return std::nullopt;  // nothing sent, no blank line
            }
            if (t.size() / 2 > MaxFrameData)
                throw DataError{};
            QByteArray apdu;
            for (int i = 0; i < t.size(); i += 2)
                apdu.append(char(needByte(t.mid(i, 2).trimmed())));
            // LEN is 16 bits: an APDU over 252 bytes uses the high length
            // byte too instead of being refused.
            return CommandFrame(address, m_cm, PmCpuApdu, apdu);
        },
        [&](const Reply &r) {
            m_backText->setText(bytesHex(r.data()));
            runner.showInformation(QStringLiteral("C-APDU"), QStringLiteral("Success"));
        });
}

void CpuCardWindow::checkStatus()
{
    CommandRunner &runner = m_context.runner;
    runner.run(m_cm, PmCpuStatus, {}, [&](const Reply &r) {
        if (m_kind == Kind::Sam) {
            runner.showInformation(QStringLiteral("Card Status"),
                                   activationText(r.at(6)) + CrLf + currentSamText(r.at(7)));
        } else if (const QString text = activationText(r.at(6)); !text.isEmpty()) {
            runner.showInformation(QStringLiteral("Card Status"), text);
        }
    });
}

void CpuCardWindow::deactivate()
{
    CommandRunner &runner = m_context.runner;
    runner.run(m_cm, PmCpuDeactivate, {}, [&](const Reply &) {
        runner.showInformation(QStringLiteral("Deactivate"), QStringLiteral("Deactivate Success"));
    });
}

void CpuCardWindow::chooseSam()
{
    CommandRunner &runner = m_context.runner;
    runner.run(
        [&](quint8 address) -> std::optional<QByteArray> {
            m_resetText->clear();
            const int code = samCode(m_samNo->currentText());
            if (code < 0) {
                runner.prompter().message(Icon::Exclamation, text::caution(),
                                          QStringLiteral("Please Choose SAM Number First"));
                return std::nullopt;
            }
            return CommandFrame(address, m_cm, PmSamSelect, QByteArray(1, char(code)));
        },
        [&](const Reply &) { runner.showInformation(QStringLiteral("Choose SAM"), QStringLiteral("Choose SAM Success")); });
}

}  // namespace mdq
