"""One driver layer over the three browser engines the page is tested in, all
from Debian's packages: Chromium (chromedriver) and WebKitGTK (WebKitWebDriver,
its MiniBrowser on an Xvfb display started here) through Selenium, and Firefox
ESR through WebDriver BiDi, which it speaks itself over a websocket (Debian has
no geckodriver). Each engine gives the same few operations; what one cannot
give (its console, the requests it made, forced colours) it answers with None
or False, and the test that needs it says so in its skip reason.

    browser = start("firefox", profile_folder)
    browser.open(address); browser.script("return document.title")"""
import base64
import json
import os
import re
import shutil
import socket
import subprocess
import threading
import time

from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

ENGINES = ("chromium", "firefox", "webkit")
MODIFIERS = {Keys.SHIFT, Keys.CONTROL, Keys.ALT, Keys.META}


class Browser:
    """What every engine does. `script` runs a function body with `arguments`,
    as WebDriver's Execute Script does; `script_async` also passes a callback
    last, whose argument is the result. `keys` types at the focused element as
    Element Send Keys does: a modifier stays down until Keys.NULL or the end."""
    name = version = ""

    def open(self, address: str) -> None: ...
    def script(self, body: str, *args): ...
    def script_async(self, body: str, *args): ...
    def keys(self, keys: str) -> None: ...
    def screenshot(self, path: str) -> None: ...

    def errors(self):
        """The errors logged since the last call, or None if the engine does not tell."""
        return None

    def requests(self):
        """The addresses requested since the last call, or None if the engine does not tell."""
        return None

    def forced_colors(self, active: bool) -> bool:
        """Emulates forced colours (a high-contrast theme); False if the engine cannot."""
        return False

    def quit(self) -> None: ...


class Selenium(Browser):
    def __init__(self, name: str, driver) -> None:
        self.name, self.driver = name, driver
        driver.set_script_timeout(600)  # a long paste in WebKit takes most of a minute
        self.version = driver.capabilities.get("browserVersion", "")

    def open(self, address):
        self.driver.get(address)

    def script(self, body, *args):
        return self.driver.execute_script(body, *args)

    def script_async(self, body, *args):
        return self.driver.execute_async_script(body, *args)

    def keys(self, keys):
        # Key actions, as for Firefox: Element Send Keys would have WebKitWebDriver
        # click the element first, wherever it has moved to since.
        actions = ActionChains(self.driver)
        for kind, key in key_actions(keys):
            actions.key_down(key) if kind == "keyDown" else actions.key_up(key)
        if keys:
            actions.perform()

    def screenshot(self, path):
        self.driver.save_screenshot(path)

    def quit(self):
        self.driver.quit()


class Chromium(Selenium):
    """Headless, as on a closed machine: a fresh profile, nothing fetched in the background."""

    def __init__(self, profile: str) -> None:
        from selenium.webdriver.chrome.service import Service
        options = webdriver.ChromeOptions()
        options.binary_location = shutil.which("chromium")
        for flag in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--no-first-run", "--window-size=640,860", f"--user-data-dir={profile}"]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
        options.page_load_strategy = "none"  # keys can be typed before the page has loaded
        # The driver named, so that selenium does not look for one on the network.
        super().__init__("chromium", webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options))

    def errors(self):
        return [entry["message"] for entry in self.driver.get_log("browser") if entry["level"] == "SEVERE"]

    def requests(self):
        events = [json.loads(entry["message"])["message"] for entry in self.driver.get_log("performance")]
        return [event["params"]["request"]["url"] for event in events
                if event["method"] == "Network.requestWillBeSent"]

    def forced_colors(self, active):
        self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {
            "features": [{"name": "forced-colors", "value": "active" if active else "none"}]})
        return True


class WebKit(Selenium):
    """WebKitGTK's MiniBrowser, driven by WebKitWebDriver, in a window on an
    Xvfb display of its own. WebKitWebDriver keeps no console log."""

    def __init__(self, profile: str) -> None:
        from selenium.webdriver.webkitgtk.options import Options
        self.xvfb = start_xvfb(os.path.join(profile, "xvfb.log"))
        options = Options()
        options.binary_location = next(
            path for path in ("/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser",
                              "/usr/lib/x86_64-linux-gnu/webkitgtk-6.0/MiniBrowser",
                              "/usr/lib/aarch64-linux-gnu/webkit2gtk-4.1/MiniBrowser") if os.path.exists(path))
        options.add_argument("--automation")
        options.page_load_strategy = "none"
        try:  # selenium 4.10 and later (Debian 13); Debian 12 has 4.8, which takes the path itself
            from selenium.webdriver.webkitgtk.service import Service
            driver = webdriver.WebKitGTK(options=options, service=Service(executable_path=shutil.which("WebKitWebDriver")))
        except TypeError:
            driver = webdriver.WebKitGTK(options=options, executable_path=shutil.which("WebKitWebDriver"))
        driver.set_window_size(640, 900)
        super().__init__("webkit", driver)

    def quit(self):
        try:
            super().quit()
        finally:
            self.xvfb.terminate()
            self.xvfb.wait()


class Firefox(Browser):
    """Firefox ESR, headless, over WebDriver BiDi: commands and events are JSON
    messages on one websocket; a command's answer has its id."""

    # A closed machine: nothing fetched in the background, no first-run pages.
    PREFERENCES = {
        "app.update.disabledForTesting": True, "browser.shell.checkDefaultBrowser": False,
        "datareporting.policy.dataSubmissionEnabled": False, "toolkit.telemetry.reportingpolicy.firstRun": False,
        "network.captive-portal-service.enabled": False, "network.connectivity-service.enabled": False,
        "browser.safebrowsing.update.enabled": False, "extensions.update.enabled": False,
        "messaging-system.rsexperimentloader.enabled": False, "app.normandy.enabled": False,
    }

    def __init__(self, profile: str) -> None:
        import websocket
        with open(os.path.join(profile, "user.js"), "w") as prefs:
            prefs.writelines(f"user_pref({json.dumps(k)}, {json.dumps(v)});\n" for k, v in self.PREFERENCES.items())
        with socket.socket() as probe:  # a free port
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        self.process = subprocess.Popen(
            [shutil.which("firefox-esr") or shutil.which("firefox"), "--headless", "--no-remote", "--profile", profile,
             "--remote-debugging-port", str(port), "--width", "640", "--height", "860", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        for line in self.process.stderr:
            if re.search(r"WebDriver BiDi listening on ws://", line):
                break
        else:
            raise RuntimeError("Firefox did not start WebDriver BiDi")
        threading.Thread(target=self.process.stderr.read, daemon=True).start()  # the rest of its talk, unread
        # Firefox refuses a websocket whose handshake names an origin.
        self.socket = websocket.create_connection(f"ws://127.0.0.1:{port}/session", suppress_origin=True,
                                                  timeout=600)  # a browser that hangs fails the test
        self.last_id = 0
        self.events = {"log.entryAdded": [], "network.beforeRequestSent": []}
        session = self.command("session.new", capabilities={"alwaysMatch": {"unhandledPromptBehavior": "ignore"}})
        self.name, self.version = "firefox", session["capabilities"]["browserVersion"]
        self.context = self.command("browsingContext.getTree")["contexts"][0]["context"]
        self.command("session.subscribe", events=list(self.events))

    def command(self, method: str, **params):
        self.last_id += 1
        self.socket.send(json.dumps({"id": self.last_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("type") == "event":
                self.events.setdefault(message["method"], []).append(message["params"])
            elif message.get("id") == self.last_id:
                if message["type"] == "error":
                    raise RuntimeError(f"{method}: {message['error']}: {message['message']}")
                return message["result"]

    def call(self, function: str, args, wait: bool):
        result = self.command("script.callFunction", functionDeclaration=function, awaitPromise=wait,
                              arguments=[local(arg) for arg in args], target={"context": self.context})
        if result["type"] == "exception":
            raise RuntimeError(result["exceptionDetails"]["text"])
        return remote(result["result"])

    def open(self, address):
        self.command("browsingContext.navigate", context=self.context, url=address, wait="none")

    def script(self, body, *args):
        return self.call(f"function() {{ {body}\n}}", args, False)

    def script_async(self, body, *args):
        return self.call("function() { var args = Array.prototype.slice.call(arguments);"
                         " return new Promise(function(resolve) { args.push(resolve);"
                         f" (function() {{ {body}\n}}).apply(null, args); }}); }}", args, True)

    def keys(self, keys):
        actions = [{"type": kind, "value": key} for kind, key in key_actions(keys)]
        self.command("input.performActions", context=self.context,
                     actions=[{"type": "key", "id": "keyboard", "actions": actions}])

    def screenshot(self, path):
        data = self.command("browsingContext.captureScreenshot", context=self.context)["data"]
        with open(path, "wb") as file:
            file.write(base64.b64decode(data))

    def errors(self):
        entries, self.events["log.entryAdded"] = self.events["log.entryAdded"], []
        return [entry["text"] for entry in entries if entry["level"] == "error"]

    def requests(self):
        sent, self.events["network.beforeRequestSent"] = self.events["network.beforeRequestSent"], []
        return [event["request"]["url"] for event in sent]

    def quit(self):
        try:
            self.command("session.end")
        except Exception:  # the browser may already be gone; it is stopped below either way
            pass
        self.socket.close()
        self.process.terminate()
        self.process.wait()


def key_actions(keys: str):
    """The key presses that type `keys` as Element Send Keys does: a line feed
    is Enter, and a modifier stays down until Keys.NULL or the end."""
    down = []
    for key in keys:
        if key == Keys.NULL:
            yield from (("keyUp", held) for held in reversed(down))
            down = []
            continue
        key = Keys.ENTER if key == "\n" else key
        yield "keyDown", key
        if key in MODIFIERS:
            down.append(key)
        else:
            yield "keyUp", key
    yield from (("keyUp", held) for held in reversed(down))


def local(value):
    """A Python value as a BiDi local value."""
    if value is None:
        return {"type": "null"}
    if isinstance(value, bool):
        return {"type": "boolean", "value": value}
    if isinstance(value, (int, float)):
        return {"type": "number", "value": value}
    if isinstance(value, str):
        return {"type": "string", "value": value}
    if isinstance(value, (list, tuple)):
        return {"type": "array", "value": [local(item) for item in value]}
    return {"type": "object", "value": [[key, local(item)] for key, item in value.items()]}


def remote(value):
    """A BiDi remote value as a Python value."""
    kind = value["type"]
    if kind in ("undefined", "null"):
        return None
    if kind == "array":
        return [remote(item) for item in value["value"]]
    if kind == "object":
        return {key if isinstance(key, str) else remote(key): remote(item) for key, item in value["value"]}
    return value.get("value")


def start_xvfb(log: str):
    """An Xvfb server on the first display no other one holds, set as DISPLAY
    once its socket is there. (Xvfb's own -displayfd names a display it has not
    made a socket for when the first one it tries is taken.)"""
    for number in range(10, 100):
        if os.path.exists(f"/tmp/.X{number}-lock"):
            continue
        xvfb = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                stderr=open(log, "a"))
        for _ in range(100):
            if xvfb.poll() is not None or os.path.exists(f"/tmp/.X11-unix/X{number}"):
                break
            time.sleep(0.05)
        if xvfb.poll() is None and os.path.exists(f"/tmp/.X11-unix/X{number}"):
            os.environ["DISPLAY"] = f":{number}"
            return xvfb
        xvfb.kill()
        xvfb.wait()
    raise RuntimeError(f"no display for Xvfb: see {log}")


def start(engine: str, profile: str) -> Browser:
    return {"chromium": Chromium, "firefox": Firefox, "webkit": WebKit}[engine](profile)
