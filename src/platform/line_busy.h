#pragma once
// While a command is on the line the windows keep painting but the operator's
// clicks and keys are dropped (not queued: a click made during a 12-second wait
// must not fire a second command afterwards). Three things still get through:
//  - Escape, which asks the wait to stop;
//  - the control marked as the stop control (the status bar's Stop button);
//  - windows marked as never blocked (the virtual reader: it is the bench,
//    not part of the tool), and any modal window opened after the line went
//    busy, so no window can ever be shown that takes no input.

#include <functional>

class QWidget;

namespace mdq {

class LineBusy
{
public:
    // onStop runs when the operator asks the wait to stop (Escape, Stop).
    explicit LineBusy(std::function<void()> onStop = {});
    ~LineBusy();
    LineBusy(const LineBusy &) = delete;
    LineBusy &operator=(const LineBusy &) = delete;

    static bool active();
    // Asks the innermost wait to stop; false when nothing is on the line.
    static bool requestStop();
};

// Marks a window whose input is never refused (and which no modal window of
// the tool blocks).
void markNeverBlocked(QWidget *window);
bool isNeverBlocked(const QWidget *window);
// Marks the control that stops a wait: clicks on it get through while busy.
void markStopControl(QWidget *control);

// Lets the window system repaint (and timers run) while refusing user input as
// described above; a no-op without an application object and on any thread
// but the user-interface thread.
void keepWindowsPainted();

}  // namespace mdq
