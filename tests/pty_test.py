"""The built calculator at a real pseudo-terminal, as a person would use it.

The Windows program runs under Wine in a UTF-8 terminal: Wine's console converts
the Windows-1251 texts to UTF-8 and draws the screen with escape sequences.
"""
import os
import sys

import pytest

from conftest import windows

if sys.platform == "win32":
    pytest.skip("Windows has no pseudo-terminal to drive the program through", allow_module_level=True)
from conftest import Terminal  # noqa: E402  (only where there is a pseudo-terminal)

PROMPT = "Введите номер(1-9): "
LINE = "Дробь — это «пополам»"


def spawn(program: list) -> "Terminal":
    # In a new Wine prefix the first console session can leave the first keys
    # unanswered for about ten seconds, and the end can take as long.
    wine = windows(program)
    # The program's own bytes, without the terminal session that would show them as UTF-8.
    return Terminal(program, env=dict(os.environ, LANG="C.UTF-8", FRACTION_CALC_ALONE="1"), encoding="utf-8" if wine else "cp1251",
                    timeout=30 if wine else 10, wine=wine)


@pytest.fixture(scope="module")
def terminal(program):
    terminal = spawn(program)
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
    second = spawn(program)
    second.shows(PROMPT)
    second.type("9\n")
    assert second.end() == 0
