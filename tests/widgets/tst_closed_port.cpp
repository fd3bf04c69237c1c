// Before "Setup Comm" every command button refuses the same way: the one
// caution "Comm. Port Setup First", nothing on the line, the log untouched and
// no window opened. The walk takes every push button of the main window's
// pages and of the CPU card and SAM windows, so a new command button that
// forgets the check fails here. The buttons of the pages without commands
// (AT88SC102/1604/1608, AT45D041, the life counter) do nothing even when open.

#include "support/control_setup.h"

#include <QPushButton>

using namespace mdqtest;

namespace {
// Buttons that send nothing: the port and log controls, the windows' Back,
// and the pages whose cards the reader has no commands for.
bool sendsNothing(const QString &name)
{
    static const QStringList own{"EXITGRM", "IROpencom", "IRCLOSECOM", "ClearSDTDText", "SaveSDTDText", "BackCmd",
                                 "StopWaitBtn"};
    return own.contains(name) || name.startsWith(QLatin1String("ATC")) || name.startsWith(QLatin1String("AT45"));
}

// Clicks every command button under root; returns their names.
QStringList clickAll(MainFixture &f, QWidget *root)
{
    QStringList clicked;
    for (QPushButton *b : root->findChildren<QPushButton *>()) {
        if (sendsNothing(b->objectName()))
            continue;
        f.prompter.clear();
        b->click();
        const QString name = b->objectName() + QLatin1Char(' ') + b->text();
        if (f.prompter.shown() != QList<Shown>{{mdq::Icon::Exclamation, "Caution", "Comm. Port Setup First"}})
            QTest::qFail(qPrintable(name + QStringLiteral(" did not refuse")), __FILE__, __LINE__);
        clicked << b->objectName();
    }
    return clicked;
}
}  // namespace

class TestClosedPort : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyCommandButtonRefuses()
    {
        MainFixture f;
        f.main.log().append(QStringLiteral("earlier\r\n"));
        const QStringList main = clickAll(f, &f.main);
        QCOMPARE(main.size(), 59);
        QVERIFY(main.contains(QStringLiteral("CPURUN")) && main.contains(QStringLiteral("SIMRUN")));

        // The CPU card and SAM windows open on a connected port; the port is
        // then marked closed, as after "Close Comm" elsewhere.
        for (const char *window : {"CPURUN", "SIMRUN"}) {
            f.main.state().PortOpened = true;
            f.port.open(1, 9600);
            QStringList inWindow;
            actIn(f, QLatin1String(window), [&](QWidget *w) {
                f.main.state().PortOpened = false;
                inWindow = clickAll(f, w);
            });
            QCOMPARE(inWindow.size(), QLatin1String(window) == QLatin1String("CPURUN") ? 5 : 6);
        }
        QVERIFY(f.port.writes().isEmpty());
        QCOMPARE(f.log(), QStringLiteral("earlier\r\n"));
    }

    void buttonsWithoutAnOperationDoNothingOnAnOpenPort()
    {
        MainFixture f;
        f.connectPort();
        int clicked = 0;
        for (QAbstractButton *b : f.main.findChildren<QAbstractButton *>()) {
            const QString name = b->objectName();
            if (name.startsWith(QLatin1String("ATC")) || name.startsWith(QLatin1String("AT45"))
                || name == QLatin1String("ReadReaderLifeOption")) {
                b->click();
                ++clicked;
            }
        }
        QVERIFY(clicked > 20);
        QVERIFY(f.port.writes().isEmpty());
        QVERIFY(f.prompter.shown().isEmpty());
        QCOMPARE(controlValue(&f.main, "IRLifeEdit"), QStringLiteral("00000000"));
    }
};

QTEST_MAIN(TestClosedPort)
#include "tst_closed_port.moc"
