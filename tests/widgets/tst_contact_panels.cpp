// The IC CARD page beyond its frames and messages (tst_commands): reads fill
// the data grid and move the focus, and the CPU card and SAM windows open as
// designed every time, whatever the operator left in them.

#include "support/control_setup.h"

using namespace mdqtest;

class TestContactPanels : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsFillTheGridAndMoveTheFocus()
    {
        MainFixture f;
        f.main.show();
        QApplication::setActiveWindow(&f.main);
        f.connectPort();
        auto cell = [&](int i) { return controlValue(&f.main, QStringLiteral("ICText(%1)").arg(i)); };
        applySetup(&f.main, {"ICText(3)=13", "ICText(7)=17"});  // stale contents are cleared first
        f.port.answerWith(positive('S', '3', hexBytes("01020A 9000")));
        f.click(QStringLiteral("SL4442ReadCenChu"));
        QCOMPARE(cell(0) + cell(1) + cell(2) + "|" + cell(3) + cell(7), QStringLiteral("01020A|"));
        QCOMPARE(QApplication::focusWidget(), f.control<QWidget>(QStringLiteral("ICText"), 3));

        // A status word other than 9000 leaves the grid empty.
        f.port.answerWith(positive('T', '3', hexBytes("0102 6B00")));
        f.click(QStringLiteral("IC24XXREAD"));
        QCOMPARE(cell(0) + cell(1), QString());

        // A full read of 128 bytes fills every cell and wraps the focus to cell 0.
        QByteArray all;
        for (int i = 0; i < 128; ++i)
            all.append(char(i));
        f.port.answerWith(positive('S', '4', all + hexBytes("9000")));
        f.click(QStringLiteral("SL4428READAREA"));
        QCOMPARE(cell(16) + cell(127), QStringLiteral("107F"));
        QCOMPARE(QApplication::focusWidget(), f.control<QWidget>(QStringLiteral("ICText"), 0));
    }

    void windowsReopenAsDesigned()
    {
        MainFixture f;
        f.connectPort();
        for (const char *button : {"CPURUN", "SIMRUN"}) {
            const bool sam = QLatin1String(button) == QLatin1String("SIMRUN");
            const QString option = sam ? QStringLiteral("SAMVCCOPTION") : QStringLiteral("CPUVCCOPTION");
            onModal([&](QWidget *w) {
                applySetup(w, {"CmdText=0084000008", option + "(1)=on", "BackText=99", "ResetTextBack=3B"});
                if (sam)
                    applySetup(w, {"SimNo1=SAM 7"});
                childOf<QAbstractButton>(w, QStringLiteral("BackCmd"))->click();
            });
            f.click(QString::fromLatin1(button));
            onModal([&](QWidget *w) {
                QCOMPARE(controlValue(w, "CmdText") + controlValue(w, "BackText") + controlValue(w, "ResetTextBack"),
                         QStringLiteral("00A40000023F00"));
                QVERIFY(childOf<QRadioButton>(w, option, 0)->isChecked());
                if (sam)
                    QCOMPARE(controlValue(w, "SimNo1"), QStringLiteral("SAM 1"));
                childOf<QAbstractButton>(w, QStringLiteral("BackCmd"))->click();
            });
            f.click(QString::fromLatin1(button));
        }
    }
};

QTEST_MAIN(TestContactPanels)
#include "tst_contact_panels.moc"
