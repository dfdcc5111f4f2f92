"""Measures the web page in each browser engine the tests drive
(tests/browsers.py), from a local server, in one run:

- the site folder's size, raw and compressed with gzip;
- the time from navigation to the first prompt on screen (the frame the page
  marks "prompt shown"), cold (a new origin each load: no HTTP cache, no service
  worker) and warm (loaded again after a visit, from the service worker);
- the time per answer (item 8 at the prompt, until the next prompt is laid
  out) over the first passes of a run and again after PASSES passes;
- a pasted line of LETTERS letters through items 7 and 8, until the frame after
  the next prompt; and 10,000 pasted lines, until the last answer, with the
  longest a click would have waited meanwhile.

Every figure is the median of LOADS loads (5 unless given), or of the answers
timed. Needs what the browser test needs (dependencies/debian-packages, `web`).

    /usr/bin/python3 bench/web_page.py build/web/site [--engines chromium firefox webkit] [--loads 5]
"""
import argparse
import gzip
import io
import os
import statistics
import sys
import tarfile
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
import browsers  # noqa: E402
from selenium.common.exceptions import WebDriverException  # noqa: E402
from browser_test import PASTE, PROMPT, TIME_ANSWERS, WATCH_TASKS, Server  # noqa: E402

TIMED = 20  # answers timed at each point
# pasted(text, lines, until): pastes the text, and gives the ms until the program
# has read that many more lines, the transcript ends with `until` and the frame
# after has been drawn.
PASTED = """
var lines = arguments[1], until = arguments[2], done = arguments[arguments.length - 1], start = performance.now();
var transcript = document.getElementById('transcript'), typed = transcript.getElementsByClassName('typed');
var goal = typed.length + lines;
function last() {
  for (var node = transcript; node.lastChild; node = node.lastChild) {}
  return node.nodeType == Node.TEXT_NODE ? node.data : '';
}
(function check() {
  if (typed.length < goal || !last().endsWith(until)) return setTimeout(check, 10);
  requestAnimationFrame(function() { setTimeout(function() { done(performance.now() - start); }); });
})();
""" + PASTE


def sizes(folder: str) -> None:
    total = compressed = 0
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as file:
            data = file.read()
        packed = len(gzip.compress(data, 9))
        total, compressed = total + len(data), compressed + packed
        print(f"{name:24} {len(data):8,} bytes  gzip -9: {packed:7,}")
    archive = io.BytesIO()
    with tarfile.open(fileobj=archive, mode="w:gz", compresslevel=9) as tar:
        tar.add(folder, arcname=os.path.basename(folder))
    print(f"{'the folder':24} {total:8,} bytes  gzip -9: {compressed:7,} (file by file), "
          f"{len(archive.getvalue()):,} (as one .tar.gz)")


def load(browser, address: str) -> float:
    browser.script("window.left = true")
    browser.open(address)
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        try:
            shown = browser.script("return !window.left && document.readyState == 'complete' && "
                                   "(performance.getEntriesByName('prompt shown')[0] || {}).startTime")
        except WebDriverException:  # WebKit's, when the old page unloads under the script
            shown = None
        if shown:
            return shown
        time.sleep(0.02)
    raise TimeoutError(address)


def measure(engine: str, site: str, loads: int, passes: int, letters: int) -> None:
    with tempfile.TemporaryDirectory() as profile:
        browser = browsers.start(engine, profile)
        servers = []
        try:
            print(f"\n{engine} {browser.version}")
            cold = []
            for _ in range(loads):
                servers.append(Server(site))
                cold.append(load(browser, servers[-1].address + "index.html"))
            address = servers[-1].address + "index.html"
            load(browser, address)
            time.sleep(1)  # the service worker installs once the prompt is shown
            warm = [load(browser, address) for _ in range(loads)]
            for name, times in (("cold", cold), ("warm", warm)):
                print(f"first prompt, {name}: " + ", ".join(f"{t:.0f}" for t in times)
                      + f" ms; median {statistics.median(times):.0f} ms")

            first = [browser.script_async(TIME_ANSWERS, ["8"], PROMPT) for _ in range(TIMED)]
            browser.script_async(TIME_ANSWERS, ["8"] * (passes - TIMED), PROMPT)
            later = [browser.script_async(TIME_ANSWERS, ["8"], PROMPT) for _ in range(TIMED)]
            print(f"ms per answer (item 8), median of {TIMED}: passes 1-{TIMED} {statistics.median(first):.1f}, "
                  f"passes {passes + 1}-{passes + TIMED} {statistics.median(later):.1f}")

            load(browser, address)
            shown = browser.script_async(PASTED, "7\n" + "ж" * letters + "\n8\n", 3, PROMPT)
            print(f"a pasted line of {letters:,} letters through items 7 and 8: {shown / 1000:.2f} s")

            load(browser, address)
            browser.script(WATCH_TASKS)
            worked = browser.script_async(PASTED, "8\n" * 10_000, 10_000, PROMPT)
            longest = browser.script("return window.longestWait")
            print(f"10,000 pasted lines: {worked / 1000:.2f} s, a click waiting at most {longest:.0f} ms")
        finally:
            browser.quit()
            for server in servers:
                server.stop()


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("site", nargs="?", default="build/web/site")
    parser.add_argument("--engines", nargs="+", default=list(browsers.ENGINES))
    parser.add_argument("--loads", type=int, default=5)
    parser.add_argument("--passes", type=int, default=2000)
    parser.add_argument("--letters", type=int, default=10_000_000)
    arguments = parser.parse_args()
    site = os.path.abspath(arguments.site)
    sizes(site)
    for engine in arguments.engines:
        measure(engine, site, arguments.loads, arguments.passes, arguments.letters)
