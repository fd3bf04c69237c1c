#pragma once
// Controls named and set the way the handler tables read, as an operator
// pastes or chooses (no key filter in between):
//   "ICText(3)"        the control of that index; a plain name: the one without
//   combo box          SecNumberCombo=05 (item text; editable: its text), RFCardUPCombbox=#3 (index)
//   tab widget         SSTab1=#2 (page)
//   option button      RfKeyAB2=on
//   cell row           SRFTextLIST=0011..FF (two characters a cell, "__" an empty one)
//   text box, label    PurseValueText=100

#include "support/main_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>

namespace mdqtest {

inline QWidget *findControl(QWidget *root, const QString &name)
{
    static const QRegularExpression indexed(QStringLiteral("^(\\w+)\\((\\d+)\\)$"));
    const auto m = indexed.match(name);
    return m.hasMatch() ? childOf<QWidget>(root, m.captured(1), m.captured(2).toInt()) : childOf<QWidget>(root, name);
}

// One step; false when the control is missing or cannot take the value.
inline bool setControl(QWidget *root, const QString &step)
{
    const int eq = int(step.indexOf(QLatin1Char('=')));
    const QString name = step.left(eq), value = step.mid(eq + 1);
    if (name.endsWith(QLatin1String("LIST"))) {
        for (int i = 0; 2 * i < value.size(); ++i) {
            const QString cell = value.mid(2 * i, 2);
            auto *e = childOf<QLineEdit>(root, name, i);
            if (!e)
                return false;
            e->setText(cell == QLatin1String("__") ? QString() : cell);
        }
        return true;
    }
    QWidget *w = findControl(root, name);
    const bool index = value.startsWith(QLatin1Char('#'));
    if (auto *t = qobject_cast<QTabWidget *>(w))
        t->setCurrentIndex(value.mid(1).toInt());
    else if (auto *c = qobject_cast<QComboBox *>(w); c && index)
        c->setCurrentIndex(value.mid(1).toInt());
    else if (c && c->isEditable())
        c->setEditText(value);
    else if (c && c->findText(value) >= 0)
        c->setCurrentIndex(c->findText(value));
    else if (auto *r = qobject_cast<QRadioButton *>(w))
        r->setChecked(true);
    else if (auto *e = qobject_cast<QLineEdit *>(w))
        e->setText(value);
    else if (auto *p = qobject_cast<QPlainTextEdit *>(w))
        p->setPlainText(value);
    else if (auto *l = qobject_cast<QLabel *>(w))
        l->setText(value);
    else
        return false;
    return true;
}

inline void applySetup(QWidget *root, const QStringList &steps)
{
    for (const QString &step : steps)
        if (!setControl(root, step))
            QTest::qFail(qPrintable(QStringLiteral("cannot set %1").arg(step)), __FILE__, __LINE__);
}

// What a control shows: a text box's or label's text, a combo box's current
// text, "#n" for a tab widget's page; "<missing>" when there is none.
inline QString controlValue(QWidget *root, const QString &name)
{
    QWidget *w = findControl(root, name);
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->text();
    if (auto *p = qobject_cast<QPlainTextEdit *>(w))
        return p->toPlainText();
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    if (auto *c = qobject_cast<QComboBox *>(w))
        return c->currentText();
    if (auto *t = qobject_cast<QTabWidget *>(w))
        return QStringLiteral("#%1").arg(t->currentIndex());
    return QStringLiteral("<missing>");
}

// Runs act on the main window or, when opener names the button that opens
// one (CPURUN, SIMRUN, ReaderResetBtn), inside that modal window, which Back
// then closes if the act left it open.
inline void actIn(MainFixture &f, const QString &opener, const std::function<void(QWidget *)> &act)
{
    if (opener.isEmpty())
        return act(&f.main);
    onModal([act](QWidget *w) {
        act(w);
        if (auto *back = childOf<QAbstractButton>(w, QStringLiteral("BackCmd")); back && w->isVisible())
            back->click();
    });
    f.click(opener);
}

// "F2 00 0A" -> bytes; blanks are ignored.
inline QByteArray hexBytes(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

}  // namespace mdqtest
