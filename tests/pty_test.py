"""Drives the built calculator through a real pseudo-terminal, as a person would.

Arguments: the program, after the emulator that runs it if there is one. The
Windows program runs under Wine in a UTF-8 terminal: Wine's console converts
the Windows-1251 texts to UTF-8 and draws the screen with escape sequences.
"""
import os
import pty
import re
import select
import sys
import termios
import time

from harness import check, finish, terminal_status

COMMAND = sys.argv[1:]
WINDOWS = COMMAND[-1].endswith(".exe")


def shown(text: str) -> bytes:
    """The bytes a terminal receives for `text`, once normalise() has run."""
    if not WINDOWS:
        return text.encode("cp1251")
    # Wine draws blanks at the end of a line or of the output by clearing the
    # rest of the line, which normalise() drops.
    return re.sub(" +(?=\r\n|$)", "", text).encode("utf-8")


def normalise(screen: bytes) -> bytes:
    """Under Wine: the text without escape sequences, CR CR LF made CR LF."""
    if not WINDOWS:
        return screen
    return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", screen).replace(b"\r\r\n", b"\r\n")


HEADING = shown("Вводятся два рациональных числа")
PROMPT = shown("Введите номер(1-9): ")
# The terminal shows each line feed the program writes as a carriage return and a line feed.
SUM = shown("Сумма введенных чисел равна: \r\n5/6\r\n")
LINE = "Дробь — это «пополам»"
STORED = shown("Вывод строки: \r\n" + LINE + "\r\n")


class Terminal:
    def __init__(self) -> None:
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            if WINDOWS:
                os.environ["LANG"] = "C.UTF-8"
            os.execv(COMMAND[0], COMMAND)
        self.seen = b""

    def expect(self, wanted: bytes, timeout: float = 10.0) -> bool:
        """Reads the screen until `wanted` appears after what was already matched."""
        if WINDOWS:
            # In a new Wine prefix the first console session can leave the first
            # keys unanswered for about ten seconds.
            timeout *= 3
        deadline = time.monotonic() + timeout
        while wanted not in self.seen:
            remaining = deadline - time.monotonic()
            if remaining <= 0 or not select.select([self.fd], [], [], remaining)[0]:
                return False
            try:
                chunk = os.read(self.fd, 4096)
            except OSError:  # the program has gone and the terminal is closed
                return False
            if not chunk:
                return False
            self.seen = normalise(self.seen + chunk)
        self.seen = self.seen[self.seen.index(wanted) + len(wanted):]
        return True

    def type(self, keys: bytes) -> None:
        if WINDOWS:
            # Wine's console reads the terminal raw, where the Enter key is a
            # carriage return. It sets the terminal so when it first reads, a
            # moment after the prompt: keys typed before would be taken cooked.
            deadline = time.monotonic() + 10
            while termios.tcgetattr(self.fd)[3] & termios.ICANON and time.monotonic() < deadline:
                time.sleep(0.01)
            keys = keys.replace(b"\n", b"\r")
        os.write(self.fd, keys)

    def status(self, timeout: float = 10.0):
        if WINDOWS:
            timeout *= 3  # Wine's console can hold the last keys as long as the first
        return terminal_status(self.pid, self.fd, lambda: self.expect(b"\0", 0.05), timeout)


session = Terminal()
check("the first screen shows the heading", session.expect(HEADING))
check("the prompt is visible before anything is typed", session.expect(PROMPT))
session.type(b"1\n1 2\n")
check("the second prompt comes", session.expect(PROMPT))
session.type(b"1\n1 3\n")
check("the third prompt comes", session.expect(PROMPT))
session.type(b"2\n")
check("a typed sum shows its result", session.expect(SUM) and session.expect(PROMPT))
session.type(b"7\n" + shown(LINE) + b"\n8\n")
check("a line typed for item 7 comes back through item 8",
      session.expect(STORED) and session.expect(PROMPT))
if WINDOWS:
    # Wine's console passes no end of input for Ctrl-Z (a Windows console does).
    session.type(b"9\n")
    check("item 9 ends the program with status 0", session.status() == 0)
else:
    session.type(b"\x04")
    check("Ctrl-D at the prompt ends the program with status 0", session.status() == 0)

session = Terminal()
check("a second run shows its prompt", session.expect(PROMPT))
session.type(b"9\n")
check("item 9 ends the program with status 0", session.status() == 0)

finish()
