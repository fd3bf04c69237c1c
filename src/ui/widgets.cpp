#include "ui/widgets.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabWidget>

namespace mdq {

void ClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

FilteredLineEdit::FilteredLineEdit(Filter filter, QWidget *parent) : QLineEdit(parent), m_filter(filter) {}

QChar filterTypedChar(FilteredLineEdit::Filter filter, QChar c, bool *backspaceAllowed)
{
    *backspaceAllowed = filter == FilteredLineEdit::Filter::Digits
        || filter == FilteredLineEdit::Filter::HexWithBackspace || filter == FilteredLineEdit::Filter::Any;
    switch (filter) {
    case FilteredLineEdit::Filter::Any:
        return c;
    case FilteredLineEdit::Filter::Digits:
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ? c : QChar();
    case FilteredLineEdit::Filter::Hex:
    case FilteredLineEdit::Filter::HexWithBackspace:
        if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            return c.toUpper();
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F')))
            return c;
        return QChar();
    }
    return QChar();
}

void FilteredLineEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Backspace) {
        bool allowed = false;
        filterTypedChar(m_filter, QChar(), &allowed);
        if (allowed)
            QLineEdit::keyPressEvent(event);
        return;
    }
    const QString text = event->text();
    // Delete types no character, whatever text the platform attaches (7Fh on X11).
    if (event->key() == Qt::Key_Delete) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (text.isEmpty() || !text.at(0).isPrint() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        // Keys without a character (arrows, Delete, Home, shortcuts) keep
        // their ordinary meaning.
        if (text.isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            QLineEdit::keyPressEvent(event);
        return;
    }
    bool unused = false;
    const QChar c = filterTypedChar(m_filter, text.at(0), &unused);
    if (c.isNull())
        return;
    if (c == text.at(0)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent changed(event->type(), event->key(), event->modifiers(), QString(c), event->isAutoRepeat());
    QLineEdit::keyPressEvent(&changed);
}

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

void setControlName(QObject *control, const QString &name, int index)
{
    control->setObjectName(name);
    if (index >= 0)
        control->setProperty("controlIndex", index);
}

int controlIndex(const QObject *control)
{
    const QVariant v = control->property("controlIndex");
    return v.isValid() ? v.toInt() : -1;
}

ResponseBox::ResponseBox(QWidget *parent) : QPlainTextEdit(parent)
{
    useFixedFont(this);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAnywhere);
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QPlainTextEdit::textChanged, this, &ResponseBox::fitLines);
    fitLines();
}

int ResponseBox::heightFor(int lines) const
{
    const QMargins m = contentsMargins();
    return lines * fontMetrics().lineSpacing() + int(2 * document()->documentMargin()) + 2 * frameWidth() + m.top()
           + m.bottom() + 2;
}

QSize ResponseBox::sizeHint() const
{
    return {QPlainTextEdit::sizeHint().width(), height()};
}

QSize ResponseBox::minimumSizeHint() const
{
    return {fontMetrics().horizontalAdvance(QStringLiteral("0000000000")), heightFor(1)};
}

void ResponseBox::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    fitLines();
}

void ResponseBox::fitLines()
{
    // The plain-text layout measures its height in (wrapped) lines.
    const int lines = qBound(1, int(document()->size().height()), MaxLines);
    const int h = heightFor(lines);
    if (h != height())
        setFixedHeight(h);
}

void bringIntoView(QWidget *w)
{
    for (QWidget *child = w, *parent = w->parentWidget(); parent; child = parent, parent = parent->parentWidget()) {
        if (auto *stack = qobject_cast<QStackedWidget *>(parent)) {
            if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
                tabs->setCurrentWidget(child);
        }
    }
    // Outer areas last: an inner area's scroll moves w within the outer one.
    for (QWidget *parent = w->parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(parent)) {
            if (area->widget() && area->widget()->layout())
                area->widget()->layout()->activate();  // a page just brought forward has its place
            area->ensureWidgetVisible(w, 8, 8);
        }
    }
}

void useFixedFont(QWidget *w)
{
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFont current = w->font();
    if (current.pointSizeF() > 0)
        fixed.setPointSizeF(current.pointSizeF());
    else if (current.pixelSize() > 0)
        fixed.setPixelSize(current.pixelSize());
    w->setFont(fixed);
}

void setButtonKey(QPushButton *button, const QKeySequence &key)
{
    button->setShortcut(key);
    button->setToolTip(QStringLiteral("%1 (%2)").arg(button->text(), key.toString(QKeySequence::NativeText)));
}

}  // namespace mdq
