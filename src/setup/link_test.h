#pragma once
// The connection check run by OK in the settings window: one status request
// with its own 3-second stages, logged like an exchange but without wrapping.

#include <QString>

namespace mdq {

struct LinkContext;

// "OK" when a reader answered, "ERROR" when not, "" for a well-formed reply
// whose first byte is neither 'P' nor 'N' (OK counts that as a pass).
// *stopped (if given) tells whether the operator stopped the wait.
QString IRUnitIfOk(LinkContext &link, quint8 address, bool recordData, bool *stopped = nullptr);

namespace limits {
constexpr int LinkTestStageMs = 3000;
}

}  // namespace mdq
