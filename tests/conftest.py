"""What the Python tests share: the command line that names what they run,
patterns that find a text on a terminal's screen, and the terminal itself."""
import re
import sys
import time

import pytest


def pytest_addoption(parser):
    parser.addoption("--program", nargs="+", help="the built program, after the emulator that runs it if any")
    parser.addoption("--start", nargs="+",
                     help="./start and any installed fraction-calc: each is driven through the same terminal session")
    parser.addoption("--site", help="the web build's site folder, for the browser test")
    parser.addoption("--screenshot", help="where the browser test saves the page with a finished session")
    parser.addoption("--engines", nargs="+", default=["chromium", "firefox", "webkit"],
                     help="the browser engines the browser test drives (chromium, firefox, webkit)")
    parser.addoption("--session", action="store_true",
                     help="the program has the terminal session, whose start-up is swept under memory limits")
    parser.addoption("--no-memory-limit", action="store_true",
                     help="leave out exhausted memory (sanitizers reserve more address space than a limit allows)")


def engine_of(item):
    return item.callspec.params.get("engine") if hasattr(item, "callspec") else None


@pytest.hookimpl(trylast=True)
def pytest_collection_modifyitems(items):
    """Tests that run in each of several browser engines run engine by engine,
    each in the order of its file, so that a session's rows follow one another
    (pytest would group them by their other parameters too)."""
    engines = list(dict.fromkeys(filter(None, map(engine_of, items))))
    if not engines:
        return

    def place(item):
        rows = tuple(index for name, index in sorted(item.callspec.indices.items()) if name != "engine")
        return engines.index(engine_of(item)), item.function.__code__.co_firstlineno, rows
    items.sort(key=lambda item: place(item) if engine_of(item) else (-1, 0, ()))


@pytest.fixture(scope="module")
def program(request) -> list:
    return request.config.getoption("--program")


def windows(command: list) -> bool:
    """The Windows program (natively or under Wine): CR LF line ends, a console of its own."""
    return command[-1].endswith(".exe")


def node(command: list) -> bool:
    """The web build's program under Node.js, which opens closed standard
    descriptors on /dev/null, ignores SIGPIPE and reserves more address space
    than a memory limit allows."""
    return command[-1].endswith(".js")


def on_screen(text: bytes, noise: bytes = b"") -> re.Pattern:
    """A pattern for `text` as a terminal receives it: its line feeds as CR LF,
    and between any two characters whatever matches `noise` (the escape
    sequences and carriage returns a console or readline draws with)."""
    between = b"(?:" + noise + b")*" if noise else b""
    pieces = [b"\r\r?\n" if char == b"\n" else re.escape(char)
              for char in re.findall(rb"[\xc0-\xff][\x80-\xbf]*|.", text, re.S)]
    return re.compile(between.join(pieces))


# What a console or readline draws between the characters of a text: control
# sequences, carriage returns, bells.
ESCAPES = rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b[=>]|\r|\x07"

if sys.platform != "win32":
    import termios

    import pexpect  # its spawn needs a pseudo-terminal

    class Terminal(pexpect.spawn):
        """A command at a pseudo-terminal. `encoding` is what the terminal shows
        and sends: Windows-1251 for the program alone, UTF-8 in the terminal session
        or under Wine.
        `settle` waits that long for readline to draw before typing, one key at a
        time, so that what is expected next can only follow the keys."""

        def __init__(self, command: list, *, env: dict, encoding: str, timeout: float = 10,
                     settle: float = 0, wine: bool = False, dimensions=(24, 80), cwd=None) -> None:
            self.encoding_, self.settle, self.wine = encoding, settle, wine
            self.noise = ESCAPES if wine or settle else b""
            super().__init__(command[0], list(command[1:]), env=env, timeout=timeout, dimensions=dimensions,
                             cwd=cwd)

        def shows(self, text: str) -> None:
            if self.wine:  # Wine draws blanks at the end of a line by clearing the rest of it
                text = re.sub(" +(?=\n|$)", "", text)
            self.expect(on_screen(text.encode(self.encoding_), self.noise))

        def type(self, keys: str) -> None:
            if self.wine:
                # Wine's console reads the terminal raw (Enter is a carriage return),
                # once it first reads: keys typed before would be taken cooked.
                deadline = time.monotonic() + 10
                while termios.tcgetattr(self.child_fd)[3] & termios.ICANON and time.monotonic() < deadline:
                    time.sleep(0.01)
                keys = keys.replace("\n", "\r")
            if not self.settle:
                self.send(keys.encode(self.encoding_))
                return
            self.expect(pexpect.TIMEOUT, timeout=self.settle)
            for key in re.findall(r"\x1b\[.|.", keys, re.S):
                self.send(key.encode(self.encoding_))

        def paste(self, text: str) -> None:
            """Sends a text as a terminal sends a paste: all at once, in pieces as
            large as a terminal writes, reading what is echoed between them (a
            terminal always reads, and readline stops taking keys while its echo
            is left unread). The echo is dropped."""
            data = text.encode(self.encoding_)
            for start in range(0, len(data), 2048):
                self.send(data[start:start + 2048])
                try:
                    while True:
                        self.read_nonblocking(1 << 20, timeout=0.01)
                except pexpect.TIMEOUT:
                    pass

        def end(self) -> int:
            self.expect(pexpect.EOF)
            self.close()
            return self.exitstatus

