// The advice shown when a port exists but may not be opened: join the owning
// group, unless that group is a system one; then a udev rule for an
// administrator.

#include "platform/port_access.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace mdq;

class TstPortAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void advice_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<int>("gid");      // -1: unknown
        QTest::addColumn<int>("vendor");   // -1: not a USB adapter
        QTest::addColumn<int>("product");
        QTest::addColumn<QString>("kernel");
        QTest::addColumn<QString>("text");  // the whole advice, or empty when a rule is expected
        QTest::addColumn<QString>("rule");  // the udev line it must give on a line of its own
        const QString join = QStringLiteral("No permission to open /dev/ttyUSB0.\r\nAdd your user to the group \"%1\" "
                                            "(sudo usermod -aG %1 $USER), then log in again.");
        QTest::newRow("dialout: join it") << "dialout" << 20 << 0x0403 << 0x6001 << "ttyUSB0" << join.arg("dialout") << "";
        QTest::newRow("uucp: join it") << "uucp" << 14 << -1 << -1 << "ttyUSB0" << join.arg("uucp") << "";
        QTest::newRow("owner unknown: dialout") << "" << -1 << -1 << -1 << "" << join.arg("dialout") << "";
        QTest::newRow("root, USB adapter: rule by its ids")
            << "root" << 0 << 0x0403 << 0x6001 << "ttyUSB0" << ""
            << R"(SUBSYSTEM=="tty", ATTRS{idVendor}=="0403", ATTRS{idProduct}=="6001", GROUP="dialout", MODE="0660")";
        QTest::newRow("gid 0 by another name, built-in port: rule by name")
            << "system" << 0 << -1 << -1 << "ttyS0" << ""
            << R"(SUBSYSTEM=="tty", KERNEL=="ttyS0", GROUP="dialout", MODE="0660")";
        QTest::newRow("sudo group: rule") << "sudo" << 27 << 0x1a86 << 0x7523 << "ttyUSB0" << ""
            << R"(SUBSYSTEM=="tty", ATTRS{idVendor}=="1a86", ATTRS{idProduct}=="7523", GROUP="dialout", MODE="0660")";
    }
    void advice()
    {
        QFETCH(QString, group);
        QFETCH(int, gid);
        QFETCH(int, vendor);
        QFETCH(int, product);
        QFETCH(QString, kernel);
        QFETCH(QString, text);
        QFETCH(QString, rule);
        DeviceAccessFacts facts;
        facts.group = group;
        if (gid >= 0)
            facts.gid = uint(gid);
        if (vendor >= 0)
            facts.usbId = DeviceAccessFacts::UsbId{quint16(vendor), quint16(product)};
        facts.kernelName = kernel;
        const QString device = QStringLiteral("/dev/") + (kernel.isEmpty() ? QStringLiteral("ttyUSB0") : kernel);

        const QString advice = noPermissionAdvice(device, facts);
        if (!text.isEmpty()) {
            QCOMPARE(advice, text);
            return;
        }
        QVERIFY2(advice.startsWith(QStringLiteral("No permission to open %1").arg(device)), qPrintable(advice));
        QVERIFY2(advice.split(QStringLiteral("\r\n")).contains(rule), qPrintable(advice));
        QVERIFY2(!advice.contains(QLatin1String("usermod")) && !advice.contains(QLatin1String("-aG")), qPrintable(advice));
        QVERIFY2(!advice.contains(QLatin1Char('"') + group + QLatin1Char('"')) && !advice.contains(QLatin1String("root")),
                 qPrintable(advice));
        QVERIFY2(advice.contains(QLatin1String("administrator")), qPrintable(advice));
        if (vendor >= 0)
            QVERIFY2(advice.contains(QStringLiteral("%1:%2").arg(vendor, 4, 16, QLatin1Char('0')).arg(product, 4, 16, QLatin1Char('0'))),
                     qPrintable(advice));
    }

    void factsFollowALinkToItsNode()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile node(dir.filePath(QStringLiteral("ttyFAKE3")));
        QVERIFY(node.open(QIODevice::WriteOnly));
        node.close();
        const QString link = dir.filePath(QStringLiteral("by-id-adapter"));
        QVERIFY(QFile::link(node.fileName(), link));

        const DeviceAccessFacts facts = deviceAccessFacts(link);
        QCOMPARE(facts.kernelName, QStringLiteral("ttyFAKE3"));
        QCOMPARE(facts.group, QFileInfo(node.fileName()).group());
        QVERIFY(!deviceAccessFacts(dir.filePath(QStringLiteral("gone"))).gid.has_value());
    }
};

QTEST_GUILESS_MAIN(TstPortAccess)
#include "tst_port_access.moc"
