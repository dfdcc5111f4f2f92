#pragma once

// The terminal's characters. The dialogue speaks Windows-1251 (the project's own
// table, cp1251.hpp); the terminal speaks whatever its locale says (UTF-8,
// Windows-1251, KOI8-R, CP866, ISO-8859-5, ...), converted by the C library's
// mbrtowc and wcrtomb, as libedit itself converts. Typed lines are composed
// (NFC, by libunistring) before they are encoded, so that и with a combining
// breve is й. Nothing here touches a terminal: these are the session's pure parts.

#include <array>
#include <cstddef>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>

#include "cp1251.hpp"

static_assert(sizeof(wchar_t) == sizeof(char32_t),
              "the editor's characters are Unicode code points");

namespace terminal {

// Which LC_CTYPE the session runs in, as the environment asks for it.
struct LocaleChoice {
  bool usable = false;  // the session can show the dialogue in it
  std::string codeset;  // the locale's character set, for the note when not usable
  std::u8string note;   // why not, for the user; empty when usable
};

// Sets LC_CTYPE from the environment. The C and POSIX locales, and a locale
// named with a UTF-8 codeset but not installed, get a UTF-8 locale, as Python
// does. A locale whose character set has no Cyrillic letters, or one that is
// named but not installed, is not usable: LC_CTYPE is then put back as before.
LocaleChoice chooseTerminalLocale();

// The UTF-8 locale the session falls back on; nothing on a system that has none.
std::optional<std::string> fallbackUtf8Locale();

// The bytes that show one Windows-1251 byte in the terminal's character set,
// for every byte: made once, then read with no allocation (by the failure texts
// of a signal or of exhausted memory too).
class ShownBytes {
 public:
  // Shown as UTF-8, which needs no locale.
  static constexpr ShownBytes utf8();
  // Shown in the LC_CTYPE locale in force; a character it lacks is '?'.
  static ShownBytes ofLocale();

  // Appends what shows `bytes`; writes nothing else.
  void append(std::string_view bytes, std::string& out) const;
  // The bytes of one Windows-1251 byte.
  [[nodiscard]] std::string_view of(unsigned char byte) const {
    return {shown_.at(byte).data(), lengths_.at(byte)};
  }

 private:
  static constexpr std::size_t kLongest = 8;
  std::array<std::array<char, kLongest>, 256> shown_{};
  std::array<unsigned char, 256> lengths_{};
};

// Decodes the bytes a terminal sends, in the LC_CTYPE locale in force. A byte
// that no character starts with, or that breaks a sequence, gives U+FFFD, and a
// byte that broke a sequence is then read again on its own: no key is lost.
class KeyDecoder {
 public:
  // Appends the characters that `byte` completes (none, one or two).
  void take(unsigned char byte, std::wstring& keys);
  // Bytes of an unfinished character have been taken.
  [[nodiscard]] bool pending() const { return partial_; }

 private:
  std::mbstate_t state_{};
  bool partial_ = false;  // bytes of an unfinished character were taken
};

// A text in the terminal's character set (the LC_CTYPE locale in force); a
// character it lacks is '?'. For notes.
std::string inTerminalCharacters(std::u32string_view text);
// The characters of a UTF-8 text (a note); U+FFFD where it is malformed.
std::u32string fromUtf8(std::u8string_view text);

// A typed line, composed (NFC), as the dialogue's Windows-1251 bytes; when a
// character has no byte (or is NUL), nothing, and `refused` is that character.
std::optional<std::string> windows1251Line(std::wstring_view typed, char32_t& refused);

// A history line: UTF-8 where it is valid UTF-8, else (a file of an older
// version) Windows-1251.
std::wstring historyLineText(std::string_view line);
// A line as the history file keeps it: UTF-8.
std::string historyLineBytes(std::wstring_view line);

// Defined here, for constant evaluation.
constexpr ShownBytes ShownBytes::utf8() {
  ShownBytes table;
  for (std::size_t byte = 0; byte < table.shown_.size(); ++byte) {
    table.lengths_.at(byte) = static_cast<unsigned char>(cp1251::encodeUtf8(
        cp1251::characterOf(static_cast<unsigned char>(byte)), table.shown_.at(byte).data()));
  }
  return table;
}

}  // namespace terminal
