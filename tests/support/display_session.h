#pragma once
// The tool as a person meets it on a real display: the virtual reader on a
// real pty, the real serial port, the real prompter (real message boxes), the
// main window and the virtual reader window shown. The clock runs fast so the
// reader's silences cost milliseconds.

#include "app/virtual_reader_window.h"
#include "shell/reader_main.h"
#include "platform/port_map.h"
#include "platform/prompter.h"
#include "platform/qt_serial_port.h"
#include "support/e2e_session.h"
#include "support/operator.h"

#include <memory>
#include <virtual_reader.h>

namespace mdq {
class Remembered;
}

namespace mdqtest {

class DisplaySession
{
public:
    // remembered: the settings the tool keeps between runs (none by default).
    explicit DisplaySession(int clockScale = 20, mdq::Remembered *remembered = nullptr);
    ~DisplaySession();

    bool started() const { return m_started; }
    sim::VirtualReader &reader() { return m_reader; }
    mdq::ReaderMain &main() { return *m_main; }
    mdq::VirtualReaderWindow &bench() { return *m_bench; }

    // COMn leads to the virtual reader as well as COM1.
    void alsoMap(int n) { m_map.map(n, m_reader.devicePath()); }
    // Opens COM1 and sets PortOpened, as a successful Setup Comm does.
    void connect();
    // A control of the main window (or of any window given).
    template <class T = QWidget>
    T *control(const QString &name, QWidget *in = nullptr) const
    {
        return (in ? in : static_cast<QWidget *>(m_main.get()))->findChild<T *>(name);
    }
    // Brings the main window's tab page holding w to the front.
    void bringToFront(QWidget *w);
    // A real click on a main-window control, its tab page brought forward.
    void click(const QString &name);
    QString status() const;
    QString sim(const QString &line) { return m_reader.control(line); }

private:
    sim::VirtualReader m_reader;
    bool m_started = false;
    mdq::PortMap m_map;
    ScaledClock m_clock;
    mdq::QtSerialPort m_port;
    mdq::QtPrompter m_prompter;
    std::unique_ptr<mdq::ReaderMain> m_main;
    std::unique_ptr<mdq::VirtualReaderWindow> m_bench;
};

}  // namespace mdqtest
