#include "automation/script_checks.h"

#include "automation/transcript.h"

namespace mdq {

bool unescapeText(const QString &text, QString *out, QString *error)
{
    out->clear();
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\')) {
            *out += c;
            continue;
        }
        if (++i >= text.size()) {
            *error = QStringLiteral("a lone \\ at the end of '%1'").arg(text);
            return false;
        }
        switch (text.at(i).unicode()) {
        case 'r': *out += QLatin1Char('\r'); break;
        case 'n': *out += QLatin1Char('\n'); break;
        case 't': *out += QLatin1Char('\t'); break;
        case '"': *out += QLatin1Char('"'); break;
        case '\\': *out += QLatin1Char('\\'); break;
        case 'x': {
            bool ok = false;
            const int value = text.mid(i + 1, 2).toInt(&ok, 16);
            if (!ok || text.mid(i + 1, 2).size() != 2) {
                *error = QStringLiteral("\\x needs two hex digits in '%1'").arg(text);
                return false;
            }
            *out += QChar(value);
            i += 2;
            break;
        }
        default:
            *error = QStringLiteral("unknown escape \\%1 in '%2'").arg(text.at(i)).arg(text);
            return false;
        }
    }
    return true;
}

std::optional<TextMatch> TextMatch::parse(const QString &source, QString *error)
{
    TextMatch m;
    if (source.startsWith(QLatin1Char('~'))) {
        m.m_regex = true;
        m.m_text = source.mid(1);
        m.m_re.setPattern(m.m_text);
        if (!m.m_re.isValid()) {
            *error = QStringLiteral("bad regular expression '%1': %2").arg(m.m_text, m.m_re.errorString());
            return std::nullopt;
        }
        return m;
    }
    if (!unescapeText(source, &m.m_text, error))
        return std::nullopt;
    return m;
}

bool TextMatch::matches(const QString &value) const
{
    return m_regex ? m_re.match(value).hasMatch() : value == m_text;
}

QString TextMatch::describe() const
{
    return m_regex ? QLatin1Char('~') + m_text : QLatin1Char('"') + escapeForTranscript(m_text) + QLatin1Char('"');
}

std::optional<BytePattern> BytePattern::parse(const QString &source, QString *error)
{
    QString compact = source;
    compact.remove(QLatin1Char(' ')).remove(QLatin1Char('\t'));
    BytePattern p;
    if (compact.endsWith(QLatin1String(".."))) {
        p.m_anyRest = true;
        compact.chop(2);
    }
    if (compact.size() % 2 != 0 || (compact.isEmpty() && !p.m_anyRest)) {
        *error = QStringLiteral("'%1' is not whole hex bytes").arg(source);
        return std::nullopt;
    }
    for (int i = 0; i < compact.size(); i += 2) {
        const QString pair = compact.mid(i, 2);
        if (pair.compare(QLatin1String("xx"), Qt::CaseInsensitive) == 0) {
            p.m_bytes.append(-1);
            continue;
        }
        bool ok = false;
        const int v = pair.toInt(&ok, 16);
        if (!ok || pair.contains(QLatin1Char('+')) || pair.contains(QLatin1Char('-'))) {
            *error = QStringLiteral("'%1' in '%2' is not a hex byte, xx or ..").arg(pair, source);
            return std::nullopt;
        }
        p.m_bytes.append(v);
    }
    return p;
}

bool BytePattern::matches(const QByteArray &bytes) const
{
    if (bytes.size() < m_bytes.size() || (!m_anyRest && bytes.size() != m_bytes.size()))
        return false;
    for (int i = 0; i < m_bytes.size(); ++i)
        if (m_bytes[i] >= 0 && quint8(bytes[i]) != m_bytes[i])
            return false;
    return true;
}

QString BytePattern::describe() const
{
    QStringList parts;
    for (const int b : m_bytes)
        parts << (b < 0 ? QStringLiteral("xx") : QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper());
    if (m_anyRest)
        parts << QStringLiteral("..");
    return parts.join(QLatin1Char(' '));
}

namespace {
// The next "..." of source from *pos (escapes kept for TextMatch), blanks before it skipped.
bool takeQuoted(const QString &source, int *pos, QString *raw)
{
    int i = *pos;
    while (i < source.size() && source.at(i).isSpace())
        ++i;
    if (i >= source.size() || source.at(i) != QLatin1Char('"'))
        return false;
    raw->clear();
    for (++i; i < source.size(); ++i) {
        const QChar c = source.at(i);
        if (c == QLatin1Char('\\') && i + 1 < source.size()) {
            *raw += c;
            *raw += source.at(++i);
        } else if (c == QLatin1Char('"')) {
            *pos = i + 1;
            return true;
        } else {
            *raw += c;
        }
    }
    return false;
}
}  // namespace

std::optional<MessageMatch> MessageMatch::parse(const QString &source, QString *error)
{
    static const QStringList icons{QStringLiteral("information"), QStringLiteral("exclamation"),
                                   QStringLiteral("question"), QStringLiteral("none")};
    MessageMatch m;
    const QString trimmed = source.trimmed();
    const int blank = trimmed.indexOf(QLatin1Char(' '));
    m.icon = blank < 0 ? trimmed : trimmed.left(blank);
    if (!icons.contains(m.icon)) {
        *error = QStringLiteral("the icon is one of %1, not '%2'").arg(icons.join(QStringLiteral(", ")), m.icon);
        return std::nullopt;
    }
    int pos = blank < 0 ? trimmed.size() : blank;
    QString title, text;
    if (!takeQuoted(trimmed, &pos, &title) || !takeQuoted(trimmed, &pos, &text)
        || !trimmed.mid(pos).trimmed().isEmpty()) {
        *error = QStringLiteral("expect-message takes ICON \"TITLE\" \"TEXT\"");
        return std::nullopt;
    }
    m.title = TextMatch::parse(title, error);
    if (!m.title)
        return std::nullopt;
    m.text = TextMatch::parse(text, error);
    if (!m.text)
        return std::nullopt;
    return m;
}

bool MessageMatch::matches(const QString &iconWord, const QString &title, const QString &text) const
{
    return iconWord == icon && this->title->matches(title) && this->text->matches(text);
}

QString MessageMatch::describe() const
{
    return QStringLiteral("message %1 %2 %3").arg(icon, title->describe(), text->describe());
}

QString describeMessage(const QString &iconWord, const QString &title, const QString &text)
{
    return QStringLiteral("message %1 \"%2\" \"%3\"").arg(iconWord, escapeForTranscript(title), escapeForTranscript(text));
}

}  // namespace mdq
