// The terminal session, wired together (see session.hpp): the character set
// chosen, the terminal held, the history file read, the editor set up, and
// the dialogue run on the terminal's streams.
#include "session.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "characters.hpp"
#include "descriptor_io.hpp"
#include "dialogue.hpp"
#include "editor.hpp"
#include "failure_texts.hpp"
#include "history_file.hpp"
#include "hold.hpp"
#include "memory_reserve.hpp"
#include "streams.hpp"

namespace {

using namespace terminal;

// Enough for libedit, the terminal database and the C library's locale to set
// themselves up, twice over: in a sweep of memory limits 256 KiB was too little
// for a locale to be loaded, and 1 MiB always enough.
constexpr std::size_t kReserve = std::size_t{2} << 20U;

constexpr ShownBytes kUtf8 = ShownBytes::utf8();

// What the failure texts and the out-of-memory end reach.
struct Shown {
  bool decided = false;                  // the session has chosen (or is not to run)
  ShownBytes terminal;                   // the terminal's characters, once chosen
  const ShownBytes* failures = nullptr;  // the failure texts' characters; none: as they are
  TerminalOutput* output = nullptr;      // written out before the out-of-memory text
};
Shown shown;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

bool alone() {
  const char* alone = std::getenv("FRACTION_CALC_ALONE");
  return (alone != nullptr && *alone != '\0') || ::isatty(STDIN_FILENO) == 0 ||
         ::isatty(STDOUT_FILENO) == 0;
}

// Before the session has chosen, from the environment alone (nothing may be
// allocated here): a session would show UTF-8 where the locale is named as
// UTF-8, or not named (C, POSIX), so the failure texts are shown so too.
const ShownBytes* guessedForFailures() {
  if (alone() || ::isatty(STDERR_FILENO) == 0) {
    return nullptr;
  }
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') {
      continue;
    }
    const std::string_view name = value;
    const std::string_view codeset = name.substr(std::min(name.find('.'), name.size()));
    const bool utf8 = codeset.starts_with(".UTF-8") || codeset.starts_with(".utf8") ||
                      codeset.starts_with(".UTF8") || codeset.starts_with(".utf-8");
    return utf8 || name == "C" || name == "POSIX" ? &kUtf8 : nullptr;
  }
  return &kUtf8;
}

// One note on standard error, in the terminal's characters; a closed or full
// standard error never stops the session.
void note(std::u8string_view text) {
  const std::string line = "fraction-calc: " + inTerminalCharacters(fromUtf8(text)) + "\n";
  static_cast<void>(writeAll(STDERR_FILENO, line));
}

[[noreturn]] void outOfMemoryInSession() {
  if (shown.output != nullptr) {
    static_cast<void>(shown.output->finish());
  }
  hold::putTerminalBack();
  writeFailureText(failure_texts::kOutOfMemory.view());
  std::_Exit(EXIT_FAILURE);
}

// The new-handler of the session, put back when it ends.
class SessionNewHandler {
 public:
  SessionNewHandler() : previous_(std::set_new_handler(outOfMemoryInSession)) {}
  SessionNewHandler(const SessionNewHandler&) = delete;
  SessionNewHandler& operator=(const SessionNewHandler&) = delete;
  SessionNewHandler(SessionNewHandler&&) = delete;
  SessionNewHandler& operator=(SessionNewHandler&&) = delete;
  ~SessionNewHandler() { std::set_new_handler(previous_); }

 private:
  std::new_handler previous_;
};

}  // namespace

std::optional<Ending> runTerminalSession() {
  if (alone()) {
    shown.decided = true;
    return std::nullopt;
  }
  MemoryReserve reserve(kReserve);
  if (!reserve.held()) {
    std::get_new_handler()();  // not even the reserve: memory is exhausted
  }
  LocaleChoice choice;
  {
    const ReserveReleased released(reserve);
    choice = chooseTerminalLocale();
    if (choice.usable) {
      shown.terminal = ShownBytes::ofLocale();
    }
  }
  shown.decided = true;
  if (!choice.usable) {
    note(choice.note);
    return std::nullopt;
  }
  shown.failures = ::isatty(STDERR_FILENO) != 0 ? &shown.terminal : nullptr;

  TerminalOutput output(shown.terminal);
  shown.output = &output;
  const hold::TerminalHold hold;
  const SessionNewHandler newHandler;
  const HistoryPlace place = historyPlace();
  if (!place.note.empty()) {
    note(place.note);
  }
  std::optional<HistoryFile> history;
  if (!place.path.empty()) {
    history.emplace(place.path);
    if (const std::u8string said = history->takeNote(); !said.empty()) {
      note(said);
    }
  }
  const std::vector<std::wstring> none;
  Editor editor(reserve, history ? history->lines() : none);
  std::ostream out(&output);
  std::istream in(nullptr);
  TerminalInput input(in, output, editor, history ? &*history : nullptr, shown.terminal, note);
  in.rdbuf(&input);
  Ending ending = runDialogue(in, out);
  if (!output.finish() && (ending == Ending::exitItem || ending == Ending::endOfInput)) {
    ending = Ending::outputFailed;
  }
  shown.output = nullptr;
  return ending;
}

void writeFailureText(std::string_view text) {
  const ShownBytes* characters = shown.decided ? shown.failures : guessedForFailures();
  if (characters != nullptr) {
    static_cast<void>(writeShown(STDERR_FILENO, text, *characters));
  } else {
    static_cast<void>(std::fwrite(text.data(), 1, text.size(), stderr));
  }
}
