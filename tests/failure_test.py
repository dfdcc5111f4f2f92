"""Runs the built calculator where its streams or its memory fail.

Each failure ends the run at once with status 1 and one text on standard error;
nothing more is read. Usage: failure_test.py PROGRAM [--no-memory-limit]
(sanitizer builds reserve more address space than any useful limit allows).
"""
import os
import resource
import signal
import subprocess
import sys
import tempfile

from harness import check, finish

PROGRAM = sys.argv[1]
WRITE_FAILED = "Ошибка записи в стандартный вывод\n".encode("cp1251")
READ_FAILED = "Ошибка чтения стандартного ввода\n".encode("cp1251")
OUT_OF_MEMORY = "Недостаточно памяти\n".encode("cp1251")
# Far more input than the program buffers, so reading on after a failure shows.
ENDLESS = b"1\n1 2\n1\n1 3\n" + b"2\n" * 500_000


def run(stdin, stdout, preexec=None, stdin_bytes=None):
    return subprocess.run([PROGRAM], stdin=stdin, stdout=stdout, stderr=subprocess.PIPE,
                          input=stdin_bytes, preexec_fn=preexec, timeout=30, check=False)


def check_failure(name: str, ran, text: bytes) -> None:
    check(f"{name}: status 1 and the text on standard error",
          ran.returncode == 1 and ran.stderr == text)


with tempfile.TemporaryDirectory() as folder:
    script = os.path.join(folder, "input")
    with open(script, "wb") as file:
        file.write(ENDLESS)

    # Standard output cannot be written: the input is a file, so its offset
    # afterwards shows how much was read.
    def read_only_stdout():
        os.dup2(os.open(os.devnull, os.O_RDONLY), 1)

    for name, target, preexec in [("a full disk", "/dev/full", None),
                                  ("a closed standard output", os.devnull, lambda: os.close(1)),
                                  ("a read-only standard output", os.devnull, read_only_stdout)]:
        with open(script, "rb") as stdin, open(target, "wb") as stdout:
            ran = run(stdin, stdout, preexec)
            check_failure(name, ran, WRITE_FAILED)
            check(f"{name}: nothing more read", os.lseek(stdin.fileno(), 0, os.SEEK_CUR) < 65536)

    # A reader that has gone: with SIGPIPE ignored the write fails; by default the
    # signal ends the program, as it does any tool.
    for name, disposition, expected in [("a reader gone, SIGPIPE ignored", signal.SIG_IGN, 1),
                                        ("a reader gone, SIGPIPE default", signal.SIG_DFL,
                                         -signal.SIGPIPE)]:
        reader, writer = os.pipe()
        os.close(reader)
        with open(script, "rb") as stdin:
            ran = subprocess.run([PROGRAM], stdin=stdin, stdout=writer, stderr=subprocess.PIPE,
                                 preexec_fn=lambda d=disposition: signal.signal(signal.SIGPIPE, d),
                                 timeout=30, check=False)
        os.close(writer)
        check(f"{name}: status {expected}", ran.returncode == expected)
        if expected == 1:
            check(f"{name}: the text on standard error", ran.stderr == WRITE_FAILED)

# Standard input cannot be read, which is not its end.
check_failure("a closed standard input", run(None, subprocess.DEVNULL, lambda: os.close(0)),
              READ_FAILED)
directory = os.open("/", os.O_RDONLY)
check_failure("a directory as standard input", run(directory, subprocess.DEVNULL), READ_FAILED)
os.close(directory)

# A stored line larger than the memory left, with input after it.
if "--no-memory-limit" not in sys.argv:
    limit = 256 << 20

    def limit_memory():
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))

    huge = b"7\n" + b"x" * (200 << 20) + b"\n8\n9\n"
    ran = run(None, subprocess.DEVNULL, limit_memory, huge)
    check_failure("a line larger than the memory left", ran, OUT_OF_MEMORY)

finish()
