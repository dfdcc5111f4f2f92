// Feeds arbitrary bytes as standard input to a whole dialogue. Every input ends,
// because the end of input ends the run.
//
// Each input runs twice: from a string stream, which hands over the whole
// input at once, and from a stream that hands over one byte per read, as a
// terminal or a pipe may. Input arriving in pieces must give the same session:
// any difference in the output bytes or in how the run ended is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <istream>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>

#include "dialogue.hpp"

namespace {

// A read buffer over a copy of the input whose get area never holds more than
// the next byte, so every read beyond it asks for more. The bytes already read
// stay in front of the get area, so putting a byte back (unget) works.
class OneByteAtATime : public std::streambuf {
 public:
  explicit OneByteAtATime(std::string input) : bytes(std::move(input)) {
    setg(bytes.data(), bytes.data(), bytes.data());
  }

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) {
      return traits_type::to_int_type(*gptr());
    }
    char* const next = egptr();
    if (next == bytes.data() + bytes.size()) {
      return traits_type::eof();
    }
    setg(bytes.data(), next, next + 1);
    return traits_type::to_int_type(*next);
  }

 private:
  std::string bytes;
};

struct Session {
  Ending ending;
  std::string output;
};

Session run(std::istream& in) {
  std::ostringstream out;
  const Ending ending = runDialogue(in, out);
  return {ending, out.str()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): libFuzzer hands over raw bytes
  const std::string input(reinterpret_cast<const char*>(data), size);

  std::istringstream whole(input);
  const Session atOnce = run(whole);

  OneByteAtATime pieces(input);
  std::istream piecewise(&pieces);
  const Session byteByByte = run(piecewise);

  if (atOnce.ending != byteByByte.ending || atOnce.output != byteByByte.output) {
    std::cerr << "dialogue fuzzer: the session differs when the input arrives byte by byte\n";
    std::abort();
  }
  return 0;
}
