#pragma once

#include <optional>
#include <string_view>

#include "dialogue.hpp"

// The calculator at a terminal, as a person uses it. When standard input and
// output are both terminals and FRACTION_CALC_ALONE is unset or empty, each line
// is read with a line editor (libedit): editing, a history kept in
// ~/.fraction-calc_history, and the dialogue's unfinished last line as the
// editor's prompt, so that editing, a resize and `fg` redraw it. A UTF-8
// terminal shows and types the Windows-1251 texts as its own characters; a
// Windows-1251 terminal gets them as they are. Through pipes and files nothing
// of this happens: the program reads and writes its own bytes.
//
// Built without a line editor, the program is always alone.

// Runs the dialogue at the terminal and returns how it ended; nothing when the
// program is to run alone (no terminal, FRACTION_CALC_ALONE, a character set
// other than UTF-8 or Windows-1251, which one note on standard error names). A
// signal that ends a session (INT, QUIT, TERM, HUP) ends the process by that
// signal, with the terminal's modes as they were.
std::optional<Ending> runTerminalSession();

// Writes one of the program's failure texts (Windows-1251) to standard error:
// as UTF-8 when a session has shown the dialogue on a UTF-8 terminal that
// standard error is a terminal too, else as it is. Allocates nothing.
void writeFailureText(std::string_view text);
