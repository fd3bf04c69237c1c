#include "contactless/rf_card_page.h"
#include "ui/widgets.h"

#include "contactless/cpu_apdu_panel.h"
#include "contactless/mifare_block_panel.h"
#include "contactless/mifare_key_panel.h"
#include "contactless/mifare_purse_panel.h"
#include "contactless/rf_activation.h"
#include "contactless/ultralight_panel.h"
#include "ui/reader_context.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace mdq {

namespace {

template <class T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// "Card SN" and its display, above a card page.
QHBoxLayout *serialRow(QWidget *page, QLabel *display)
{
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Card SN"), page));
    display->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(display, 1);
    return row;
}

ResponseBox *answerBox(QWidget *page, const char *name)
{
    auto *box = named(new ResponseBox(page), name);
    box->setReadOnly(true);
    return box;
}

}  // namespace

RfCardPage::RfCardPage(ReaderContext &context, QWidget *parent) : QWidget(parent), m_context(context)
{
    CommandRunner &runner = m_context.runner;
    RfDisplays d;
    d.SSTab1 = m_context.SSTab1;
    d.SSTab3 = named(new QTabWidget(this), "SSTab3");
    d.SSTab4 = named(new QTabWidget(d.SSTab3), "SSTab4");

    // S50/S70
    auto *classic = new QWidget(d.SSTab4);
    auto *classicLayout = new QVBoxLayout(classic);
    d.RFmessageLabel = named(new QLabel(classic), "RFmessageLabel");
    classicLayout->addLayout(serialRow(classic, d.RFmessageLabel));
    auto *keys = new MifareKeyPanel(runner, classic);
    const auto sector = [keys] { return keys->sector(); };
    classicLayout->addWidget(keys);
    classicLayout->addWidget(new MifareBlockPanel(runner, sector, classic));
    classicLayout->addWidget(new MifarePursePanel(runner, sector, classic));
    classicLayout->addStretch(1);

    // Ultralight
    auto *ultralight = new QWidget(d.SSTab4);
    auto *ulLayout = new QVBoxLayout(ultralight);
    d.ULRFmessage = named(new QLabel(ultralight), "ULRFmessage");
    ulLayout->addLayout(serialRow(ultralight, d.ULRFmessage));
    ulLayout->addWidget(new UltralightPanel(runner, ultralight), 1);

    d.SSTab4->addTab(classic, QStringLiteral("S50/S70"));
    d.SSTab4->addTab(ultralight, QStringLiteral("Ultralight"));

    // Type A CPU
    auto *typeA = new QWidget(d.SSTab3);
    auto *aLayout = new QVBoxLayout(typeA);
    d.CPURFTypeAmessage = named(new QLabel(typeA), "CPURFTypeAmessage");
    aLayout->addLayout(serialRow(typeA, d.CPURFTypeAmessage));
    aLayout->addWidget(new QLabel(QStringLiteral("ATR Information"), typeA));
    d.ATRTypeAText = answerBox(typeA, "ATRTypeAText");
    aLayout->addWidget(d.ATRTypeAText);
    aLayout->addWidget(new CpuApduPanel(runner, CpuApduPanel::TypeA, typeA));
    aLayout->addStretch(1);

    // Type B CPU
    auto *typeB = new QWidget(d.SSTab3);
    auto *bLayout = new QVBoxLayout(typeB);
    bLayout->addWidget(new QLabel(QStringLiteral("ATR Information"), typeB));
    d.ATRTypeBText = answerBox(typeB, "ATRTypeBText");
    bLayout->addWidget(d.ATRTypeBText);
    bLayout->addWidget(new CpuApduPanel(runner, CpuApduPanel::TypeB, typeB));
    bLayout->addStretch(1);

    d.SSTab3->addTab(d.SSTab4, QStringLiteral("MIFARE"));
    d.SSTab3->addTab(typeA, QStringLiteral("CPU Card(TYPE A)"));
    d.SSTab3->addTab(typeB, QStringLiteral("CPU Card(TYPE B)"));

    m_activation = new RfActivationPanel(runner, d, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_activation);
    layout->addWidget(d.SSTab3, 1);
}

void RfCardPage::testType()
{
    m_activation->testType();
}

}  // namespace mdq
