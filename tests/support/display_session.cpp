#include "support/display_session.h"

#include "ui/widgets.h"

#include "link/shared_state.h"
#include "ui/status_bar.h"

#include <QApplication>
#include <QScreen>
#include <QStackedWidget>
#include <QTabWidget>
#include <QtTest/QTest>

namespace mdqtest {

DisplaySession::DisplaySession(int clockScale, mdq::Remembered *remembered) : m_clock(clockScale), m_port(m_map)
{
    m_started = m_reader.start();
    m_map.map(1, m_reader.devicePath());
    m_main = std::make_unique<mdq::ReaderMain>(m_port, m_clock, m_prompter);
    m_main->setRemembered(remembered);
    m_prompter.setOwner(m_main.get());
    m_bench = std::make_unique<mdq::VirtualReaderWindow>([this](const QString &line) { return m_reader.control(line); },
                                                         m_reader.devicePath());
    m_main->move(0, 0);
    m_main->show();
    m_bench->move(m_main->frameGeometry().topRight() + QPoint(8, 0));
    m_bench->show();
    waitExposed(m_main.get());
    waitExposed(m_bench.get());
    m_main->activateWindow();
    QApplication::setActiveWindow(m_main.get());
}

DisplaySession::~DisplaySession()
{
    m_port.close();
    m_bench.reset();
    m_main.reset();
    m_reader.stop();
}

void DisplaySession::connect()
{
    m_port.open(1, 9600);
    m_main->state().PortOpened = true;
}

void DisplaySession::bringToFront(QWidget *w)
{
    mdq::bringIntoView(w);
    QTest::qWait(20);
}

void DisplaySession::click(const QString &name)
{
    QWidget *w = control(name);
    if (!w) {
        QTest::qFail(qPrintable(QStringLiteral("no control %1").arg(name)), __FILE__, __LINE__);
        return;
    }
    bringToFront(w);
    realClick(w);
}

QString DisplaySession::status() const
{
    return m_main->statusBar()->text();
}

}  // namespace mdqtest
