"""Measures the web page: the site folder's size, raw and compressed with gzip,
and the time from navigation to the first prompt on screen in headless Chromium.

The page is loaded LOADS times (5 unless given) from a local server, each time
with the browser's cache off, so every load fetches the page, the script and the
.wasm anew. A script that Chromium runs in the page before the page's own
notes when the transcript first ends with the prompt, and the time of the frame
after it (the first that can show it), counted from the start of navigation.
Needs Debian's python3-selenium, chromium and chromium-driver.

    /usr/bin/python3 bench/web_page.py build/web/site [LOADS]
"""
import functools
import gzip
import http.server
import io
import os
import statistics
import sys
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


def first_prompt(folder: str, loads: int) -> None:
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args) -> None:
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=folder))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    with tempfile.TemporaryDirectory() as profile:
        for flag in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--no-first-run", f"--user-data-dir={profile}"]:
            options.add_argument(flag)
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        try:
            driver.execute_cdp_cmd("Network.enable", {})
            driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
            driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": WATCH})
            times = []
            for _ in range(loads):
                driver.get(f"http://127.0.0.1:{server.server_port}/index.html")
                times.append(WebDriverWait(driver, 10).until(lambda d: d.execute_script("return window.firstPrompt")))
        finally:
            driver.quit()
            server.shutdown()
    print(f"first prompt after navigation, {loads} loads: " + ", ".join(f"{t:.0f}" for t in times)
          + f" ms; median {statistics.median(times):.0f} ms")


if __name__ == "__main__":
    site = sys.argv[1] if len(sys.argv) > 1 else "build/web/site"
    sizes(site)
    first_prompt(site, int(sys.argv[2]) if len(sys.argv) > 2 else 5)
