"""Runs the built calculator as a process: exit status, end of input, long input."""
import subprocess
import sys

PROGRAM = sys.argv[1]
PROMPT = "\nВведите номер(1-9): ".encode("cp1251")

def run(stdin: bytes) -> subprocess.CompletedProcess:
    return subprocess.run([PROGRAM], input=stdin, capture_output=True, timeout=10, check=False)

results = []


def check(name: str, condition: bool) -> None:
    print(("ok   " if condition else "FAIL ") + name)
    results.append(condition)


exited = run(b"1\n1 2\n9\n")
check("item 9 exits with status 0", exited.returncode == 0)
check("item 9 writes nothing more", exited.stdout.endswith(PROMPT))

for name, stdin in [("empty input", b""), ("input ends after an entry", b"1\n1 2\n"),
                    ("input ends inside item 7", b"7")]:
    ended = run(stdin)
    check(name + ": status 0", ended.returncode == 0)
    check(name + ": final line feed", ended.stdout.endswith(b"\n"))
    check(name + ": nothing on stderr", ended.stderr == b"")

# A 1 MiB line of every byte but NUL and line feed, stored by item 7 and printed by item 8.
line = bytes(b for b in range(256) if b not in (0, 10)) * 4200
long_line = run(b"7\n" + line + b"\n8\n9\n")
check("a 1 MiB line comes back byte for byte", b"\n" + line + b"\n" in long_line.stdout)
digits = run(b"7" * 10_000 + b"\n8\n9\n")
check("a 10,000-digit item number is refused and the session goes on",
      "номер(1-9)!!!\n".encode("cp1251") in digits.stdout
      and "Строка инициализирована\n".encode("cp1251") in digits.stdout
      and digits.returncode == 0)

print(f"{results.count(True)} passed, {results.count(False)} failed")
sys.exit(0 if all(results) else 1)
