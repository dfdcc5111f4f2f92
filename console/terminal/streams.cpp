// The dialogue's streams at the terminal (see streams.hpp).
#include "streams.hpp"

#include <unistd.h>

#include <array>
#include <cctype>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <ios>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "characters.hpp"
#include "cp1251.hpp"
#include "descriptor_io.hpp"
#include "editor.hpp"
#include "history_file.hpp"

namespace terminal {

namespace {

std::u8string asU8(std::string_view text) { return {text.begin(), text.end()}; }

// U+2603, as Unicode names a code point: at least four hexadecimal digits.
std::u8string codePointName(char32_t character) {
  std::array<char, 8> digits{};
  const auto [end, error] =
      std::to_chars(digits.begin(), digits.end(), static_cast<std::uint32_t>(character), 16);
  std::u8string name = u8"U+";
  for (auto width = end - digits.begin(); width < 4; ++width) {
    name.push_back(u8'0');
  }
  for (const char* digit = digits.begin(); digit != end; ++digit) {
    name.push_back(static_cast<char8_t>(std::toupper(static_cast<unsigned char>(*digit))));
  }
  return name;
}

}  // namespace

bool writeShown(int descriptor, std::string_view bytes, const ShownBytes& shown) {
  std::array<char, 4096> buffer{};
  std::size_t used = 0;
  for (const char byte : bytes) {
    const std::string_view units = shown.of(static_cast<unsigned char>(byte));
    if (used + units.size() > buffer.size()) {
      if (!writeAll(descriptor, {buffer.data(), used})) {
        return false;
      }
      used = 0;
    }
    for (const char unit : units) {
      buffer.at(used++) = unit;
    }
  }
  return writeAll(descriptor, {buffer.data(), used});
}

std::string TerminalOutput::takeUnfinishedLine() {
  std::string line;
  line.swap(held_);
  return line;
}

bool TerminalOutput::finish() {
  const bool written = writeShown(STDOUT_FILENO, held_, *shown_);
  held_.clear();
  return written;
}

TerminalOutput::int_type TerminalOutput::overflow(int_type character) {
  if (!traits_type::eq_int_type(character, traits_type::eof())) {
    held_.push_back(traits_type::to_char_type(character));
  }
  return traits_type::not_eof(character);
}

std::streamsize TerminalOutput::xsputn(const char* text, std::streamsize count) {
  held_.append(text, static_cast<std::size_t>(count));
  return count;
}

int TerminalOutput::sync() {
  const std::size_t end = held_.rfind('\n');
  if (end == std::string::npos) {
    return 0;
  }
  if (!writeShown(STDOUT_FILENO, std::string_view(held_).substr(0, end + 1), *shown_)) {
    return -1;
  }
  held_.erase(0, end + 1);
  return 0;
}

TerminalInput::int_type TerminalInput::underflow() {
  if (gptr() < egptr()) {
    return traits_type::to_int_type(*gptr());
  }
  // The prompt as the editor draws it: a character the terminal lacks is '?'.
  std::wstring prompt;
  for (const char byte : output_->takeUnfinishedLine()) {
    const auto code = static_cast<unsigned char>(byte);
    const bool lacking = shown_->of(code) == "?" && byte != '?';
    prompt.push_back(lacking ? L'?' : static_cast<wchar_t>(cp1251::characterOf(code)));
  }
  for (;;) {
    std::optional<std::wstring> typed = editor_->readLine(prompt);
    if (!typed) {
      if (editor_->failed()) {
        owner_->setstate(std::ios::badbit);
      }
      return traits_type::eof();
    }
    remember(*typed);
    char32_t refused = 0;
    if (std::optional<std::string> bytes = windows1251Line(*typed, refused)) {
      line_ = std::move(*bytes);
      line_.push_back('\n');
      setg(line_.data(), line_.data(), line_.data() + line_.size());
      return traits_type::to_int_type(line_[0]);
    }
    note_(u8"Строка не отправлена: символа «" +
          asU8(historyLineBytes(std::wstring(1, static_cast<wchar_t>(refused)))) + u8"» (" +
          codePointName(refused) +
          u8") нет в кодировке Windows-1251. Стрелка вверх вернёт строку для правки.");
  }
}

// For Up and Down, and in the history file.
void TerminalInput::remember(const std::wstring& typed) {
  if (typed.empty() || typed == last_) {
    return;
  }
  last_ = typed;
  editor_->remember(typed);
  if (history_ != nullptr) {
    history_->append(typed);
    if (const std::u8string note = history_->takeNote(); !note.empty()) {
      note_(note);
    }
  }
}

}  // namespace terminal
