#pragma once
// What the check steps of a script compare: texts (C escapes as in
// transcripts, or ~REGEX), messages, and frame bytes with wildcards. Parsed
// before the run starts, so a malformed check is reported at once.

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QVector>
#include <optional>

namespace mdq {

// C escapes (\r \n \t \" \\ \xHH) undone; false (and *error set) for a bad one.
bool unescapeText(const QString &text, QString *out, QString *error);

// TEXT or ~REGEX (searched, not anchored: use ^ and $ for a whole value).
class TextMatch
{
public:
    static std::optional<TextMatch> parse(const QString &source, QString *error);
    bool matches(const QString &value) const;
    // As written in a script: "TEXT" escaped, or ~REGEX.
    QString describe() const;

private:
    QString m_text;
    QRegularExpression m_re;
    bool m_regex = false;
};

// Hex bytes, blanks optional; xx any byte, .. (last) any rest.
class BytePattern
{
public:
    static std::optional<BytePattern> parse(const QString &source, QString *error);
    bool matches(const QByteArray &bytes) const;
    QString describe() const;

private:
    QVector<int> m_bytes;  // -1: any byte
    bool m_anyRest = false;
};

// ICON "TITLE" "TEXT" (TITLE and TEXT each may be "~REGEX").
struct MessageMatch
{
    QString icon;
    std::optional<TextMatch> title;
    std::optional<TextMatch> text;

    static std::optional<MessageMatch> parse(const QString &source, QString *error);
    bool matches(const QString &iconWord, const QString &title, const QString &text) const;
    QString describe() const;
};

// A message as the transcript shows it: ICON "TITLE" "TEXT".
QString describeMessage(const QString &iconWord, const QString &title, const QString &text);

}  // namespace mdq
