#pragma once
// Negative replies: the two error-code characters and their operator texts.

#include <QString>
#include <optional>

namespace mdq {

class Prompter;

// The message for a code such as "10" or "A1"; nullopt for codes not in the table.
std::optional<QString> errorCodeMessage(const QString &code);

// Shows the decoded error (title "Negative response:" + E1 E0), or nothing for
// an unknown code. Returns whether a message was shown.
bool ShowErrorCode(Prompter &prompter, quint8 e1, quint8 e0);

}  // namespace mdq
