"""The web page in headless Chromium, typed at as a person would: the session
below, then pages whose files come late or not at all, the cost of an answer
and of a long line, the page on a phone, and a visit without the server. The
page is served from 127.0.0.1 by servers started here, from the folder above
the site's, so that a request outside the site shows; so does any request to
another host, and any error the page logs."""
import functools
import http.server
import json
import os
import shutil
import statistics
import threading
import time
from urllib.parse import urlsplit

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

PROMPT = "Введите номер(1-9): "
HEADING = "\nВводятся два рациональных числа\n"
MENU_END = "\n9:Выход\n" + PROMPT
FIRST_SCREEN = (HEADING + "\n1: Вводить числитель и знаменатель дроби\n2: Сумма введенных чисел\n"
                "3: Разность введенных чисел\n4: Умножение введенных чисел\n5: Деление введенных чисел\n"
                "6: Сокращение дроби\n7: Ввод строки\n8: Печать строки" + MENU_END)
STORED = "Вывод строки: \nСтрока инициализирована\n"
LINE = "Дробь — это «пополам»"
ENDED = "Программа завершена."
CLEAR = Keys.CONTROL + "a" + Keys.NULL + Keys.DELETE


class Paste(str):
    """Text put on the clipboard and pasted into the input line with Ctrl-V."""


def refused(character: str) -> str:
    return f"Строка не отправлена: символа «{character}» (U+{ord(character):04X}) нет в кодировке Windows-1251."


# One session, in order: the keys typed (or pasted), what the transcript shows
# next, the note under it (None: no note is shown), and what the input line
# holds after.
SESSION = {
    "the first screen is the heading and the menu": ("", [FIRST_SCREEN], None, ""),
    "two fractions and their sum": ("1\n1 2\n1\n1 3\n2\n", [f"{PROMPT}2\nСумма введенных чисел равна: \n5/6\n"],
                                    None, ""),
    "a Cyrillic line comes back": (f"7\n{LINE}\n8\n", [f"Вывод строки: \n{LINE}\n", MENU_END], None, ""),
    "Up recalls the line typed last": (Keys.UP + "\n", [f"8\nВывод строки: \n{LINE}\n"], None, ""),
    "a character without a Windows-1251 byte is refused and not sent": ("1/2 = ½\n", [], refused("½"), "1/2 = ½"),
    "a NUL is refused as such a character, not sent cut short": ((CLEAR, Paste("7\0"), "\n"), [], refused("\0"),
                                                                   "7\0"),
    "a multi-line paste arrives as its lines, in order": (
        (CLEAR, Paste("7\r\nпривет\n8\n1")),
        [f"{PROMPT}7\nВведите строку: \nпривет\n", f"{PROMPT}8\nВывод строки: \nпривет\n", MENU_END], None, "1"),
    "a paste with a line that has no bytes sends none of its lines": ((CLEAR, Paste("8\n½\n8\n")), [], refused("½"),
                                                                       ""),
    "a letter typed as a letter and a combining mark is sent as the letter (NFC)": (
        CLEAR + "7\nи\u0306 е\u0308\n8\n", ["7\nВведите строку: \nй ё\n", f"{PROMPT}8\nВывод строки: \nй ё\n"],
        None, ""),
    "item 9 ends the run and the page says so": (CLEAR + "9\n", [f"{PROMPT}9\n"], ENDED, ""),
    "Enter starts a second run, offline": ("\n", [FIRST_SCREEN], None, ""),
    "Ctrl-D on an empty line ends its input": (Keys.CONTROL + "d", ["\n"], ENDED, ""),
    # Typed at once: the program has ended before the next line comes.
    "lines typed right after the exit item go to the next run, and are shown only when it reads them": (
        "\n9\n1\n1 2\n", [f"{PROMPT}9\n{FIRST_SCREEN}1\n1 2\n", MENU_END], None, ""),
}


class Server(http.server.ThreadingHTTPServer):
    """Serves the folder above the site's on 127.0.0.1, and records every path
    asked for, of every server, in `asked`. `trouble` makes a file of the site
    come late (seconds) or not at all (an HTTP status)."""
    asked = []

    def __init__(self, site: str) -> None:
        self.trouble = {}
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def do_GET(self) -> None:
                trouble = server.trouble.get(os.path.basename(urlsplit(self.path).path))
                if isinstance(trouble, float):
                    time.sleep(trouble)
                elif trouble:
                    self.send_error(trouble)
                    return
                super().do_GET()

            def log_message(self, *args) -> None:
                Server.asked.append(self.path)

        super().__init__(("127.0.0.1", 0), functools.partial(Handler, directory=os.path.dirname(site)))
        self.address = f"http://127.0.0.1:{self.server_port}/{os.path.basename(site)}/"
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def stop(self) -> None:
        self.shutdown()
        self.server_close()


@pytest.fixture
def new_server(request, browser):
    """Starts servers of their own for a test: a new origin, which no service
    worker controls yet. The browser leaves them before they stop."""
    started = []
    yield lambda: started.append(Server(os.path.abspath(request.config.getoption("--site")))) or started[-1]
    browser.get("about:blank")
    for server in started:
        server.stop()


@pytest.fixture(scope="module")
def server(request):
    server = Server(os.path.abspath(request.config.getoption("--site")))
    yield server
    server.stop()


@pytest.fixture(scope="module")
def browser(request, server, tmp_path_factory):
    """Headless Chromium as on a closed machine: a fresh profile, nothing fetched
    in the background. Once all is typed, the page must have logged no error and
    asked for nothing but the site's files."""
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which(request.config.getoption("--chromium"))
    for flag in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--no-first-run", "--window-size=640,860", f"--user-data-dir={tmp_path_factory.mktemp('profile')}"]:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    options.page_load_strategy = "none"  # keys can be typed before the page has loaded: Page waits otherwise
    # The driver named, so that selenium does not look for one on the network.
    driver = webdriver.Chrome(service=Service(shutil.which(request.config.getoption("--chromedriver"))),
                              options=options)
    yield driver
    try:
        events = [json.loads(entry["message"])["message"] for entry in driver.get_log("performance")]
        requested = [event["params"]["request"]["url"] for event in events
                     if event["method"] == "Network.requestWillBeSent"]
        site_path = urlsplit(server.address).path
        problems = {
            "errors the page logged": [entry["message"] for entry in driver.get_log("browser")
                                       if entry["level"] == "SEVERE"],
            # Chromium's own pages (chrome://) and data: addresses go over no network.
            "requests elsewhere than the local servers": [
                url for url in requested if urlsplit(url).scheme not in ("chrome", "data")
                and urlsplit(url).hostname != "127.0.0.1"],
            "requests outside the site's folder": [path for path in Server.asked if not path.startswith(site_path)],
        }
        assert not any(problems.values()), problems
    finally:
        driver.quit()


# time_answers(lines, until): enters the lines as Enter does, all at once, and
# gives the milliseconds until the program has read them all, the transcript
# ends with `until` and is laid out.
TIME_ANSWERS = """
var lines = arguments[0], until = arguments[1], done = arguments[arguments.length - 1];
var transcript = document.getElementById('transcript'), read = 0;
function last() {
  for (var node = transcript; node.lastChild; node = node.lastChild) {}
  return node.nodeType == Node.TEXT_NODE ? node.data : '';
}
var observer = new MutationObserver(function(changes) {
  changes.forEach(function(change) {
    change.addedNodes.forEach(function(node) { if (node.className == 'typed') read++; });
  });
  if (read < lines.length || !last().endsWith(until)) return;
  observer.disconnect();
  void transcript.scrollHeight;
  done(performance.now() - start);
});
observer.observe(transcript, {childList: true, subtree: true, characterData: true});
var start = performance.now();
lines.forEach(function(line) {
  document.getElementById('input').value = line;
  document.getElementById('line').requestSubmit();
});
"""


class Page:
    """The page as a person sees it: the transcript, the note, the input line.
    Unless told not to wait, it waits for the page to have loaded."""

    def __init__(self, driver, address: str, wait: bool = True) -> None:
        self.driver = driver
        driver.execute_script("window.left = true")  # on the page before, if any
        driver.get(address)
        self.input = WebDriverWait(driver, 10).until(
            lambda d: d.execute_script("return !window.left && document.getElementById('input')"))
        if wait:
            WebDriverWait(driver, 10).until(lambda d: d.execute_script("return document.readyState") == "complete")
        self.seen = 0  # how much of the transcript the checks have gone past

    def transcript(self) -> str:
        return self.driver.execute_script("return document.getElementById('transcript').textContent")

    def note(self):
        return self.driver.execute_script(
            "var note = document.getElementById('note'); return note.hidden ? null : note.textContent")

    def shows(self, text: str, seconds: float = 10) -> None:
        """Waits for `text` in the transcript after what earlier checks saw."""
        def found(_):
            at = self.transcript().find(text, self.seen)
            return at + len(text) if at >= 0 else False
        try:
            self.seen = WebDriverWait(self.driver, seconds).until(found)
        except Exception:
            pytest.fail(f"the transcript does not show {text!r} after {self.transcript()[self.seen:]!r}")

    def tells(self, note: str) -> None:
        try:
            WebDriverWait(self.driver, 10).until(lambda _: (self.note() or "").startswith(note))
        except Exception:
            pytest.fail(f"the note says {self.note()!r}, not {note!r}")

    def type(self, keys) -> None:
        """Types the keys, or a tuple of keys and pastes in turn."""
        for part in keys if isinstance(keys, tuple) else (keys,):
            if isinstance(part, Paste):
                self.driver.execute_cdp_cmd("Browser.grantPermissions", {
                    "origin": self.driver.execute_script("return location.origin"),
                    "permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
                self.driver.execute_async_script("navigator.clipboard.writeText(arguments[0]).then(arguments[1])",
                                                 str(part))
                self.input.send_keys(Keys.CONTROL + "v")
            else:
                self.input.send_keys(part)

    def time_answers(self, lines: list, until: str = PROMPT) -> float:
        return self.driver.execute_async_script(TIME_ANSWERS, lines, until)

    def end_in_view(self) -> bool:
        return self.driver.execute_script("""
            var transcript = document.getElementById('transcript');
            return transcript.scrollTop + transcript.clientHeight >= transcript.scrollHeight - 2""")


@pytest.fixture(scope="module")
def page(browser, server):
    return Page(browser, server.address + "index.html")


@pytest.mark.parametrize("keys, texts, note, left", SESSION.values(), ids=SESSION.keys())
def test_session(page, request, tmp_path, keys, texts, note, left):
    before = page.transcript()
    if "offline" in request.node.callspec.id:
        page.driver.set_network_conditions(offline=True, latency=0, download_throughput=0, upload_throughput=0)
    page.type(keys)
    for text in texts:
        page.shows(text)
    if note:
        page.tells(note)
    else:
        assert page.note() is None
    assert page.input.get_attribute("value") == left
    if not texts:  # refused: nothing reached the program
        assert page.transcript() == before
    if "item 9" in request.node.callspec.id:
        screenshot = request.config.getoption("--screenshot") or str(tmp_path / "page.png")
        page.driver.save_screenshot(screenshot)
        assert os.path.getsize(screenshot) <= 100 << 10, "the README's screenshot stays within 100 KB"


def on_a_phone(driver, width: int, height: int) -> None:
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": height, "deviceScaleFactor": 3, "mobile": True})
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})


def test_on_a_phone(browser, server):
    browser.set_network_conditions(offline=False, latency=0, download_throughput=0, upload_throughput=0)
    on_a_phone(browser, 360, 740)
    phone = Page(browser, server.address + "index.html")
    phone.shows(MENU_END)
    layout = browser.execute_script("""
        var input = document.getElementById('input').getBoundingClientRect();
        var send = document.querySelector('button[type=submit]').getBoundingClientRect();
        return {wider: document.documentElement.scrollWidth > innerWidth,
                inputShown: input.top >= 0 && input.bottom <= innerHeight,
                sendShown: send.bottom <= innerHeight && send.right <= innerWidth,
                inputFont: parseFloat(getComputedStyle(document.getElementById('input')).fontSize)}""")
    # 16 px and more: a phone does not zoom in when the input line takes the focus.
    assert layout == {"wider": False, "inputShown": True, "sendShown": True, "inputFont": 16}
    phone.input.click()
    phone.input.send_keys("8")
    browser.find_element(By.CSS_SELECTOR, "button[type=submit]").click()
    phone.shows("8\nВывод строки: \nСтрока инициализирована\n")


# The viewport of a phone of 360 × 740 px changes once the transcript holds
# more than it can show: its end, the prompt, stays in view.
VIEWPORTS = {
    "an on-screen keyboard takes 340 px": (360, 400),
    "the phone is turned": (740, 360),
}


@pytest.mark.parametrize("width, height", VIEWPORTS.values(), ids=VIEWPORTS.keys())
def test_the_end_stays_in_view(browser, server, width, height):
    on_a_phone(browser, 360, 740)
    try:
        page = Page(browser, server.address + "index.html")
        page.shows(MENU_END)
        page.time_answers(["8"] * 4)
        WebDriverWait(browser, 5).until(lambda _: page.end_in_view())
        on_a_phone(browser, width, height)
        try:
            WebDriverWait(browser, 5).until(lambda _: page.end_in_view())
        except Exception:
            pytest.fail("the transcript's end is out of view")
    finally:
        browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


# Files that come late or not at all: the trouble, the keys typed as soon as the
# input line is there (once the page's script has come, unless that is the
# trouble), the note that the trouble brings, the keys typed once the trouble
# has ended, the whole transcript in the end, and what the input line holds.
LOADING = {
    # The form is disabled until the script has come: an Enter is no navigation.
    "an Enter before the page's script has come keeps the line": (
        {"page.js": 2.0}, "8\n", None, "", FIRST_SCREEN, "8"),
    "a line entered while the program loads is sent once it has": (
        {"fraction-calc.wasm": 2.0}, "8\n", "Загрузка программы… Строк ждёт отправки: 1.", "",
        f"{FIRST_SCREEN}8\n{STORED}{FIRST_SCREEN}", ""),
    "a program that cannot be fetched: a Russian message, and Enter tries again with the line entered": (
        {"fraction-calc.wasm": 404}, "8\n", "Программа не загрузилась (fraction-calc.wasm: 404). Проверьте подключение к сети", "\n",
        f"{FIRST_SCREEN}8\n{STORED}{FIRST_SCREEN}", ""),
}


@pytest.mark.parametrize("trouble, keys, note, then, shown, left", LOADING.values(), ids=LOADING.keys())
def test_while_loading(browser, new_server, trouble, keys, note, then, shown, left):
    server = new_server()
    server.trouble = dict(trouble)
    page = Page(browser, server.address + "index.html", wait=False)
    if "page.js" not in trouble:
        WebDriverWait(browser, 10).until(
            lambda _: browser.execute_script("return !document.querySelector('button[type=submit]').disabled"))
    page.type(keys)
    if note:
        page.tells(note)
    server.trouble.clear()
    page.type(then)
    page.shows(shown)
    assert (page.transcript(), page.note(), page.input.get_attribute("value"), browser.current_url) == (
        shown, None, left, server.address + "index.html")
    if 404 in trouble.values():  # the one error the page logs, which the browser fixture would report
        errors = [entry["message"] for entry in browser.get_log("browser") if entry["level"] == "SEVERE"]
        assert all("404" in error for error in errors), errors


def test_an_answer_costs_the_same_after_many_passes(browser, server):
    """Ten answers at a time, at first and after 2,000 passes: each layout is of
    what is new, not of the whole transcript."""
    page = Page(browser, server.address + "index.html")
    page.shows(MENU_END)
    page.time_answers(["8"] * 10)  # the page's script compiled for the work
    first = statistics.median(page.time_answers(["8"] * 10) for _ in range(7))
    page.time_answers(["8"] * 2000)
    later = statistics.median(page.time_answers(["8"] * 10) for _ in range(7))
    assert later / first < 3, f"10 answers took {first:.1f} ms at first, {later:.1f} ms after 2,000 passes"


def test_a_long_line_costs_time_in_proportion_to_its_length(browser, server):
    """A line of 300,000 letters with no space, through items 7 and 8, against
    one of 30,000: linear costs 10 times as much, the square 100 times."""
    page = Page(browser, server.address + "index.html")
    page.shows(MENU_END)
    page.time_answers(["7", "ж" * 30_000, "8"])  # the page's script compiled for the work
    cost = {letters: min(page.time_answers(["7", "ж" * letters, "8"]) for _ in range(3))
            for letters in (30_000, 300_000)}
    assert cost[300_000] / cost[30_000] < 25, cost


def test_a_visit_with_the_server_stopped(browser, new_server):
    """Once visited, the page loads and runs from what the service worker keeps."""
    server = new_server()
    page = Page(browser, server.address + "index.html")
    page.shows(MENU_END)
    WebDriverWait(browser, 10).until(lambda _: browser.execute_script("return !!navigator.serviceWorker.controller"))
    server.stop()
    page = Page(browser, server.address + "index.html")
    page.shows(FIRST_SCREEN)
    page.input.send_keys("8\n")
    page.shows(f"8\n{STORED}{FIRST_SCREEN}")
    assert page.note() is None
