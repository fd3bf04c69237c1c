#pragma once
// Puts the RF CARD page's controls into a state described as "NAME=VALUE"
// steps, so the handler tables read like the operator's actions:
//   combo box      SecNumberCombo=05 (item text) or RFCardUPCombbox=#3 (index)
//   option button  RfKeyAB2=on
//   cell row       SRFTextLIST=0011...FF (two characters per cell, "__" = empty)
//   text box       PurseValueText=100, TypeACAPDUText=00A4...

#include "support/main_fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringList>

namespace mdqtest {

inline void applyRfSetup(MainFixture &f, const QStringList &steps)
{
    for (const QString &step : steps) {
        const int eq = step.indexOf(QLatin1Char('='));
        const QString name = step.left(eq), value = step.mid(eq + 1);
        if (name.endsWith(QLatin1String("LIST"))) {
            for (int i = 0; 2 * i < value.size(); ++i) {
                const QString cell = value.mid(2 * i, 2);
                f.control<QLineEdit>(name, i)->setText(cell == QLatin1String("__") ? QString() : cell);
            }
            continue;
        }
        QWidget *w = f.control(name);
        if (auto *c = qobject_cast<QComboBox *>(w)) {
            if (c->isEditable())
                c->setEditText(value);
            else
                c->setCurrentIndex(value.startsWith(QLatin1Char('#')) ? value.mid(1).toInt() : c->findText(value));
        } else if (auto *r = qobject_cast<QRadioButton *>(w)) {
            r->setChecked(true);
        } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
            e->setText(value);
        } else {
            QTest::qFail(qPrintable(QStringLiteral("cannot set %1").arg(name)), __FILE__, __LINE__);
        }
    }
}

inline QByteArray hexBytes(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

}  // namespace mdqtest
