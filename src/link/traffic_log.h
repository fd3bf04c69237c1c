#pragma once
// The traffic log: append-only text, the only copy of what went over the
// line. Appending is amortised constant time; views follow through signals.

#include <QObject>
#include <QString>

namespace mdq {

class TrafficLog : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    const QString &text() const { return m_text; }
    void append(const QString &piece);
    void clear();
    // Asks views to scroll to the last line.
    void moveCaretToEnd() { Q_EMIT caretToEnd(); }

Q_SIGNALS:
    void appended(const QString &piece);
    void cleared();
    void caretToEnd();

private:
    QString m_text;
};

}  // namespace mdq
