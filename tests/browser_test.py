"""The web page in headless Chromium, typed at as a person would: the session
below, then the page on a phone. The page is served from 127.0.0.1 by a server
started here, from the folder above the site's, so that a request outside the
site shows; so does any request to another host, and any error the page logs."""
import functools
import http.server
import json
import os
import shutil
import threading
from urllib.parse import urlsplit

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

PROMPT = "Введите номер(1-9): "
MENU_END = "\n9:Выход\n" + PROMPT
LINE = "Дробь — это «пополам»"
ENDED = "Программа завершена."

# One session, in order: the keys typed, what the transcript shows next, and
# the note under it (None: no note is shown).
SESSION = {
    "the first screen is the heading and the menu": ("", ["\nВводятся два рациональных числа\n", MENU_END], None),
    "two fractions and their sum": ("1\n1 2\n1\n1 3\n2\n", [f"{PROMPT}2\nСумма введенных чисел равна: \n5/6\n"],
                                    None),
    "a Cyrillic line comes back": (f"7\n{LINE}\n8\n", [f"Вывод строки: \n{LINE}\n", MENU_END], None),
    "Up recalls the line typed last": (Keys.UP + "\n", [f"8\nВывод строки: \n{LINE}\n"], None),
    "a character without a Windows-1251 byte is refused and not sent": (
        "1/2 = ½\n", [], "Строка не отправлена: символа «½» (U+00BD) нет в кодировке Windows-1251."),
    "item 9 ends the run and the page says so": (Keys.CONTROL + "a" + Keys.NULL + Keys.DELETE + "9\n",
                                                 [f"{PROMPT}9\n"], ENDED),
    "Enter starts a second run, offline": ("\n", ["\nВводятся два рациональных числа\n", MENU_END], None),
    "Ctrl-D on an empty line ends its input": (Keys.CONTROL + "d", ["\n"], ENDED),
}


class Server(http.server.ThreadingHTTPServer):
    """Serves the folder above the site's on 127.0.0.1, and records every path asked for."""

    def __init__(self, site: str) -> None:
        self.asked = []
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *args) -> None:
                server.asked.append(self.path)

        super().__init__(("127.0.0.1", 0), functools.partial(Handler, directory=os.path.dirname(site)))
        self.address = f"http://127.0.0.1:{self.server_port}/{os.path.basename(site)}/"


@pytest.fixture(scope="module")
def server(request):
    server = Server(os.path.abspath(request.config.getoption("--site")))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    yield server
    server.shutdown()


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
            "requests elsewhere than the local server": [
                url for url in requested if urlsplit(url).scheme not in ("chrome", "data")
                and not url.startswith(f"http://127.0.0.1:{server.server_port}/")],
            "requests outside the site's folder": [path for path in server.asked if not path.startswith(site_path)],
        }
        assert not any(problems.values()), problems
    finally:
        driver.quit()


class Page:
    """The page as a person sees it: the transcript, the note, the input line."""

    def __init__(self, driver, address: str) -> None:
        self.driver = driver
        driver.get(address)
        self.input = driver.find_element(By.ID, "input")
        self.seen = 0  # how much of the transcript the checks have gone past

    def transcript(self) -> str:
        return self.driver.execute_script("return document.getElementById('transcript').textContent")

    def note(self):
        return self.driver.execute_script(
            "var note = document.getElementById('note'); return note.hidden ? null : note.textContent")

    def shows(self, text: str) -> None:
        """Waits for `text` in the transcript after what earlier checks saw."""
        def found(_):
            at = self.transcript().find(text, self.seen)
            return at + len(text) if at >= 0 else False
        try:
            self.seen = WebDriverWait(self.driver, 10).until(found)
        except Exception:
            pytest.fail(f"the transcript does not show {text!r} after {self.transcript()[self.seen:]!r}")


@pytest.fixture(scope="module")
def page(browser, server):
    return Page(browser, server.address + "index.html")


@pytest.mark.parametrize("keys, texts, note", SESSION.values(), ids=SESSION.keys())
def test_session(page, request, tmp_path, keys, texts, note):
    before = page.transcript()
    if "offline" in request.node.callspec.id:
        page.driver.set_network_conditions(offline=True, latency=0, download_throughput=0, upload_throughput=0)
    page.input.send_keys(keys)
    for text in texts:
        page.shows(text)
    if note:
        WebDriverWait(page.driver, 10).until(lambda _: note in (page.note() or ""))
    else:
        assert page.note() is None
    if not texts:  # refused: the line stays to be mended, and nothing reached the program
        assert (page.transcript(), page.input.get_attribute("value")) == (before, keys.rstrip("\n"))
    if "item 9" in request.node.callspec.id:
        screenshot = request.config.getoption("--screenshot") or str(tmp_path / "page.png")
        page.driver.save_screenshot(screenshot)
        assert os.path.getsize(screenshot) <= 100 << 10, "the README's screenshot stays within 100 KB"


def test_on_a_phone(browser, server):
    browser.set_network_conditions(offline=False, latency=0, download_throughput=0, upload_throughput=0)
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                            {"width": 360, "height": 740, "deviceScaleFactor": 3, "mobile": True})
    browser.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})
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
