#include "ui/widgets.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

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

}  // namespace mdq
