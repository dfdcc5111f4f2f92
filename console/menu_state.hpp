#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "fraction.hpp"

// Everything one run of the calculator keeps between menu passes.
// `a` exists exactly when remaining <= 1, `b` exactly when remaining == 0.
struct MenuState {
  // How many fractions are still to be entered: 2, then 1, then 0. Only goes down.
  std::int32_t remaining = 2;
  std::unique_ptr<Fraction> a;
  std::unique_ptr<Fraction> b;
  // The result holder; items 7 and 8 store and print its text.
  Fraction c;
  // The line stored by item 7, and the rest of the item-number line read before it.
  std::string Str;
  std::string dummy;
};
