#pragma once
// Activate, inquire status and deactivate for the SLE4442 and SLE4428 panels:
// the two panels send the same frames and recognise either card.

class QHBoxLayout;
class QWidget;

namespace mdq {

class CommandRunner;

namespace sle {
void activate(CommandRunner &runner);
void inquireStatus(CommandRunner &runner);
void deactivate(CommandRunner &runner);
// The "Activate", "Inquire Status", "Deactivate" row of panel n (1 SLE4442,
// 2 SLE4428): buttons SiemensICUp<n>, SiemensICStatus<n>, SiemensICDown<n>.
QHBoxLayout *powerRow(QWidget *panel, int n, CommandRunner &runner);
}  // namespace sle

}  // namespace mdq
