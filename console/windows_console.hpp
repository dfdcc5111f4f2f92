#pragma once

// The program's texts are Windows-1251 bytes, and a Windows console shows (and
// reads) bytes in its own code page, 866 on a Russian Windows. So for the run,
// a console behind standard input, output or error is switched to code page
// 1251, and its previous code pages are put back at every exit. Through pipes
// and files nothing changes, and on other systems these do nothing.
#ifdef _WIN32
void useWindows1251Console();
// Puts back the code pages useWindows1251Console() replaced; only the first
// call after it does anything. It allocates nothing, so the new-handler may call it.
void restoreConsoleCodePages();
#else
inline void useWindows1251Console() {}
inline void restoreConsoleCodePages() {}
#endif

// Holds the console at code page 1251 for as long as it lives.
class Windows1251Console {
 public:
  Windows1251Console() { useWindows1251Console(); }
  ~Windows1251Console() { restoreConsoleCodePages(); }
  Windows1251Console(const Windows1251Console&) = delete;
  Windows1251Console& operator=(const Windows1251Console&) = delete;
  Windows1251Console(Windows1251Console&&) = delete;
  Windows1251Console& operator=(Windows1251Console&&) = delete;
};
