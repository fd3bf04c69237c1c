#include "contactless/rf_activation.h"

#include "contactless/rf_widgets.h"
#include "ui/command_runner.h"
#include "ui/widgets.h"
#include "link/commands.h"
#include "link/frame.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace mdq {

namespace {

const QString CrLf = QStringLiteral("\r\n");

struct TypeCode
{
    const char *code;
    const char *testText;
    const char *statusText;
    int tab1, tab3, tab4;  // pages the type test brings forward, -1 none
};

const TypeCode kTypeCodes[] = {
    {"00", "Unknow Type", "Non_card", -1, -1, -1},
    {"10", "S50 card", "Mifare one S50 card", 0, 0, 0},
    {"11", "S70 card", "Mifare one S70 card", 0, 0, 0},
    {"12", "Ultralight card", "Mifare one UL card", 0, 0, 1},
    {"20", "Type A CPU", "Type A CPU card", 0, 1, -1},
    {"30", "Type B CPU", "Type B CPU card", 0, 2, -1},
};
const TypeCode kUnknownType = {"", "Unknow Error", "", -1, -1, -1};

const TypeCode &typeCode(const Reply &reply)
{
    const QString code = QString::fromLatin1(reply.bytes(6, 7)).trimmed();
    for (const auto &t : kTypeCodes) {
        if (code == QLatin1String(t.code))
            return t;
    }
    return kUnknownType;
}

struct SearchOrder
{
    const char *item;
    char first, second;
};

const SearchOrder kSearchOrders[] = {
    {"Type A,Type B", 'A', 'B'},
    {"Type B,Type A", 'B', 'A'},
    {"Type A(Only)", 'A', '0'},
    {"Type B(Only)", 'B', '0'},
};

// Mifare kinds by the second ATQA byte.
struct MifareKind
{
    quint8 atqa;
    const char *text;
    bool ultralight;
};

const MifareKind kMifareKinds[] = {
    {0x44, "Mifare one UL card", true},
    {0x04, "Mifare one S50 card", false},
    {0x02, "Mifare one S70 card", false},
};

}  // namespace

RfActivationPanel::RfActivationPanel(CommandRunner &runner, const RfDisplays &displays, QWidget *parent)
    : QGroupBox(QStringLiteral("RF Card Operation"), parent), m_runner(runner), m_displays(displays)
{
    auto *row = new QHBoxLayout(this);
    m_order = new QComboBox(this);
    m_order->setObjectName(QStringLiteral("RFCardUPCombbox"));
    for (const auto &o : kSearchOrders)
        m_order->addItem(QString::fromLatin1(o.item));
    m_order->setCurrentIndex(0);
    auto *up = makeButton(this, QStringLiteral("RFCardUPBtn"), QStringLiteral("Activate"));
    auto *down = makeButton(this, QStringLiteral("RFCardDownBtn"), QStringLiteral("Deactivate"));
    auto *status = makeButton(this, QStringLiteral("RFCardStatusBtn"), QStringLiteral("Inquire Status"));
    row->addWidget(m_order);
    row->addWidget(up);
    row->addWidget(down);
    row->addWidget(status);
    row->addStretch(1);
    connect(up, &QPushButton::clicked, this, &RfActivationPanel::activate);
    connect(down, &QPushButton::clicked, this, &RfActivationPanel::deactivate);
    connect(status, &QPushButton::clicked, this, &RfActivationPanel::inquireStatus);
}

void RfActivationPanel::showPages(int tab1, int tab3, int tab4)
{
    const std::pair<QTabWidget *, int> pages[] = {
        {m_displays.SSTab1, tab1}, {m_displays.SSTab3, tab3}, {m_displays.SSTab4, tab4}};
    for (const auto &[tabs, page] : pages) {
        if (tabs && page >= 0)
            tabs->setCurrentIndex(page);
    }
}

void RfActivationPanel::testType()
{
    m_runner.run(CmCardType, PmTypeRf, {}, [this](const Reply &r) {
        const TypeCode &t = typeCode(r);
        showPages(t.tab1, t.tab3, t.tab4);
        m_runner.showInformation(QStringLiteral("Test RF Type"),
                                 QStringLiteral("Test RF Type Complete") + CrLf + QString::fromLatin1(t.testText));
    });
}

void RfActivationPanel::activate()
{
    m_runner.run(
        [this](quint8 address) -> std::optional<QByteArray> {
            m_displays.RFmessageLabel->clear();
            m_displays.ULRFmessage->clear();
            m_displays.CPURFTypeAmessage->clear();
            m_displays.ATRTypeBText->clear();
            m_displays.ATRTypeAText->clear();
            QByteArray order(2, '\0');  // no choice made: 00h 00h
            const int i = m_order->currentIndex();
            if (i >= 0 && i < int(std::size(kSearchOrders))) {
                order[0] = kSearchOrders[i].first;
                order[1] = kSearchOrders[i].second;
            }
            return CommandFrame(address, CmRf, PmRfActivate, order);
        },
        [this](const Reply &r) { showActivation(r); });
}

void RfActivationPanel::showActivation(const Reply &r)
{
    const int l = r.length();
    switch (r.at(6)) {
    case 'M': {
        const quint8 atqa = r.at(8);
        QString kindText;
        for (const auto &k : kMifareKinds) {
            if (k.atqa != atqa)
                continue;
            kindText = QString::fromLatin1(k.text);
            const QString serial = bytesHex(r.bytes(10, 9 + r.at(9)));
            (k.ultralight ? m_displays.ULRFmessage : m_displays.RFmessageLabel)->setText(serial);
            showPages(0, 0, k.ultralight ? 1 : 0);
        }
        m_runner.showInformation(QStringLiteral("Activate"), QStringLiteral("The RF Card is activated") + CrLf + kindText);
        break;
    }
    case 'A': {
        const int n = r.at(9);
        m_displays.CPURFTypeAmessage->setText(bytesHex(r.bytes(10, 9 + n)));
        // The byte after the serial number is not shown; the answer to select follows it.
        m_displays.ATRTypeAText->setText(bytesHex(r.bytes(11 + n, l - 3)));
        showPages(0, 1, -1);
        m_runner.showInformation(QStringLiteral("Activate"),
                                 QStringLiteral("The RF Card is activated ") + CrLf
                                     + QStringLiteral("the card in line with ISO / IEC 14443 Type A protocol"));
        break;
    }
    case 'B':
        m_displays.ATRTypeBText->setText(bytesHex(r.bytes(7, l - 3)));
        showPages(0, 2, -1);
        m_runner.showInformation(QStringLiteral("Activate"),
                                 QStringLiteral("The RF Card is activated ") + CrLf
                                     + QStringLiteral("the card in line with ISO / IEC 14443 Type B protocol"));
        break;
    default:
        break;
    }
}

void RfActivationPanel::deactivate()
{
    m_runner.run(CmRf, PmRfDeactivate, {}, [this](const Reply &) {
        m_runner.showInformation(QStringLiteral("Deactivate"), QStringLiteral("Deactivate Success"));
    });
}

void RfActivationPanel::inquireStatus()
{
    m_runner.run(CmRf, PmRfStatus, {}, [this](const Reply &r) {
        m_runner.showInformation(QStringLiteral("Inquire Status"), QStringLiteral("The RF Card is activated") + CrLf
                                                                       + QString::fromLatin1(typeCode(r).statusText));
    });
}

}  // namespace mdq
