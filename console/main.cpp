#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>
#include <string_view>

#include "cp1251.hpp"
#include "dialogue.hpp"
#include "standard_input.hpp"
#include "windows_console.hpp"

using namespace cp1251::literals;

namespace {

// The only texts the program writes to standard error; every dialogue message
// goes to standard output.
constexpr auto kWriteFailed = u8"Ошибка записи в стандартный вывод\n"_cp1251;
constexpr auto kReadFailed = u8"Ошибка чтения стандартного ввода\n"_cp1251;
constexpr auto kOutOfMemory = u8"Недостаточно памяти\n"_cp1251;

// Writes the out-of-memory text and ends the run. It allocates nothing, and
// writes through C's standard error, which is unbuffered and set up before main
// whatever state the C++ streams are in. It is the new-handler while main sets up
// the standard streams: unsynchronising them from C stdio allocates their new
// buffers, and until that is done their C++ side may be half rebuilt. Nothing has
// been written to standard output yet.
[[noreturn]] void endOutOfMemory() {
  const std::string_view text = kOutOfMemory.view();
  static_cast<void>(std::fwrite(text.data(), 1, text.size(), stderr));
  restoreConsoleCodePages();  // std::_Exit runs no destructors
  std::_Exit(EXIT_FAILURE);
}

// The new-handler from then on, so whichever allocation fails (the line of item
// 7, a text copy, a fraction) ends the run the same way, and never as a quiet
// end of input: what the dialogue wrote comes first, then the text.
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
      std::cerr << kWriteFailed;
      break;
    case Ending::inputFailed:
      std::cerr << kReadFailed;
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
  // Input through the program's own stream, so that a read error ends the run as
  // a failure whichever C++ library the program is built with.
  StandardInput input;
  return exitStatus(runDialogue(input.stream(), std::cout));
}
