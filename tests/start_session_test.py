"""The terminal session as a person would use it, through each command named by
--start: the built program, ./start and the installed fraction-calc are the same
program. At a UTF-8 pseudo-terminal the menu is readable, lines are edited and
kept in a history, a character without a Windows-1251 byte is refused and
mended, the keys of job control and signals end it as they would end any
program, with the terminal's modes as before, in one process; a history that
cannot be kept is named once; through pipes the command is exactly the program."""
import contextlib
import io
import os
import shlex
import signal
import subprocess
import sys

import pytest

if sys.platform == "win32":
    pytest.skip("the terminal session is for POSIX terminals", allow_module_level=True)
from conftest import Terminal  # noqa: E402  (only where there is a pseudo-terminal)

PROMPT = "Введите номер(1-9): "
SUM = "Сумма введенных чисел равна: \n5/6\n"
UP, LEFT, BACKSPACE = "\x1b[A", "\x1b[D", "\x7f"
HISTORY = ".fraction-calc_history"
# Every printable character of Windows-1251, as Python's own codec knows them:
# the program's table is checked against it both ways.
EVERY_CHARACTER = bytes([*range(0x20, 0x7F), *range(0x80, 0x98), *range(0x99, 0x100)]).decode("cp1251")


def pytest_generate_tests(metafunc):
    # Each command by its place on the command line: pytest keeps a module's
    # fixtures only while the parameter is the very same object.
    if "command" in metafunc.fixturenames:
        named = metafunc.config.getoption("--start")
        metafunc.parametrize("command", range(len(named)), indirect=True, scope="module",
                             ids=[os.path.basename(command) for command in named])


@pytest.fixture(scope="module")
def command(request) -> str:
    """The command under test, one of those named by --start."""
    return os.path.abspath(request.config.getoption("--start")[request.param])


@pytest.fixture(scope="module")
def start(command, tmp_path_factory):
    """Starts a command, the one under test unless named, at a terminal; all in one
    home folder (the history's). `changes` sets (or with None removes) variables."""
    home = str(tmp_path_factory.mktemp("home"))
    utf8 = "C.UTF-8" if sys.platform.startswith("linux") else "en_US.UTF-8"  # macOS's
    base = {"PATH": os.environ["PATH"], "HOME": home, "TERM": "xterm", "LANG": utf8, "LC_ALL": utf8,
            "PS1": "shell$ "}

    def spawn(*arguments: str, changes=None, dimensions=(40, 100), cwd=None) -> Terminal:
        env = {name: value for name, value in {**base, **(changes or {})}.items() if value is not None}
        terminal = Terminal(list(arguments or [command]), env=env, encoding="utf-8", timeout=20, settle=0.3,
                            dimensions=dimensions, cwd=cwd)
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
    "a character without a Windows-1251 byte: the line is not sent": (
        "7\rСнеговик ☃\r", ["Введите строку: \n", "символа «☃» (U+2603) нет в кодировке Windows-1251"]),
    "Up brings it back, Backspace takes a Cyrillic letter whole": (
        UP + BACKSPACE * 3 + "к\r8\r", ["Вывод строки: \nСнеговик\n", PROMPT]),
    "a Tab reaches the line, as it separates numbers in a pipe": ("7\rа\tб\r8\r", ["Вывод строки: \nа\tб\n", PROMPT]),
    "Home, End and Ctrl-Left of xterm, VT220 and rxvt move; F5 and a paste's markers leave nothing": (
        "7\rб\x1b[1~а\x1b[4~в\x1bOH\x1b[F\x1b[1;5D_\x1b[15~\x1b[200~г\x1b[201~\r8\r",
        ["Вывод строки: \n_габв\n", PROMPT]),
    "every character of Windows-1251 goes there and back": (
        f"7\r{EVERY_CHARACTER}\r8\r", [f"Вывод строки: \n{EVERY_CHARACTER}\n", PROMPT]),
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
    with open(os.path.join(again.env["HOME"], HISTORY), encoding="utf-8") as history:
        assert "Привет, мир" in history.read()


# A whole session comes through, in a working folder where nothing may be made.
# A history that cannot be kept is named once, and nothing is made for it: not
# in the working folder, not a home folder. A folder of /proc is one in which no
# one, root included, can make a file; {tmp} is the test's own folder, {fifo} a
# FIFO outside it. The editor hands over whole lines, so a line longer than a
# terminal's line limit (4095 bytes) reaches the program whole, also from a
# terminal that its parent left non-blocking. In the C locale (a fresh
# container, ssh without a locale) the session shows UTF-8, as Python does.
NON_BLOCKING = (f"{shlex.quote(sys.executable)} -c 'import fcntl, os; "
                "fcntl.fcntl(0, fcntl.F_SETFL, os.O_NONBLOCK | fcntl.fcntl(0, fcntl.F_GETFL))'")
SESSIONS = {
    "no HOME": ({"HOME": None}, (40, 100), "HOME is not set", 9, None),
    "a home folder that is not there": ({"HOME": "{tmp}/home"}, (40, 100), "does not exist", 9, None),
    "a home folder that is a file": ({"HOME": "/etc/passwd"}, (40, 100), "is not a folder", 9, None),
    "a home folder no one can write": ({"HOME": "/proc/self"}, (40, 100), "cannot be written", 9, None),
    "a FIFO as the history file": ({"FRACTION_CALC_HISTORY": "{fifo}"}, (40, 100), "is not a regular file", 9,
                                   None),
    "FRACTION_CALC_HISTORY empty: no history, no note": ({"FRACTION_CALC_HISTORY": ""}, (40, 100), None, 9, None),
    "the C locale: UTF-8, no note": ({"LANG": "C", "LC_ALL": "C"}, (40, 100), None, 9, None),
    "a terminal of 0 columns": ({}, (40, 0), None, 9, None),
    "a line of 10,000 characters": ({}, (40, 100), None, 10_000, None),
    "a line of 100,000 characters": ({}, (40, 100), None, 100_000, None),
    "a non-blocking terminal, 50,000 characters": ({}, (40, 100), None, 50_000, NON_BLOCKING),
}


@pytest.mark.parametrize("changes, dimensions, note, length, before", SESSIONS.values(), ids=SESSIONS.keys())
def test_a_whole_session_with_a_history_that_cannot_be_kept_or_a_long_line(start, command, tmp_path,
                                                                       tmp_path_factory, changes, dimensions,
                                                                       note, length, before):
    if changes.get("HOME") == "/proc/self" and not os.path.isdir("/proc/self"):
        pytest.skip("no /proc")
    fifo = tmp_path_factory.mktemp("fifo") / "history"
    os.mkfifo(fifo)
    changes = {name: value and value.format(tmp=tmp_path, fifo=fifo) for name, value in changes.items()}
    line = ("Дробь 1/2 " * length)[:length]
    arguments = ["bash", "-c", f"{before}; exec {shlex.quote(command)}"] if before else []
    session = start(*arguments, changes=changes, dimensions=dimensions, cwd=str(tmp_path))
    session.shows("1: Вводить числитель и знаменатель дроби")
    for keys in ("1 1 2\r", "1 1 3\r", "2\r"):
        session.shows(PROMPT)
        session.type(keys)
    session.shows(SUM)
    session.shows(PROMPT)
    session.type("7\r")
    session.shows("Введите строку: \n")
    session.paste(line)
    session.type("\r")
    session.shows(PROMPT)
    session.type("8\r")
    session.expect_exact("Вывод строки: \r\n".encode())
    session.expect_exact((line + "\r\n").encode(), timeout=60)
    session.shows(PROMPT)
    session.type("9\r")
    assert session.end() == 0
    screen = session.logfile_read.getvalue().decode("utf-8", "replace")
    notes = [text for text in screen.splitlines() if text.startswith("fraction-calc: ")]
    assert notes == [] if note is None else len(notes) == 1 and note in notes[0], notes
    assert sorted(os.listdir(tmp_path)) == [], "the history, or a home folder, was made in the working folder"
    assert not os.path.exists(os.path.join(os.path.dirname(command), HISTORY)), "a history beside the command"


@pytest.fixture
def shell(start, command):
    """An interactive shell, with job control, that has started the command and typed a line."""
    shell = start("bash", "--norc", "--noprofile", "-i")
    shell.shows("shell$ ")
    shell.sendline('echo "modes $(stty -g)"')  # the terminal's modes, as the shell gives them to a command
    shell.expect(r"modes (\S+)\r\n")
    shell.modes = shell.match.group(1)
    shell.shows("shell$ ")
    shell.sendline(shlex.quote(command))
    shell.shows(PROMPT)
    shell.type("1 1 2\r")
    shell.shows(PROMPT)
    shell.type("")
    yield shell
    shell.close(force=True)


def ended_with(shell, status: int) -> None:
    """The shell shows the command's status, and the terminal's modes are those before it."""
    shell.sendline('echo "status $? modes $(stty -g)"')
    shell.expect(r"status (\d+) modes (\S+)\r\n")
    assert int(shell.match.group(1)) == status
    assert shell.match.group(2) == shell.modes, "the terminal's modes are as before"


@pytest.mark.parametrize("key, status", [("c", 130), ("\\", 131)],
                         ids=["Ctrl-C ends it, interrupted", "Ctrl-\\ quits"])
def test_a_signal_key_after_a_typed_line(shell, key, status):
    shell.sendcontrol(key)
    shell.shows("shell$ ")
    ended_with(shell, status)


def test_kill_stop_then_fg_puts_back_the_editor_and_redraws_the_line(shell):
    (program,) = children(shell.pid)
    shell.type("1 3")
    shell.shows("1 3")
    os.kill(program, signal.SIGSTOP)
    shell.shows("Stopped")
    shell.sendline("fg")
    shell.shows(PROMPT + "1 3")  # redrawn; in cooked mode Left would be typed text
    shell.type(LEFT * 3 + "1 \r")
    shell.shows(PROMPT)
    shell.type("2\r")
    shell.shows(SUM)


def test_a_session_stopped_with_ctrl_z_ends_on_kill(shell):
    shell.sendcontrol("z")
    shell.shows("Stopped")
    # TERM, then CONT: continued in the background, it must not stop itself again.
    shell.sendline("kill %1; sleep 1; jobs")
    shell.shows("Terminated")
    ended_with(shell, 0)  # jobs' own status; the modes are those before


def test_ctrl_z_stops_it_and_fg_brings_back_the_prompt_with_the_half_typed_line(shell):
    shell.type("1 1")
    shell.shows("1 1")  # read by the program: the terminal drops unread keys at Ctrl-Z
    shell.sendcontrol("z")
    shell.shows("Stopped")
    shell.shows("shell$ ")
    shell.sendline("fg")
    shell.shows(PROMPT + "1 1")
    shell.type(" 3\r")
    shell.shows(PROMPT)
    shell.type("2\r")
    shell.shows(SUM)


def children(pid: int) -> set:
    table = subprocess.run(["ps", "-e", "-o", "pid=,ppid="], capture_output=True, text=True, check=True).stdout
    return {int(child) for child, parent in (line.split() for line in table.splitlines()) if int(parent) == pid}


def descendants(pid: int) -> set:
    found = children(pid)
    return found.union(*(descendants(child) for child in found))


# kill from another terminal: the command is one process, it ends by the signal,
# and the terminal's modes are as before.
@pytest.mark.parametrize("name", ["SIGTERM", "SIGHUP", "SIGINT"])
def test_a_signal_to_the_command_ends_it_by_that_signal(shell, name):
    (program,) = children(shell.pid)
    assert descendants(program) == set(), "one process a session"
    os.kill(program, getattr(signal, name))
    shell.shows("shell$ ")
    ended_with(shell, 128 + getattr(signal, name))


def test_a_script_that_started_it_survives_its_kill(start, command):
    # Without job control the script and the program share a process group:
    # the signal must end the program alone.
    script = start("bash", "-c", f'{shlex.quote(command)}; echo "the script goes on after $?"')
    script.shows(PROMPT)
    (program,) = children(script.pid)
    os.kill(program, signal.SIGTERM)
    script.shows("the script goes on after 143")
    assert script.end() == 0


def test_signals_the_caller_ignored_stay_ignored(start, command):
    script = start("bash", "-c", f"trap '' INT TSTP; {shlex.quote(command)}; echo \"status $?\"")
    script.shows(PROMPT)
    script.sendcontrol("c")
    script.sendcontrol("z")
    script.type("1 1 2\r")
    script.shows(PROMPT)
    script.type("9\r")
    script.shows("status 0")
    assert script.end() == 0


def test_a_terminal_that_refuses_its_reads_is_a_read_error(shell, command):
    # A background job that ignores SIGTTIN is refused each read of its terminal.
    shell.sendcontrol("d")  # ends the session the fixture started
    shell.shows("shell$ ")
    shell.sendline(f'(trap "" TTIN TTOU; exec {shlex.quote(command)}) & wait $!; echo "status $?"')
    shell.shows(PROMPT)
    shell.sendline("")  # a key makes the job read
    shell.shows("Ошибка чтения стандартного ввода\n")
    shell.shows("status 1")


# Through pipes and files the command is the program alone: the same bytes on
# both streams and the same status, a failure's included.
PIPED = b"1 1 2\n1 1 3\n2\n7\n" + "строка".encode("cp1251") + b"\n8\n"


@pytest.mark.parametrize("target", [None, "/dev/full"], ids=["a pipe", "a full disk"])
def test_through_pipes_it_is_exactly_the_program(command, program, target):
    def ran(what: list):
        with open(target, "wb") if target else contextlib.nullcontext(subprocess.PIPE) as output:
            done = subprocess.run(what, input=PIPED, stdout=output, stderr=subprocess.PIPE, timeout=120, check=False)
        return done.returncode, done.stdout, done.stderr
    assert ran([command]) == ran(program)
