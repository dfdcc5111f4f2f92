// Feeds arbitrary bytes as standard input to a whole dialogue. Every input ends,
// because the end of input ends the run.
//
// Each input runs twice: from a string stream, which hands over the whole
// input at once, and from a stream that hands over one byte per read, as a
// terminal or a pipe may. Input arriving in pieces must give the same session:
// any difference in the output bytes or in how the run ended is a finding.
//
// Where the program has its terminal session, the same bytes also check its
// characters against an independent decoder: taken as Windows-1251 and shown as
// UTF-8, the C library decodes them back to the same characters; taken as keys
// at a UTF-8 terminal, the C library's decoding agrees with the program's own
// UTF-8 decoder on what is valid and on every character.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <istream>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <utility>

#include "dialogue.hpp"

#ifdef FRACTION_CALC_TERMINAL_TEXT
#include <clocale>
#include <optional>

#include "characters.hpp"
#include "cp1251.hpp"
#endif

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

#ifdef FRACTION_CALC_TERMINAL_TEXT
void require(bool holds, const char* what) {
  if (!holds) {
    std::cerr << "dialogue fuzzer: " << what << "\n";
    std::abort();
  }
}

std::wstring keysOf(std::string_view bytes) {
  terminal::KeyDecoder decoder;
  std::wstring keys;
  for (const char byte : bytes) {
    decoder.take(static_cast<unsigned char>(byte), keys);
  }
  if (decoder.pending()) {
    keys.push_back(L'\uFFFD');  // cut short by the end of the input
  }
  return keys;
}

void checkTerminalCharacters(const std::string& input) {
  static const bool inUtf8 = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
  require(inUtf8, "no C.UTF-8 locale");

  std::string shown;
  constexpr terminal::ShownBytes kUtf8 = terminal::ShownBytes::utf8();
  kUtf8.append(input, shown);
  std::wstring expected;
  for (const char byte : input) {
    expected.push_back(static_cast<wchar_t>(cp1251::characterOf(static_cast<unsigned char>(byte))));
  }
  require(keysOf(shown) == expected,
          "Windows-1251 shown as UTF-8 does not decode back to its characters");

  std::wstring own;
  bool valid = true;
  for (std::size_t position = 0; position < input.size();) {
    const std::optional<char32_t> character = cp1251::decodeUtf8(input, position, input.size());
    valid = valid && character.has_value();
    own.push_back(static_cast<wchar_t>(character.value_or(U'\uFFFD')));
  }
  const std::wstring keys = keysOf(input);
  if (valid) {
    require(keys == own, "the C library and the program's decoder read valid UTF-8 differently");
  } else {
    require(keys.find(L'\uFFFD') != std::wstring::npos,
            "the C library took malformed UTF-8 as valid");
  }
}
#endif

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
#ifdef FRACTION_CALC_TERMINAL_TEXT
  checkTerminalCharacters(input);
#endif
  return 0;
}
