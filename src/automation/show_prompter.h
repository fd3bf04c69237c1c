#pragma once
// The prompter of `--script --show`: the same transcript lines and queued
// answers as a headless run, but every message box and question is the real
// one, on screen, answered after the step delay by a real click on its
// button. A box that does not close on that click ends the run with an error
// instead of hanging. Save dialogs still take the script's path as given.

#include "automation/script_prompter.h"

#include <functional>

namespace mdq {

class ShowPrompter : public ScriptPrompter
{
public:
    ShowPrompter(Transcript &transcript, QWidget *owner, int delayMs)
        : ScriptPrompter(transcript), m_owner(owner), m_delayMs(delayMs)
    {
    }
    void setOwner(QWidget *owner) { m_owner = owner; }
    // Called when a box took no input.
    void setOnStuck(std::function<void(const QString &title)> onStuck) { m_onStuck = std::move(onStuck); }

    void message(Icon icon, const QString &title, const QString &text) override;
    bool askOkCancel(Icon icon, const QString &title, const QString &text) override;
    bool isShowingBox() const override { return m_showing > 0; }

private:
    bool showAndPress(Icon icon, const QString &title, const QString &text, bool withCancel, bool pressOk);

    QWidget *m_owner;
    int m_delayMs;
    int m_showing = 0;
    std::function<void(const QString &)> m_onStuck;
};

}  // namespace mdq
