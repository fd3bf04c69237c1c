#pragma once
// The script runner's output: one line per event, strings in C escapes.

#include <QString>
#include <functional>

namespace mdq {

enum class Icon;

// "\r", "\n", "\"", "\\" escaped, \xHH for other bytes below 20h and for 7Fh,
// the rest as UTF-8.
QString escapeForTranscript(const QString &text);
QString iconWord(Icon icon);

class Transcript
{
public:
    using Sink = std::function<void(const QString &line)>;
    // Without a sink, lines go to standard output, flushed one by one.
    explicit Transcript(Sink sink = {}) : m_sink(std::move(sink)) {}
    void line(const QString &text);
    // Also called with every line spoken (not while muted): the run's record.
    void setObserver(Sink observer) { m_observer = std::move(observer); }
    void mute() { m_muted = true; }
    void unmute() { m_muted = false; }

private:
    Sink m_sink;
    Sink m_observer;
    bool m_muted = false;
};

}  // namespace mdq
