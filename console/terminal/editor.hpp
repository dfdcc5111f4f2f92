#pragma once

// The line editor: libedit's EditLine and its in-memory history, reading keys
// through the session's own key reader. That reader waits on the terminal and
// on the wake-up pipe of hold.hpp together, decodes the terminal's bytes in
// its locale (characters.hpp) and drops escape sequences of keys that are not
// bound (keys.hpp). Every call into libedit runs with the memory reserve
// released (memory_reserve.hpp).

#include <histedit.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "characters.hpp"
#include "keys.hpp"
#include "memory_reserve.hpp"

namespace terminal {

class Editor {
 public:
  // With the lines of earlier sessions for Up and Down, oldest first.
  Editor(MemoryReserve& reserve, const std::vector<std::wstring>& earlier);
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;
  Editor(Editor&&) = delete;
  Editor& operator=(Editor&&) = delete;
  ~Editor();

  // One line as typed, without its line feed, after `prompt`; nothing at the
  // end of the input or when the terminal cannot be read (failed() says which).
  std::optional<std::wstring> readLine(std::wstring prompt);
  // A line for Up and Down.
  void remember(const std::wstring& line);
  [[nodiscard]] bool failed() const { return failed_; }

 private:
  static Editor& of(EditLine* editor);
  static wchar_t* promptOf(EditLine* editor);
  static int readKey(EditLine* editor, wchar_t* key);
  // Waits for the terminal's next byte and decodes it; false at the end of
  // the input (`ended`) or on a read error.
  bool readByte(bool& ended);
  void takeWakeUps();
  void redraw();

  MemoryReserve* reserve_;
  HistoryW* history_ = nullptr;
  EditLine* editor_ = nullptr;
  KeyDecoder decoder_;
  KeyFilter filter_;
  std::wstring decoded_;
  std::wstring keys_;  // keys for the editor, from keys_[taken_] on
  std::size_t taken_ = 0;
  std::wstring prompt_;
  bool failed_ = false;
};

}  // namespace terminal
