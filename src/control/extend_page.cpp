#include "control/extend_page.h"

#include "control/config_form.h"
#include "control/read_sn.h"
#include "ui/reader_context.h"
#include "ui/widgets.h"
#include "link/commands.h"
#include "link/frame.h"
#include "link/reply.h"
#include "link/shared_state.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace mdq {

namespace {
QGroupBox *frame(QWidget *parent, const char *name, const char *caption)
{
    auto *f = new QGroupBox(QString::fromLatin1(caption), parent);
    f->setObjectName(QString::fromLatin1(name));
    return f;
}

QLabel *label(QWidget *parent, const char *caption)
{
    return new QLabel(QString::fromLatin1(caption), parent);
}
}  // namespace

QString padCounter(const QString &text)
{
    return text.size() >= 3 ? text : QString(3 - text.size(), QLatin1Char('0')) + text;
}

ExtendPage::ExtendPage(ReaderContext &context, QWidget *parent) : QWidget(parent), m_context(context)
{
    auto *layout = new QGridLayout(this);

    // "Life Counter Read" is shown as the reader's front panel had it; no
    // command is defined for it, so nothing reads or writes these controls.
    auto *life = frame(this, "FrameLife", "Life Counter Read");
    auto *lifeLayout = new QVBoxLayout(life);
    auto *lifeRow = new QHBoxLayout;
    auto *lifeEdit = new QLineEdit(QStringLiteral("00000000"), life);
    lifeEdit->setObjectName(QStringLiteral("IRLifeEdit"));
    lifeRow->addWidget(label(life, "Counter:"));
    lifeRow->addWidget(lifeEdit);
    lifeRow->addWidget(label(life, "(DEC)"));
    lifeLayout->addLayout(lifeRow);
    const char *lifeOptions[] = {"Number of Dispensing card from stack", "Number of IC contact press",
                                 "Number of Moving card to RF card operation position"};
    for (int i = 0; i < 3; ++i) {
        auto *option = new QRadioButton(QString::fromLatin1(lifeOptions[i]), life);
        setControlName(option, QStringLiteral("ReadReaderLifeOption"), i);
        option->setChecked(i == 0);
        lifeLayout->addWidget(option);
    }
    // Disabled, so nobody waits for an answer that never comes; the
    // tooltip says why.
    const QString reason = QStringLiteral("The MDQ-820 command set has no command for the life counter");
    life->setToolTip(reason);
    for (QWidget *w : life->findChildren<QWidget *>())
        w->setToolTip(reason);
    life->setEnabled(false);
    layout->addWidget(life, 0, 0);

    auto *counter = frame(this, "FrameCounter", "Capture Card Counter");
    auto *counterLayout = new QVBoxLayout(counter);
    auto *counterRow = new QHBoxLayout;
    m_counter = new FilteredLineEdit(FilteredLineEdit::Filter::Digits, counter);
    m_counter->setObjectName(QStringLiteral("IRTenKaEdit"));
    m_counter->setMaxLength(3);
    m_counter->setText(QStringLiteral("000"));
    counterRow->addWidget(label(counter, "Counter:"));
    counterRow->addWidget(m_counter);
    counterRow->addWidget(label(counter, "(DEC)"));
    counterLayout->addLayout(counterRow);
    auto *read = makeButton(counter, QStringLiteral("IRTenKaReadCMD"), QStringLiteral("Read Counter"));
    auto *format = makeButton(counter, QStringLiteral("IRTenKaFormatCMD"), QStringLiteral("InitializeI Counter"));
    counterLayout->addWidget(read);
    counterLayout->addWidget(format);
    layout->addWidget(counter, 0, 1);

    auto *config = frame(this, "FrameConfig", "Unit configuration");
    auto *configLayout = new QVBoxLayout(config);
    auto *configButton = makeButton(config, QStringLiteral("IRCONFIGCMD"), QStringLiteral("Unit configuration"));
    configLayout->addWidget(configButton);
    layout->addWidget(config, 1, 0);

    auto *sn = frame(this, "FrameSn", "Unit SN OPERATION");
    auto *snLayout = new QVBoxLayout(sn);
    auto *snButton = makeButton(sn, QStringLiteral("TypeReadsn"), QStringLiteral("Read SN"));
    snLayout->addWidget(snButton);
    layout->addWidget(sn, 1, 1);
    layout->setRowStretch(2, 1);

    connect(read, &QPushButton::clicked, this, &ExtendPage::readCounter);
    connect(format, &QPushButton::clicked, this, &ExtendPage::initializeCounter);
    connect(configButton, &QPushButton::clicked, this, &ExtendPage::readConfig);
    connect(snButton, &QPushButton::clicked, this, &ExtendPage::readSerialNumber);
}

void ExtendPage::readCounter()
{
    CommandRunner &runner = m_context.runner;
    runner.run(
        [this](quint8 address) -> std::optional<QByteArray> {
            m_counter->clear();
            return CommandFrame(address, CmCounter, PmCounterRead);
        },
        [this, &runner](const Reply &r) {
            runner.state().UnitText = r.dataText();
            m_counter->setText(runner.state().UnitText);
            runner.showInformation(QStringLiteral("Read Counter"), QStringLiteral("Read Counter Success"));
        });
}

void ExtendPage::initializeCounter()
{
    CommandRunner &runner = m_context.runner;
    runner.run(
        [this](quint8 address) -> std::optional<QByteArray> {
            const QString text = padCounter(m_counter->text());
            m_counter->setText(text);
            return CommandFrame(address, CmCounter, PmCounterSet, text.left(3).toLatin1());
        },
        [&runner](const Reply &) {
            runner.showInformation(QStringLiteral("InitializeI Counter"),
                                   QStringLiteral("InitializeI Counter Success"));
        });
}

void ExtendPage::readConfig()
{
    CommandRunner &runner = m_context.runner;
    runner.run(CmConfig, PmConfigRead, {}, [this, &runner](const Reply &r) {
        runner.state().ConfigBytes = configBytesFrom(r);
        ConfigForm form(runner.state().ConfigBytes, m_context.window);
        form.exec();
    });
}

void ExtendPage::readSerialNumber()
{
    CommandRunner &runner = m_context.runner;
    runner.run(CmSerialNumber, PmSerialNumberRead, QByteArray(1, SerialNumberRequest), [this, &runner](const Reply &r) {
        runner.state().UnitText = r.dataText();
        ReadSn window(runner.state().UnitText, m_context.window);
        window.exec();
    });
}

}  // namespace mdq
