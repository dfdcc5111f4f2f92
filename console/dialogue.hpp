#pragma once

#include <istream>
#include <ostream>

// Runs the calculator's menu dialogue on the given streams until the user picks
// item 9 or the input ends. Returns the process exit status.
int runDialogue(std::istream& in, std::ostream& out);
