"""Counts the machine instructions and write system calls of one menu pass.

Runs the program on two generated sessions that differ only in length (two
entries, then items 2 to 8 and a wrong item, over and over, then item 9), under
valgrind's callgrind and under strace, with standard output to /dev/null. The
difference between the two runs, divided by the difference in passes, is the
cost of one pass with start-up and exit taken out. Instruction counts are
repeatable for the same binary and input, whatever else the machine is doing.

    python3 bench/instructions_per_pass.py build/release/console/fraction-calc [passes]
"""
import os
import re
import subprocess
import sys
import tempfile

CYCLE = ["2\n", "3\n", "4\n", "5\n", "6\n", "7\nstored line\n", "8\n", "0\n"]


def session(passes: int) -> bytes:
    """Two entries (two passes), then `passes` more, then item 9."""
    script = "1\n1 2\n1\n-3 4\n"
    script += "".join(CYCLE[i % len(CYCLE)] for i in range(passes))
    return (script + "9\n").encode()


def instructions(program: str, stdin_path: str) -> int:
    with tempfile.TemporaryDirectory() as folder:
        with open(stdin_path, "rb") as stdin, open(os.devnull, "wb") as devnull:
            run = subprocess.run(["valgrind", "--tool=callgrind",
                                  f"--callgrind-out-file={folder}/out", program],
                                 stdin=stdin, stdout=devnull, stderr=subprocess.PIPE, check=True)
    return int(re.search(rb"Collected : (\d+)", run.stderr).group(1))


def writes(program: str, stdin_path: str) -> int:
    with tempfile.TemporaryDirectory() as folder:
        with open(stdin_path, "rb") as stdin, open(os.devnull, "wb") as devnull:
            subprocess.run(["strace", "-f", "-c", "-e", "trace=write", "-o", f"{folder}/out", program],
                           stdin=stdin, stdout=devnull, check=True)
        summary = open(f"{folder}/out", encoding="ascii").read()
    found = re.search(r"^\s*[\d.]+\s+[\d.]+\s+\d+\s+(\d+)\s+(?:\d+\s+)?write$", summary, re.M)
    return int(found.group(1)) if found else 0


def main() -> None:
    program = sys.argv[1]
    passes = int(sys.argv[2]) if len(sys.argv) > 2 else 10_000
    counts = {}
    with tempfile.TemporaryDirectory() as folder:
        for length in (passes, 2 * passes):
            path = f"{folder}/session-{length}"
            with open(path, "wb") as file:
                file.write(session(length))
            counts[length] = (instructions(program, path), writes(program, path))
    (short_ir, short_writes), (long_ir, long_writes) = counts[passes], counts[2 * passes]
    print(f"{program}: {passes} extra passes")
    print(f"instructions per pass: {(long_ir - short_ir) / passes:.0f}")
    print(f"write calls per pass:  {(long_writes - short_writes) / passes:.2f}")


if __name__ == "__main__":
    main()
