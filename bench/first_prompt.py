"""Time from starting a command at a pseudo-terminal to its first prompt on screen.

Each command runs at a new UTF-8 pseudo-terminal of 24 by 80, seven times in
turn with the others, and its median is printed: the terminal session and the
program alone (FRACTION_CALC_ALONE=1) measured in one run, so that the machine's
load weighs on both alike. A prompt counts once its bytes have been read from
the terminal, in the terminal's UTF-8 or in the program's own Windows-1251.

    python3 bench/first_prompt.py session=build/release/console/fraction-calc \
        alone=FRACTION_CALC_ALONE=1:build/release/console/fraction-calc
"""
import os
import pty
import select
import signal
import statistics
import sys
import time

PROMPT = "Введите номер(1-9): "
RUNS = 7


def first_prompt(command: list, env: dict) -> float:
    """Milliseconds from fork to the prompt read from the terminal; the command is then killed."""
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
        return (time.perf_counter() - started) * 1000
    finally:
        os.kill(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
        os.close(master)


def main() -> None:
    commands = {}
    for argument in sys.argv[1:]:
        name, _, spec = argument.partition("=")
        *settings, program = spec.split(":")
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8", TERM="xterm",
                   FRACTION_CALC_HISTORY="")  # no history file: only the start is timed
        env.pop("FRACTION_CALC_ALONE", None)
        env.update(setting.split("=", 1) for setting in settings)
        commands[name] = ([os.path.abspath(program)], env)
    times = {name: [] for name in commands}
    for _ in range(RUNS):
        for name, (command, env) in commands.items():
            times[name].append(first_prompt(command, env))
    for name, measured in times.items():
        print(f"{name}: median {statistics.median(measured):.1f} ms of "
              + ", ".join(f"{value:.1f}" for value in measured))


if __name__ == "__main__":
    main()
