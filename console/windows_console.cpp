#include "windows_console.hpp"

#include <atomic>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

constexpr UINT kWindows1251 = 1251;

// The code pages found at start. Written once before `changed` is set and only
// read after, so the console control handler's thread may read them too.
struct Previous {
  UINT output = 0;
  UINT input = 0;
  std::atomic<bool> changed{false};
};

Previous& previous() {
  static Previous codePages;
  return codePages;
}

bool isConsole(DWORD standardHandle) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(standardHandle), &mode) != 0;
}

// Ctrl-C, Ctrl-Break or a closed console window end the process without
// running destructors: the code pages are put back here first, and the
// default handling (ending the process) goes on.
BOOL WINAPI onConsoleEvent(DWORD /*event*/) {
  restoreConsoleCodePages();
  return FALSE;
}

}  // namespace

void useWindows1251Console() {
  Previous& was = previous();
  if (was.changed || !(isConsole(STD_INPUT_HANDLE) || isConsole(STD_OUTPUT_HANDLE) ||
                       isConsole(STD_ERROR_HANDLE))) {
    return;
  }
  was.output = GetConsoleOutputCP();
  was.input = GetConsoleCP();
  was.changed = true;
  static_cast<void>(SetConsoleCtrlHandler(onConsoleEvent, TRUE));
  // A failure leaves the console as it was: the bytes are written all the same.
  static_cast<void>(SetConsoleOutputCP(kWindows1251));
  static_cast<void>(SetConsoleCP(kWindows1251));
}

void restoreConsoleCodePages() {
  Previous& was = previous();
  if (!was.changed.exchange(false)) {
    return;
  }
  static_cast<void>(SetConsoleOutputCP(was.output));
  static_cast<void>(SetConsoleCP(was.input));
}
