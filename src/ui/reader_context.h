#pragma once
// What the panels and secondary windows reach through the main window.

#include "ui/command_runner.h"

class QTabWidget;
class QWidget;

namespace mdq {

struct ReaderContext
{
    CommandRunner &runner;
    QWidget *window = nullptr;        // ReaderMain: owner of every modal window
    QTabWidget *SSTab1 = nullptr;     // the page tab control
};

}  // namespace mdq
