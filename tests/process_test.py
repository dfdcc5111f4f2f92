"""Runs the built calculator as a process: exit status, end of input, long input.

Arguments: the program, after the emulator that runs it if there is one (Wine
for the Windows program, whose text-mode streams write CRLF line ends, read
CRLF or LF, and end the input at a Ctrl-Z byte).
"""
import os
import subprocess
import sys

from harness import check, finish

COMMAND = sys.argv[1:]
WINDOWS = COMMAND[-1].endswith(".exe")
PROMPT = "\nВведите номер(1-9): ".encode("cp1251")


def run(stdin: bytes) -> subprocess.CompletedProcess:
    done = subprocess.run(COMMAND, input=stdin, capture_output=True, timeout=10, check=False)
    if WINDOWS:
        # Every line feed comes as CR LF; with those made LF the bytes are the Linux ones.
        lone = done.stdout.replace(b"\r\n", b"").count(b"\n")
        if lone:
            check(f"CR LF line ends only ({lone} lone line feeds)", False)
        done.stdout = done.stdout.replace(b"\r\n", b"\n")
    return done

exited = run(b"1\n1 2\n9\n")
check("item 9 exits with status 0", exited.returncode == 0)
check("item 9 writes nothing more", exited.stdout.endswith(PROMPT))

for name, stdin in [("empty input", b""), ("input ends after an entry", b"1\n1 2\n"),
                    ("input ends inside item 7", b"7")]:
    ended = run(stdin)
    check(name + ": status 0", ended.returncode == 0)
    check(name + ": final line feed", ended.stdout.endswith(b"\n"))
    check(name + ": nothing on stderr", ended.stderr == b"")

if WINDOWS:
    typed = run(b"1\r\n1 2\r\n1\r\n1 3\r\n2\r\n7\r\nab\r\n8\r\n9\r\n")
    check("CR LF input: sum, and the line without its CR",
          b"\n5/6\n" in typed.stdout and b": \nab\n" in typed.stdout and typed.returncode == 0)

# A 1 MiB line of every byte but NUL and line feed (and Ctrl-Z, the end of a
# text-mode input on Windows), stored by item 7 and printed by item 8.
excluded = (0, 10, 26) if WINDOWS else (0, 10)
line = bytes(b for b in range(256) if b not in excluded) * 4200
long_line = run(b"7\n" + line + b"\n8\n9\n")
check("a 1 MiB line comes back byte for byte", b"\n" + line + b"\n" in long_line.stdout)
digits = run(b"7" * 10_000 + b"\n8\n9\n")
check("a 10,000-digit item number is refused and the session goes on",
      "номер(1-9)!!!\n".encode("cp1251") in digits.stdout
      and "Строка инициализирована\n".encode("cp1251") in digits.stdout
      and digits.returncode == 0)

# Failed streams end the run with status 1 and say so on standard error.
with open("/dev/full", "wb") as full:
    unwritable = subprocess.run(COMMAND, input=b"9\n", stdout=full, stderr=subprocess.PIPE,
                                timeout=10, check=False)
check("an unwritable output: status 1 and its message",
      unwritable.returncode == 1
      and unwritable.stderr.startswith("Ошибка записи в стандартный вывод".encode("cp1251")))
folder = os.open("/", os.O_RDONLY)  # reading a folder fails (EISDIR)
unreadable = subprocess.run(COMMAND, stdin=folder, capture_output=True, timeout=10, check=False)
os.close(folder)
check("an unreadable input: status 1 and its message",
      unreadable.returncode == 1
      and unreadable.stderr.startswith("Ошибка чтения стандартного ввода".encode("cp1251")))

finish()
