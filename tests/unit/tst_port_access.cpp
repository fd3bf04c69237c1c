// No-permission advice: join the owning group, unless it is a system one.

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
        QTest::addColumn<int>("gid");       // -1: unknown
        QTest::addColumn<QString>("usbId");  // vendor:product, empty when not a USB adapter
        QTest::addColumn<QString>("kernel");
        QTest::addColumn<QString>("expected");  // the whole text, or the udev line it must hold
        const QString join = QStringLiteral("No permission to open /dev/%1.\r\nAdd your user to the group \"%2\" "
                                            "(sudo usermod -aG %2 $USER), then log in again.");
        QTest::newRow("dialout: join it") << "dialout" << 20 << "0403:6001" << "ttyUSB0" << join.arg("ttyUSB0", "dialout");
        QTest::newRow("uucp: join it") << "uucp" << 14 << "" << "ttyS1" << join.arg("ttyS1", "uucp");
        QTest::newRow("owner unknown: dialout") << "" << -1 << "" << "ttyACM0" << join.arg("ttyACM0", "dialout");
        QTest::newRow("root, USB adapter: rule by its ids") << "root" << 0 << "0403:6001" << "ttyUSB0"
            << R"(SUBSYSTEM=="tty", ATTRS{idVendor}=="0403", ATTRS{idProduct}=="6001", GROUP="dialout", MODE="0660")";
        QTest::newRow("gid 0 by another name, built-in port: rule by name") << "system" << 0 << "" << "ttyS0"
            << R"(SUBSYSTEM=="tty", KERNEL=="ttyS0", GROUP="dialout", MODE="0660")";
        QTest::newRow("sudo group: rule") << "sudo" << 27 << "1a86:7523" << "ttyUSB2"
            << R"(SUBSYSTEM=="tty", ATTRS{idVendor}=="1a86", ATTRS{idProduct}=="7523", GROUP="dialout", MODE="0660")";
    }
    void advice()
    {
        QFETCH(QString, group);
        QFETCH(int, gid);
        QFETCH(QString, usbId);
        QFETCH(QString, kernel);
        QFETCH(QString, expected);
        DeviceAccessFacts facts;
        facts.group = group;
        if (gid >= 0)
            facts.gid = uint(gid);
        if (!usbId.isEmpty())
            facts.usbId = DeviceAccessFacts::UsbId{quint16(usbId.left(4).toUInt(nullptr, 16)), quint16(usbId.mid(5).toUInt(nullptr, 16))};
        facts.kernelName = kernel;
        const QString advice = noPermissionAdvice(QStringLiteral("/dev/") + kernel, facts);
        if (expected.startsWith(QLatin1String("No permission"))) {
            QCOMPARE(advice, expected);
            return;
        }
        QVERIFY2(advice.startsWith(QStringLiteral("No permission to open /dev/") + kernel), qPrintable(advice));
        QVERIFY2(advice.split(QStringLiteral("\r\n")).contains(expected), qPrintable(advice));
        QVERIFY2(!advice.contains(QLatin1String("usermod")) && !advice.contains(QLatin1Char('"') + group + QLatin1Char('"'))
                     && !advice.contains(QLatin1String("root")) && advice.contains(QLatin1String("administrator")),
                 qPrintable(advice));
        QVERIFY2(usbId.isEmpty() || advice.contains(usbId), qPrintable(advice));
    }

    void factsFollowALinkToItsNode()
    {
        QTemporaryDir dir;
        QFile node(dir.filePath(QStringLiteral("ttyFAKE3")));
        QVERIFY(node.open(QIODevice::WriteOnly));
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
