// The terminal session with libedit (see terminal_session.hpp).
//
// libedit's own signal handling stays off: on a signal it sends the signal on
// to the whole process group, which would also end the script or shell that
// started the program. Here the program handles INT, QUIT, TERM, HUP, TSTP and
// WINCH itself. While the editor waits for a key, a handler only writes the
// signal's number into a pipe that the key reader watches beside the terminal,
// so everything else happens in ordinary code; at any other moment (the
// dialogue is answering) the handler acts at once, with async-signal-safe calls.
#include "terminal_session.hpp"

#include <fcntl.h>
#include <histedit.h>
#include <langinfo.h>
#include <poll.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): POSIX signal handling, which <csignal> does not declare
#include <sys/stat.h>
#include <sys/types.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ios>
#include <istream>
#include <new>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <utility>

#include "cp1251.hpp"
#include "dialogue.hpp"
#include "failure_texts.hpp"

// libedit's interface, like open(2), fcntl(2) and snprintf, takes C variable
// arguments.
// NOLINTBEGIN(cppcoreguidelines-pro-type-vararg)

namespace {

static_assert(sizeof(wchar_t) == sizeof(char32_t),
              "the editor's characters are Unicode code points");

// How the terminal shows and sends characters.
enum class Charset : unsigned char { utf8, windows1251 };

// --- Characters --------------------------------------------------------------

constexpr char32_t kReplacement = U'\uFFFD';

// Writes the UTF-8 of a code point at `out` and returns its length, 1 to 4.
std::size_t putUtf8(char32_t character, char* out) {
  const auto value = static_cast<std::uint32_t>(character);
  const auto unit = [](std::uint32_t bits) {
    return static_cast<char>(static_cast<unsigned char>(bits));
  };
  if (value < 0x80U) {
    out[0] = unit(value);
    return 1;
  }
  if (value < 0x800U) {
    out[0] = unit(0xC0U | (value >> 6U));
    out[1] = unit(0x80U | (value & 0x3FU));
    return 2;
  }
  if (value < 0x10000U) {
    out[0] = unit(0xE0U | (value >> 12U));
    out[1] = unit(0x80U | ((value >> 6U) & 0x3FU));
    out[2] = unit(0x80U | (value & 0x3FU));
    return 3;
  }
  out[0] = unit(0xF0U | (value >> 18U));
  out[1] = unit(0x80U | ((value >> 12U) & 0x3FU));
  out[2] = unit(0x80U | ((value >> 6U) & 0x3FU));
  out[3] = unit(0x80U | (value & 0x3FU));
  return 4;
}

// Decodes UTF-8 one byte at a time. A malformed sequence gives U+FFFD, which no
// Windows-1251 byte stands for, so a line holding one is refused, never sent.
class Utf8Decoder {
 public:
  // The character that `byte` completes, if it completes one.
  std::optional<char32_t> take(unsigned char byte) {
    if (missing_ > 0) {
      if ((byte & 0xC0U) != 0x80U) {
        missing_ = 0;
        return kReplacement;
      }
      partial_ = (partial_ << 6U) | (byte & 0x3FU);
      if (--missing_ > 0) {
        return std::nullopt;
      }
      const bool surrogate = partial_ >= 0xD800U && partial_ <= 0xDFFFU;
      if (partial_ < smallest_ || surrogate || partial_ > 0x10FFFFU) {
        return kReplacement;
      }
      return static_cast<char32_t>(partial_);
    }
    if (byte < 0x80U) {
      return static_cast<char32_t>(byte);
    }
    if (byte >= 0xC2U && byte < 0xE0U) {
      start(byte & 0x1FU, 1, 0x80U);
    } else if (byte >= 0xE0U && byte < 0xF0U) {
      start(byte & 0x0FU, 2, 0x800U);
    } else if (byte >= 0xF0U && byte < 0xF5U) {
      start(byte & 0x07U, 3, 0x10000U);
    } else {
      return kReplacement;
    }
    return std::nullopt;
  }

 private:
  void start(std::uint32_t bits, int missing, std::uint32_t smallest) {
    partial_ = bits;
    missing_ = missing;
    smallest_ = smallest;
  }

  std::uint32_t partial_ = 0;
  int missing_ = 0;
  std::uint32_t smallest_ = 0;  // the least code point that needs this many bytes
};

std::wstring fromUtf8(std::string_view text) {
  std::wstring characters;
  Utf8Decoder decoder;
  for (const char byte : text) {
    if (const std::optional<char32_t> character = decoder.take(static_cast<unsigned char>(byte))) {
      characters.push_back(static_cast<wchar_t>(*character));
    }
  }
  return characters;
}

std::string toUtf8(std::wstring_view characters) {
  std::string text;
  std::array<char, 4> units{};
  for (const wchar_t character : characters) {
    text.append(units.data(), putUtf8(static_cast<char32_t>(character), units.data()));
  }
  return text;
}

// --- Writing to the terminal ---------------------------------------------------

// Writes all of the bytes to a descriptor, again after an interruption.
bool writeAll(int descriptor, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(descriptor, data, size);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Writes Windows-1251 bytes as a terminal of the given character set shows
// them. Allocates nothing, so the out-of-memory end can use it.
bool writeShown(int descriptor, std::string_view bytes, Charset charset) {
  if (charset == Charset::windows1251) {
    return writeAll(descriptor, bytes.data(), bytes.size());
  }
  std::array<char, 4096> buffer{};
  std::size_t used = 0;
  for (const char byte : bytes) {
    if (used + 4 > buffer.size()) {
      if (!writeAll(descriptor, buffer.data(), used)) {
        return false;
      }
      used = 0;
    }
    used += putUtf8(cp1251::characterOf(static_cast<unsigned char>(byte)), &buffer.at(used));
  }
  return writeAll(descriptor, buffer.data(), used);
}

// --- What signal handlers and the out-of-memory end reach ------------------------

class TerminalOutput;

struct SessionState {
  termios modes{};                         // the terminal's modes at start, put back at every end
  volatile std::sig_atomic_t editing = 0;  // the editor is waiting for a key
  std::array<int, 2> wakeUp{-1, -1};       // the pipe through which a handler wakes the key reader
  Charset charset = Charset::utf8;
  bool errorsAsUtf8 = false;         // the failure texts too are shown as UTF-8
  TerminalOutput* output = nullptr;  // written out before the out-of-memory text
};

// Signal handlers and the new-handler can reach nothing else.
SessionState session;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

// POSIX names these structs as their functions: the aliases keep `struct` out of declarations.
using SignalAction = struct sigaction;
using FileStatus = struct stat;

constexpr std::array kHandledSignals = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP, SIGWINCH};

void restoreModes() { static_cast<void>(::tcsetattr(STDIN_FILENO, TCSADRAIN, &session.modes)); }

void setDisposition(int number, void (*handler)(int)) {
  SignalAction action{};
  action.sa_handler = handler;  // NOLINT(cppcoreguidelines-pro-type-union-access): POSIX's struct
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  static_cast<void>(::sigaction(number, &action, nullptr));
}

void unblock(int number) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, number);
  static_cast<void>(::sigprocmask(SIG_UNBLOCK, &set, nullptr));
}

extern "C" void onSignal(int number);

// Ends the process by the signal itself, with the terminal's modes as at start,
// so that the caller sees it (130 for Ctrl-C, 143 for kill -TERM). Only this
// process gets it. Async-signal-safe.
[[noreturn]] void endBySignal(int number) {
  restoreModes();
  setDisposition(number, SIG_DFL);
  unblock(number);
  static_cast<void>(std::raise(number));
  ::_exit(128 + number);  // not reached: each of these signals ends a process by default
}

// Stops the process as Ctrl-Z does, with the terminal's modes as at start, and
// comes back after `fg` with the handler and the modes of the moment before.
// Async-signal-safe.
void stopAndResume() {
  termios current{};
  const bool known = ::tcgetattr(STDIN_FILENO, &current) == 0;
  restoreModes();
  setDisposition(SIGTSTP, SIG_DFL);
  unblock(SIGTSTP);
  static_cast<void>(std::raise(SIGTSTP));
  setDisposition(SIGTSTP, onSignal);
  if (known) {
    static_cast<void>(::tcsetattr(STDIN_FILENO, TCSADRAIN, &current));
  }
}

extern "C" void onSignal(int number) {
  const int savedErrno = errno;
  if (session.editing != 0) {
    const auto byte = static_cast<unsigned char>(number);
    if (::write(session.wakeUp[1], &byte, 1) < 0) {
      // The pipe is full of signals not yet taken: the editor wakes up all the same.
    }
  } else if (number == SIGTSTP) {
    stopAndResume();
  } else if (number != SIGWINCH) {  // the editor asks for the size before every line
    endBySignal(number);
  }
  errno = savedErrno;
}

// --- Notes ----------------------------------------------------------------------

// One note on standard error, in the terminal's characters; a closed or full
// standard error never stops the session.
void note(std::u8string_view text) {
  std::string line = "fraction-calc: ";
  if (session.charset == Charset::utf8) {
    line.append(text.begin(), text.end());
  } else {
    Utf8Decoder decoder;
    for (const char8_t unit : text) {
      if (const std::optional<char32_t> character = decoder.take(unit)) {
        line.push_back(static_cast<char>(cp1251::byteOf(*character).value_or('?')));
      }
    }
  }
  line.push_back('\n');
  static_cast<void>(writeAll(STDERR_FILENO, line.data(), line.size()));
}

std::u8string asU8(std::string_view text) { return {text.begin(), text.end()}; }

// --- The dialogue's output ------------------------------------------------------

// Whole lines go to the terminal at every flush. The unfinished last line (the
// prompt, as a rule) is held back for the editor, which shows it as its prompt.
class TerminalOutput : public std::streambuf {
 public:
  explicit TerminalOutput(Charset charset) : charset_(charset) {}

  // The unfinished last line, now the editor's to show.
  std::string takeUnfinishedLine() {
    std::string line;
    line.swap(held_);
    return line;
  }

  // Writes everything held, the unfinished line too. Allocates nothing.
  bool finish() {
    const bool written = writeShown(STDOUT_FILENO, held_, charset_);
    held_.clear();
    return written;
  }

 protected:
  int_type overflow(int_type character) override {
    if (!traits_type::eq_int_type(character, traits_type::eof())) {
      held_.push_back(traits_type::to_char_type(character));
    }
    return traits_type::not_eof(character);
  }

  std::streamsize xsputn(const char* text, std::streamsize count) override {
    held_.append(text, static_cast<std::size_t>(count));
    return count;
  }

  int sync() override {
    const std::size_t end = held_.rfind('\n');
    if (end == std::string::npos) {
      return 0;
    }
    if (!writeShown(STDOUT_FILENO, std::string_view(held_).substr(0, end + 1), charset_)) {
      return -1;
    }
    held_.erase(0, end + 1);
    return 0;
  }

 private:
  Charset charset_;
  std::string held_;
};

[[noreturn]] void outOfMemoryInSession() {
  if (session.output != nullptr) {
    static_cast<void>(session.output->finish());
  }
  restoreModes();
  writeFailureText(failure_texts::kOutOfMemory.view());
  std::_Exit(EXIT_FAILURE);
}

// --- The history ------------------------------------------------------------------

constexpr int kHistorySize = 1000;

// The lines typed, for Up and Down, kept as plain UTF-8 lines in a file that
// each line is appended to as it is typed, so that no end of the session loses
// one. FRACTION_CALC_HISTORY names the file (empty: none); by default it is
// ~/.fraction-calc_history. Where it cannot be kept, one note says why and
// nothing is created.
class TypedLines {
 public:
  TypedLines() : history_(history_winit()) {
    HistEventW event{};
    history_w(history_, &event, H_SETSIZE, kHistorySize);
    history_w(history_, &event, H_SETUNIQUE, 1);
    open();
  }
  TypedLines(const TypedLines&) = delete;
  TypedLines& operator=(const TypedLines&) = delete;
  TypedLines(TypedLines&&) = delete;
  TypedLines& operator=(TypedLines&&) = delete;
  ~TypedLines() {
    if (file_ >= 0) {
      ::close(file_);
    }
    history_wend(history_);
  }

  HistoryW* handle() { return history_; }

  void add(const std::wstring& line) {
    if (line.empty() || line == last_) {
      return;
    }
    last_ = line;
    HistEventW event{};
    history_w(history_, &event, H_ENTER, line.c_str());
    if (file_ < 0) {
      return;
    }
    const std::string text = toUtf8(line) + '\n';
    if (!writeAll(file_, text.data(), text.size())) {
      note(u8"The history is no longer kept: " + asU8(path_) + u8" cannot be written.");
      ::close(file_);
      file_ = -1;
    }
  }

 private:
  void open() {
    if (const char* named = std::getenv("FRACTION_CALC_HISTORY")) {
      if (*named == '\0') {
        return;
      }
      path_ = named;
    } else {
      const char* home = std::getenv("HOME");
      FileStatus folder{};
      if (home == nullptr || *home == '\0') {
        note(u8"No history between runs: HOME is not set.");
        return;
      }
      if (::stat(home, &folder) != 0 || !S_ISDIR(folder.st_mode)) {
        note(u8"No history between runs: the home folder " + asU8(home) + u8" does not exist.");
        return;
      }
      path_ = std::string(home) + "/.fraction-calc_history";
    }
    // Appending never makes a folder: only the file itself may be created.
    file_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    std::ifstream lines(path_);
    if (file_ < 0) {
      note(lines ? u8"The history in " + asU8(path_) +
                       u8" is read but not kept: it cannot be written."
                 : u8"No history between runs: " + asU8(path_) + u8" cannot be written.");
    }
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) {
        last_ = fromUtf8(line);
        HistEventW event{};
        history_w(history_, &event, H_ENTER, last_.c_str());
      }
    }
  }

  HistoryW* history_;
  std::string path_;
  int file_ = -1;
  std::wstring last_;  // the newest line, which is not entered twice in a row
};

// --- The editor --------------------------------------------------------------------

// libedit's EditLine, reading keys through readKey below.
class Editor {
 public:
  Editor(Charset charset, TypedLines& history)
      : editor_(el_init("fraction-calc", stdin, stdout, stderr)), charset_(charset) {
    el_set(editor_, EL_SIGNAL, 0);
    el_set(editor_, EL_EDITOR, "emacs");
    el_set(editor_, EL_CLIENTDATA, this);
    el_wset(editor_, EL_PROMPT, &Editor::promptOf);
    el_wset(editor_, EL_GETCFN, &Editor::readKey);
    el_wset(editor_, EL_HIST, history_w, history.handle());
    el_source(editor_, nullptr);  // the user's ~/.editrc, as other programs with libedit read it
  }
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;
  Editor(Editor&&) = delete;
  Editor& operator=(Editor&&) = delete;
  ~Editor() { el_end(editor_); }

  // One line as typed, without its line feed; nothing at the end of the input or
  // when the terminal cannot be read (failed() says which). A signal that ends a
  // session ends the process here.
  std::optional<std::wstring> readLine(std::wstring prompt) {
    prompt_ = std::move(prompt);
    el_resize(editor_);  // a resize while the dialogue answered
    int count = 0;
    session.editing = 1;
    const wchar_t* line = el_wgets(editor_, &count);
    session.editing = 0;
    if (signal_ != 0) {
      endBySignal(signal_);
    }
    if (line == nullptr || failed_) {
      return std::nullopt;
    }
    std::wstring typed(line, static_cast<std::size_t>(count));
    if (!typed.empty() && typed.back() == L'\n') {
      typed.pop_back();
    }
    return typed;
  }

  [[nodiscard]] bool failed() const { return failed_; }

 private:
  static Editor& of(EditLine* editor) {
    void* self = nullptr;
    el_get(editor, EL_CLIENTDATA, &self);
    return *static_cast<Editor*>(self);
  }

  static wchar_t* promptOf(EditLine* editor) { return of(editor).prompt_.data(); }

  // libedit's key reader: 1 with a character, 0 at the end of the input, -1 on a
  // read error or a signal that ends the session. Waits on the terminal and on the
  // signal pipe together, so that no signal is missed between a check and a wait.
  static int readKey(EditLine* editor, wchar_t* key) {
    Editor& self = of(editor);
    for (;;) {
      std::array<pollfd, 2> waits{{{STDIN_FILENO, POLLIN, 0}, {session.wakeUp[0], POLLIN, 0}}};
      if (::poll(waits.data(), waits.size(), -1) < 0) {
        if (errno == EINTR) {
          continue;
        }
        self.failed_ = true;
        return -1;
      }
      if ((waits[1].revents & POLLIN) != 0) {
        if (!self.takeSignals()) {
          return -1;
        }
        continue;
      }
      unsigned char byte = 0;
      const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got <= 0 && (waits[0].revents & POLLHUP) != 0) {
        self.signal_ = SIGHUP;  // the terminal hung up: the session ends as by its signal
        return -1;
      }
      if (got < 0) {
        self.failed_ = true;
        return -1;
      }
      if (got == 0) {
        return 0;
      }
      const std::optional<char32_t> character =
          self.charset_ == Charset::utf8 ? self.decoder_.take(byte) : cp1251::characterOf(byte);
      if (character) {
        *key = static_cast<wchar_t>(*character);
        return 1;
      }
    }
  }

  // Acts on the signals in the pipe; false when one ends the session.
  bool takeSignals() {
    unsigned char number = 0;
    while (::read(session.wakeUp[0], &number, 1) == 1) {
      switch (number) {
        case SIGWINCH:
          el_resize(editor_);
          redraw();
          break;
        case SIGTSTP:
          stopAndResume();
          redraw();  // the prompt and the half-typed line again
          break;
        default:
          signal_ = number;
          return false;
      }
    }
    return true;
  }

  // Draws the prompt and the line anew (libedit's older versions, as in some
  // macOS releases, lack the request; the next key redraws there).
  void redraw() {
#ifdef EL_REFRESH
    el_set(editor_, EL_REFRESH);
#endif
  }

  EditLine* editor_;
  Charset charset_;
  Utf8Decoder decoder_;
  std::wstring prompt_;
  int signal_ = 0;  // a signal that ends the session
  bool failed_ = false;
};

// --- The dialogue's input --------------------------------------------------------

// One typed line per refill, in Windows-1251. The prompt is the unfinished line
// the dialogue wrote. A line with a character that has no Windows-1251 byte is
// not sent: a note names it, and the line stays in the history for Up to bring
// back. A read error sets badbit on the stream, for the dialogue to tell it from
// the end of the input.
class TerminalInput : public std::streambuf {
 public:
  TerminalInput(std::ios& owner, TerminalOutput& output, Editor& editor, TypedLines& history)
      : owner_(&owner), output_(&output), editor_(&editor), history_(&history) {}

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) {
      return traits_type::to_int_type(*gptr());
    }
    std::wstring prompt;
    for (const char byte : output_->takeUnfinishedLine()) {
      prompt.push_back(static_cast<wchar_t>(cp1251::characterOf(static_cast<unsigned char>(byte))));
    }
    for (;;) {
      std::optional<std::wstring> typed = editor_->readLine(prompt);
      if (!typed) {
        if (editor_->failed()) {
          owner_->setstate(std::ios::badbit);
        }
        return traits_type::eof();
      }
      history_->add(*typed);
      if (toWindows1251(*typed)) {
        line_.push_back('\n');
        setg(line_.data(), line_.data(), line_.data() + line_.size());
        return traits_type::to_int_type(line_[0]);
      }
    }
  }

 private:
  // Puts the line's bytes in line_, or names the first character without one.
  bool toWindows1251(const std::wstring& typed) {
    line_.clear();
    for (const wchar_t character : typed) {
      const auto codePoint = static_cast<char32_t>(character);
      const std::optional<unsigned char> byte = cp1251::byteOf(codePoint);
      if (!byte || codePoint == U'\0') {
        std::array<char, 16> code{};
        static_cast<void>(
            std::snprintf(code.data(), code.size(), "U+%04X", static_cast<unsigned>(codePoint)));
        note(u8"Строка не отправлена: символа «" + asU8(toUtf8(std::wstring(1, character))) +
             u8"» (" + asU8(code.data()) +
             u8") нет в кодировке Windows-1251. Стрелка вверх вернёт строку для правки.");
        return false;
      }
      line_.push_back(static_cast<char>(*byte));
    }
    return true;
  }

  std::ios* owner_;  // the stream whose state records a read error
  TerminalOutput* output_;
  Editor* editor_;
  TypedLines* history_;
  std::string line_;
};

// --- Taking over the terminal ----------------------------------------------------

// The terminal's character set, from the environment's LC_CTYPE, which is taken
// at a terminal only (the program set "Russian" for every category before).
// The C++ streams keep the classic locale, so numbers never change.
std::optional<Charset> terminalCharset() {
  const std::string before = std::setlocale(LC_CTYPE, nullptr);
  const char* taken = std::setlocale(LC_CTYPE, "");
  const std::string codeset = taken != nullptr ? nl_langinfo(CODESET) : "";
  std::string name;
  for (const char letter : codeset) {
    if (letter != '-' && letter != '_') {
      name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    }
  }
  if (name == "UTF8") {
    return Charset::utf8;
  }
  if (name == "CP1251" || name == "WINDOWS1251") {
    return Charset::windows1251;
  }
  static_cast<void>(std::setlocale(LC_CTYPE, before.c_str()));
  session.charset = Charset::utf8;  // the note is plain ASCII whatever the terminal
  note(u8"The calculator writes Windows-1251 and this terminal's character set is " +
       asU8(codeset.empty() ? std::string("unknown") : codeset) +
       u8": to read it, run fraction-calc in a UTF-8 terminal (for example with LANG=C.UTF-8).");
  return std::nullopt;
}

// Holds the terminal for the session: the signal handlers and the pipe they
// wake the editor through, and the new-handler; all put back at the end,
// the terminal's modes included.
class TerminalHold {
 public:
  TerminalHold(Charset charset, TerminalOutput& output) {
    session.charset = charset;
    session.errorsAsUtf8 = charset == Charset::utf8 && ::isatty(STDERR_FILENO) != 0;
    session.output = &output;
    static_cast<void>(::tcgetattr(STDIN_FILENO, &session.modes));
    if (::pipe(session.wakeUp.data()) == 0) {
      for (const int end : session.wakeUp) {
        static_cast<void>(::fcntl(end, F_SETFL, O_NONBLOCK));
        static_cast<void>(::fcntl(end, F_SETFD, FD_CLOEXEC));
      }
    }
    for (const int number : kHandledSignals) {
      setDisposition(number, onSignal);
    }
    previousNewHandler_ = std::set_new_handler(outOfMemoryInSession);
  }
  TerminalHold(const TerminalHold&) = delete;
  TerminalHold& operator=(const TerminalHold&) = delete;
  TerminalHold(TerminalHold&&) = delete;
  TerminalHold& operator=(TerminalHold&&) = delete;
  ~TerminalHold() {
    std::set_new_handler(previousNewHandler_);
    for (const int number : kHandledSignals) {
      setDisposition(number, SIG_DFL);
    }
    restoreModes();
    session.output = nullptr;
  }

 private:
  std::new_handler previousNewHandler_ = nullptr;
};

}  // namespace

std::optional<Ending> runTerminalSession() {
  const char* alone = std::getenv("FRACTION_CALC_ALONE");
  if ((alone != nullptr && *alone != '\0') || ::isatty(STDIN_FILENO) == 0 ||
      ::isatty(STDOUT_FILENO) == 0) {
    return std::nullopt;
  }
  const std::optional<Charset> charset = terminalCharset();
  if (!charset) {
    return std::nullopt;
  }
  TerminalOutput output(*charset);
  const TerminalHold hold(*charset, output);
  TypedLines history;
  Editor editor(*charset, history);
  std::ostream out(&output);
  std::istream in(nullptr);
  TerminalInput input(in, output, editor, history);
  in.rdbuf(&input);
  Ending ending = runDialogue(in, out);
  if (!output.finish() && (ending == Ending::exitItem || ending == Ending::endOfInput)) {
    ending = Ending::outputFailed;
  }
  return ending;
}

void writeFailureText(std::string_view text) {
  if (session.errorsAsUtf8) {
    static_cast<void>(writeShown(STDERR_FILENO, text, Charset::utf8));
  } else {
    static_cast<void>(std::fwrite(text.data(), 1, text.size(), stderr));
  }
}

// NOLINTEND(cppcoreguidelines-pro-type-vararg)
