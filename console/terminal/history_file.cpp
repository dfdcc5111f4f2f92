// The history file (see history_file.hpp).
#include "history_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): POSIX's realpath and mkstemp

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "characters.hpp"
#include "descriptor_io.hpp"

// open(2) takes C variable arguments.
// NOLINTBEGIN(cppcoreguidelines-pro-type-vararg)

namespace terminal {

namespace {

// POSIX names this struct as its function: the alias keeps `struct` out of declarations.
using FileStatus = struct stat;

std::u8string asU8(std::string_view text) { return {text.begin(), text.end()}; }

}  // namespace

NewestLines newestLines(std::string_view tail, bool whole, std::size_t count) {
  NewestLines newest;
  std::size_t start = 0;
  if (!whole) {
    const std::size_t firstEnd = tail.find('\n');
    start = firstEnd == std::string_view::npos ? tail.size() : firstEnd + 1;
  }
  std::vector<std::string_view> all;
  while (start < tail.size()) {
    std::size_t end = tail.find('\n', start);
    if (end == std::string_view::npos) {
      end = tail.size();
    }
    ++newest.total;
    if (end > start) {
      all.push_back(tail.substr(start, end - start));
    }
    start = end + 1;
  }
  const std::size_t skipped = all.size() > count ? all.size() - count : 0;
  newest.lines.assign(all.begin() + static_cast<std::ptrdiff_t>(skipped), all.end());
  return newest;
}

HistoryPlace historyPlace() {
  if (const char* named = std::getenv("FRACTION_CALC_HISTORY")) {
    return {named, {}};  // empty: no history, and no note
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    return {"", u8"No history between runs: HOME is not set."};
  }
  const std::u8string folder = u8"No history between runs: the home folder " + asU8(home);
  FileStatus status{};
  if (::stat(home, &status) != 0) {
    return {"", folder + (errno == ENOENT ? u8" does not exist." : u8" cannot be reached.")};
  }
  if (!S_ISDIR(status.st_mode)) {
    return {"", folder + u8" is not a folder."};
  }
  return {std::string(home) + "/.fraction-calc_history", {}};
}

HistoryFile::HistoryFile(std::string path) : path_(std::move(path)) {
  const std::u8string named = asU8(path_);
  // Non-blocking, so that opening a FIFO does not wait for a writer.
  const int reading = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  const bool absent = reading < 0 && errno == ENOENT;
  FileStatus status{};
  if (reading >= 0) {
    const bool known = ::fstat(reading, &status) == 0;
    if (!known || !S_ISREG(status.st_mode)) {
      ::close(reading);
      note_ = u8"No history between runs: " + named +
              (known && S_ISDIR(status.st_mode) ? u8" is a folder." : u8" is not a regular file.");
      return;
    }
  }
  openToAppend();
  if (reading >= 0) {
    const Tail tail = readTail(reading, static_cast<std::size_t>(status.st_size));
    ::close(reading);
    separatorNeeded_ = !tail.bytes.empty() && tail.bytes.back() != '\n';
    for (const std::string_view line : newestLines(tail.bytes, tail.whole, kKeptLines).lines) {
      lines_.push_back(historyLineText(line));
    }
  }
  if (file_ >= 0) {
    return;
  }
  if (reading >= 0) {
    note_ = u8"The history in " + named + u8" is read but not kept: it cannot be written.";
  } else {
    note_ = u8"No history between runs: " + named +
            (absent ? u8" cannot be written." : u8" cannot be read or written.");
  }
}

void HistoryFile::openToAppend() {
  // Appending never makes a folder: only the file itself may be created.
  file_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                 0600);
  FileStatus status{};
  if (file_ >= 0 && (::fstat(file_, &status) != 0 || !S_ISREG(status.st_mode))) {
    ::close(file_);  // something else was made there in the meantime
    file_ = -1;
  }
}

HistoryFile::~HistoryFile() {
  if (file_ >= 0) {
    ::close(file_);
    trimIfGrown();
  }
}

HistoryFile::Tail HistoryFile::readTail(int descriptor, std::size_t size) {
  const std::size_t start = size > kReadLimit ? size - kReadLimit : 0;
  Tail tail{std::string(size - start, '\0'), start == 0};
  std::size_t got = 0;
  while (got < tail.bytes.size()) {
    const ssize_t part = ::pread(descriptor, tail.bytes.data() + got, tail.bytes.size() - got,
                                 static_cast<off_t>(start + got));
    if (part < 0 && errno == EINTR) {
      continue;
    }
    if (part <= 0) {
      break;  // shorter than it was: what was read is what there is
    }
    got += static_cast<std::size_t>(part);
  }
  tail.bytes.resize(got);
  return tail;
}

// At the end of a session that kept the file, as psql does, so that the first
// prompt never waits for it. A file killed sessions left long is read only so
// far meanwhile.
void HistoryFile::trimIfGrown() {
  const int reading = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (reading < 0) {
    return;
  }
  FileStatus status{};
  if (::fstat(reading, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(reading);
    return;
  }
  const Tail tail = readTail(reading, static_cast<std::size_t>(status.st_size));
  ::close(reading);
  const NewestLines newest = newestLines(tail.bytes, tail.whole, kKeptLines);
  if (!tail.whole || newest.total > 2 * kKeptLines) {
    static_cast<void>(trim(newest.lines, static_cast<unsigned>(status.st_mode)));
  }
}

// Writes the newest lines to a new file beside the old and renames it over
// it, so that the file is whole at every moment. A link is followed, so that
// the file it names is trimmed and the link stays. Nothing is said when it
// cannot be done: the file is read only so far anyway.
bool HistoryFile::trim(const std::vector<std::string_view>& newest, unsigned mode) {
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path_.c_str(), nullptr),
                                                         &std::free);
  if (real == nullptr) {
    return false;
  }
  std::string temporary = std::string(real.get()) + ".XXXXXX";
  const int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) {
    return false;
  }
  std::string text;
  for (const std::string_view line : newest) {
    text.append(line).push_back('\n');
  }
  const bool written = writeAll(descriptor, text) && ::fchmod(descriptor, mode & 07777U) == 0 &&
                       ::fsync(descriptor) == 0;
  ::close(descriptor);
  if (!written || ::rename(temporary.c_str(), real.get()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

void HistoryFile::append(std::wstring_view line) {
  if (file_ < 0) {
    return;
  }
  std::string text = separatorNeeded_ ? "\n" : "";
  text.append(historyLineBytes(line)).push_back('\n');
  FileStatus before{};
  const bool sized = ::fstat(file_, &before) == 0;
  if (writeAll(file_, text)) {
    separatorNeeded_ = false;
    return;
  }
  // A full disk may take part of the line: cut it off, so that the next
  // session's line does not join it.
  if (sized && ::ftruncate(file_, before.st_size) != 0) {
    // Left as it is: the next session starts its first line on a line of its own.
  }
  note_ = u8"The history is no longer kept: " + asU8(path_) + u8" cannot be written.";
  ::close(file_);
  file_ = -1;
}

std::u8string HistoryFile::takeNote() { return std::exchange(note_, {}); }

}  // namespace terminal

// NOLINTEND(cppcoreguidelines-pro-type-vararg)
