// The terminal session's pure parts, without a terminal: the terminal's
// characters through the C library's locales, the keys' escape sequences and
// the history file. Locales other than C.UTF-8 are used where installed.
#include <gtest/gtest.h>

#include <signal.h>  // NOLINT(modernize-deprecated-headers): POSIX's SIGXFSZ
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ios>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "characters.hpp"
#include "history_file.hpp"
#include "keys.hpp"

namespace {

using terminal::HistoryFile;

// LC_CTYPE set to a locale for a scope; installed() says whether it could be.
class InLocale {
 public:
  explicit InLocale(const char* name)
      : before_(std::setlocale(LC_CTYPE, nullptr)),
        installed_(std::setlocale(LC_CTYPE, name) != nullptr) {}
  InLocale(const InLocale&) = delete;
  InLocale& operator=(const InLocale&) = delete;
  InLocale(InLocale&&) = delete;
  InLocale& operator=(InLocale&&) = delete;
  ~InLocale() { static_cast<void>(std::setlocale(LC_CTYPE, before_.c_str())); }
  // Where a locale is missing its rows are left out, except in CI, which installs them all.
  [[nodiscard]] bool installed() const {
    if (!installed_ && std::getenv("CI") != nullptr) {
      ADD_FAILURE() << "the locale is not installed";
    }
    return installed_;
  }

 private:
  std::string before_;
  bool installed_;
};

std::wstring decoded(std::string_view bytes) {
  terminal::KeyDecoder decoder;
  std::wstring keys;
  for (const char byte : bytes) {
    decoder.take(static_cast<unsigned char>(byte), keys);
  }
  return keys;
}

// Keys as the terminal sends them, in its locale: a byte that breaks a
// sequence is U+FFFD and then read again on its own, so an Enter is never lost.
TEST(TerminalCharacters, DecodesKeysInTheLocale) {
  struct Case {
    const char* locale;
    std::string_view bytes;
    std::wstring_view keys;
  };
  const Case cases[] = {
      {"C.UTF-8", "\xD0\x96\xD1\x91", L"Жё"},
      {"C.UTF-8", "\xE2\x98\x83", L"\u2603"},
      {"C.UTF-8", "\xD0\r", L"\uFFFD\r"},
      {"C.UTF-8",
       "\xC2"
       "1 2",
       L"\uFFFD"
       "1 2"},
      {"C.UTF-8", "\xE2\x98\xD0\x96", L"\uFFFDЖ"},
      {"C.UTF-8",
       "\xFF\x80"
       "a",
       L"\uFFFD\uFFFD"
       "a"},
      {"C.UTF-8",
       "\xF6\xA4\xA4\x8E"
       "4",
       L"\uFFFD"
       "4"},  // past U+10FFFF, which glibc decodes
      {"ru_RU.KOI8-R", "\xF7\xA3", L"Вё"},
      {"ru_RU.CP1251", "\xC2\xB8\xB9", L"Вё№"},
      {"ru_RU.CP866", "\x82\xF1", L"Вё"},
      {"ru_RU.ISO-8859-5", "\xB2\xF1", L"Вё"},
  };
  for (const auto& [locale, bytes, keys] : cases) {
    const InLocale in(locale);
    if (in.installed()) {
      EXPECT_EQ(decoded(bytes), keys) << locale << ": " << bytes;
    }
  }
}

std::string shown(std::string_view windows1251, const terminal::ShownBytes& table) {
  std::string out;
  table.append(windows1251, out);
  return out;
}

// The dialogue's bytes in the terminal's characters, '?' for what it lacks.
TEST(TerminalCharacters, ShowsWindows1251InTheLocale) {
  struct Case {
    const char* locale;
    std::string_view windows1251;
    std::string_view terminal;
  };
  const Case cases[] = {
      {"C.UTF-8", "\xC2\xE2\xEE\xE4 \xB9", "Ввод №"},
      {"ru_RU.KOI8-R", "\xC2\xE2\xEE\xE4 \xB9", "\xF7\xD7\xCF\xC4 ?"},
      {"ru_RU.CP1251", "\xC2\xE2\xEE\xE4 \xB9", "\xC2\xE2\xEE\xE4 \xB9"},
      {"ru_RU.CP866", "\xC2\xE2\xEE\xE4 \xB9", "\x82\xA2\xAE\xA4 \xFC"},
      {"ru_RU.ISO-8859-5", "\xC2\xE2\xEE\xE4 \xAB", "\xB2\xD2\xDE\xD4 ?"},
  };
  for (const auto& [locale, windows1251, terminal] : cases) {
    const InLocale in(locale);
    if (in.installed()) {
      EXPECT_EQ(shown(windows1251, terminal::ShownBytes::ofLocale()), terminal) << locale;
    }
  }
}

// The table that needs no locale is the C library's own UTF-8, byte for byte.
TEST(TerminalCharacters, TheUtf8TableIsTheCLibrarysUtf8) {
  const InLocale in("C.UTF-8");
  ASSERT_TRUE(in.installed());
  constexpr terminal::ShownBytes kUtf8 = terminal::ShownBytes::utf8();
  const terminal::ShownBytes ofLocale = terminal::ShownBytes::ofLocale();
  for (unsigned byte = 0; byte < 256; ++byte) {
    EXPECT_EQ(kUtf8.of(static_cast<unsigned char>(byte)),
              ofLocale.of(static_cast<unsigned char>(byte)))
        << byte;
  }
}

// A typed line is composed (NFC) and then encoded, or refused naming the
// first character that has no byte.
TEST(TerminalCharacters, TypedLinesAreComposedThenEncodedOrRefused) {
  struct Case {
    std::wstring_view typed;
    std::optional<std::string> bytes;
    char32_t refused;
  };
  const Case cases[] = {
      {L"", "", 0},
      {L"Дробь 1/2\t3", "\xC4\xF0\xEE\xE1\xFC 1/2\t3", 0},
      {L"\u0438\u0306", "\xE9", 0},            // и + combining breve: й
      {L"\u0415\u0308\u0436", "\xA8\xE6", 0},  // Е + combining diaeresis: Ё
      {L"\u0433\u0301", "\x83", 0},            // г + combining acute: ѓ
      {L"a\u2603b\u00E9", std::nullopt, U'\u2603'},
      {L"e\u0301", std::nullopt, U'\u00E9'},  // é: composed, and still not in the code page
      {std::wstring_view(L"a\0b", 3), std::nullopt, U'\0'},
  };
  for (const auto& [typed, bytes, refused] : cases) {
    char32_t named = U'?';
    EXPECT_EQ(terminal::windows1251Line(typed, named), bytes);
    if (!bytes) {
      EXPECT_EQ(named, refused);
    }
  }
}

// History lines: UTF-8 where valid, else Windows-1251 (an older file); written as UTF-8.
TEST(TerminalCharacters, HistoryLinesAreUtf8OrElseWindows1251) {
  struct Case {
    std::string_view line;
    std::wstring_view text;
    bool utf8;
  };
  const Case cases[] = {
      {"Привет, мир\t1", L"Привет, мир\t1", true},
      {"\xC2"
       "1 2",
       L"В1 2", false},
      {"\xEF\xF0\xE8\xE2\xE5\xF2", L"привет", false},
      {"\xD0\xB0\xD0", L"Р°Р", false},            // cut short at the end
      {"\xED\xA0\x80", L"н\u00A0\u0402", false},  // a surrogate
  };
  for (const auto& [line, text, utf8] : cases) {
    EXPECT_EQ(terminal::historyLineText(line), text) << line;
    if (utf8) {
      EXPECT_EQ(terminal::historyLineBytes(text), line);
    }
  }
}

std::wstring filtered(std::wstring_view keys) {
  terminal::KeyFilter filter;
  std::wstring passed;
  for (const wchar_t key : keys) {
    filter.take(key, passed);
  }
  return passed;
}

// Bound sequences pass whole; any other CSI or SS3 sequence leaves nothing; an
// escape before anything else (Alt with a letter) passes as typed.
TEST(TerminalKeys, UnboundSequencesLeaveNoDebris) {
  struct Case {
    std::wstring_view typed;
    std::wstring_view passed;
  };
  const Case cases[] = {
      {L"1 2\t3", L"1 2\t3"},
      {L"\x1b[1~a\x1b[4~", L"\x1b[1~a\x1b[4~"},  // VT220 Home, End (screen, tmux, Linux)
      {L"\x1b[H\x1bOH\x1b[F\x1bOF",
       L"\x1b[H\x1bOH\x1b[F\x1bOF"},                    // xterm's, and in application mode
      {L"\x1b[1;5D\x1b[1;5C", L"\x1b[1;5D\x1b[1;5C"},   // Ctrl-Left, Ctrl-Right
      {L"\x1b[200~ab\x1b[201~", L"ab"},                 // a bracketed paste's markers
      {L"\x1b[15~\x1b[6~\x1bOP\x1b[[A\x1b[1;3A", L""},  // F5, Page Down, F1 (xterm, Linux), Alt-Up
      {L"\x1b"
       L"b\x1b"
       L"f",
       L"\x1b"
       L"b\x1b"
       L"f"},                // Alt-b, Alt-f
      {L"\x1b[1\r", L"\r"},  // cut short: Enter is kept
      {L"\x1b[й", L"й"},
  };
  for (const auto& [typed, passed] : cases) {
    EXPECT_EQ(filtered(typed), passed);
  }
  for (const terminal::BoundKey& key : terminal::kBoundKeys) {
    EXPECT_EQ(filtered(key.sequence), key.sequence);
  }
}

TEST(HistoryFile, NewestLinesOfATail) {
  struct Case {
    std::string_view tail;
    bool whole;
    std::size_t count;
    std::vector<std::string_view> lines;
    std::size_t total;
  };
  const Case cases[] = {
      {"", true, 3, {}, 0},
      {"a\nb\n", true, 3, {"a", "b"}, 2},
      {"a\n\nb", true, 3, {"a", "b"}, 3},  // no empty lines; a last line without its line feed
      {"a\nb\nc\nd\n", true, 2, {"c", "d"}, 4},
      {"rt of a\nb\nc\n", false, 5, {"b", "c"}, 2},  // the tail began inside a line
      {"no line feed at all", false, 5, {}, 0},
  };
  for (const auto& [tail, whole, count, lines, total] : cases) {
    const terminal::NewestLines newest = terminal::newestLines(tail, whole, count);
    EXPECT_EQ(newest.lines, lines) << tail;
    EXPECT_EQ(newest.total, total) << tail;
  }
}

class HistoryFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("history-test-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  [[nodiscard]] std::string path() const { return (folder_ / "history").string(); }
  [[nodiscard]] std::string contents() const {
    std::ifstream file(path(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }
  void write(std::string_view text) const { std::ofstream(path(), std::ios::binary) << text; }

 private:
  std::filesystem::path folder_;
};

// What is not a regular file is named in one note and never waited on.
TEST_F(HistoryFileOnDisk, OnlyARegularFileIsKept) {
  ASSERT_EQ(::mkfifo(path().c_str(), 0600), 0);
  struct Case {
    std::string path;
    std::u8string_view said;
  };
  const Case cases[] = {
      {path(), u8"is not a regular file."},
      {"/dev/zero", u8"is not a regular file."},
      {std::filesystem::temp_directory_path().string(), u8"is a folder."},
  };
  for (const auto& [where, said] : cases) {
    HistoryFile history(where);
    EXPECT_TRUE(history.lines().empty());
    EXPECT_TRUE(history.takeNote().ends_with(said)) << where;
    history.append(L"7");
  }
}

TEST_F(HistoryFileOnDisk, ALineCutShortNeverJoinsTheNext) {
  write("1\nваж");  // a session ended mid-write
  {
    HistoryFile history(path());
    EXPECT_EQ(history.lines(), (std::vector<std::wstring>{L"1", L"важ"}));
    history.append(L"7");
    EXPECT_TRUE(history.takeNote().empty());
  }
  EXPECT_EQ(contents(), "1\nваж\n7\n");

  // A full disk takes part of a line: it is cut off again, and the file is no longer kept.
  const std::string before = contents();
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit small{before.size() + 4, limit.rlim_max};
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  {
    HistoryFile history(path());
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    history.append(L"важная строка");
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    EXPECT_TRUE(history.takeNote().ends_with(u8"cannot be written."));
    history.append(L"8");
  }
  static_cast<void>(std::signal(SIGXFSZ, previous));
  EXPECT_EQ(contents(), before);
}

// Past twice the lines kept, the file is trimmed to the newest as the session ends.
TEST_F(HistoryFileOnDisk, AGrownFileIsTrimmedToTheNewestLines) {
  std::ostringstream lines;
  for (std::size_t i = 0; i < 2 * terminal::kKeptLines + 1; ++i) {
    lines << i << '\n';
  }
  write(lines.str());
  {
    HistoryFile history(path());
    ASSERT_EQ(history.lines().size(), terminal::kKeptLines);
    EXPECT_EQ(history.lines().front(), std::to_wstring(terminal::kKeptLines + 1));
    history.append(L"new");
    EXPECT_EQ(contents(), lines.str() + "new\n");
  }
  const std::string trimmed = contents();
  EXPECT_TRUE(trimmed.starts_with(std::to_string(terminal::kKeptLines + 2) + "\n"));
  EXPECT_TRUE(trimmed.ends_with("\n2000\nnew\n"));

  // A file larger than what is read: only its end is read, and it is trimmed as well.
  write(std::string(terminal::kReadLimit, 'x') + "\nlast\n");
  {
    const HistoryFile history(path());
    EXPECT_EQ(history.lines(), std::vector<std::wstring>{L"last"});
  }
  EXPECT_EQ(contents(), "last\n");
}

}  // namespace
