#pragma once

// The keys that send escape sequences. Terminals send Home, End, Delete and the
// arrows, plain or with Ctrl, in several forms (xterm's, its application mode's,
// the VT220's of screen, tmux and the Linux console, rxvt's). The editor binds
// every form in kBoundKeys; any other CSI or SS3 sequence (a function key,
// Page Up, a bracketed paste's markers, an unknown modifier) is dropped whole by
// KeyFilter, so that no part of it lands in the line as typed text.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace terminal {

struct BoundKey {
  const wchar_t* sequence;
  const wchar_t* function;  // libedit's editor function
};

inline constexpr std::array kBoundKeys = {
    BoundKey{L"\x1b[A", L"ed-prev-history"},      BoundKey{L"\x1bOA", L"ed-prev-history"},
    BoundKey{L"\x1b[B", L"ed-next-history"},      BoundKey{L"\x1bOB", L"ed-next-history"},
    BoundKey{L"\x1b[C", L"ed-next-char"},         BoundKey{L"\x1bOC", L"ed-next-char"},
    BoundKey{L"\x1b[D", L"ed-prev-char"},         BoundKey{L"\x1bOD", L"ed-prev-char"},
    BoundKey{L"\x1b[H", L"ed-move-to-beg"},       BoundKey{L"\x1bOH", L"ed-move-to-beg"},
    BoundKey{L"\x1b[1~", L"ed-move-to-beg"},      BoundKey{L"\x1b[7~", L"ed-move-to-beg"},
    BoundKey{L"\x1b[F", L"ed-move-to-end"},       BoundKey{L"\x1bOF", L"ed-move-to-end"},
    BoundKey{L"\x1b[4~", L"ed-move-to-end"},      BoundKey{L"\x1b[8~", L"ed-move-to-end"},
    BoundKey{L"\x1b[3~", L"ed-delete-next-char"}, BoundKey{L"\x1b[1;5D", L"ed-prev-word"},
    BoundKey{L"\x1b[5D", L"ed-prev-word"},        BoundKey{L"\x1bOd", L"ed-prev-word"},
    BoundKey{L"\x1b[1;5C", L"em-next-word"},      BoundKey{L"\x1b[5C", L"em-next-word"},
    BoundKey{L"\x1bOc", L"em-next-word"},
};

// Passes typed characters on to the editor, holding back an escape sequence
// until it is whole: a bound one is passed on, any other dropped. An escape
// followed by anything but '[' or 'O' (Alt with a letter) passes as typed.
class KeyFilter {
 public:
  // Appends to `keys` what the editor is to get once `key` is typed.
  void take(wchar_t key, std::wstring& keys);

 private:
  static constexpr std::size_t kLongest = 32;  // a longer "sequence" is no key's
  std::wstring held_;
};

}  // namespace terminal
