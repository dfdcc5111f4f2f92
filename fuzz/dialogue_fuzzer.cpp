// Feeds arbitrary bytes as standard input to a whole dialogue. Every input ends,
// because the end of input ends the run.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "dialogue.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): libFuzzer hands over raw bytes
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::ostringstream out;
  static_cast<void>(runDialogue(in, out));
  return 0;
}
