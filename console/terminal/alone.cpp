// The terminal edge of a build without a line editor: the program is always
// alone, and its failure texts are its own bytes.
#include <cstdio>
#include <optional>
#include <string_view>

#include "dialogue.hpp"
#include "session.hpp"

std::optional<Ending> runTerminalSession() { return std::nullopt; }

void writeFailureText(std::string_view text) {
  static_cast<void>(std::fwrite(text.data(), 1, text.size(), stderr));
}
