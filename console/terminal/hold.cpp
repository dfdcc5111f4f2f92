// The terminal held for the session (see hold.hpp).
#include "hold.hpp"

#include <fcntl.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): POSIX signal handling, which <csignal> does not declare
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <vector>

// fcntl(2) takes C variable arguments.
// NOLINTBEGIN(cppcoreguidelines-pro-type-vararg)

namespace terminal::hold {

namespace {

// POSIX names this struct as its function: the alias keeps `struct` out of declarations.
using SignalAction = struct sigaction;

constexpr std::array kSignals = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP, SIGCONT, SIGWINCH};
constexpr std::array kDescriptors = {STDIN_FILENO, STDOUT_FILENO};

struct Held {
  termios modes{};  // the terminal's modes before the session
  bool modesKnown = false;
  std::array<int, kDescriptors.size()> flags{-1, -1};  // the file status flags before
  termios editorModes{};                               // the editor's modes while it waits for keys
  volatile std::sig_atomic_t editorModesKnown = 0;
  volatile std::sig_atomic_t editing = 0;  // the editor is waiting for a key
  std::array<int, 2> wakeUp{-1, -1};       // the pipe through which a handler wakes the editor
  std::array<SignalAction, kSignals.size()> previous{};
  std::array<bool, kSignals.size()> handled{};
};

// Signal handlers reach nothing else.
Held held;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

bool inForeground() { return ::tcgetpgrp(STDIN_FILENO) == ::getpgrp(); }

void setDisposition(int number, void (*handler)(int)) {
  SignalAction action{};
  action.sa_handler = handler;  // NOLINT(cppcoreguidelines-pro-type-union-access): POSIX's struct
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  static_cast<void>(::sigaction(number, &action, nullptr));
}

void unblock(int number) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, number);
  static_cast<void>(::sigprocmask(SIG_UNBLOCK, &set, nullptr));
}

// Blocking reads and writes for the session. Async-signal-safe.
void makeBlocking() {
  for (std::size_t i = 0; i < kDescriptors.size(); ++i) {
    if (held.flags.at(i) >= 0) {
      static_cast<void>(::fcntl(kDescriptors.at(i), F_SETFL, held.flags.at(i) & ~O_NONBLOCK));
    }
  }
}

extern "C" void onSignal(int number);

// Ends the process by the signal itself, so that the caller sees it (130 for
// Ctrl-C, 143 for kill -TERM). Only this process gets it. Async-signal-safe.
[[noreturn]] void endBySignal(int number) {
  putTerminalBack();
  setDisposition(number, SIG_DFL);
  unblock(number);
  static_cast<void>(::raise(number));
  ::_exit(128 + number);  // not reached: each of these signals ends a process by default
}

void wake(int number) {
  const auto byte = static_cast<unsigned char>(number);
  if (::write(held.wakeUp[1], &byte, 1) < 0) {
    // The pipe is full of wake-ups not yet taken: the editor wakes up all the same.
  }
}

extern "C" void onSignal(int number) {
  const int savedErrno = errno;
  if (number != SIGTSTP && number != SIGCONT && number != SIGWINCH) {
    endBySignal(number);
  }
  if (held.editing != 0 && held.wakeUp[1] >= 0) {
    wake(number);
  } else if (number == SIGTSTP) {
    stopForTheShell();
  } else if (number == SIGCONT && held.editing != 0) {
    putEditorModesBack();  // no pipe: the line is redrawn at the next key
  }
  errno = savedErrno;
}

}  // namespace

TerminalHold::TerminalHold() {
  held.modesKnown = ::tcgetattr(STDIN_FILENO, &held.modes) == 0;
  for (std::size_t i = 0; i < kDescriptors.size(); ++i) {
    held.flags.at(i) = ::fcntl(kDescriptors.at(i), F_GETFL);
  }
  makeBlocking();
  if (::pipe(held.wakeUp.data()) == 0) {
    for (const int end : held.wakeUp) {
      static_cast<void>(::fcntl(end, F_SETFL, O_NONBLOCK));
      static_cast<void>(::fcntl(end, F_SETFD, FD_CLOEXEC));
    }
  } else {
    held.wakeUp = {-1, -1};  // no descriptor left: signals act at once
  }
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    SignalAction& previous = held.previous.at(i);
    static_cast<void>(::sigaction(kSignals.at(i), nullptr, &previous));
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access): POSIX's struct
    held.handled.at(i) = previous.sa_handler != SIG_IGN;
    if (held.handled.at(i)) {
      setDisposition(kSignals.at(i), onSignal);
    }
  }
}

TerminalHold::~TerminalHold() {
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    if (held.handled.at(i)) {
      static_cast<void>(::sigaction(kSignals.at(i), &held.previous.at(i), nullptr));
    }
  }
  putTerminalBack();
  for (int& end : held.wakeUp) {
    if (end >= 0) {
      ::close(end);
      end = -1;
    }
  }
}

int wakeUpDescriptor() { return held.wakeUp[0]; }

std::vector<WakeUp> takeWakeUps() {
  std::vector<WakeUp> wakeUps;
  unsigned char number = 0;
  while (held.wakeUp[0] >= 0 && ::read(held.wakeUp[0], &number, 1) == 1) {
    if (number == SIGWINCH) {
      wakeUps.push_back(WakeUp::resized);
    } else if (number == SIGTSTP) {
      wakeUps.push_back(WakeUp::stopAsked);
    } else {
      wakeUps.push_back(WakeUp::resumed);
    }
  }
  return wakeUps;
}

void beginEditing() {
  held.editorModesKnown = 0;
  held.editing = 1;
}

void endEditing() { held.editing = 0; }

void keepEditorModes() {
  if (held.editorModesKnown == 0 && ::tcgetattr(STDIN_FILENO, &held.editorModes) == 0) {
    held.editorModesKnown = 1;
  }
}

void putEditorModesBack() {
  makeBlocking();
  if (held.editorModesKnown != 0 && inForeground()) {
    static_cast<void>(::tcsetattr(STDIN_FILENO, TCSANOW, &held.editorModes));
  }
}

void stopForTheShell() {
  putTerminalBack();
  setDisposition(SIGTSTP, SIG_DFL);
  unblock(SIGTSTP);
  static_cast<void>(::raise(SIGTSTP));
  setDisposition(SIGTSTP, onSignal);
  makeBlocking();
}

void putTerminalBack() {
  for (std::size_t i = 0; i < kDescriptors.size(); ++i) {
    if (held.flags.at(i) >= 0) {
      static_cast<void>(::fcntl(kDescriptors.at(i), F_SETFL, held.flags.at(i)));
    }
  }
  if (held.modesKnown && inForeground()) {
    static_cast<void>(::tcsetattr(STDIN_FILENO, TCSANOW, &held.modes));
  }
}

}  // namespace terminal::hold

// NOLINTEND(cppcoreguidelines-pro-type-vararg)
