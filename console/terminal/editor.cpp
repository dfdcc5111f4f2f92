// The line editor (see editor.hpp).
#include "editor.hpp"

#include <histedit.h>
#include <poll.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): POSIX's SIGHUP, which <csignal> does not declare
#include <sys/types.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "history_file.hpp"
#include "hold.hpp"
#include "keys.hpp"
#include "memory_reserve.hpp"

// libedit's interface takes C variable arguments.
// NOLINTBEGIN(cppcoreguidelines-pro-type-vararg)

namespace terminal {

namespace {

[[noreturn]] void outOfMemory() {
  if (const std::new_handler handler = std::get_new_handler()) {
    handler();
  }
  std::abort();  // not reached: the session's new-handler ends the run
}

}  // namespace

Editor::Editor(MemoryReserve& reserve, const std::vector<std::wstring>& earlier)
    : reserve_(&reserve),
      history_(withReserveReleased(reserve, [] { return history_winit(); })),
      editor_(withReserveReleased(reserve,
                                  [] { return el_init("fraction-calc", stdin, stdout, stderr); })) {
  const ReserveReleased released(reserve);
  if (history_ == nullptr || editor_ == nullptr) {
    outOfMemory();  // with the reserve free, only an allocation fails these
  }
  HistEventW event{};
  history_w(history_, &event, H_SETSIZE, static_cast<int>(kKeptLines));
  history_w(history_, &event, H_SETUNIQUE, 1);
  for (const std::wstring& line : earlier) {
    history_w(history_, &event, H_ENTER, line.c_str());
  }
  el_set(editor_, EL_SIGNAL, 0);
  el_set(editor_, EL_EDITOR, "emacs");
  el_set(editor_, EL_CLIENTDATA, this);
  el_wset(editor_, EL_PROMPT, &Editor::promptOf);
  el_wset(editor_, EL_GETCFN, &Editor::readKey);
  el_wset(editor_, EL_HIST, history_w, history_);
  // A Tab separates numbers as a blank does, and is part of a line as typed.
  el_wset(editor_, EL_BIND, L"^I", L"ed-insert", nullptr);
  for (const BoundKey& key : kBoundKeys) {
    el_wset(editor_, EL_BIND, key.sequence, key.function, nullptr);
  }
  el_source(editor_, nullptr);  // the user's ~/.editrc, as other programs with libedit read it
}

Editor::~Editor() {
  if (editor_ != nullptr) {
    el_end(editor_);
  }
  if (history_ != nullptr) {
    history_wend(history_);
  }
}

std::optional<std::wstring> Editor::readLine(std::wstring prompt) {
  prompt_ = std::move(prompt);
  const ReserveReleased released(*reserve_);
  el_resize(editor_);  // a resize while the dialogue answered
  int count = 0;
  hold::beginEditing();
  const wchar_t* line = el_wgets(editor_, &count);
  hold::endEditing();
  if (line == nullptr || failed_) {
    return std::nullopt;
  }
  std::wstring typed(line, static_cast<std::size_t>(count));
  if (!typed.empty() && typed.back() == L'\n') {
    typed.pop_back();
  }
  return typed;
}

void Editor::remember(const std::wstring& line) {
  const ReserveReleased released(*reserve_);
  HistEventW event{};
  history_w(history_, &event, H_ENTER, line.c_str());
}

Editor& Editor::of(EditLine* editor) {
  void* self = nullptr;
  el_get(editor, EL_CLIENTDATA, &self);
  return *static_cast<Editor*>(self);
}

wchar_t* Editor::promptOf(EditLine* editor) { return of(editor).prompt_.data(); }

// libedit's key reader: 1 with a character, 0 at the end of the input, -1 on a
// read error.
int Editor::readKey(EditLine* editor, wchar_t* key) {
  Editor& self = of(editor);
  hold::keepEditorModes();  // set by now, for a stop to put back
  while (self.taken_ == self.keys_.size()) {
    self.keys_.clear();
    self.taken_ = 0;
    bool ended = false;
    if (!self.readByte(ended)) {
      return ended ? 0 : -1;
    }
  }
  *key = self.keys_[self.taken_++];
  return 1;
}

bool Editor::readByte(bool& ended) {
  for (;;) {
    // A descriptor of -1 (no pipe) is left out by poll.
    std::array<pollfd, 2> waits{{{STDIN_FILENO, POLLIN, 0}, {hold::wakeUpDescriptor(), POLLIN, 0}}};
    if (::poll(waits.data(), waits.size(), -1) < 0) {
      if (errno == EINTR) {
        continue;
      }
      failed_ = true;
      return false;
    }
    if ((waits[1].revents & POLLIN) != 0) {
      takeWakeUps();
      continue;
    }
    unsigned char byte = 0;
    const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
    if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
      continue;
    }
    if (got <= 0 && (waits[0].revents & POLLHUP) != 0) {
      // The terminal hung up: the session ends as by its signal, or, where
      // that is ignored (nohup), as at the end of the input.
      static_cast<void>(std::raise(SIGHUP));
      ended = true;
      return false;
    }
    if (got < 0) {
      failed_ = true;
      return false;
    }
    if (got == 0) {
      ended = true;
      return false;
    }
    decoded_.clear();
    decoder_.take(byte, decoded_);
    for (const wchar_t character : decoded_) {
      filter_.take(character, keys_);
    }
    if (!keys_.empty()) {
      return true;
    }
  }
}

void Editor::takeWakeUps() {
  for (const hold::WakeUp wakeUp : hold::takeWakeUps()) {
    switch (wakeUp) {
      case hold::WakeUp::stopAsked:
        hold::stopForTheShell();  // a wake-up to resume follows once continued
        break;
      case hold::WakeUp::resumed:
        hold::putEditorModesBack();
        el_resize(editor_);
        redraw();  // the prompt and the half-typed line again
        break;
      case hold::WakeUp::resized:
        el_resize(editor_);
        redraw();
        break;
    }
  }
}

// Draws the prompt and the line anew (libedit's older versions, as in some
// macOS releases, lack the request; the next key redraws there).
void Editor::redraw() {
#ifdef EL_REFRESH
  el_set(editor_, EL_REFRESH);
#endif
}

}  // namespace terminal

// NOLINTEND(cppcoreguidelines-pro-type-vararg)
