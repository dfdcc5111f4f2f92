"""The built calculator at a real pseudo-terminal, as a person would use it.

The Windows program runs under Wine in a UTF-8 terminal: Wine's console converts
the Windows-1251 texts to UTF-8 and draws the screen with escape sequences.
"""
import os
import re
import sys
import time

import pytest

from conftest import on_screen, windows

if sys.platform == "win32":
    pytest.skip("Windows has no pseudo-terminal to drive the program through", allow_module_level=True)
import pexpect  # noqa: E402  (its spawn needs a pseudo-terminal)
import termios  # noqa: E402

PROMPT = "Введите номер(1-9): "
LINE = "Дробь — это «пополам»"


class Terminal(pexpect.spawn):
    def __init__(self, program: list) -> None:
        self.wine = windows(program)
        # In a new Wine prefix the first console session can leave the first keys
        # unanswered for about ten seconds, and the end can take as long.
        super().__init__(program[0], program[1:], timeout=30 if self.wine else 10,
                         env=dict(os.environ, LANG="C.UTF-8"))

    def shows(self, text: str) -> None:
        if self.wine:  # Wine draws blanks at the end of a line by clearing the rest of it
            self.expect(on_screen(re.sub(" +(?=\n|$)", "", text).encode(), rb"\x1b\[[0-9;?]*[A-Za-z]"))
        else:
            self.expect(on_screen(text.encode("cp1251")))

    def type(self, keys: str) -> None:
        if self.wine:
            # Wine's console reads the terminal raw, where Enter is a carriage
            # return. It sets the terminal so when it first reads, a moment after
            # the prompt: keys typed before would be taken cooked.
            deadline = time.monotonic() + 10
            while termios.tcgetattr(self.child_fd)[3] & termios.ICANON and time.monotonic() < deadline:
                time.sleep(0.01)
            keys = keys.replace("\n", "\r")
        self.send(keys.encode("utf-8" if self.wine else "cp1251"))

    def end(self) -> int:
        self.expect(pexpect.EOF)
        self.close()
        return self.exitstatus


@pytest.fixture(scope="module")
def terminal(program):
    terminal = Terminal(program)
    yield terminal
    terminal.close(force=True)


# One session, in order: the keys typed and what the screen shows next.
STEPS = {
    "the first screen shows the heading": ("", ["Вводятся два рациональных числа"]),
    "the prompt is visible before anything is typed": ("", [PROMPT]),
    "the second prompt comes": ("1\n1 2\n", [PROMPT]),
    "the third prompt comes": ("1\n1 3\n", [PROMPT]),
    "a typed sum shows its result": ("2\n", ["Сумма введенных чисел равна: \n5/6\n", PROMPT]),
    "a line typed for item 7 comes back through item 8": (f"7\n{LINE}\n8\n",
                                                          [f"Вывод строки: \n{LINE}\n", PROMPT]),
}


@pytest.mark.parametrize("keys, screen", STEPS.values(), ids=STEPS.keys())
def test_session(terminal, keys, screen):
    terminal.type(keys)
    for text in screen:
        terminal.shows(text)


def test_the_end_of_input_ends_with_status_0(terminal):
    # Wine's console passes no end of input for Ctrl-Z (a Windows console does): item 9 there.
    terminal.type("9\n" if terminal.wine else "\x04")
    assert terminal.end() == 0


def test_a_second_run_ends_with_item_9(program):
    second = Terminal(program)
    second.shows(PROMPT)
    second.type("9\n")
    assert second.end() == 0
