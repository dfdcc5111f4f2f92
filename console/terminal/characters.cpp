// The terminal's characters (see characters.hpp).
#include "characters.hpp"

#include <langinfo.h>
#include <uninorm.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cp1251.hpp"

namespace terminal {

namespace {

constexpr char32_t kReplacement = U'\uFFFD';
constexpr auto kFailed = static_cast<std::size_t>(-1);
constexpr auto kUnfinished = static_cast<std::size_t>(-2);

// A character set's name without case, '-' or '_': "UTF-8" and "utf8" are one.
std::string plainName(std::string_view name) {
  std::string plain;
  for (const char letter : name) {
    if (letter != '-' && letter != '_') {
      plain.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    }
  }
  return plain;
}

// The locale the environment names for LC_CTYPE, as setlocale reads it.
std::string environmentLocale() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      return value;
    }
  }
  return "";
}

// The codeset part of a locale name: "UTF-8" of "en_US.UTF-8@euro".
std::string_view codesetOf(std::string_view locale) {
  const std::size_t dot = locale.find('.');
  if (dot == std::string_view::npos) {
    return {};
  }
  const std::string_view codeset = locale.substr(dot + 1);
  return codeset.substr(0, codeset.find('@'));
}

// The locale in force writes every Cyrillic letter of Windows-1251. Where the C
// library's wide characters are not Unicode in every locale (as on macOS), only
// UTF-8 locales are taken.
bool showsCyrillic(std::string_view codeset) {
#ifndef __STDC_ISO_10646__
  if (plainName(codeset) != "UTF8") {
    return false;
  }
#else
  static_cast<void>(codeset);
#endif
  for (char32_t letter = U'\u0410'; letter <= U'\u044F'; ++letter) {
    std::array<char, MB_LEN_MAX> units{};
    std::mbstate_t state{};
    if (std::wcrtomb(units.data(), static_cast<wchar_t>(letter), &state) == kFailed) {
      return false;
    }
  }
  return true;
}

std::u8string asU8(std::string_view text) { return {text.begin(), text.end()}; }

// Ends the run as any allocation failure does.
[[noreturn]] void outOfMemory() {
  if (const std::new_handler handler = std::get_new_handler()) {
    handler();
  }
  std::abort();
}

}  // namespace

std::optional<std::string> fallbackUtf8Locale() {
  // glibc's built-in name, Debian's spelling of it, and macOS's.
  for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8", "UTF-8"}) {
    if (std::setlocale(LC_CTYPE, name) != nullptr) {
      return name;
    }
  }
  return std::nullopt;
}

LocaleChoice chooseTerminalLocale() {
  const std::string before = std::setlocale(LC_CTYPE, nullptr);
  const auto refuse = [&before](std::string codeset, std::u8string note) {
    static_cast<void>(std::setlocale(LC_CTYPE, before.c_str()));
    return LocaleChoice{false, std::move(codeset), std::move(note)};
  };
  const std::string asked = environmentLocale();
  const char* taken = std::setlocale(LC_CTYPE, "");
  bool utf8Instead = false;
  if (taken == nullptr) {
    if (plainName(codesetOf(asked)) != "UTF8") {
      return refuse(
          "",
          u8"The locale " + asU8(asked) +
              u8" is not installed, so this terminal's character set is unknown: the calculator "
              u8"writes its own Windows-1251 bytes. To read them, install the locale or run "
              u8"fraction-calc with LANG=C.UTF-8.");
    }
    utf8Instead = true;  // named as UTF-8: the terminal is taken at its word
  } else {
    const std::string_view name = taken;
    utf8Instead =
        name == "C" || name == "POSIX";  // no character set chosen: UTF-8, as Python assumes
  }
  if (utf8Instead && !fallbackUtf8Locale()) {
    return refuse(
        "",
        u8"No UTF-8 locale is installed, so this terminal's character set is unknown: the "
        u8"calculator writes its own Windows-1251 bytes.");
  }
  std::string codeset = nl_langinfo(CODESET);
  if (!showsCyrillic(codeset)) {
    return refuse(codeset,
                  u8"This terminal's character set, " + asU8(codeset) +
                      u8", has no Cyrillic letters: the calculator writes its own Windows-1251 "
                      u8"bytes. To read them, run fraction-calc in a UTF-8 terminal (for example "
                      u8"with LANG=C.UTF-8).");
  }
  return {true, std::move(codeset), {}};
}

ShownBytes ShownBytes::ofLocale() {
  ShownBytes table;
  for (std::size_t byte = 0; byte < table.shown_.size(); ++byte) {
    std::array<char, MB_LEN_MAX> units{};
    std::mbstate_t state{};
    const std::size_t length = std::wcrtomb(
        units.data(), static_cast<wchar_t>(cp1251::characterOf(static_cast<unsigned char>(byte))),
        &state);
    auto& shown = table.shown_.at(byte);
    if (length == kFailed || length > shown.size()) {
      shown[0] = '?';
      table.lengths_.at(byte) = 1;
    } else {
      std::copy_n(units.begin(), length, shown.begin());
      table.lengths_.at(byte) = static_cast<unsigned char>(length);
    }
  }
  return table;
}

void ShownBytes::append(std::string_view bytes, std::string& out) const {
  for (const char byte : bytes) {
    out.append(of(static_cast<unsigned char>(byte)));
  }
}

void KeyDecoder::take(unsigned char byte, std::wstring& keys) {
  const auto unit = static_cast<char>(byte);
  wchar_t character = 0;
  const std::size_t length = std::mbrtowc(&character, &unit, 1, &state_);
  if (length == kUnfinished) {
    partial_ = true;
    return;
  }
  if (length == kFailed) {
    state_ = {};
    keys.push_back(static_cast<wchar_t>(kReplacement));
    if (partial_) {
      partial_ = false;
      take(byte, keys);  // the byte that broke the sequence, now on its own
    }
    return;
  }
  partial_ = false;
  // glibc takes the old five- and six-byte forms, past U+10FFFF: no character.
  const auto code = static_cast<char32_t>(character);
  const bool scalar = code <= U'\U0010FFFF' && (code < 0xD800 || code > 0xDFFF);
  if (length == 0) {
    keys.push_back(L'\0');
  } else {
    keys.push_back(scalar ? character : static_cast<wchar_t>(kReplacement));
  }
}

std::string inTerminalCharacters(std::u32string_view text) {
  std::string shown;
  std::mbstate_t state{};
  for (const char32_t character : text) {
    std::array<char, MB_LEN_MAX> units{};
    const std::size_t length = std::wcrtomb(units.data(), static_cast<wchar_t>(character), &state);
    if (length == kFailed) {
      state = {};
      shown.push_back('?');
    } else {
      shown.append(units.data(), length);
    }
  }
  return shown;
}

std::u32string fromUtf8(std::u8string_view text) {
  std::u32string characters;
  for (std::size_t position = 0; position < text.size();) {
    characters.push_back(cp1251::decodeUtf8(text, position, text.size()).value_or(kReplacement));
  }
  return characters;
}

std::optional<std::string> windows1251Line(std::wstring_view typed, char32_t& refused) {
  if (typed.empty()) {
    return std::string();
  }
  std::vector<std::uint32_t> units(typed.begin(), typed.end());
  std::size_t length = 0;
  const std::unique_ptr<std::uint32_t, decltype(&std::free)> composed(
      u32_normalize(UNINORM_NFC, units.data(), units.size(), nullptr, &length), &std::free);
  if (composed == nullptr) {
    outOfMemory();  // libunistring fails only for want of memory here
  }
  std::string line;
  for (std::size_t i = 0; i < length; ++i) {
    const auto character = static_cast<char32_t>(
        composed.get()[i]);  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
    const std::optional<unsigned char> byte = cp1251::byteOf(character);
    if (!byte || character == U'\0') {
      refused = character;
      return std::nullopt;
    }
    line.push_back(static_cast<char>(*byte));
  }
  return line;
}

std::wstring historyLineText(std::string_view line) {
  std::wstring text;
  for (std::size_t position = 0; position < line.size();) {
    const std::optional<char32_t> character = cp1251::decodeUtf8(line, position, line.size());
    if (!character) {
      text.clear();
      for (const char byte : line) {
        text.push_back(static_cast<wchar_t>(cp1251::characterOf(static_cast<unsigned char>(byte))));
      }
      return text;
    }
    text.push_back(static_cast<wchar_t>(*character));
  }
  return text;
}

std::string historyLineBytes(std::wstring_view line) {
  std::string bytes;
  std::array<char, 4> units{};
  for (const wchar_t character : line) {
    bytes.append(units.data(), cp1251::encodeUtf8(static_cast<char32_t>(character), units.data()));
  }
  return bytes;
}

}  // namespace terminal
