#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>
#include <optional>

#include "dialogue.hpp"
#include "failure_texts.hpp"
#include "standard_input.hpp"
#include "terminal/session.hpp"
#include "windows_console.hpp"

namespace {

// Writes the out-of-memory text and ends the run. It allocates nothing, and
// writes through C's standard error (or the terminal session's writer), which
// needs no C++ stream, whatever state those are in. It is the new-handler while
// main sets up the standard streams: unsynchronising them from C stdio
// allocates their new buffers, and until that is done their C++ side may be
// half rebuilt. Nothing has been written to standard output yet.
[[noreturn]] void endOutOfMemory() {
  writeFailureText(failure_texts::kOutOfMemory.view());
  restoreConsoleCodePages();  // std::_Exit runs no destructors
  std::_Exit(EXIT_FAILURE);
}

// The new-handler from then on, so whichever allocation fails (the line of item
// 7, a text copy, a fraction) ends the run the same way, and never as a quiet
// end of input: what the dialogue wrote comes first, then the text. The terminal
// session has a handler of its own for its output.
[[noreturn]] void outOfMemory() {
  std::cout.flush();
  endOutOfMemory();
}

int exitStatus(Ending ending) {
  switch (ending) {
    case Ending::exitItem:
    case Ending::endOfInput:
      return EXIT_SUCCESS;
    case Ending::outputFailed:
      writeFailureText(failure_texts::kWriteFailed.view());
      break;
    case Ending::inputFailed:
      writeFailureText(failure_texts::kReadFailed.view());
      break;
  }
  return EXIT_FAILURE;
}

}  // namespace

int main() {
  std::set_new_handler(endOutOfMemory);
  // A Windows console shows the texts in Windows-1251 until main has returned.
  const Windows1251Console console;
  // Standard output buffers for itself instead of going through C stdio
  // character by character; the dialogue flushes it before every read.
  std::ios::sync_with_stdio(false);
  std::set_new_handler(outOfMemory);
  // The result is ignored: where no "Russian" locale exists nothing changes, and
  // the console streams keep their own locale, so numbers stay plain digits.
  static_cast<void>(std::setlocale(LC_ALL, "Russian"));
  // At a terminal, the session reads each line with a line editor and shows the
  // texts in the terminal's own characters; elsewhere the program is alone.
  if (const std::optional<Ending> ending = runTerminalSession()) {
    return exitStatus(*ending);
  }
  // Input through the program's own stream, so that a read error ends the run as
  // a failure whichever C++ library the program is built with.
  StandardInput input;
  return exitStatus(runDialogue(input.stream(), std::cout));
}
