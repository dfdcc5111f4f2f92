#include <clocale>
#include <iostream>

#include "console/dialogue.hpp"

int main() {
  // The result is ignored: where no "Russian" locale exists nothing changes, and
  // the console streams keep their own locale, so numbers stay plain digits.
  static_cast<void>(std::setlocale(LC_ALL, "Russian"));
  return runDialogue(std::cin, std::cout);
}
