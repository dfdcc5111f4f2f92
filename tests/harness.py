"""What the Python tests share: named checks with one closing line, and the
exit status of a program on a pseudo-terminal."""
import os
import sys
import time

results = []


def check(name: str, condition: bool) -> bool:
    print(("ok   " if condition else "FAIL ") + name)
    results.append(condition)
    return condition


def finish() -> None:
    """Prints the closing 'N passed, N failed' line and exits with the verdict."""
    print(f"{results.count(True)} passed, {results.count(False)} failed")
    sys.exit(0 if all(results) else 1)


def terminal_status(pid: int, fd: int, drain, timeout: float):
    """Waits for the program on terminal `fd` to end, draining the screen with
    `drain()` so that it never blocks on a full terminal; kills it when it hangs."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        drain()
        ended, status = os.waitpid(pid, os.WNOHANG)
        if ended:
            os.close(fd)
            return os.waitstatus_to_exitcode(status)
    os.kill(pid, 9)
    os.waitpid(pid, 0)
    return "hung"
