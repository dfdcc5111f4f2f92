"""Drives ./start at a UTF-8 pseudo-terminal as a person would: readable menu,
line editing and history through rlwrap, Cyrillic through luit."""
import codecs
import fcntl
import os
import pty
import re
import select
import struct
import sys
import tempfile
import termios
import time

from harness import check, finish, results, terminal_status

START = os.path.abspath(sys.argv[1])
MENU_LINE = "1: Вводить числитель и знаменатель дроби"
PROMPT = "Введите номер(1-9): "
SUM = "Сумма введенных чисел равна: \n5/6\n"
WRONG_ITEM = "правильный номер"
UP, LEFT = "\x1b[A", "\x1b[D"
# Terminal control sequences that readline writes around its line.
CONTROL = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b[=>]|\r|\x07")


class Terminal:
    def __init__(self, home: str) -> None:
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 40, 100, 0, 0))
            env = {"PATH": os.environ["PATH"], "HOME": home, "TERM": "xterm", "LANG": "C.UTF-8",
                   "LC_ALL": "C.UTF-8"}
            os.execve(START, [START], env)
        self.decoder = codecs.getincrementaldecoder("utf-8")(errors="replace")
        self.screen = ""  # everything shown so far, as text, without control sequences
        self.unread = ""  # what expect() has not yet matched

    def expect(self, wanted: str, timeout: float = 20.0) -> bool:
        deadline = time.monotonic() + timeout
        while wanted not in self.unread:
            remaining = deadline - time.monotonic()
            if remaining <= 0 or not select.select([self.fd], [], [], remaining)[0]:
                return False
            try:
                chunk = os.read(self.fd, 4096)
            except OSError:
                return False
            if not chunk:
                return False
            text = self.decoder.decode(CONTROL.sub(b"", chunk))
            self.screen += text
            self.unread += text
        self.unread = self.unread[self.unread.index(wanted) + len(wanted):]
        return True

    def settle(self) -> None:
        """Waits until the screen is quiet (readline redraws its prompt after the
        program's), so that what is expected next can only come after the keys."""
        while self.expect("\0", 0.3):
            pass
        self.unread = ""

    def type(self, keys: str) -> None:
        self.settle()
        for key in re.findall(r"\x1b\[.|.", keys, re.S):  # one key at a time, as typed
            os.write(self.fd, key.encode())
            time.sleep(0.02)

    def status(self, timeout: float = 10.0):
        return terminal_status(self.pid, self.fd, lambda: self.expect("\0", 0.05), timeout)


home = tempfile.mkdtemp()
session = Terminal(home)
check("the menu shows as UTF-8 Cyrillic", session.expect(MENU_LINE) and session.expect(PROMPT))
session.type("1 1 2\r")
check("an entry and its next prompt", session.expect(PROMPT))
session.type("1 1 3\r")
check("the second entry", session.expect(PROMPT))
session.type("2\r")
check("a sum answers", session.expect(SUM) and session.expect(PROMPT))
session.type(UP + "\r")
check("Up then Enter repeats the sum", session.expect(SUM) and session.expect(PROMPT))
session.type("2" + LEFT + LEFT + "\r")
check("2, Left, Left, Enter asks for the sum again", session.expect(SUM) and session.expect(PROMPT))
check("the arrow keys never reached the program", WRONG_ITEM not in session.screen)
session.type("7\r")
check("item 7 asks for a line", session.expect("Введите строку: \n"))
session.type("Привет, мир\r")
check("the line is taken", session.expect(PROMPT))
session.type("8\r")
check("the Cyrillic line comes back through item 8",
      session.expect("Вывод строки: \nПривет, мир\n") and session.expect(PROMPT))
session.type("\x04")
check("Ctrl-D at the prompt ends with status 0", session.status() == 0)
screen = session.screen

history = os.path.join(home, ".fraction-calc_history")
check("the history is kept in ~/.fraction-calc_history",
      os.path.exists(history) and "Привет, мир" in open(history, encoding="utf-8").read())
session = Terminal(home)
session.expect(PROMPT)
session.type(UP + "\r")
check("the next run recalls the last item from the history",
      session.expect("Вывод строки: \nСтрока инициализирована\n") and session.expect(PROMPT))
session.type("9\r")
check("item 9 ends with status 0", session.status() == 0)

if not all(results):
    print("--- the first session's screen, control sequences removed ---")
    print(screen)
finish()
