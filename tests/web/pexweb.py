"""Helpers for the browser tests: the browser build served on 127.0.0.1
(scripts/serve-web.py), Debian's Chromium without a display, driven through its
DevTools protocol (python3-websocket), real key and mouse events, screenshots
read as pixels (ImageMagick), and the page's console.

Every test gets its own browser profile in a temporary folder (a test that
starts a second browser on the same profile says so), and leaves nothing
running. Waits are on what the page shows or prints, with generous upper
bounds, never on fixed times. The game polls its keys once a frame, so a key
is held until its effect shows.
"""

import base64
import fnmatch
import importlib.util
import json
import os
import shutil
import subprocess
import tempfile
import time
import unittest
import urllib.request

import websocket

from pexe2e import Image, Pex, Xvfb, artifact_path

SOURCE_DIR = os.environ.get("PEX_SOURCE_DIR", os.getcwd())
WEB_APP_DIR = os.environ.get("PEX_WEB_APP_DIR", os.path.join(os.getcwd(), "build-web", "app"))
DEMO_DIR = os.path.join(SOURCE_DIR, "tests", "demos")
CHROMIUM = os.environ.get("PEX_CHROMIUM", "/usr/bin/chromium")
# The desktop's program, for what goes between it and the page: the tests
# build's application folder (tests/web/CMakeLists.txt names it).
NATIVE_APP_DIR = os.environ.get("PEX_NATIVE_APP_DIR",
                                os.path.join(SOURCE_DIR, "build-tests", "tests", "e2e", "app"))

# WebGL through SwiftShader without a GPU or a display, sound without a
# gesture, and nothing that reaches for the network.
CHROMIUM_FLAGS = [
    "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--autoplay-policy=no-user-gesture-required", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-quic",
    "--no-default-browser-check", "--mute-audio",
]

_spec = importlib.util.spec_from_file_location(
    "serve_web", os.path.join(SOURCE_DIR, "scripts", "serve-web.py"))
serve_web = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(serve_web)


def decode_png(data):
    """An Image from a PNG (ImageMagick converts it to raw pixels)."""
    ppm = subprocess.run(["convert", "png:-", "-depth", "8", "ppm:-"], input=data,
                         capture_output=True, check=True).stdout
    magic, size, top, pixels = ppm.split(b"\n", 3)
    width, height = map(int, size.split())
    assert magic == b"P6" and top == b"255", "unexpected picture from convert"
    return Image(width, height, pixels)


# Keys as the page receives them: DOM key name, code and key code (the
# windowing library reads the key code).
KEYS = {
    "Escape": ("Escape", "Escape", 27), "Enter": ("Enter", "Enter", 13),
    "Left": ("ArrowLeft", "ArrowLeft", 37), "Up": ("ArrowUp", "ArrowUp", 38),
    "Right": ("ArrowRight", "ArrowRight", 39), "Down": ("ArrowDown", "ArrowDown", 40),
    "F2": ("F2", "F2", 113), "F10": ("F10", "F10", 121), "F11": ("F11", "F11", 122),
}


class Browser:
    """Chromium on a profile folder, with one page driven over the protocol."""

    def __init__(self, profile):
        self.profile = profile
        self.proc = subprocess.Popen(
            [CHROMIUM] + CHROMIUM_FLAGS +
            ["--user-data-dir=" + profile, "--remote-debugging-port=0", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.next_id = 0
        self.events = []
        self.console = []
        self.rewrites = []  # (URL pattern, change of the body)
        self.paused = []    # responses held for a rewrite
        try:
            self.ws = websocket.create_connection(self.page_socket(), timeout=120,
                                                  suppress_origin=True)
            self.call("Page.enable")
            self.call("Runtime.enable")
            # The picture at one CSS pixel a game pixel: the canvas fills the view.
            self.view(640, 480)
        except BaseException:
            self.stop()
            raise

    def view(self, width, height):
        """Sizes the page's window."""
        self.call("Emulation.setDeviceMetricsOverride",
                  width=width, height=height, deviceScaleFactor=1, mobile=False)

    def page_socket(self, target=None):
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        deadline = time.time() + 60
        while time.time() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("chromium ended at start (code %d)" % self.proc.returncode)
            try:
                with open(port_file) as f:
                    port = int(f.readline())
                with urllib.request.urlopen("http://127.0.0.1:%d/json/list" % port, timeout=10) as r:
                    pages = [t for t in json.load(r) if t["type"] == "page" and
                             target in (None, t["id"])]
                if pages:
                    return pages[0]["webSocketDebuggerUrl"]
            except (OSError, ValueError):
                pass
            time.sleep(0.2)
        raise RuntimeError("chromium offered no page to drive")

    def stop(self):
        if getattr(self, "ws", None) is not None:
            try:
                self.call("Browser.close", timeout=10)
            except Exception:
                pass
            self.ws.close()
            self.ws = None
        if self.proc.poll() is None:
            try:
                self.proc.wait(30)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def kill(self):
        """Ends the browser at once, as a crash or a power cut would the page."""
        self.proc.kill()
        self.proc.wait()
        self.ws.close()
        self.ws = None

    # ---- the protocol ----
    def receive(self, timeout):
        self.ws.settimeout(timeout)
        message = json.loads(self.ws.recv())
        if message.get("method") == "Runtime.consoleAPICalled":
            params = message["params"]
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params["args"])
            self.console.append((params["type"], text))
        elif message.get("method") == "Fetch.requestPaused":
            self.paused.append(message["params"])
        elif "method" in message:
            self.events.append(message)
        return message

    def rewrite(self, pattern, change):
        """From now on, every response whose URL matches the pattern reaches the
        page with its body (bytes) changed by change(body)."""
        self.rewrites.append((pattern, change))
        self.call("Fetch.enable", patterns=[{"urlPattern": p, "requestStage": "Response"}
                                            for p, _ in self.rewrites])

    def release_paused(self):
        while self.paused:
            params = self.paused.pop(0)
            reply = self.call("Fetch.getResponseBody", requestId=params["requestId"])
            body = base64.b64decode(reply["body"]) if reply["base64Encoded"] \
                else reply["body"].encode()
            for pattern, change in self.rewrites:
                if fnmatch.fnmatch(params["request"]["url"], pattern):
                    body = change(body)
            self.call("Fetch.fulfillRequest", requestId=params["requestId"],
                      responseCode=params.get("responseStatusCode", 200),
                      responseHeaders=params.get("responseHeaders", []),
                      body=base64.b64encode(body).decode())

    def call(self, method, timeout=120, **params):
        self.next_id += 1
        ident = self.next_id
        self.ws.send(json.dumps({"id": ident, "method": method, "params": params}))
        deadline = time.time() + timeout
        while True:
            left = deadline - time.time()
            if left <= 0:
                raise AssertionError("no answer to %s" % method)
            message = self.receive(left)
            if message.get("id") == ident:
                if "error" in message:
                    raise AssertionError("%s failed: %s" % (method, message["error"]))
                return message.get("result", {})

    def pump(self, seconds):
        """Takes in the events that arrive within the time given, and lets the
        responses held for a rewrite go on."""
        deadline = time.time() + seconds
        while time.time() < deadline:
            self.release_paused()
            try:
                self.receive(max(0.01, deadline - time.time()))
            except websocket.WebSocketTimeoutException:
                break
        self.release_paused()

    def evaluate(self, expression, timeout=120):
        """The value of a JavaScript expression in the page (promises awaited)."""
        result = self.call("Runtime.evaluate", timeout=timeout, expression=expression,
                           awaitPromise=True, returnByValue=True)
        if "exceptionDetails" in result:
            raise AssertionError("%s raised %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    # ---- the page ----
    def open(self, url):
        self.loaded(lambda: self.call("Page.navigate", url=url))

    def reload(self):
        self.loaded(lambda: self.call("Page.reload", ignoreCache=True))

    def loaded(self, go, timeout=120):
        """Goes to a page and waits until it has loaded."""
        self.console.clear()
        self.events.clear()
        go()
        deadline = time.time() + timeout
        while not any(e["method"] == "Page.loadEventFired" for e in self.events):
            if time.time() > deadline:
                raise AssertionError("the page did not load")
            self.pump(0.1)

    def screenshot(self):
        data = self.call("Page.captureScreenshot", format="png")["data"]
        return decode_png(base64.b64decode(data))

    def wait_for(self, predicate, timeout=120, what="the expected picture"):
        """Screenshots until predicate(image) holds; returns that image. On a
        time-out the last one is kept as a PNG file."""
        deadline = time.time() + timeout
        image = None
        while time.time() < deadline:
            image = self.screenshot()
            if predicate(image):
                return image
            self.pump(0.1)
        if image is not None:
            path = artifact_path("web-failed-%d-%d.png" % (os.getpid(), int(time.time() * 1000)))
            image.save_png(path)
            raise AssertionError("timed out waiting for %s; last picture: %s\nconsole: %s"
                                 % (what, path, self.console[-20:]))
        raise AssertionError("timed out waiting for %s" % what)

    def wait_until(self, expression, timeout=120, what=None):
        """Waits until a JavaScript expression is true in the page."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.evaluate(expression):
                return
            self.pump(0.1)
        raise AssertionError("timed out waiting for %s\nconsole: %s"
                             % (what or expression, self.console[-20:]))

    def wait_console(self, predicate, timeout=300, what="the expected console line"):
        """Waits for a console line that predicate(text) accepts; returns it."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            for _, text in self.console:
                if predicate(text):
                    return text
            self.pump(0.2)
        raise AssertionError("timed out waiting for %s\nconsole: %s" % (what, self.console[-20:]))

    # ---- input ----
    def key(self, name, down=True, modifiers=0):
        key, code, number = KEYS[name] if name in KEYS else (name, "Key" + name.upper(), ord(name.upper()))
        self.call("Input.dispatchKeyEvent", type="rawKeyDown" if down else "keyUp", key=key,
                  code=code, windowsVirtualKeyCode=number, nativeVirtualKeyCode=number,
                  modifiers=modifiers)

    def press(self, name, modifiers=0):
        """Holds a key for a few frames, then lets it go."""
        self.key(name, True, modifiers)
        self.frames(3)
        self.key(name, False, modifiers)

    def press_until(self, name, predicate, what, modifiers=0, timeout=120):
        """Holds a key until its effect shows; returns that screenshot."""
        self.key(name, True, modifiers)
        try:
            return self.wait_for(predicate, timeout, what)
        finally:
            self.key(name, False, modifiers)

    def frames(self, count):
        """Waits until the page has drawn count more animation frames."""
        self.evaluate("new Promise(done => { let n = %d; (function next() { "
                      "if (n-- <= 0) done(true); else requestAnimationFrame(next); })(); })" % count)

    def mouse(self, kind, x, y, button="none"):
        self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button=button,
                  clickCount=1 if kind != "mouseMoved" else 0)

    def click_until(self, x, y, predicate, what, button="left"):
        """Holds a mouse button at x, y until its effect shows; returns that
        screenshot."""
        self.mouse("mouseMoved", x, y)
        self.frames(2)
        self.mouse("mousePressed", x, y, button)
        try:
            return self.wait_for(predicate, what=what)
        finally:
            self.mouse("mouseReleased", x, y, button)


class Tab(Browser):
    """Another tab of a browser's, on its profile (stopping it stops the browser)."""

    def __init__(self, browser):
        self.__dict__.update(browser.__dict__, next_id=0, events=[], console=[], rewrites=[],
                             paused=[])
        self.target = browser.call("Target.createTarget", url="about:blank")["targetId"]
        self.ws = websocket.create_connection(self.page_socket(self.target), timeout=120,
                                              suppress_origin=True)
        self.call("Page.enable")
        self.call("Runtime.enable")
        self.view(640, 480)


def downloaded(browser, button, timeout=120):
    """The name and bytes of the file the page downloads at a click on button."""
    folder = tempfile.mkdtemp(dir=browser.profile)
    browser.call("Browser.setDownloadBehavior", behavior="allow", downloadPath=folder)
    browser.evaluate("document.getElementById('%s').click(), 1" % button)
    deadline = time.time() + timeout
    while time.time() < deadline:
        names = [n for n in os.listdir(folder) if not n.endswith(".crdownload")]
        if names:
            with open(os.path.join(folder, names[0]), "rb") as f:
                return names[0], f.read()
        browser.pump(0.2)
    raise AssertionError("no download in %s" % folder)


class WebTestCase(unittest.TestCase):
    """Serves the browser build (and the demos beside it) for each test, and
    gives it browsers on profiles of its own."""

    def setUp(self):
        if not os.path.isfile(os.path.join(WEB_APP_DIR, "pex.wasm")):
            self.fail("no browser build in %s (scripts/build-web.sh makes it)" % WEB_APP_DIR)
        self.server = serve_web.start([WEB_APP_DIR, DEMO_DIR])
        self.addCleanup(self.server.server_close)
        self.addCleanup(self.server.shutdown)
        self.profile_root = tempfile.mkdtemp(prefix="pex-web-")
        self.addCleanup(shutil.rmtree, self.profile_root, True)

    def browser(self, profile="profile"):
        """A browser on the named profile of this test: a second browser on the
        same name finds what the first one kept."""
        browser = Browser(os.path.join(self.profile_root, profile))
        self.addCleanup(browser.stop)
        return browser

    def url(self, query=""):
        return self.server.url + "index.html" + query

    def desktop(self):
        """The desktop's pex in a copy of its folder, under an X server of its own."""
        self.assertTrue(os.path.isfile(os.path.join(NATIVE_APP_DIR, "pex")),
                        "no desktop build in %s (the tests preset makes it)" % NATIVE_APP_DIR)
        xvfb = Xvfb()
        self.addCleanup(xvfb.stop)
        pex = Pex(xvfb, app_dir=NATIVE_APP_DIR)
        self.addCleanup(pex.stop)
        return pex
