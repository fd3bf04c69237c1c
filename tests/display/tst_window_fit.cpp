// The windows on real screens. This test runs twice: on a 1366x768 screen and
// at 1.5x scale on a 1920x1080 one. Every button, cell and box of the main
// window and of each modal window must come into view inside the screen (a
// scroll area may have to scroll it there); the column headings must sit over
// their cells in the picture the screen shows; no card-type tab, title or
// answer may be cut; controls with no reader command behind them say so; and
// each control has a name for screen readers.
//
// With QTEST820_SCREENSHOT_DIR set, each window checked is also saved there
// as a picture, for a person to look at.

#include "support/display_session.h"
#include "support/main_fixture.h"
#include "support/operator.h"
#include "ui/column_headings.h"
#include "ui/widgets.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest/QTest>

using namespace mdqtest;

namespace {

QRect onScreen(const QWidget *w)
{
    return {w->mapToGlobal(QPoint(0, 0)), w->size()};
}

bool isControl(const QWidget *w)
{
    if (qobject_cast<const QComboBox *>(w->parentWidget()))
        return false;  // the edit inside a combo is the combo
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w)
           || qobject_cast<const QComboBox *>(w) || qobject_cast<const QPlainTextEdit *>(w);
}

QString accessibleName(QWidget *w)
{
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

void saveScreenshot(QWidget *window, const QString &what)
{
    const QString dir = qEnvironmentVariable("QTEST820_SCREENSHOT_DIR");
    if (dir.isEmpty() || !QDir().mkpath(dir))
        return;
    const QSize screen = window->screen()->size();
    window->screen()->grabWindow(0).save(
        QStringLiteral("%1/%2x%3-%4.png").arg(dir).arg(screen.width()).arg(screen.height()).arg(what));
}

// What a person cannot reach or cannot name in one window: each control is
// brought into view as a person would scroll to it, then it must lie inside
// the screen and inside every scroll area's view around it.
QStringList faults(QWidget *window)
{
    QStringList found;
    const QRect screen = window->screen()->availableGeometry();
    if (!screen.contains(window->frameGeometry()))
        found << QStringLiteral("window %1 at %2,%3 %4x%5").arg(window->objectName()).arg(window->x()).arg(window->y())
                     .arg(window->width()).arg(window->height());
    const auto all = window->findChildren<QWidget *>();
    for (QWidget *w : all) {
        if (!isControl(w) || w->isHidden() || w->window() != window)
            continue;
        mdq::bringIntoView(w);
        QApplication::processEvents();
        if (!w->isVisible())
            continue;  // inside a part the window keeps folded away
        const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                       : w->objectName();
        const QRect r = onScreen(w);
        if (!screen.contains(r))
            found << QStringLiteral("%1 off the screen").arg(name);
        for (QWidget *p = w->parentWidget(); p; p = p->parentWidget())
            if (auto *area = qobject_cast<QScrollArea *>(p); area && !onScreen(area->viewport()).contains(r))
                found << QStringLiteral("%1 cannot be scrolled into view").arg(name);
        if (accessibleName(w).trimmed().isEmpty())
            found << QStringLiteral("%1 has no accessible name").arg(name);
    }
    return found;
}

// Horizontal centres of the heading texts as drawn: columns of the label's
// picture with ink in them, grouped where they are closer than a blank.
QList<qreal> inkCentres(QLabel *label)
{
    const QImage image = label->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const int background = qGray(label->palette().color(label->backgroundRole()).rgb());
    const int gap = qMax(2, int(label->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * ratio * 0.8));
    QList<qreal> centres;
    int start = -1, last = -1;
    for (int x = 0; x <= image.width(); ++x) {
        bool ink = false;
        for (int y = 0; x < image.width() && y < image.height() && !ink; ++y)
            ink = qAbs(qGray(image.pixel(x, y)) - background) > 80;
        if (ink) {
            if (start < 0 || x - last > gap) {
                if (start >= 0)
                    centres << (start + last) / 2.0 / ratio;
                start = x;
            }
            last = x;
        }
    }
    if (start >= 0)
        centres << (start + last) / 2.0 / ratio;
    return centres;
}

}  // namespace

class TestWindowFit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mainWindowReachable()
    {
        DisplaySession s;
        QVERIFY(s.started());
        QWidget &main = s.main();
        const QRect screen = main.screen()->availableGeometry();
        // It opens within the screen, and may be made smaller still.
        QVERIFY(screen.contains(main.frameGeometry()));
        QVERIFY(main.minimumSizeHint().width() < 700 && main.minimumSizeHint().height() < 500);
        const QStringList found = faults(&main);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
        saveScreenshot(&main, QStringLiteral("main"));

        // All card types in sight: no tab beyond the tab bar's edge.
        auto *tabs = s.control<QTabWidget>(QStringLiteral("SSTab2"))->tabBar();
        mdq::bringIntoView(tabs);
        for (int i = 0; i < tabs->count(); ++i)
            QVERIFY2(tabs->rect().contains(tabs->tabRect(i)), qPrintable(tabs->tabText(i)));

        // The 24CXX length box stands after its label, apart from the address.
        auto *length = s.control(QStringLiteral("IC24XXLONG"));
        auto *address = s.control(QStringLiteral("IC24XXADD2"));
        QLabel *label = nullptr;
        for (auto *l : length->parentWidget()->findChildren<QLabel *>())
            if (l->text().startsWith(QLatin1String("Length:")))
                label = l;
        QVERIFY(label);
        QVERIFY(address->geometry().right() < label->geometry().left());
        QVERIFY(label->geometry().right() < length->geometry().left());
        QVERIFY(accessibleName(length).startsWith(QLatin1String("Length")));

        // Cells say what they hold.
        QCOMPARE(accessibleName(childOf(&main, QStringLiteral("SRFTextLIST"), 15)), QStringLiteral("Block byte 0F"));
        QCOMPARE(accessibleName(childOf(&main, QStringLiteral("ICText"), 26)), QStringLiteral("Grid byte 1A"));
        QCOMPARE(accessibleName(childOf(&main, QStringLiteral("SRFPASSWORDLIST"), 1)), QStringLiteral("Sector key byte 1"));
        QCOMPARE(accessibleName(s.control(QStringLiteral("IROpencom"))), QStringLiteral("Setup Comm"));
    }

    void headingsOverTheirCells_data()
    {
        QTest::addColumn<QString>("cells");
        QTest::addColumn<int>("count");
        QTest::newRow("IC data grid") << "ICText" << 16;
        QTest::newRow("RF block") << "SRFTextLIST" << 16;
        QTest::newRow("Ultralight page") << "ULTextLIST" << 4;
    }

    void headingsOverTheirCells()
    {
        QFETCH(QString, cells);
        QFETCH(int, count);
        DisplaySession s;
        QVERIFY(s.started());
        QWidget *first = childOf(&s.main(), cells, 0);
        mdq::bringIntoView(first);
        mdq::ColumnHeadings *heading = nullptr;
        for (auto *h : s.main().findChildren<mdq::ColumnHeadings *>())
            if (h->parentWidget() == first->parentWidget() && h->headings().size() == count)
                heading = h;
        QVERIFY(heading);
        QVERIFY(waitFor([&] { return heading->isVisible(); }));
        const QList<qreal> drawn = inkCentres(heading);
        QCOMPARE(drawn.size(), count);
        for (int i = 0; i < count; ++i) {
            QWidget *cell = childOf(&s.main(), cells, i);
            const qreal centre = cell->mapToGlobal(cell->rect().center()).x() - heading->mapToGlobal(QPoint(0, 0)).x() + 0.5;
            QVERIFY2(qAbs(drawn.at(i) - centre) <= 3.0,
                     qPrintable(QStringLiteral("heading %1 at %2, its cell at %3").arg(i).arg(drawn.at(i)).arg(centre)));
        }
    }

    void modalWindowsFit_data()
    {
        QTest::addColumn<QString>("button");     // opens the window
        QTest::addColumn<QString>("windowName");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("unfold");     // a control that unfolds more of the window
        QTest::newRow("settings") << "IROpencom" << "comportset" << false << "AutoLabel";
        QTest::newRow("initialize") << "ReaderResetBtn" << "ResetOptionForm" << true << "";
        QTest::newRow("sensors") << "SensorStatusBtn" << "SensorStateForm" << true << "";
        QTest::newRow("configuration") << "IRCONFIGCMD" << "ConfigForm" << true << "";
        QTest::newRow("serial number") << "TypeReadsn" << "ReadSn" << true << "";
        QTest::newRow("CPU card") << "CPURUN" << "CPUCARD" << true << "";
        QTest::newRow("SAM") << "SIMRUN" << "SimCard" << true << "";
        QTest::newRow("card tools") << "CardToolsBtn" << "CardTools" << true << "";
    }

    void modalWindowsFit()
    {
        QFETCH(QString, button);
        QFETCH(QString, windowName);
        QFETCH(bool, connected);
        QFETCH(QString, unfold);
        DisplaySession s;
        QVERIFY(s.started());
        if (connected)
            s.connect();
        Operator op;
        QStringList found;
        int titleRoom = 0;
        op.then([&](QWidget *window) {
            if (!unfold.isEmpty()) {
                realClick(window->findChild<QWidget *>(unfold));
                QTest::qWait(50);
            }
            found = faults(window);
            titleRoom = window->width() - QFontMetrics(QApplication::font()).horizontalAdvance(window->windowTitle());
            saveScreenshot(window, window->objectName());
            window->close();
        });
        s.click(button);
        QVERIFY(waitFor([&] { return op.seen().size() == 1 && !QApplication::activeModalWidget(); }, 10000));
        QCOMPARE(op.anyStuck(), false);
        QCOMPARE(op.seen().at(0).objectName, windowName);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
        // Room beside the title for the window manager's icon and buttons.
        QVERIFY2(titleRoom >= 100, qPrintable(QString::number(titleRoom)));
    }

    void messageBoxTitleNotCut()
    {
        DisplaySession s;
        QVERIFY(s.started());
        s.connect();
        s.sim(QStringLiteral("fault negative 10"));
        Operator op;
        int titleRoom = 0;
        op.then([&](QWidget *box) {
            QFont bold = box->font();
            bold.setBold(true);
            titleRoom = box->width() - QFontMetrics(bold).horizontalAdvance(box->windowTitle());
            realClick(buttonIn(box, QStringLiteral("OK")));
        });
        s.click(QStringLiteral("CardStatusBtn"));
        QVERIFY(waitFor([&] { return op.seen().size() == 1 && !QApplication::activeModalWidget(); }, 10000));
        QVERIFY(op.seen().at(0).title.contains(QLatin1String("10")));
        QVERIFY2(titleRoom >= 100, qPrintable(QString::number(titleRoom)));
    }

    void readableAndHonest()
    {
        DisplaySession s;
        QVERIFY(s.started());
        // Fixed-width text where hex is read in columns: every hex digit and
        // the blank as wide as the others.
        const QList<QWidget *> hexBoxes{s.control(QStringLiteral("SDTDText")), childOf(&s.main(), QStringLiteral("ICText"), 0),
                                        childOf(&s.main(), QStringLiteral("SRFTextLIST"), 0),
                                        s.control(QStringLiteral("ATRTypeAText")), s.control(QStringLiteral("TypeARAPDUText"))};
        for (QWidget *w : hexBoxes) {
            QVERIFY(w);
            const QFontMetricsF metrics(w->font());
            for (const QChar c : QStringLiteral("123456789ABCDEF "))
                QVERIFY2(metrics.horizontalAdvance(c) == metrics.horizontalAdvance(QLatin1Char('0')),
                         qPrintable(QStringLiteral("%1: '%2' in %3").arg(w->objectName(), c, w->font().family())));
        }
        // A long answer is shown whole: 150 bytes fit without scrolling.
        auto *answer = s.control<QPlainTextEdit>(QStringLiteral("TypeARAPDUText"));
        mdq::bringIntoView(answer);
        answer->setPlainText(QString(300, QLatin1Char('A')));
        QApplication::processEvents();
        QCOMPARE(answer->verticalScrollBar()->maximum(), 0);

        // Controls with no reader command behind them are disabled and say why.
        const auto buttons = s.main().findChildren<QPushButton *>();
        int dead = 0;
        for (QPushButton *b : buttons) {
            if (b->objectName().startsWith(QLatin1String("ATC")) || b->objectName().startsWith(QLatin1String("AT45"))) {
                ++dead;
                QVERIFY2(!b->isEnabled() && b->toolTip().contains(QLatin1String("no command")),
                         qPrintable(b->objectName()));
            }
        }
        QCOMPARE(dead, 23);
        QWidget *life = s.control(QStringLiteral("FrameLife"));
        QVERIFY(!life->isEnabled() && life->toolTip().contains(QLatin1String("no command")));

        // Alt+S opens the settings window; the caption stays as it was.
        Operator op;
        op.then([](QWidget *window) { window->close(); });
        realKey(&s.main(), Qt::Key_S, Qt::AltModifier);
        QVERIFY(waitFor([&] { return op.seen().size() == 1 && !QApplication::activeModalWidget(); }, 5000));
        QCOMPARE(op.seen().at(0).objectName, QStringLiteral("comportset"));
        QCOMPARE(s.control<QPushButton>(QStringLiteral("IROpencom"))->text(), QStringLiteral("Setup Comm"));
    }
};

QTEST_MAIN(TestWindowFit)
#include "tst_window_fit.moc"
