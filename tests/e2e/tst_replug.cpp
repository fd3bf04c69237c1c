// A reader whose adapter is unplugged and plugged in again, over real ptys.
// The COM number leads to the reader through a link, as /dev/serial/by-id
// does for a USB adapter: either the same path comes back, or (bound by the
// adapter's serial number) a link under another name to another device.
// While the device is away commands are refused with a message naming it and
// nothing is sent; when it returns the port reopens by itself with the same
// settings, the link test runs, and the next command goes to the reader.

#include "link/traffic_log.h"
#include "support/e2e_session.h"
#include "setup/comportset.h"
#include "ui/remembered.h"
#include "ui/status_bar.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <functional>

using namespace mdqtest;


class TestReplug : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readerComesBack_data()
    {
        QTest::addColumn<bool>("byUsbSerial");
        QTest::newRow("same path") << false;
        QTest::newRow("usb: binding, another device") << true;
    }

    void readerComesBack()
    {
        QFETCH(bool, byUsbSerial);
        QTemporaryDir dir;
        const QString byId = dir.filePath(QStringLiteral("by-id"));
        QDir().mkpath(byId);
        qputenv("QTEST820_BY_ID_DIR", byId.toUtf8());
        const QString link = byUsbSerial ? byId + QStringLiteral("/usb-Bench_Adapter_SER42-if00-port0")
                                         : dir.filePath(QStringLiteral("reader"));

        auto remembered = mdq::Remembered::inFile(dir.filePath(QStringLiteral("qtest820.conf")));
        E2eSession s;
        QVERIFY(s.started());
        s.main().setRemembered(remembered.get());
        QVERIFY(QFile::link(s.reader().devicePath(), link));
        s.portMap().map(1, byUsbSerial ? QStringLiteral("usb:SER42") : link);
        const QStringList connect = s.run(QStringLiteral("click IROpencom\nclick Command1\n"));
        QVERIFY2(s.main().state().PortOpened, qPrintable(connect.join(QLatin1Char('\n'))));
        const QString first = s.main().port().deviceName();
        QCOMPARE(first, QFileInfo(s.reader().devicePath()).canonicalFilePath());
        // The settings window's list shows what is attached beside COM1.
        {
            mdq::comportset settings(s.main().context(), &s.main());
            auto *combo = settings.findChild<QComboBox *>(QStringLiteral("PortCombo"));
            // Described when the list is opened, keeping the text in the box.
            QVERIFY(combo->itemData(0, mdq::comportset::PortDescriptionRole).toString().isEmpty());
            combo->setEditText(QStringLiteral("COM7"));
            combo->showPopup();
            const QString beside = combo->itemData(0, mdq::comportset::PortDescriptionRole).toString();
            QCOMPARE(combo->currentText(), QStringLiteral("COM7"));
            combo->hidePopup();
            // A binding shows the device it leads to; a path shows itself.
            QVERIFY2(beside.startsWith((byUsbSerial ? first : link) + QStringLiteral("  ")), qPrintable(beside));
            QCOMPARE(beside.endsWith(QLatin1String("serial SER42")), byUsbSerial);
        }
        // The adapter is remembered with the COM number it connected through.
        QCOMPARE(remembered->text(mdq::remembered::adapterKey(1)), byUsbSerial ? QStringLiteral("usb:SER42") : QString());

        // Unplugged: noticed without a command, the port closed.
        s.reader().stop();
        QFile::remove(link);
        QVERIFY(QTest::qWaitFor([&] { return s.main().log().text().contains(QLatin1String("-- Port lost: ")); }));
        QVERIFY(!s.main().port().lostDevice().isEmpty());
        QVERIFY(!s.main().port().isOpen());
        QVERIFY2(s.main().statusBar()->text().contains(QLatin1String(": lost | Port lost: ")),
                 qPrintable(s.main().statusBar()->text()));
        QVERIFY(s.main().log().text().contains(QStringLiteral("-- Port lost: COM1 (%1) is gone").arg(first)));
        s.main().log().clear();
        int code = -1;
        const QStringList refused = s.run(QStringLiteral("click CardStatusBtn\n"), &code);
        QVERIFY2(refused.size() == 1, qPrintable(QString::number(code) + refused.join(QLatin1Char('\n'))));
        QVERIFY2(refused.at(0).startsWith(QStringLiteral("message exclamation \"Caution\" \"The reader's port is gone: %1 was unplugged")
                                              .arg(first)),
                 qPrintable(refused.at(0)));
        QVERIFY2(!s.main().log().text().contains(QLatin1String("SD:")), qPrintable(s.main().log().text()));

        // Plugged in again: a new pty, reached through the same link path or
        // through a by-id link of the same serial number.
        sim::VirtualReader again;
        QVERIFY(again.start());
        const QString second = QFileInfo(again.devicePath()).canonicalFilePath();
        QVERIFY(QFile::link(again.devicePath(), link));
        QVERIFY(QTest::qWaitFor([&] { return s.main().log().text().contains(QLatin1String("-- Reconnected: ")); }));
        QVERIFY(s.main().port().isOpen() && s.main().port().lostDevice().isEmpty());
        QCOMPARE(s.main().port().deviceName(), second);
        QCOMPARE(s.main().port().baudRate(), 9600);
        QVERIFY2(s.main().statusBar()->text().contains(QStringLiteral("connected | Reconnected: COM1 (%1) at 9600 baud").arg(second)),
                 qPrintable(s.main().statusBar()->text()));
        const QStringList after = s.run(QStringLiteral("click CardStatusBtn\n"));
        QCOMPARE(after.size(), 1);
        QVERIFY2(after.at(0).startsWith(QLatin1String("message information \"Card Status\"")), qPrintable(after.at(0)));
        s.main().port().close();
        again.stop();
    }

    void listPorts_data()
    {
        QTest::addColumn<bool>("fresh");
        QTest::newRow("remembered adapter followed") << false;
        QTest::newRow("--fresh") << true;
    }

    void listPorts()
    {
        QFETCH(bool, fresh);
        QTemporaryDir dir;
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir.filePath(QStringLiteral("usb-Bench_Adapter_SER77-if00-port0"))));
        // COM2 last connected through the adapter SER77.
        mdq::Remembered::inFile(dir.filePath(QStringLiteral("qtest820/qtest820.conf")))
            ->setValue(mdq::remembered::adapterKey(2), QStringLiteral("usb:SER77"));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QTEST820_BY_ID_DIR"), dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("QTEST820_BINARY"),
                {fresh ? QStringLiteral("--fresh") : QStringLiteral("--list-ports"), QStringLiteral("--list-ports"), QStringLiteral("--map"),
                 QStringLiteral("COM3=usb:SER77"), QStringLiteral("--map"), QStringLiteral("COM4=usb:GONE"),
                 QStringLiteral("--map"), QStringLiteral("COM5=%1/nothing").arg(dir.path())});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
        QVERIFY2(lines.value(0).startsWith(QLatin1String("COM    device")), qPrintable(lines.value(0)));
        QCOMPARE(lines.value(2).simplified(), fresh ? QStringLiteral("COM2 /dev/ttyUSB1 nothing attached")
                                                    : QStringLiteral("COM2 /dev/null (usb:SER77) serial device SER77"));
        QCOMPARE(lines.value(3).simplified(), QStringLiteral("COM3 /dev/null (usb:SER77) serial device SER77"));
        QCOMPARE(lines.value(4).simplified(), QStringLiteral("COM4 usb:GONE nothing attached"));
        QCOMPARE(lines.value(5).simplified(), QStringLiteral("COM5 %1/nothing nothing attached").arg(dir.path()));
    }
};

QTEST_MAIN(TestReplug)
#include "tst_replug.moc"
