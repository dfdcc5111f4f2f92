"""Runs the built calculator as a process: exit status and the end of input."""
import subprocess
import sys

PROGRAM = sys.argv[1]
PROMPT = "\nВведите номер(1-9): ".encode("cp1251")

def run(stdin: bytes) -> subprocess.CompletedProcess:
    return subprocess.run([PROGRAM], input=stdin, capture_output=True, timeout=10, check=False)

failures = []
def check(name: str, condition: bool) -> None:
    print(("ok   " if condition else "FAIL ") + name)
    if not condition:
        failures.append(name)

exited = run(b"1\n1 2\n9\n")
check("item 9 exits with status 0", exited.returncode == 0)
check("item 9 writes nothing more", exited.stdout.endswith(PROMPT))

for name, stdin in [("empty input", b""), ("input ends after an entry", b"1\n1 2\n"),
                    ("input ends inside item 7", b"7")]:
    ended = run(stdin)
    check(name + ": status 0", ended.returncode == 0)
    check(name + ": final line feed", ended.stdout.endswith(b"\n"))
    check(name + ": nothing on stderr", ended.stderr == b"")

print(f"{4 + 2 * 3 - len(failures) + 1} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
