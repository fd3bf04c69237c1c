#pragma once
// What the panels and secondary windows reach through the main window.

#include "ui/command_runner.h"

#include <functional>

class QTabWidget;
class QWidget;

namespace mdq {

class Remembered;

struct ReaderContext
{
    CommandRunner &runner;
    QWidget *window = nullptr;        // ReaderMain: owner of every modal window
    QTabWidget *SSTab1 = nullptr;     // the page tab control
    Remembered *remembered = nullptr; // never null once the main window is made
    std::function<void(quint8)> setAddress = {};  // selects a device address in cmbAddress820
};

}  // namespace mdq
