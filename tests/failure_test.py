"""The built calculator where its streams or its memory fail. Each failure ends
the run at once with status 1 and one text on standard error; nothing more is
read. The cases close descriptors, send signals and limit the address space, so
they run on POSIX: natively, and for the Windows program under Wine where Windows
has the same failure (it has no signals and no address-space limit)."""
import os
import signal
import subprocess
import sys

import pytest

from conftest import node, windows

if sys.platform == "win32":
    pytest.skip("POSIX descriptors, signals and limits", allow_module_level=True)

WRITE_FAILED = "Ошибка записи в стандартный вывод\n".encode("cp1251")
READ_FAILED = "Ошибка чтения стандартного ввода\n".encode("cp1251")


@pytest.fixture(scope="module")
def endless(tmp_path_factory):
    """Far more input than the program buffers, so reading on after a failure shows."""
    script = tmp_path_factory.mktemp("input") / "endless"
    script.write_bytes(b"1\n1 2\n1\n1 3\n" + b"2\n" * 500_000)
    return script


def run(program, before=None, **streams) -> subprocess.CompletedProcess:
    ran = subprocess.run(program, stderr=subprocess.PIPE, preexec_fn=before, timeout=30, check=False, **streams)
    if windows(program):
        ran.stderr = ran.stderr.replace(b"\r\n", b"\n")  # the Windows program's text-mode line ends
    return ran


def not_for(program, *, windows_lacks: str = "", node_does: str = "") -> None:
    if windows_lacks and windows(program):
        pytest.skip(f"Windows has no {windows_lacks}")
    if node_does and node(program):
        pytest.skip(f"Node.js {node_does}")


def close_output():
    os.close(1)


def close_input():
    os.close(0)


# Standard output cannot be written: the input is a file, so its offset
# afterwards shows how much was read.
@pytest.mark.parametrize("target, before", [
    pytest.param("/dev/full", None, id="a full disk", marks=pytest.mark.skipif(
        not os.path.exists("/dev/full"), reason="no /dev/full on this system")),
    pytest.param(os.devnull, close_output, id="a closed standard output"),
    pytest.param(os.devnull, lambda: os.dup2(os.open(os.devnull, os.O_RDONLY), 1),
                 id="a read-only standard output"),
])
def test_an_unwritable_output(program, endless, target, before):
    if before is close_output:
        not_for(program, node_does="opens a closed standard output on /dev/null")
    with open(endless, "rb") as stdin, open(target, "wb") as stdout:
        ran = run(program, before, stdin=stdin, stdout=stdout)
        assert (ran.returncode, ran.stderr) == (1, WRITE_FAILED)
        assert os.lseek(stdin.fileno(), 0, os.SEEK_CUR) < 65536, "nothing more read"


# A reader that has gone: with SIGPIPE ignored the write fails; by default the
# signal ends the program, as it does any tool.
@pytest.mark.parametrize("disposition, status, text", [
    pytest.param(signal.SIG_IGN, 1, WRITE_FAILED, id="SIGPIPE ignored"),
    pytest.param(signal.SIG_DFL, -signal.SIGPIPE, b"", id="SIGPIPE by default"),
])
def test_a_reader_gone(program, endless, disposition, status, text):
    if disposition == signal.SIG_DFL:
        not_for(program, windows_lacks="SIGPIPE", node_does="ignores SIGPIPE")
    reader, writer = os.pipe()
    os.close(reader)
    with open(endless, "rb") as stdin:
        ran = run(program, lambda: signal.signal(signal.SIGPIPE, disposition), stdin=stdin, stdout=writer)
    os.close(writer)
    assert (ran.returncode, ran.stderr) == (status, text)


# Standard input cannot be read, which is not its end.
@pytest.mark.parametrize("folder, before", [(None, close_input), ("/", None)],
                         ids=["a closed standard input", "a folder as standard input"])
def test_an_unreadable_input(program, folder, before):
    if before is close_input:
        not_for(program, node_does="opens a closed standard input on /dev/null")
    stdin = os.open(folder, os.O_RDONLY) if folder else None
    ran = run(program, before, stdin=stdin, stdout=subprocess.DEVNULL)
    assert (ran.returncode, ran.stderr) == (1, READ_FAILED)


OUT_OF_MEMORY = "Недостаточно памяти\n".encode("cp1251")
PAGE = 4096


def limited(program, limit: int, stdin: bytes, **options) -> subprocess.CompletedProcess:
    """The program under an address-space limit of `limit` bytes."""
    import resource
    return run(program, lambda: resource.setrlimit(resource.RLIMIT_AS, (limit, limit)),
               input=stdin, stdout=subprocess.DEVNULL, **options)


def start_up_band(program) -> range:
    """The limits, a page apart, under which the program starts but cannot set
    itself up and finish a session: from the lowest at which the loader hands
    over to it (glibc's LD_DEBUG says so; below, the loader itself fails or
    crashes) to the lowest at which it ends a session through item 9. Both are
    found by bisection, so no figure of this machine or library is written here."""
    def started(limit: int) -> bool:
        try:
            ran = limited(program, limit, b"9\n", env=dict(os.environ, LD_DEBUG="files"))
        except OSError:  # not even executed
            return False
        return b"transferring control: " in ran.stderr

    def lowest(works, low: int, high: int) -> int:
        while high - low > PAGE:
            middle = (low + high) // 2 // PAGE * PAGE
            low, high = (low, middle) if works(middle) else (middle, high)
        return high

    finished = lowest(lambda limit: limited(program, limit, b"9\n").returncode == 0, 0, 1 << 30)
    if not started(finished):
        pytest.skip("the loader does not say when it hands over to the program (LD_DEBUG is glibc's)")
    band = range(lowest(started, 0, finished), finished, PAGE)
    assert band, "no limit at which the program starts but cannot set itself up: nothing was tried"
    return band


# Memory runs out: a line larger than what is left, or any allocation at start,
# from the first line of main (the streams' own buffers included).
@pytest.mark.parametrize("limits, stdin", [
    pytest.param(lambda program: [256 << 20], b"7\n" + b"x" * (200 << 20) + b"\n8\n9\n",
                 id="a line larger than the memory left"),
    pytest.param(start_up_band, b"9\n", id="every limit in the start-up band"),
])
def test_exhausted_memory(program, request, limits, stdin):
    not_for(program, windows_lacks="limit on the address space",
            node_does="reserves more address space than the limit")
    if request.config.getoption("--no-memory-limit"):
        pytest.skip("sanitizers reserve more address space than a memory limit allows")
    if sys.platform == "darwin":
        pytest.skip("macOS does not enforce RLIMIT_AS")
    for limit in limits(program):
        ran = limited(program, limit, stdin)
        assert (ran.returncode, ran.stderr) == (1, OUT_OF_MEMORY), f"under a limit of {limit} bytes"


def at_a_terminal(program, limit: int) -> str:
    """The program at a UTF-8 pseudo-terminal under an address-space limit, with
    item 9 typed: how it ended, as one of the outcomes below or what it showed."""
    import resource

    import pexpect
    env = {"PATH": os.environ["PATH"], "TERM": "xterm", "LANG": "C.UTF-8", "FRACTION_CALC_HISTORY": ""}
    terminal = pexpect.spawn(program[0], program[1:], env=env, timeout=30, dimensions=(24, 80),
                             preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS, (limit, limit)))
    terminal.send(b"9\r")
    screen = terminal.read()  # to the end
    terminal.close()
    status = terminal.exitstatus
    if status == 0 and "Введите номер(1-9): ".encode() in screen and b"fraction-calc:" not in screen:
        return "whole"
    if status == 1 and OUT_OF_MEMORY.decode("cp1251").replace("\n", "\r\n").encode() in screen:
        return "out of memory"
    if status == 127 and (b"error while loading shared libraries" in screen or b"cannot allocate TLS" in screen):
        return "loader"
    return f"status {status}, signal {terminal.signalstatus}: {screen[-300:]!r}"


def test_exhausted_memory_at_a_terminal(program, request):
    """Every limit from where the loader fails to where a whole session fits:
    the loader's refusal, a whole session, or the out-of-memory text in the
    terminal's characters; never a crash, a fallback with a false note, or the
    text in the program's own bytes."""
    if not request.config.getoption("--session"):
        pytest.skip("the program has no terminal session")
    if request.config.getoption("--no-memory-limit"):
        pytest.skip("sanitizers reserve more address space than a memory limit allows")

    def lowest(works, low: int, high: int) -> int:
        while high - low > PAGE:
            middle = (low + high) // 2 // PAGE * PAGE
            low, high = (low, middle) if works(middle) else (middle, high)
        return high

    whole = lowest(lambda limit: at_a_terminal(program, limit) == "whole", 0, 1 << 30)
    loaded = lowest(lambda limit: at_a_terminal(program, limit) != "loader", 0, whole)
    step = max(PAGE, (whole - loaded) // 150 // PAGE * PAGE)  # about 150 runs
    outcomes = {limit: at_a_terminal(program, limit) for limit in range(loaded - 4 * step, whole + 4 * step, step)}
    counts = {kind: list(outcomes.values()).count(kind) for kind in ("whole", "out of memory", "loader")}
    print(f"{len(outcomes)} limits from {loaded - 4 * step} to {whole + 3 * step} bytes: {counts}")
    assert {limit: outcome for limit, outcome in outcomes.items() if outcome not in counts} == {}
    assert counts["out of memory"] > 0, "no limit left the program short of memory: nothing was tried"
