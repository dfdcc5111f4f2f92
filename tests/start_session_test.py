"""./start at a UTF-8 pseudo-terminal, as a person would use it: the menu
readable, line editing and history through rlwrap, Cyrillic through luit, and
the keys of job control at a shell."""
import io
import os
import shlex
import sys

import pytest

if sys.platform == "win32":
    pytest.skip("./start is for POSIX terminals", allow_module_level=True)
from conftest import Terminal  # noqa: E402  (only where there is a pseudo-terminal)

PROMPT = "Введите номер(1-9): "
SUM = "Сумма введенных чисел равна: \n5/6\n"
UP, LEFT = "\x1b[A", "\x1b[D"


@pytest.fixture(scope="module")
def start(request, tmp_path_factory):
    """Starts a command, ./start unless named, at a terminal; all in one home folder (the history's)."""
    script = os.path.abspath(request.config.getoption("--start"))
    home = str(tmp_path_factory.mktemp("home"))
    env = {"PATH": os.environ["PATH"], "HOME": home, "TERM": "xterm", "LANG": "C.UTF-8",
           "LC_ALL": "C.UTF-8", "PS1": "shell$ "}

    def spawn(*command: str) -> Terminal:
        terminal = Terminal(list(command or [script]), env=env, encoding="utf-8", timeout=20, settle=0.3,
                            dimensions=(40, 100))
        terminal.logfile_read = io.BytesIO()  # the whole screen, for the checks that read it
        return terminal
    return spawn


@pytest.fixture(scope="module")
def terminal(start):
    terminal = start()
    yield terminal
    terminal.close(force=True)


# One session, in order: the keys typed and what the screen shows next.
STEPS = {
    "the menu shows as UTF-8 Cyrillic": ("", ["1: Вводить числитель и знаменатель дроби", PROMPT]),
    "an entry and its next prompt": ("1 1 2\r", [PROMPT]),
    "the second entry": ("1 1 3\r", [PROMPT]),
    "a sum answers": ("2\r", [SUM, PROMPT]),
    "Up then Enter repeats the sum": (UP + "\r", [SUM, PROMPT]),
    "2, Left, Left, Enter asks for the sum again": ("2" + LEFT + LEFT + "\r", [SUM, PROMPT]),
    "item 7 asks for a line": ("7\r", ["Введите строку: \n"]),
    "the line is taken": ("Привет, мир\r", [PROMPT]),
    "the Cyrillic line comes back through item 8": ("8\r", ["Вывод строки: \nПривет, мир\n", PROMPT]),
}


@pytest.mark.parametrize("keys, screen", STEPS.values(), ids=STEPS.keys())
def test_session(terminal, keys, screen):
    if keys:
        terminal.type(keys)
    for text in screen:
        terminal.shows(text)


def test_the_arrow_keys_never_reached_the_program(terminal):
    assert "правильный номер".encode() not in terminal.logfile_read.getvalue()


def test_ctrl_d_at_the_prompt_ends_with_status_0(terminal):
    terminal.type("\x04")
    assert terminal.end() == 0


def test_the_next_run_recalls_the_last_item_from_the_history_in_the_home_folder(start):
    again = start()
    again.shows(PROMPT)
    again.type(UP + "\r")
    again.shows("Вывод строки: \nСтрока инициализирована\n")
    again.shows(PROMPT)
    again.type("9\r")
    assert again.end() == 0, "item 9 ends with status 0"
    with open(os.path.join(again.env["HOME"], ".fraction-calc_history"), encoding="utf-8") as history:
        assert "Привет, мир" in history.read()


@pytest.fixture
def shell(start, request):
    """An interactive shell, with job control, that has started ./start and typed a line."""
    shell = start("bash", "--norc", "--noprofile", "-i")
    shell.shows("shell$ ")
    shell.sendline(shlex.quote(os.path.abspath(request.config.getoption("--start"))))
    shell.shows(PROMPT)
    shell.type("1 1 2\r")
    shell.shows(PROMPT)
    shell.type("")
    yield shell
    shell.close(force=True)


@pytest.mark.parametrize("key, status", [("c", 130), ("\\", 131)],
                         ids=["Ctrl-C ends it, interrupted", "Ctrl-\\ quits"])
def test_a_signal_key_after_a_typed_line(shell, key, status):
    shell.sendcontrol(key)
    shell.shows("shell$ ")
    shell.sendline('echo "status $?"')
    shell.shows(f"status {status}")


def test_ctrl_z_after_a_typed_line_stops_it_and_fg_resumes_at_the_same_prompt(shell):
    shell.sendcontrol("z")
    shell.shows("Stopped")
    shell.shows("shell$ ")
    shell.sendline("fg")
    shell.shows(PROMPT)
    shell.type("1 1 3\r")
    shell.shows(PROMPT)
    shell.type("2\r")
    shell.shows(SUM)
