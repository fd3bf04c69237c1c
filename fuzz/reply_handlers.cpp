// Every command button's reply treatment fed arbitrary positive and negative
// replies of any length the buffer takes. Input: [button][window button][reply body...].
// The body (at least 'P'/'N' and ETX, BCC) is sent as the reply to every frame
// the handler sends. Nothing may crash or read outside the reply, and one
// click may raise only a bounded number of messages.

#include "shell/reader_main.h"
#include "support/fake_clock.h"
#include "support/fake_serial_port.h"
#include "support/recording_prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>

using namespace mdq;
using namespace mdqtest;

namespace {
QApplication *app()
{
    static int argc = 1;
    static char name[] = "reply_handlers";
    static char *argv[] = {name, nullptr};
    static QApplication *instance = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return instance;
}

QList<QPushButton *> commandButtons(QWidget *window)
{
    QList<QPushButton *> buttons;
    for (QPushButton *b : window->findChildren<QPushButton *>()) {
        const QString name = b->objectName();
        // Buttons that leave the program or open file dialogs are not reply handlers.
        if (name.isEmpty() || name == QLatin1String("EXITGRM") || name == QLatin1String("SaveSDTDText")
            || name == QLatin1String("IROpencom"))
            continue;
        buttons.append(b);
    }
    return buttons;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    app();
    if (size < 3)
        return 0;
    // One main window for every input (building it is most of the cost); each
    // input starts from an empty log, a fresh far end and no messages.
    // Kept for the process's life on purpose: destroying widgets after the
    // fuzzer's exit handlers have torn Qt down would crash.
    struct Rig
    {
        FakeClock clock;
        FakeSerialPort port{clock};
        RecordingPrompter prompter;
        ReaderMain main{port, clock, prompter};
    };
    static Rig *rig = new Rig;
    FakeSerialPort &port = rig->port;
    RecordingPrompter &prompter = rig->prompter;
    ReaderMain &main = rig->main;
    port.forgetAnswers();
    port.clearWrites();
    prompter.clear();
    main.log().clear();
    port.open(1, 9600);
    main.state().PortOpened = true;
    main.findChild<QCheckBox *>(QStringLiteral("CheckRecord"))->setChecked(data[0] & 0x80);

    QByteArray body(reinterpret_cast<const char *>(data + 2), int(qMin<size_t>(size - 2, 1025)));
    body[0] = (data[1] & 1) ? 'N' : 'P';
    if (body.size() < 2)
        body.append('\x03');
    const int len = int(body.size()) - 2;
    const QByteArray reply = QByteArray::fromHex("F200") + char(len >> 8) + char(len & 0xFF) + body;
    for (int i = 0; i < 16; ++i)
        port.answerWith(reply);

    const auto buttons = commandButtons(&main);
    if (buttons.isEmpty())
        return 0;
    QPushButton *button = buttons.at(data[0] % buttons.size());
    // A handler that opens a modal window: press one of its buttons, then close it.
    bool pressed = false;
    QTimer driver;
    driver.setInterval(0);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        const auto inner = commandButtons(modal);
        if (!pressed && !inner.isEmpty()) {
            pressed = true;
            inner.at(data[1] % inner.size())->click();
            return;
        }
        modal->close();
    });
    driver.start();
    button->click();
    driver.stop();
    while (QWidget *modal = QApplication::activeModalWidget())
        modal->close();
    if (prompter.shown().size() > 8)
        std::abort();
    return 0;
}
