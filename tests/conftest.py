"""What the Python tests share: the command line that names what they run, and
patterns that find a text on a terminal's screen."""
import re

import pytest


def pytest_addoption(parser):
    parser.addoption("--program", nargs="+", help="the built program, after the emulator that runs it if any")
    parser.addoption("--start", help="the ./start script, for its terminal session")
    parser.addoption("--no-memory-limit", action="store_true",
                     help="leave out exhausted memory (sanitizers reserve more address space than a limit allows)")


@pytest.fixture(scope="module")
def program(request) -> list:
    return request.config.getoption("--program")


def windows(command: list) -> bool:
    """The Windows program (natively or under Wine): CR LF line ends, a console of its own."""
    return command[-1].endswith(".exe")


def on_screen(text: bytes, noise: bytes = b"") -> re.Pattern:
    """A pattern for `text` as a terminal receives it: its line feeds as CR LF,
    and between any two characters whatever matches `noise` (the escape
    sequences and carriage returns a console or readline draws with)."""
    between = b"(?:" + noise + b")*" if noise else b""
    pieces = [b"\r\r?\n" if char == b"\n" else re.escape(char)
              for char in re.findall(rb"[\xc0-\xff][\x80-\xbf]*|.", text, re.S)]
    return re.compile(between.join(pieces))
