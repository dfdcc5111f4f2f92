#pragma once

// The terminal held for the session: its modes and file status flags as they
// were, put back at every end, and the signals of a terminal session.
//
// libedit's own signal handling stays off: it sends a signal on to the whole
// process group, which would also end the script or shell that started the
// program. A signal that ends a session (INT, QUIT, TERM, HUP) ends it at once,
// whatever the program is doing: the handler puts the terminal back without
// waiting on it (TCSANOW; only in the foreground, so a job killed while stopped
// is not stopped again by its own tcsetattr) and ends the process by that signal.
// While the editor waits for a key, TSTP, CONT and WINCH only wake it through a
// pipe, so that it stops, puts its modes back and redraws in ordinary code; at
// other times, or where no pipe could be made, TSTP stops at once. A signal the
// caller ignored stays ignored, as nohup and `trap ''` expect.
//
// The state is this file's own: signal handlers reach it, nothing else does.

#include <vector>

namespace terminal::hold {

// Takes the terminal: saves its modes and flags, makes it blocking (a parent
// may have left it non-blocking), and handles the signals. Puts all of it back
// when it ends.
class TerminalHold {
 public:
  TerminalHold();
  TerminalHold(const TerminalHold&) = delete;
  TerminalHold& operator=(const TerminalHold&) = delete;
  TerminalHold(TerminalHold&&) = delete;
  TerminalHold& operator=(TerminalHold&&) = delete;
  ~TerminalHold();
};

// The signals the editor is woken for.
enum class WakeUp : unsigned char { resized, stopAsked, resumed };

// The read end of the wake-up pipe; -1 where none could be made.
int wakeUpDescriptor();
// The wake-ups waiting in the pipe, oldest first.
std::vector<WakeUp> takeWakeUps();

// The editor waits for keys from here to endEditing.
void beginEditing();
void endEditing();
// The terminal's modes now are the editor's, to put back after a stop.
void keepEditorModes();
// Puts back the editor's modes (after a stop), in the foreground only.
void putEditorModesBack();
// Stops the process as Ctrl-Z does, with the terminal as it was before the
// session; returns once it is continued.
void stopForTheShell();

// Puts the terminal's modes and flags back as they were before the session,
// without waiting on the terminal. Async-signal-safe: the out-of-memory end
// uses it too.
void putTerminalBack();

}  // namespace terminal::hold
