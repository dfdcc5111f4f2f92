#pragma once

#include <cstdint>
#include <istream>
#include <ostream>

// How a run of the dialogue ended.
enum class Ending : std::uint8_t {
  exitItem,      // the user picked item 9
  endOfInput,    // the input ended; a line feed was written
  outputFailed,  // the output could not be written; nothing more was read
  inputFailed,   // the input could not be read (an error, not its end)
};

// Runs the calculator's menu dialogue on the given streams until the user picks
// item 9, the input ends, or a stream fails.
Ending runDialogue(std::istream& in, std::ostream& out);
