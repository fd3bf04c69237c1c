#include "automation/transcript.h"

#include "platform/prompter.h"

#include <cstdio>

namespace mdq {

QString escapeForTranscript(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case '\r': out += QStringLiteral("\\r"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        default:
            if (u < 0x20 || u == 0x7F)
                out += QStringLiteral("\\x") + QStringLiteral("%1").arg(int(u), 2, 16, QLatin1Char('0')).toUpper();
            else
                out += c;
        }
    }
    return out;
}

QString iconWord(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QStringLiteral("information");
    case Icon::Exclamation: return QStringLiteral("exclamation");
    case Icon::Question: return QStringLiteral("question");
    case Icon::None: break;
    }
    return QStringLiteral("none");
}

void Transcript::line(const QString &text)
{
    if (m_muted)
        return;
    if (m_observer)
        m_observer(text);
    if (m_sink) {
        m_sink(text);
        return;
    }
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

}  // namespace mdq
