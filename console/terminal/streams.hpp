#pragma once

// The dialogue's streams at the terminal. Output: whole lines are written at
// every flush, in the terminal's characters; the unfinished last line (the
// prompt, as a rule) is held back for the editor, which shows it as its
// prompt. Input: one typed line per refill, composed and encoded as
// Windows-1251. A line with a character that has no Windows-1251 byte is not
// sent: a note names it, and Up brings the line back to mend. A read error
// sets badbit, for the dialogue to tell it from the end of the input.

#include <ios>
#include <streambuf>
#include <string>
#include <string_view>

#include "characters.hpp"

namespace terminal {

class Editor;
class HistoryFile;

// Writes a note for the user (UTF-8 text) on standard error.
using NoteWriter = void (*)(std::u8string_view);

class TerminalOutput : public std::streambuf {
 public:
  explicit TerminalOutput(const ShownBytes& shown) : shown_(&shown) {}

  // The unfinished last line, now the editor's to show.
  std::string takeUnfinishedLine();
  // Writes everything held, the unfinished line too. Allocates nothing.
  bool finish();

 protected:
  int_type overflow(int_type character) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  const ShownBytes* shown_;
  std::string held_;
};

class TerminalInput : public std::streambuf {
 public:
  TerminalInput(std::ios& owner, TerminalOutput& output, Editor& editor, HistoryFile* history,
                const ShownBytes& shown, NoteWriter note)
      : owner_(&owner),
        output_(&output),
        editor_(&editor),
        history_(history),
        shown_(&shown),
        note_(note) {}

 protected:
  int_type underflow() override;

 private:
  void remember(const std::wstring& typed);

  std::ios* owner_;  // the stream whose state records a read error
  TerminalOutput* output_;
  Editor* editor_;
  HistoryFile* history_;  // none where no history is kept
  const ShownBytes* shown_;
  NoteWriter note_;
  std::wstring last_;  // the newest line remembered, not remembered twice in a row
  std::string line_;
};

// Writes Windows-1251 bytes to a descriptor as `shown` shows them. Allocates
// nothing and is async-signal-safe.
bool writeShown(int descriptor, std::string_view bytes, const ShownBytes& shown);

}  // namespace terminal
