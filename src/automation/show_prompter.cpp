#include "automation/show_prompter.h"

#include "automation/real_input.h"
#include "automation/transcript.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace mdq {

namespace {
constexpr int kCloseWithinMs = 3000;
}  // namespace

void ShowPrompter::message(Icon icon, const QString &title, const QString &text)
{
    ScriptPrompter::message(icon, title, text);
    showAndPress(icon, title, text, false, true);
}

bool ShowPrompter::askOkCancel(Icon icon, const QString &title, const QString &text)
{
    ScriptPrompter::message(icon, title, text);
    const bool ok = takeAnswer();
    const bool pressedOk = showAndPress(icon, title, text, true, ok);
    transcript().line(pressedOk ? QStringLiteral("answer OK") : QStringLiteral("answer Cancel"));
    return pressedOk;
}

bool ShowPrompter::showAndPress(Icon icon, const QString &title, const QString &text, bool withCancel, bool pressOk)
{
    std::unique_ptr<QMessageBox> owned(QtPrompter::createBox(icon, title, text, withCancel, m_owner));
    QMessageBox &box = *owned;
    QPointer<QMessageBox> guard(&box);
    bool stuck = false;
    // After the delay, a real click on the button a person would press; if the
    // box is still there a while later, it took no input.
    QTimer::singleShot(m_delayMs, &box, [guard, pressOk, &stuck] {
        if (!guard)
            return;
        if (QAbstractButton *b = guard->button(pressOk ? QMessageBox::Ok : QMessageBox::Cancel))
            realinput::click(b);
        QTimer::singleShot(kCloseWithinMs, guard.data(), [guard, &stuck] {
            if (guard && guard->isVisible()) {
                stuck = true;
                guard->hide();
            }
        });
    });
    ++m_showing;
    const int result = box.exec();
    --m_showing;
    if (stuck && m_onStuck)
        m_onStuck(title);
    return result == QMessageBox::Ok;
}

}  // namespace mdq
