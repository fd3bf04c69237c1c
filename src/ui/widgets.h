#pragma once
// Small widgets the windows share.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

class QKeySequence;
class QPushButton;

namespace mdq {

// A label the operator can click (the scan area's fold/unfold label).
class ClickableLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
    Q_INVOKABLE void click() { Q_EMIT clicked(); }

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// A text box whose typed characters pass a filter first. Text set by program
// or pasted is not filtered, as in the windows this tool mirrors.
class FilteredLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    enum class Filter {
        Hex,          // a-f -> A-F; 0-9, A-F; everything else (Backspace too) dropped
        Digits,       // 0-9 and Backspace
        HexWithBackspace,  // hex as above, Backspace kept (APDU boxes)
        Any,
    };
    explicit FilteredLineEdit(Filter filter, QWidget *parent = nullptr);
    Filter filter() const { return m_filter; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Filter m_filter;
};

// A box for a card's answer in hex (ATR, APDU response): fixed-width text
// wrapped anywhere, as tall as the text needs up to six lines, then it
// scrolls, so a long answer is read whole. text()/setText() as a line box.
class ResponseBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit ResponseBox(QWidget *parent = nullptr);
    QString text() const { return toPlainText(); }
    void setText(const QString &text) { setPlainText(text); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int MaxLines = 6;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int heightFor(int lines) const;
    void fitLines();
};

// Applies a typed-character filter. Returns the character to insert, a null
// QChar to drop the key, or the character unchanged for keys that carry no text.
// Backspace is reported through *backspaceAllowed.
QChar filterTypedChar(FilteredLineEdit::Filter filter, QChar c, bool *backspaceAllowed);

// A command button with the objectName the script runner and tests find it
// by. Never an auto-default: Enter in a dialog's box does not press it.
QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption);

// Shows w's text in the system's fixed-width face at the size of the
// application's font, so hex columns line up.
void useFixedFont(QWidget *w);

// A command button whose caption stays as it is, pressed also by a key
// (Alt+letter): the key is announced in the tooltip.
void setButtonKey(QPushButton *button, const QKeySequence &key);

// Makes w reachable on screen: the tab pages that hold it come to the front
// and the scroll areas around it scroll it into view.
void bringIntoView(QWidget *w);

// Sets the objectName and the array index the script runner and tests use to
// address control arrays such as ICText(5).
void setControlName(QObject *control, const QString &name, int index = -1);
int controlIndex(const QObject *control);

}  // namespace mdq
