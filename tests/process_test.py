"""The built calculator as a process: exit status, end of input, long input;
failing streams are failure_test.py's. The Windows program's text-mode streams
write CR LF line ends, read CR LF or LF, and end the input at a Ctrl-Z byte."""
import subprocess

import pytest

from conftest import windows

PROMPT = "\nВведите номер(1-9): ".encode("cp1251")


@pytest.fixture(scope="module")
def run(program):
    def run(keys: bytes = None, **streams) -> subprocess.CompletedProcess:
        done = subprocess.run(program, input=keys, capture_output="stdout" not in streams,
                              timeout=10, check=False, **streams)
        if windows(program) and done.stdout:
            # Every line feed comes as CR LF; with those made LF the bytes are the Linux ones.
            assert b"\n" not in done.stdout.replace(b"\r\n", b""), "CR LF line ends only"
            done.stdout = done.stdout.replace(b"\r\n", b"\n")
        return done
    return run


def test_item_9_exits_with_status_0_and_writes_nothing_more(run):
    exited = run(b"1\n1 2\n9\n")
    assert (exited.returncode, exited.stdout[-len(PROMPT):]) == (0, PROMPT)


@pytest.mark.parametrize("keys", [b"", b"1\n1 2\n", b"7"],
                         ids=["empty input", "input ends after an entry", "input ends inside item 7"])
def test_the_end_of_input_ends_with_status_0_and_a_final_line_feed(run, keys):
    ended = run(keys)
    assert (ended.returncode, ended.stdout[-1:], ended.stderr) == (0, b"\n", b"")


def test_cr_lf_input_gives_the_sum_and_the_line_without_its_cr(run, program):
    if not windows(program):
        pytest.skip("CR LF input is the Windows program's")
    typed = run(b"1\r\n1 2\r\n1\r\n1 3\r\n2\r\n7\r\nab\r\n8\r\n9\r\n")
    assert b"\n5/6\n" in typed.stdout and b": \nab\n" in typed.stdout and typed.returncode == 0


def test_a_1_mib_line_comes_back_byte_for_byte(run, program):
    # Every byte but NUL and line feed (and Ctrl-Z, the end of a Windows text-mode input).
    excluded = (0, 10, 26) if windows(program) else (0, 10)
    line = bytes(b for b in range(256) if b not in excluded) * 4200
    assert b"\n" + line + b"\n" in run(b"7\n" + line + b"\n8\n9\n").stdout


def test_a_10000_digit_item_number_is_refused_and_the_session_goes_on(run):
    digits = run(b"7" * 10_000 + b"\n8\n9\n")
    assert "номер(1-9)!!!\n".encode("cp1251") in digits.stdout and digits.returncode == 0
    assert "Строка инициализирована\n".encode("cp1251") in digits.stdout
