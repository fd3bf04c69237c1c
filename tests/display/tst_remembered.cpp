// Settings kept between runs, on a real display. The tool is started twice
// with one settings file: what the first run chose (port and baud rate of a
// good connection, address, Record Data, window size) is there in the second.
// A run with settings off (--fresh) starts from the defaults; the program
// itself writes its settings when run normally, and writes nothing with
// --fresh or in a script.

#include "support/display_session.h"
#include "support/operator.h"
#include "support/program_run.h"
#include "ui/remembered.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QLabel>
#include <QtTest/QTest>

using namespace mdqtest;

namespace {

struct SettingsSeen
{
    QString port;
    QString baud;
};

// Opens the settings window with a real click and reads what it proposes;
// with connect, also sets COM3 at 19200 baud and presses OK (a link test
// against the virtual reader), else closes it.
SettingsSeen settingsWindow(DisplaySession &s, bool connect)
{
    SettingsSeen seen;
    Operator op;
    op.then([&](QWidget *window) {
        auto *port = window->findChild<QComboBox *>(QStringLiteral("PortCombo"));
        auto *baud = window->findChild<QComboBox *>(QStringLiteral("BaudCombo"));
        seen = {port->currentText(), baud->currentText()};
        if (!connect) {
            window->close();
            return;
        }
        port->setEditText(QStringLiteral("COM3"));
        baud->setEditText(QStringLiteral("19200 bits/s"));
        realClick(window->findChild<QWidget *>(QStringLiteral("Command1")));
    });
    s.click(QStringLiteral("IROpencom"));
    waitFor([&] { return op.seen().size() == 1 && !QApplication::activeModalWidget(); }, 10000);
    return seen;
}

QByteArray digest(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

}  // namespace

class TestRemembered : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keptBetweenRuns()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("qtest820.conf"));
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
        QSize size;
        {
            auto remembered = mdq::Remembered::inFile(file);
            DisplaySession s(20, remembered.get());
            QVERIFY(s.started());
            s.alsoMap(3);
            s.sim(QStringLiteral("baud 19200"));
            s.sim(QStringLiteral("address 5"));
            s.control<QComboBox>(QStringLiteral("cmbAddress820"))->setCurrentText(QStringLiteral("5"));
            s.click(QStringLiteral("CheckRecord"));
            s.click(QStringLiteral("CheckSessionTrace"));
            const SettingsSeen first = settingsWindow(s, true);
            QCOMPARE(first.port, QStringLiteral("COM1"));
            QVERIFY2(s.main().state().PortOpened, qPrintable(s.status()));
            s.main().resize(s.main().minimumSizeHint().expandedTo(QSize(640, 480)));
            QVERIFY(waitFor([&] { return s.main().width() <= 700; }));
            size = s.main().size();
        }
        {
            auto remembered = mdq::Remembered::inFile(file);
            DisplaySession s(20, remembered.get());
            QVERIFY(s.started());
            QCOMPARE(s.control<QComboBox>(QStringLiteral("cmbAddress820"))->currentText(), QStringLiteral("5"));
            QCOMPARE(s.control<QCheckBox>(QStringLiteral("CheckRecord"))->isChecked(), true);
            // The session trace is on again, in a file of this run's own.
            QCOMPARE(s.control<QCheckBox>(QStringLiteral("CheckSessionTrace"))->isChecked(), true);
            const QString shown = s.control<QLabel>(QStringLiteral("SessionTracePath"))->text();
            QVERIFY2(shown.startsWith(dir.filePath(QStringLiteral("data/qtest820/traces/qtest820-trace-"))) && QFile::exists(shown),
                     qPrintable(shown));
            QCOMPARE(s.main().size(), size);
            const SettingsSeen second = settingsWindow(s, false);
            QCOMPARE(second.port, QStringLiteral("COM3"));
            QCOMPARE(second.baud, QStringLiteral("19200 bits/s"));
        }
        {
            // Settings off, as with --fresh: the windows' own defaults.
            DisplaySession s;
            QVERIFY(s.started());
            QCOMPARE(s.control<QComboBox>(QStringLiteral("cmbAddress820"))->currentText(), QStringLiteral("0"));
            QCOMPARE(s.control<QCheckBox>(QStringLiteral("CheckRecord"))->isChecked(), false);
            QCOMPARE(s.control<QCheckBox>(QStringLiteral("CheckSessionTrace"))->isChecked(), false);
            const SettingsSeen fresh = settingsWindow(s, false);
            QCOMPARE(fresh.port, QStringLiteral("COM1"));
            QCOMPARE(fresh.baud, QStringLiteral("9600 bits/s"));
        }
    }

    void programWritesOnlyWhenAsked()
    {
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        const QString file = home.filePath(QStringLiteral("qtest820/qtest820.conf"));
        {
            auto seed = mdq::Remembered::inFile(file);
            seed->setValue(mdq::remembered::Address, QStringLiteral("7"));
        }
        const QByteArray before = digest(file);
        QVERIFY(!before.isEmpty());

        // A script starts fresh and leaves the file alone.
        ProgramOptions script;
        script.input = "print cmbAddress820\nselect cmbAddress820 3\n";
        const ProgramRun scripted = runProgram({QStringLiteral("--script"), QStringLiteral("-")}, script);
        QCOMPARE(scripted.code, 0);
        QVERIFY2(scripted.out.contains(QLatin1String("value cmbAddress820 \"0\"")), qPrintable(scripted.out));
        QCOMPARE(digest(file), before);

        // So does an interactive --fresh run ...
        ProgramOptions interactive;
        interactive.terminateAfterMs = 1500;
        const ProgramRun fresh = runProgram({QStringLiteral("--fresh")}, interactive);
        QCOMPARE(fresh.code, 128 + 15);
        QCOMPARE(digest(file), before);

        // ... while a normal one keeps where its window was.
        const ProgramRun normal = runProgram({}, interactive);
        QCOMPARE(normal.code, 128 + 15);
        QVERIFY(digest(file) != before);
        QSettings kept(file, QSettings::IniFormat);
        QCOMPARE(kept.value(mdq::remembered::Address).toString(), QStringLiteral("7"));
        QVERIFY(!kept.value(QStringLiteral("windows/ReaderMain")).toByteArray().isEmpty());
    }
};

QTEST_MAIN(TestRemembered)
#include "tst_remembered.moc"
