#pragma once
// Records every message box; answers questions and save dialogs from queues.

#include "platform/prompter.h"

#include <QList>
#include <QQueue>

namespace mdqtest {

// The operator's cautions the tests meet most.
inline const QString kUnitNotDetected = QStringLiteral(
    "Unit not detected\r\n1.Comm port setup error\r\n2.No power on Unit\r\nDevice Address Error\r\n"
    "3.Communication line not connected");
inline const QString kDataError = QStringLiteral("Error:Please Check The Data Effective");

struct Shown
{
    mdq::Icon icon;
    QString title;
    QString text;
    bool operator==(const Shown &o) const { return icon == o.icon && title == o.title && text == o.text; }
};

class RecordingPrompter : public mdq::Prompter
{
public:
    void message(mdq::Icon icon, const QString &title, const QString &text) override
    {
        m_shown.append({icon, title, text});
    }
    bool askOkCancel(mdq::Icon icon, const QString &title, const QString &text) override
    {
        m_shown.append({icon, title, text});
        ++m_questions;
        return m_answers.isEmpty() ? true : m_answers.dequeue();
    }
    std::optional<mdq::SaveDialogResult> askSaveFile(const mdq::SaveDialogRequest &request) override
    {
        m_saveRequests.append(request);
        if (m_saves.isEmpty())
            return std::nullopt;
        return m_saves.dequeue();
    }

    QList<Shown> shown() const { return m_shown; }
    void clear() { m_shown.clear(); }
    int questions() const { return m_questions; }
    void queueAnswer(bool ok) { m_answers.enqueue(ok); }
    void queueSave(std::optional<mdq::SaveDialogResult> r) { m_saves.enqueue(r); }
    QList<mdq::SaveDialogRequest> saveRequests() const { return m_saveRequests; }

private:
    QList<Shown> m_shown;
    QQueue<bool> m_answers;
    QQueue<std::optional<mdq::SaveDialogResult>> m_saves;
    QList<mdq::SaveDialogRequest> m_saveRequests;
    int m_questions = 0;
};

}  // namespace mdqtest

// Readable QCOMPARE failures.
#include <QtTest/QTest>
namespace QTest {
template <>
inline char *toString(const mdqtest::Shown &s)
{
    return qstrdup(QStringLiteral("{%1, \"%2\", \"%3\"}")
                       .arg(int(s.icon))
                       .arg(s.title, QString(s.text).replace(QLatin1String("\r\n"), QLatin1String("\\r\\n")))
                       .toUtf8()
                       .constData());
}
}  // namespace QTest
