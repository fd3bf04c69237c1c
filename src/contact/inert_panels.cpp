#include "contact/inert_panels.h"

#include "contact/panel_widgets.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <initializer_list>

namespace mdq {

namespace {

struct Box
{
    const char *label;
    const char *name;
};

struct Control
{
    const char *name;
    const char *caption;
};

QWidget *makePage(QWidget *parent, std::initializer_list<Control> buttons, std::initializer_list<Control> options,
                  std::initializer_list<Box> boxes, FilteredLineEdit::Filter filter)
{
    auto *page = new QWidget(parent);
    auto *grid = new QGridLayout(page);
    int row = 0;
    for (const Box &b : boxes) {
        grid->addWidget(new QLabel(QString::fromLatin1(b.label), page), row, 0);
        grid->addWidget(makeByteBox(page, QString::fromLatin1(b.name), QString(), filter), row, 1);
        ++row;
    }
    int i = 0;
    for (const Control &o : options) {
        auto *radio = new QRadioButton(QString::fromLatin1(o.caption), page);
        setControlName(radio, QString::fromLatin1(o.name), i);
        radio->setChecked(i == 0);
        grid->addWidget(radio, i, 2);
        ++i;
    }
    // No reader command exists for these cards: the buttons say so instead
    // of doing nothing in silence. The boxes and options stay usable.
    i = 0;
    for (const Control &b : buttons) {
        QPushButton *button = makeButton(page, QString::fromLatin1(b.name), QString::fromLatin1(b.caption));
        button->setEnabled(false);
        button->setToolTip(noCommandReason());
        grid->addWidget(button, i / 2, 3 + i % 2);
        ++i;
    }
    const int last = qMax(row, (i + 1) / 2);
    auto *note = new QLabel(noCommandReason(), page);
    note->setEnabled(false);
    grid->addWidget(note, last, 0, 1, 5);
    grid->setRowStretch(last + 1, 1);
    return page;
}

}  // namespace

QString noCommandReason()
{
    return QStringLiteral("The MDQ-820 command set has no command for this card");
}

QWidget *makeAt88sc102Page(QWidget *parent)
{
    return makePage(parent,
                    {{"ATC102Reset", "Card Reset"}, {"ATC102Pass", "Check Password"},
                     {"ATC102Change", "Change Password"}, {"ATC102Read", "Read Zone"}, {"ATC102Write", "Write Zone"},
                     {"ATC102Erase", "Erase Zone"}, {"ATC102Fuse", "Burn Fuse"}},
                    {{"ATC102Zone", "Application Zone 1"}, {"ATC102Zone", "Application Zone 2"}},
                    {{"Address:", "ATC102Add"}, {"Length:", "ATC102Long"}, {"Password:", "ATC102pass1"},
                     {"", "ATC102pass2"}},
                    FilteredLineEdit::Filter::Any);
}

QWidget *makeAt88sc1604Page(QWidget *parent)
{
    return makePage(parent,
                    {{"ATC1604Reset", "Card Reset"}, {"ATC1604Pass", "Check Password"},
                     {"ATC1604Change", "Change Password"}, {"ATC1604Read", "Read Zone"},
                     {"ATC1604Write", "Write Zone"}, {"ATC1604Erase", "Erase Zone"}},
                    {{"ATC1604Zone", "Zone 1"}, {"ATC1604Zone", "Zone 2"}, {"ATC1604Zone", "Zone 3"},
                     {"ATC1604Zone", "Zone 4"}},
                    {{"A6 Format:", "ATC1604A6format"}, {"Address:", "ATC1604add1"}, {"", "ATC1604add2"},
                     {"Length:", "ATC1604Long"}, {"Password:", "ATC1604pass1"}, {"", "ATC1604pass2"}},
                    FilteredLineEdit::Filter::Hex);
}

QWidget *makeAt88sc1608Page(QWidget *parent)
{
    return makePage(parent,
                    {{"ATC1608Reset", "Card Reset"}, {"ATC1608Pass", "Check Password"},
                     {"ATC1608Read", "Read Zone"}, {"ATC1608Write", "Write Zone"}, {"ATC1608Fuse", "Read Fuse"},
                     {"ATC1608Auth", "Authentication"}},
                    {{"ATC1608Zone", "User Zone"}, {"ATC1608Zone", "Configuration Zone"}},
                    {{"Address:", "ATC1608Add"}, {"Length:", "ATC1608Long"}, {"Password:", "ATC1608pass1"},
                     {"", "ATC1608pass2"}, {"", "ATC1608pass3"}, {"Authentication:", "ATC1608Vri01"},
                     {"", "ATC1608Vri02"}, {"", "ATC1608Vri03"}, {"", "ATC1608Vri04"}, {"", "ATC1608Vri05"},
                     {"", "ATC1608Vri06"}, {"", "ATC1608Vri07"}, {"", "ATC1608Vri08"}},
                    FilteredLineEdit::Filter::Hex);
}

QWidget *makeAt45d041Page(QWidget *parent)
{
    return makePage(parent,
                    {{"AT45Reset", "Card Reset"}, {"AT45Read", "Read Page"}, {"AT45Write", "Write Page"},
                     {"AT45Erase", "Erase Page"}},
                    {{"AT45Buffer", "Buffer 1"}, {"AT45Buffer", "Buffer 2"}},
                    {{"Page:", "AT45Page1"}, {"", "AT45Page2"}, {"Address:", "AT45Add"}, {"Length:", "AT45Long"}},
                    FilteredLineEdit::Filter::Any);
}

}  // namespace mdq
