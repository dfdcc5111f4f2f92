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

// Set once main has set up the standard streams. Until then the C++ streams
// may be half rebuilt (unsynchronising them from C stdio allocates their new
// buffers), and nothing has been written to standard output yet.
bool streamsReady = false;

// Installed as the new-handler from the first line of main, so whichever
// allocation fails (the streams' buffers, the line of item 7, a text copy, a
// fraction) ends the run the same way, and never as a quiet end of input. It
// allocates nothing itself, and writes its text through C's standard error,
// which is unbuffered and set up before main whatever state the C++ streams are in.
[[noreturn]] void outOfMemory() {
  if (streamsReady) {
    std::cout.flush();  // what the dialogue wrote comes before the text
  }
  const std::string_view text = kOutOfMemory.view();
  static_cast<void>(std::fwrite(text.data(), 1, text.size(), stderr));
  restoreConsoleCodePages();  // std::_Exit runs no destructors
  std::_Exit(EXIT_FAILURE);
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
  std::set_new_handler(outOfMemory);
  // A Windows console shows the texts in Windows-1251 until main has returned.
  const Windows1251Console console;
  // Standard output buffers for itself instead of going through C stdio
  // character by character; the dialogue flushes it before every read.
  std::ios::sync_with_stdio(false);
  streamsReady = true;
  // The result is ignored: where no "Russian" locale exists nothing changes, and
  // the console streams keep their own locale, so numbers stay plain digits.
  static_cast<void>(std::setlocale(LC_ALL, "Russian"));
  // Input through the program's own stream, so that a read error ends the run as
  // a failure whichever C++ library the program is built with.
  StandardInput input;
  return exitStatus(runDialogue(input.stream(), std::cout));
}
