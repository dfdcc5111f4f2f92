"""Time from starting a command at a pseudo-terminal to its first prompt on screen,
and the processes it then has (itself and all below it, from /proc).

Each command runs at a new UTF-8 pseudo-terminal of 24 by 80, seven times in
turn with the others, and its median is printed: the terminal session and the
program alone (FRACTION_CALC_ALONE=1) measured in one run, so that the machine's
load weighs on both alike. A prompt counts once its bytes have been read from
the terminal, in the terminal's UTF-8 or in the program's own Windows-1251.

    python3 bench/first_prompt.py session=build/release/console/fraction-calc \
        alone=FRACTION_CALC_ALONE=1:build/release/console/fraction-calc \
        history=HISTORY_LINES=1000000:build/release/console/fraction-calc

HISTORY_LINES=N gives the command a history file of N lines, written afresh
before each run (outside the time), so that each run finds it as long: the
session trims it to its newest lines as it starts.
"""
import os
import pty
import select
import signal
import statistics
import sys
import tempfile
import time

PROMPT = "Введите номер(1-9): "
RUNS = 7


def processes(pid: int) -> int:
    """The process and all its descendants."""
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    parents[int(entry)] = int(stat.read().rsplit(")", 1)[1].split()[1])
            except OSError:
                pass
    found, todo = {pid}, [pid]
    while todo:
        parent = todo.pop()
        children = [child for child, of in parents.items() if of == parent]
        found.update(children)
        todo.extend(children)
    return len(found)


def first_prompt(command: list, env: dict) -> tuple:
    """Milliseconds from fork to the prompt read from the terminal, and the
    processes then; the command is then killed."""
    started = time.perf_counter()
    pid, master = pty.fork()
    if pid == 0:
        os.execvpe(command[0], command, env)
    seen = b""
    try:
        while not any(PROMPT.encode(charset) in seen for charset in ("utf-8", "cp1251")):
            ready, _, _ = select.select([master], [], [], 10)
            if not ready:
                raise TimeoutError(f"no prompt from {command} in 10 s: {seen[-200:]!r}")
            seen += os.read(master, 65536)
        elapsed = (time.perf_counter() - started) * 1000
        return elapsed, processes(pid)
    finally:
        os.killpg(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
        os.close(master)


def write_history(path: str, lines: int) -> None:
    with open(path, "w", encoding="utf-8") as history:
        history.writelines(f"7\nДробь {number} из истории\n" for number in range(lines // 2))


def main() -> None:
    history_folder = tempfile.mkdtemp()
    commands = {}
    for argument in sys.argv[1:]:
        name, _, definition = argument.partition("=")
        *settings, program = definition.split(":")
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8", TERM="xterm",
                   FRACTION_CALC_HISTORY="")  # no history file: only the start is timed
        env.pop("FRACTION_CALC_ALONE", None)
        env.update(setting.split("=", 1) for setting in settings)
        if "HISTORY_LINES" in env:
            env["FRACTION_CALC_HISTORY"] = os.path.join(history_folder, name)
        commands[name] = ([os.path.abspath(program)], env)
    times = {name: [] for name in commands}
    counts = {}
    for _ in range(RUNS):
        for name, (command, env) in commands.items():
            if "HISTORY_LINES" in env:
                write_history(env["FRACTION_CALC_HISTORY"], int(env["HISTORY_LINES"]))
            elapsed, counts[name] = first_prompt(command, env)
            times[name].append(elapsed)
    for name, measured in times.items():
        print(f"{name}: median {statistics.median(measured):.1f} ms of "
              + ", ".join(f"{value:.1f}" for value in measured) + f"; {counts[name]} processes")


if __name__ == "__main__":
    main()
