"""Drives the built calculator through a real pseudo-terminal, as a person would."""
import os
import pty
import select
import sys
import time

PROGRAM = sys.argv[1]
PROMPT = "Введите номер(1-9): ".encode("cp1251")
# The terminal shows each line feed the program writes as a carriage return and a line feed.
SUM = "Сумма введенных чисел равна: \r\n5/6\r\n".encode("cp1251")


class Terminal:
    def __init__(self) -> None:
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.execv(PROGRAM, [PROGRAM])
        self.seen = b""

    def expect(self, wanted: bytes, timeout: float = 10.0) -> bool:
        """Reads the screen until `wanted` appears after what was already matched."""
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
            self.seen += chunk
        self.seen = self.seen[self.seen.index(wanted) + len(wanted):]
        return True

    def type(self, keys: bytes) -> None:
        os.write(self.fd, keys)

    def status(self, timeout: float = 10.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.expect(b"\0", 0.05)  # drain the screen so the program never blocks on it
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                os.close(self.fd)
                return os.waitstatus_to_exitcode(status)
        os.kill(self.pid, 9)
        os.waitpid(self.pid, 0)
        return "hung"


results = []


def check(name: str, condition: bool) -> None:
    print(("ok   " if condition else "FAIL ") + name)
    results.append(condition)


session = Terminal()
check("the prompt is visible before anything is typed", session.expect(PROMPT))
session.type(b"1\n1 2\n")
check("the second prompt comes", session.expect(PROMPT))
session.type(b"1\n1 3\n")
check("the third prompt comes", session.expect(PROMPT))
session.type(b"2\n")
check("a typed sum shows its result", session.expect(SUM) and session.expect(PROMPT))
session.type(b"\x04")
check("Ctrl-D at the prompt ends the program with status 0", session.status() == 0)

session = Terminal()
check("a second run shows its prompt", session.expect(PROMPT))
session.type(b"9\n")
check("item 9 ends the program with status 0", session.status() == 0)

print(f"{results.count(True)} passed, {results.count(False)} failed")
sys.exit(0 if all(results) else 1)
