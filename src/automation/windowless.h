#pragma once
// Runs without a window system (scripts, station workers, the benchmark) use
// Qt's offscreen platform. It warns each time a window's size limits change
// (dozens of lines a run) that it has no window manager to pass them to; that
// says nothing about the run and would bury what does on stderr.

namespace mdq {

// Drops that one warning; every other message goes where it went before.
void quietenWindowlessPlatform();

}  // namespace mdq
