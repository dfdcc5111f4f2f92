#pragma once

// The history file: the lines typed at a terminal, for Up and Down in this and
// later sessions, one a line in UTF-8. Each line is appended as it is typed, so
// that no end of a session loses one.
//
// It is bounded and safe: only a regular file is read (a FIFO, a device or a
// folder gets one note, never a wait), and only its last kReadLimit bytes, of
// which the newest kKeptLines lines are kept. A file grown past twice that is
// trimmed to them as the session ends, by writing a new file and renaming it
// over the old. A write
// cut short is cut off again, and a file that does not end with a line feed
// (a session ended mid-write) gets one before the next line, so that two lines
// never join. A line that is not UTF-8 (from an older version) is read as
// Windows-1251.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace terminal {

inline constexpr std::size_t kKeptLines = 1000;
inline constexpr std::size_t kReadLimit = std::size_t{1} << 20U;

// The newest `count` lines of a file's last bytes (`tail`), without empty ones;
// `whole` when the tail is the whole file, else its first line, cut by where
// the tail begins, is not one. `total` is how many lines the tail holds.
struct NewestLines {
  std::vector<std::string_view> lines;  // oldest first
  std::size_t total = 0;
};
NewestLines newestLines(std::string_view tail, bool whole, std::size_t count);

// Where the history is kept: the file FRACTION_CALC_HISTORY names (empty: none,
// and no note), else ~/.fraction-calc_history; no path, and a note why, when
// the home folder cannot hold it.
struct HistoryPlace {
  std::string path;
  std::u8string note;
};
HistoryPlace historyPlace();

class HistoryFile {
 public:
  // Reads the file's newest lines and opens it for appending. A file that
  // cannot be kept gives one note (takeNote) and no history.
  explicit HistoryFile(std::string path);
  HistoryFile(const HistoryFile&) = delete;
  HistoryFile& operator=(const HistoryFile&) = delete;
  HistoryFile(HistoryFile&&) = delete;
  HistoryFile& operator=(HistoryFile&&) = delete;
  ~HistoryFile();

  // The lines read, oldest first.
  [[nodiscard]] const std::vector<std::wstring>& lines() const { return lines_; }
  // Appends a typed line; when it cannot, the file is no longer kept, and a note says so.
  void append(std::wstring_view line);
  // The note on the file since the last call, if any.
  std::u8string takeNote();

 private:
  struct Tail {
    std::string bytes;  // the file's last kReadLimit bytes at most
    bool whole;         // and they are all of it
  };
  static Tail readTail(int descriptor, std::size_t size);
  void openToAppend();
  void trimIfGrown();
  bool trim(const std::vector<std::string_view>& newest, unsigned mode);

  std::string path_;
  int file_ = -1;  // appended to
  bool separatorNeeded_ = false;
  std::vector<std::wstring> lines_;
  std::u8string note_;
};

}  // namespace terminal
