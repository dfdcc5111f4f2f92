#pragma once

#include <optional>
#include <string_view>

#include "dialogue.hpp"

// The calculator at a terminal, as a person uses it. When standard input and
// output are both terminals and FRACTION_CALC_ALONE is unset or empty, each line
// is read with a line editor (libedit): editing, a history kept in
// ~/.fraction-calc_history, and the dialogue's unfinished last line as the
// editor's prompt, so that editing, a resize and `fg` redraw it. The
// Windows-1251 texts are shown, and typed, in the terminal's own characters.
// Through pipes and files nothing of this happens: the program reads and
// writes its own bytes.
//
// Built without a line editor, the program is always alone.

// Runs the dialogue at the terminal and returns how it ended; nothing when the
// program is to run alone (no terminal, FRACTION_CALC_ALONE, a terminal whose
// characters cannot show the dialogue, which one note on standard error
// names). A signal that ends a session (INT, QUIT, TERM, HUP) ends the process
// by that signal, with the terminal as it was.
std::optional<Ending> runTerminalSession();

// Writes one of the program's failure texts (Windows-1251) to standard error,
// in the terminal's characters where standard error is the session's terminal,
// else as it is. Allocates nothing.
void writeFailureText(std::string_view text);
