#pragma once

#include <cstdint>
#include <ostream>

#include "menu_state.hpp"

// Answers menu items 2 to 6: sum, difference, product, quotient and reduction
// of the entered fractions. Writes its answer to `out` and returns.
void runResultCommand(std::int32_t item, MenuState& state, std::ostream& out);
