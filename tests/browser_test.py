"""The web page in Chromium, Firefox ESR and WebKitGTK (browsers.py drives
each), typed at as a person would: the session below, then pages whose files
come late or not at all, the cost of an answer and of a long line, long pastes,
the page on a phone and zoomed in, and visits without the server. The page is
served from 127.0.0.1 by servers started here, from the folder above the
site's, so that a request outside the site shows; so does any request to
another host, and any error the page logs, where the engine tells them."""
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
from selenium.common.exceptions import WebDriverException
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

import browsers

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
    """Text pasted into the input line: a paste event with the text on its
    clipboard, which the page handles itself in every engine."""


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
    "a paste with a line that has no bytes sends none of its lines, and keeps that line to mend": (
        (CLEAR, Paste("8\n½\n8\n")), [], refused("½") + " Исправьте её и нажмите Enter", "½"),
    "the mended line is sent with the paste's other lines": (
        Keys.BACKSPACE + "8\n", ["8\nВывод строки: \nпривет\n"] * 3, None, ""),
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


# Rows an engine's driver cannot type, and why.
CANNOT_TYPE = {
    ("webkit", "a letter typed as a letter and a combining mark is sent as the letter (NFC)"):
        "WebKitWebDriver types no combining mark on its own; pastes, composed the same way, run in every engine",
}


class Server(http.server.ThreadingHTTPServer):
    """Serves the folder above the site's on 127.0.0.1, and records every path
    asked for, of every server, in `asked`. `trouble` makes a file of the site
    come late (seconds) or not at all (an HTTP status); `down` drops every
    request unanswered, as a lost network does. /frame.html?W×H is a page
    that holds the site in a frame of that many CSS pixels: a phone's screen,
    or a window zoomed in, the same in every engine."""
    asked = []

    def __init__(self, site: str) -> None:
        self.trouble = {}
        self.down = False
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def do_GET(self) -> None:
                if server.down:
                    self.close_connection = True
                    return
                path = urlsplit(self.path)
                if path.path == "/frame.html":
                    width, height = path.query.split("x")
                    self.answer(f'<!DOCTYPE html><title>frame</title><link rel="icon" href="data:,"><body style="margin:0">'
                                f'<iframe src="{os.path.basename(site)}/index.html" width="{width}" '
                                f'height="{height}" style="border:0;display:block"></iframe>'.encode())
                    return
                trouble = server.trouble.get(os.path.basename(path.path))
                if isinstance(trouble, float):
                    time.sleep(trouble)
                elif trouble:
                    self.send_error(trouble)
                    return
                super().do_GET()

            def answer(self, body: bytes) -> None:
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args) -> None:
                Server.asked.append(self.path)

        super().__init__(("127.0.0.1", 0), functools.partial(Handler, directory=os.path.dirname(site)))
        self.address = f"http://127.0.0.1:{self.server_port}/{os.path.basename(site)}/"
        self.origin = f"http://127.0.0.1:{self.server_port}/"
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def stop(self) -> None:
        self.shutdown()
        self.server_close()


def pytest_generate_tests(metafunc):
    if "engine" in metafunc.fixturenames:
        metafunc.parametrize("engine", metafunc.config.getoption("--engines"), scope="module")


@pytest.fixture
def new_server(request, browser):
    """Starts servers of their own for a test: a new origin, which no service
    worker controls yet. The browser leaves them before they stop."""
    started = []
    yield lambda: started.append(Server(os.path.abspath(request.config.getoption("--site")))) or started[-1]
    browser.open("about:blank")
    for server in started:
        server.stop()


@pytest.fixture(scope="module")
def server(request):
    server = Server(os.path.abspath(request.config.getoption("--site")))
    yield server
    server.stop()


@pytest.fixture(scope="module")
def browser(engine, server, tmp_path_factory):
    """The engine as on a closed machine: a fresh profile, nothing fetched in
    the background. Once all is typed, the page must have logged no error and
    asked for nothing but the site's files."""
    Server.asked.clear()
    browser = browsers.start(engine, str(tmp_path_factory.mktemp("profile")))
    print(f"{engine}: {browser.version}")
    yield browser
    try:
        requested = browser.requests() or []
        site_path = urlsplit(server.address).path
        problems = {
            "errors the page logged": browser.errors() or [],
            # The browsers' own pages and data: addresses go over no network.
            "requests elsewhere than the local servers": [
                url for url in requested if urlsplit(url).scheme not in ("chrome", "data", "about")
                and urlsplit(url).hostname != "127.0.0.1"],
            "requests outside the site's folder": [path for path in Server.asked
                                                   if not path.startswith((site_path, "/frame.html"))],
        }
        assert not any(problems.values()), problems
    finally:
        browser.quit()


# time_answers(lines, until): pastes the lines, each with its line break (a line
# longer than WebKit's input line holds arrives whole so), and gives the milliseconds until the program has read them all, the transcript
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
var paste = new ClipboardEvent('paste', {clipboardData: new DataTransfer(), bubbles: true, cancelable: true});
paste.clipboardData.setData('text/plain', lines.join('\\n') + '\\n');
var start = performance.now();
document.getElementById('input').dispatchEvent(paste);
"""

# paste(text): a paste into the input line, as the browser sends one.
PASTE = """
var input = document.getElementById('input');
var paste = new ClipboardEvent('paste', {clipboardData: new DataTransfer(), bubbles: true, cancelable: true});
paste.clipboardData.setData('text/plain', arguments[0]);  // Firefox copies the data given to the constructor empty
input.focus();
input.dispatchEvent(paste);
"""


class Page:
    """The page as a person sees it: the transcript, the notes, the input line;
    in the top window, or in the frame of /frame.html. Unless told not to wait,
    it waits for the page to have loaded."""

    def __init__(self, browser, address: str, wait: bool = True, framed: bool = False) -> None:
        self.browser = browser
        self.doc = "(document.querySelector('iframe') || {}).contentDocument" if framed else "document"
        browser.script("window.left = true")  # on the page before, if any
        browser.open(address)
        self.wait(lambda: self.js("return !window.left && !!doc && !!doc.getElementById('input')"))
        if wait:
            self.wait(lambda: self.js("return doc.readyState == 'complete'"))
        self.seen = 0  # how much of the transcript the checks have gone past

    def js(self, body: str, *args):
        """Runs a script body with `doc`, the page's document."""
        return self.browser.script(f"var doc = {self.doc}; {body}", *args)

    def wait(self, until, seconds: float = 10, failure: str = "the page did not load"):
        try:
            # A script may fail while the page is being replaced: it is tried again.
            return WebDriverWait(self.browser, seconds, poll_frequency=0.05,
                                 ignored_exceptions=(WebDriverException, RuntimeError)).until(lambda _: until())
        except Exception:
            pytest.fail(failure() if callable(failure) else failure)

    def transcript(self) -> str:
        return self.js("return doc.getElementById('transcript').textContent")

    def note(self, which: str = "note"):
        return self.js("var note = doc.getElementById(arguments[0]); return note.hidden ? null : note.textContent",
                       which)

    def value(self) -> str:
        return self.js("return doc.getElementById('input').value")

    def shows(self, text: str, seconds: float = 10) -> None:
        """Waits for `text` in the transcript after what earlier checks saw."""
        def found():
            at = self.transcript().find(text, self.seen)
            return at + len(text) if at >= 0 else False
        self.seen = self.wait(found, seconds,
                              lambda: f"the transcript does not show {text[:300]!r} after {self.transcript()[self.seen:][:400]!r}")

    def tells(self, note: str, which: str = "note") -> None:
        self.wait(lambda: (self.note(which) or "").startswith(note), 10,
                  lambda: f"the note says {self.note(which)!r}, not {note!r}")

    def type(self, keys) -> None:
        """Types the keys, or a tuple of keys and pastes in turn, in the input line."""
        self.js("if (doc.activeElement != doc.getElementById('input')) doc.getElementById('input').focus()")
        for part in keys if isinstance(keys, tuple) else (keys,):
            if isinstance(part, Paste):
                self.browser.script(PASTE, str(part))
            else:
                self.browser.keys(part)

    def time_answers(self, lines: list, until: str = PROMPT) -> float:
        return self.browser.script_async(TIME_ANSWERS, lines, until)

    def end_in_view(self) -> bool:
        return self.js("""
            var transcript = doc.getElementById('transcript');
            return transcript.scrollTop + transcript.clientHeight >= transcript.scrollHeight - 2""")


@pytest.fixture(scope="module")
def page(browser, server):
    return Page(browser, server.address + "index.html")


@pytest.mark.parametrize("keys, texts, note, left", SESSION.values(), ids=SESSION.keys())
def test_session(page, server, request, tmp_path, keys, texts, note, left):
    reason = CANNOT_TYPE.get((page.browser.name, request.node.callspec.id.split("-", 1)[1]))
    if reason:
        pytest.skip(reason)
    before = page.transcript()
    server.down = "offline" in request.node.callspec.id
    try:
        page.type(keys)
        for text in texts:
            page.shows(text)
    finally:
        server.down = False
    if note:
        page.tells(note)
    else:
        assert page.note() is None
    assert page.value() == left
    if not texts:  # refused: nothing reached the program
        assert page.transcript() == before
    if "item 9" in request.node.callspec.id and page.browser.name == "chromium":
        screenshot = request.config.getoption("--screenshot") or str(tmp_path / "page.png")
        page.browser.screenshot(screenshot)
        assert os.path.getsize(screenshot) <= 100 << 10, "the README's screenshot stays within 100 KB"


# A phone of 360 × 740 CSS pixels, and a window of 1280 × 800 at 400% zoom
# (320 × 200): nothing wider than the screen, the transcript ten lines tall at
# least (the page scrolls instead), the input line and its button in view once
# scrolled to, in a font of 16 px (a phone does not zoom in on the input line
# when it takes the focus), and a click on the button sends the line.
SCREENS = {"a phone": "360x740", "zoomed in": "320x200"}


@pytest.mark.parametrize("size", SCREENS.values(), ids=SCREENS.keys())
def test_a_small_screen(browser, server, size):
    page = Page(browser, server.origin + "frame.html?" + size, framed=True)
    page.shows(MENU_END)
    layout = page.js("""
        var view = doc.defaultView, transcript = doc.getElementById('transcript');
        var lines = transcript.clientHeight / parseFloat(view.getComputedStyle(transcript).lineHeight);
        doc.querySelector('button[type=submit]').scrollIntoView();
        var input = doc.getElementById('input').getBoundingClientRect();
        var send = doc.querySelector('button[type=submit]').getBoundingClientRect();
        return {wider: doc.documentElement.scrollWidth > view.innerWidth, lines: lines >= 10,
                inputShown: input.top >= 0 && input.bottom <= view.innerHeight,
                sendShown: send.top >= 0 && send.bottom <= view.innerHeight && send.right <= view.innerWidth,
                inputFont: parseFloat(view.getComputedStyle(doc.getElementById('input')).fontSize)}""")
    assert layout == {"wider": False, "lines": True, "inputShown": True, "sendShown": True, "inputFont": 16}
    page.js("doc.getElementById('input').value = '8'; doc.querySelector('button[type=submit]').click()")
    page.shows("8\nВывод строки: \nСтрока инициализирована\n")


# The viewport of a phone of 360 × 740 px changes once the transcript holds
# more than it can show: its end, the prompt, stays in view.
VIEWPORTS = {
    "an on-screen keyboard takes 340 px": (360, 400),
    "the phone is turned": (740, 360),
}


@pytest.mark.parametrize("width, height", VIEWPORTS.values(), ids=VIEWPORTS.keys())
def test_the_end_stays_in_view(browser, server, width, height):
    page = Page(browser, server.origin + "frame.html?360x740", framed=True)
    page.shows(MENU_END)
    page.js("var input = doc.getElementById('input'); for (var i = 0; i < 4; i++) {"
            " input.value = '8'; doc.getElementById('line').requestSubmit(); }")
    page.shows(f"8\n{STORED}{FIRST_SCREEN}" * 4)
    page.wait(page.end_in_view, 5, "the transcript's end is out of view")
    browser.script("var frame = document.querySelector('iframe'); frame.width = arguments[0]; frame.height = arguments[1]",
                   width, height)
    page.wait(page.end_in_view, 5, "the transcript's end is out of view once the screen changed")


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
        page.wait(lambda: page.js("return !doc.querySelector('button[type=submit]').disabled"))
    page.type(keys)
    if note:
        page.tells(note)
    server.trouble.clear()
    page.type(then)
    page.shows(shown)
    assert (page.transcript(), page.note(), page.value(), browser.script("return location.href")) == (
        shown, None, left, server.address + "index.html")
    if 404 in trouble.values():  # the one error the page logs, which the browser fixture would report
        errors = browser.errors() or []
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
    """Lines of 30,000, 300,000 and 3,000,000 letters with no space, through
    items 7 and 8: at each step linear costs 10 times as much, the square 100."""
    page = Page(browser, server.address + "index.html")
    page.shows(MENU_END)
    page.time_answers(["7", "ж" * 30_000, "8"])  # the page's script compiled for the work
    before = None
    for letters in (30_000, 300_000, 3_000_000):
        cost = min(page.time_answers(["7", "ж" * letters, "8"]) for _ in range(3))
        assert not before or cost / before < 25, f"{letters:,} letters took {cost:.0f} ms, a tenth as many {before:.0f}"
        before = cost


# watch_tasks(): from now on, the longest time between two turns of a timer
# that asks for one every 5 ms, in window.longestWait (ms): what a click or a
# scroll would wait for, had it come at the worst moment.
WATCH_TASKS = """
window.longestWait = 0;
var last = performance.now();
(function turn() {
  var now = performance.now();
  window.longestWait = Math.max(window.longestWait, now - last);
  last = now;
  setTimeout(turn, 5);
})();
"""


# Long pastes: a script that makes the page's own code fail first (None: none),
# what is pasted, the transcript's end once the program has read it all (None:
# nothing reaches the program), the note then (None: none), the
# input line's length then (None: the whole of what was pasted), and the
# longest the page may leave a click waiting meanwhile (ms).
LONG_PASTES = {
    # The letters through items 7 and 8: the echo, and the line printed back.
    "a line of ten million letters is shown whole, with all that follows it": (
        None, "7\n" + "ж" * 10_000_000 + "\n8\n", f"Вывод строки: \n{'ж' * 10_000_000}\n{FIRST_SCREEN}", None, 0, None),
    # Every text node it makes: the output is shown plain, a long line in seconds.
    "a failure of the page's own code loses no output and says so": (
        "doc.createTextNode = null", "7\n" + "ж" * 3_000_000 + "\n8\n",
        f"Вывод строки: \n{'ж' * 3_000_000}\n{FIRST_SCREEN}", "Сбой страницы (", 0, None),
    # More than WebKit's input line holds (524,288): whole in it, or refused whole.
    "a one-line paste longer than the input line holds is never cut": (
        None, "ж" * 600_000, None, "Вставка не принята: в строке ввода помещается", None, None),
    "ten thousand lines are worked through with the page answering": (
        None, "8\n" * 10_000 + "7\nконец\n8\n", f"8\nВывод строки: \nконец\n{FIRST_SCREEN}", None, 0, 250),
}


@pytest.mark.parametrize("failing, text, end, note, left, wait", LONG_PASTES.values(), ids=LONG_PASTES.keys())
def test_a_long_paste(browser, server, failing, text, end, note, left, wait):
    page = Page(browser, server.address + "index.html")
    page.shows(MENU_END)
    browser.script(WATCH_TASKS)
    if failing:
        page.js(failing)
    page.type(Paste(text))
    if end:
        page.wait(lambda: page.js("return doc.getElementById('transcript').textContent.endsWith(arguments[0])", end),
                  120, lambda: f"the transcript ends {page.transcript()[-200:]!r}")
    if note and page.note():  # refused whole, as in WebKit; the page failed
        page.tells(note)
        assert page.value() == ""
        if failing:
            browser.errors()  # the failure, which the browser fixture would report
    else:
        assert page.note() is None
        assert len(page.value()) == (len(text) if left is None else left)
    if wait:
        longest = browser.script("return window.longestWait")
        assert longest < wait, f"a click would have waited {longest:.0f} ms"


def test_forced_colours_keep_the_note_apart(browser, server):
    """A high-contrast theme drops the note's background: its border stays."""
    if not browser.forced_colors(True):
        pytest.skip(f"{browser.name}'s driver cannot emulate forced colours")
    try:
        page = Page(browser, server.address + "index.html")
        page.shows(MENU_END)
        page.type("½\n")
        border = page.js("var style = getComputedStyle(doc.getElementById('note'));"
                         " return [style.borderTopStyle, parseFloat(style.borderTopWidth)]")
        assert border == ["solid", 2]
    finally:
        browser.forced_colors(False)


# caches_filled(): whether the service worker's cache holds every file of the site.
CACHES_FILLED = """
var files = arguments[0], done = arguments[arguments.length - 1];
caches.keys().then(function(names) {
  var name = names.filter(function(name) { return name.startsWith('fraction-calc-'); })[0];
  return name ? caches.open(name).then(function(cache) { return cache.keys(); }) : [];
}).then(function(requests) { done(requests.length == files); }, function() { done(false); });
"""

# What is done between a visit and one with the server stopped.
STOPPED = {
    "kept as it was": "",
    # As a browser does when the site's data is cleared, or to make room.
    "after the browser cleared the site's cache": "caches.keys().then(function(names) {"
                                                  " return Promise.all(names.map(function(name) { return caches.delete(name); })); })"
                                                  ".then(arguments[arguments.length - 1])",
}


@pytest.mark.parametrize("between", STOPPED.values(), ids=STOPPED.keys())
def test_a_visit_with_the_server_stopped(browser, new_server, request, between):
    """Once visited, the page loads and runs from what the service worker keeps."""
    files = len(os.listdir(request.config.getoption("--site"))) - 1  # all but the worker itself
    server = new_server()
    page = Page(browser, server.address + "index.html")
    page.shows(MENU_END)
    page.wait(lambda: browser.script("return !!navigator.serviceWorker.controller"))
    page.wait(lambda: browser.script_async(CACHES_FILLED, files), 10, "the cache was never filled")
    if between:
        browser.script_async(between)
        page = Page(browser, server.address + "index.html")  # the worker fills the cache again
        page.shows(MENU_END)
        page.wait(lambda: browser.script_async(CACHES_FILLED, files), 10, "the cache was not filled again")
    server.down = True
    page = Page(browser, server.address + "index.html")
    page.shows(FIRST_SCREEN)
    page.type("8\n")
    page.shows(f"8\n{STORED}{FIRST_SCREEN}")
    assert (page.note(), page.note("offline")) == (None, None)


def test_the_page_says_when_it_cannot_be_kept_offline(browser, new_server):
    """A service worker whose install fails (here a file missing; a full quota
    does the same) leaves no offline copy: the page says so."""
    server = new_server()
    server.trouble = {"icon-512.png": 404}
    page = Page(browser, server.address + "index.html")
    page.shows(MENU_END)
    page.tells("Работа без сети недоступна", "offline")
    browser.errors()  # the 404, logged by the browser
