#pragma once
// The script runner's output: one line per event, strings in C escapes.

#include <QString>
#include <cstdio>

namespace mdq {

enum class Icon;

// "\r", "\n", "\"", "\\" escaped, \xHH for other bytes below 20h and for 7Fh,
// the rest as UTF-8.
QString escapeForTranscript(const QString &text);
QString iconWord(Icon icon);

class Transcript
{
public:
    explicit Transcript(std::FILE *out = stdout) : m_out(out) {}
    void line(const QString &text);
    void mute() { m_muted = true; }

private:
    std::FILE *m_out;
    bool m_muted = false;
};

}  // namespace mdq
