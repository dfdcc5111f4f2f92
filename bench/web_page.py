"""Measures the web page in headless Chromium, from a local server:

- the site folder's size, raw and compressed with gzip;
- the time from navigation to the first prompt on screen, cold (the browser's
  cache and the site's stored data, its service worker included, cleared before
  every load) and warm (loaded again after a visit); the time of the frame
  after the transcript first ends with the prompt, counted from the start of
  navigation;
- the time per answer (item 8 at the prompt, until the next prompt is laid
  out) over the first passes of a run and again after PASSES passes;
- the seconds a long unbroken line of letters takes through item 7, then back
  through item 8, until the frame after the next prompt.

Every figure is the median of LOADS loads (5 unless given), or of the answers
timed. Needs Debian's python3-selenium, chromium and chromium-driver.

    /usr/bin/python3 bench/web_page.py build/web/site [--loads 5] [--passes 2000] [--letters 300000 1000000]
"""
import argparse
import functools
import gzip
import http.server
import io
import os
import statistics
import tarfile
import tempfile
import threading

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

PROMPT = "Введите номер(1-9): "
WATCH = """
new MutationObserver(function(_, observer) {
  var transcript = document.getElementById('transcript');
  if (transcript && transcript.textContent.endsWith(%r)) {
    observer.disconnect();
    requestAnimationFrame(function(frame) { window.firstPrompt = frame; });
  }
}).observe(document, {childList: true, subtree: true, characterData: true});
""" % PROMPT
# benchAnswer(line, until, settled): sends the line as Enter does, and gives the
# milliseconds until the transcript ends with `until` and is laid out, or, when
# settled, until the frame after that has been drawn. Only the transcript's
# last text is read, so the check costs the same however long the transcript.
ANSWER = """
window.benchAnswer = function(line, until, settled) {
  var transcript = document.getElementById('transcript');
  function tail() {
    for (var node = transcript; node.lastChild; node = node.lastChild) {}
    return node.nodeType == Node.TEXT_NODE ? node.data : '';
  }
  return new Promise(function(resolve) {
    var observer = new MutationObserver(function() {
      if (!tail().endsWith(until)) return;
      observer.disconnect();
      void transcript.scrollHeight;
      if (!settled) return resolve(performance.now() - start);
      requestAnimationFrame(function() { setTimeout(function() { resolve(performance.now() - start); }); });
    });
    observer.observe(transcript, {childList: true, subtree: true, characterData: true});
    var start = performance.now();
    document.getElementById('input').value = line;
    document.getElementById('line').requestSubmit();
  });
};
"""
TIMED = 20  # answers timed at each point


def sizes(folder: str) -> None:
    total = compressed = 0
    for root, _, names in sorted(os.walk(folder)):
        for name in sorted(names):
            path = os.path.join(root, name)
            with open(path, "rb") as file:
                data = file.read()
            packed = len(gzip.compress(data, 9))
            total, compressed = total + len(data), compressed + packed
            print(f"{os.path.relpath(path, folder):28} {len(data):8,} bytes  gzip -9: {packed:7,}")
    archive = io.BytesIO()
    with tarfile.open(fileobj=archive, mode="w:gz", compresslevel=9) as tar:
        tar.add(folder, arcname=os.path.basename(folder))
    print(f"{'the folder':28} {total:8,} bytes  gzip -9: {compressed:7,} (file by file), "
          f"{len(archive.getvalue()):,} (as one .tar.gz)")


class Browser:
    """Headless Chromium with a fresh profile, on the site served from 127.0.0.1."""

    def __init__(self, folder: str, profile: str) -> None:
        class Quiet(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *args) -> None:
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=folder))
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.origin = f"http://127.0.0.1:{self.server.server_port}"
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--no-first-run", "--window-size=640,860", f"--user-data-dir={profile}"]:
            options.add_argument(flag)
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.set_script_timeout(3600)

    def load(self, cold: bool) -> float:
        """Loads the page and gives the time to the first prompt on screen."""
        if cold:
            self.driver.execute_cdp_cmd("Network.clearBrowserCache", {})
            self.driver.execute_cdp_cmd("Storage.clearDataForOrigin", {"origin": self.origin, "storageTypes": "all"})
        self.driver.get(self.origin + "/index.html")
        return WebDriverWait(self.driver, 30).until(lambda d: d.execute_script("return window.firstPrompt"))

    def answer(self, line: str, until: str = PROMPT, settled: bool = False) -> float:
        return self.driver.execute_async_script(
            "window.benchAnswer(arguments[0], arguments[1], arguments[2]).then(arguments[3])", line, until, settled)

    def close(self) -> None:
        self.driver.quit()
        self.server.shutdown()


def first_prompt(browser: Browser, loads: int) -> None:
    browser.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": WATCH + ANSWER})
    for cold in (True, False):
        times = [browser.load(cold) for _ in range(loads)]
        print(f"first prompt, {'cold' if cold else 'warm'}, {loads} loads: " + ", ".join(f"{t:.0f}" for t in times)
              + f" ms; median {statistics.median(times):.0f} ms")


def answers(browser: Browser, passes: int) -> None:
    browser.load(cold=False)
    first = [browser.answer("8") for _ in range(TIMED)]
    browser.driver.execute_async_script("""
        var left = arguments[0], done = arguments[1];
        (function next() { if (left-- > 0) window.benchAnswer('8', %r, false).then(next); else done(); })();
        """ % PROMPT, passes - TIMED)
    later = [browser.answer("8") for _ in range(TIMED)]
    print(f"ms per answer (item 8), median of {TIMED}: passes 1-{TIMED} {statistics.median(first):.1f}, "
          f"passes {passes + 1}-{passes + TIMED} {statistics.median(later):.1f}")


def long_lines(browser: Browser, letters: list) -> None:
    for count in letters:
        browser.load(cold=False)
        browser.answer("7", until="Введите строку: \n")
        stored = browser.answer("ж" * count, settled=True)
        printed = browser.answer("8", settled=True)
        print(f"{count:,} letters in one line: item 7 {stored / 1000:.2f} s, item 8 {printed / 1000:.2f} s")


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("site", nargs="?", default="build/web/site")
    parser.add_argument("--loads", type=int, default=5)
    parser.add_argument("--passes", type=int, default=2000)
    parser.add_argument("--letters", type=int, nargs="*", default=[300000, 1000000])
    arguments = parser.parse_args()
    sizes(arguments.site)
    with tempfile.TemporaryDirectory() as profile:
        browser = Browser(arguments.site, profile)
        try:
            first_prompt(browser, arguments.loads)
            if arguments.passes:
                answers(browser, arguments.passes)
            long_lines(browser, arguments.letters)
        finally:
            browser.close()
