#pragma once
// Activate, inquire status and deactivate for the SLE4442 and SLE4428 panels:
// the two panels send the same frames and recognise either card.

namespace mdq {

class CommandRunner;

namespace sle {
void activate(CommandRunner &runner);
void inquireStatus(CommandRunner &runner);
void deactivate(CommandRunner &runner);
}  // namespace sle

}  // namespace mdq
