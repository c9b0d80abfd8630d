"""Helpers for the real-window tests: a private Xvfb, a copy of the application
folder, the real pex binary, real X key and mouse events (xdotool), a close
request (sent through Xlib as a window manager sends it) and screenshots read
as pixels (xwd; ImageMagick converts other pixel layouts and writes PNG
files).

Standard library only. Every test gets its own display and its own copy of
the application folder, and leaves nothing running. Nothing is written outside
the system's temporary folder: a picture kept for a look by eye goes to
ARTIFACT_DIR.

Waits are on what the program shows or writes, with generous upper bounds,
never on fixed times: the tests run on loaded machines where a frame can take
far longer than usual. A key or button press that falls between two frames is
never seen, so where a press matters it is held until its effect shows.
"""

import ctypes
import os
import select
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest

APP_DIR = os.environ.get("PEX_APP_DIR", os.path.join(os.getcwd(), "build", "app"))
BUILD_DIR = os.environ.get("PEX_BUILD_DIR", os.path.join(os.getcwd(), "build"))
SOURCE_DIR = os.environ.get("PEX_SOURCE_DIR", os.getcwd())
ARTIFACT_DIR = os.path.join(tempfile.gettempdir(), "pex-e2e-artifacts")
# The recorded demos (tests/demos/record.py writes them): NAME.dem, in NAME.out
# the line the recording printed at its end, which a replay must print, and in
# NAME.level the level file it was recorded on, unless that was the shipped one.
DEMO_DIR = os.path.join(SOURCE_DIR, "tests", "demos")
# Root may write any file: tests of what an ordinary user may not do run pex as
# this user when they run as root.
NOBODY = 65534


def unprivileged(command):
    """command, run as user NOBODY when the tests run as root."""
    if os.geteuid() != 0:
        return list(command)
    return ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups",
            "--"] + list(command)


def demo_path(name):
    return os.path.join(DEMO_DIR, name + ".dem")


def expected_line(name):
    with open(os.path.join(DEMO_DIR, name + ".out")) as f:
        return f.read()


def artifact_path(name):
    """A path for a picture kept after the test, outside the source and build trees."""
    os.makedirs(ARTIFACT_DIR, exist_ok=True)
    return os.path.join(ARTIFACT_DIR, name)


class Xvfb:
    """An X server on a free display number, for one test."""

    def __init__(self, width=1024, height=768, args=()):
        self.width, self.height = width, height
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             "%dx%dx24" % (width, height), "-nolisten", "tcp", "-noreset",
             "+extension", "GLX"] + list(args),
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        deadline = time.time() + 30
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_fd], [], [], max(0.0, deadline - time.time()))
            if not ready:
                self.stop()
                raise RuntimeError("Xvfb did not start")
            chunk = os.read(read_fd, 16)
            if not chunk:
                self.stop()
                raise RuntimeError("Xvfb ended before naming its display")
            number += chunk
        os.close(read_fd)
        self.display = ":" + number.decode().strip()

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        return env

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Image:
    """A screenshot: width, height and RGB bytes, top row first."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def crop(self, x, y, width, height):
        rows = []
        for row in range(y, y + height):
            start = (row * self.width + x) * 3
            rows.append(self.data[start:start + width * 3])
        return Image(width, height, b"".join(rows))

    def save_png(self, path):
        ppm = b"P6\n%d %d\n255\n" % (self.width, self.height) + self.data
        subprocess.run(["convert", "ppm:-", path], input=ppm, check=True)

    def mean(self, x, y, width, height):
        total = [0, 0, 0]
        for row in range(y, y + height):
            start = (row * self.width + x) * 3
            line = self.data[start:start + width * 3]
            for k in range(3):
                total[k] += sum(line[k::3])
        n = width * height
        return tuple(t / n for t in total)


def parse_xwd(data, crop=None):
    """A screen dump of xwd as an Image, cut to crop (x, y, width, height) when
    given; None for a pixel layout other than the true-colour ones Xvfb gives
    (the caller then converts it)."""
    header = struct.unpack(">25I", data[:100])
    header_size, pixmap_format, width, height = header[0], header[2], header[4], header[5]
    byte_order, bits_per_pixel, bytes_per_line = header[7], header[11], header[12]
    masks, ncolors = header[14:17], header[19]
    size = bits_per_pixel // 8
    if pixmap_format != 2 or bits_per_pixel not in (24, 32) or bytes_per_line < width * size \
            or masks != (0xFF0000, 0xFF00, 0xFF):
        return None
    start = header_size + 12 * ncolors  # after the window name and the colour table
    if len(data) < start + bytes_per_line * height:
        return None
    # Blue first in least-significant-byte-first order, red first (after the
    # padding byte of a four-byte pixel) in the other.
    red, green, blue = (2, 1, 0) if byte_order == 0 else (size - 3, size - 2, size - 1)
    left, top, width, height = crop or (0, 0, width, height)
    rgb = bytearray(width * height * 3)
    for row in range(height):
        begin = start + (top + row) * bytes_per_line + left * size
        line = data[begin:begin + width * size]
        out = row * width * 3
        rgb[out:out + width * 3:3] = line[red::size]
        rgb[out + 1:out + width * 3:3] = line[green::size]
        rgb[out + 2:out + width * 3:3] = line[blue::size]
    return Image(width, height, bytes(rgb))


def parse_ppm(data):
    # P6 header: magic, width, height, maxval, separated by white space and comments.
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace() or data[pos:pos + 1] == b"#":
            if data[pos:pos + 1] == b"#":  # a comment runs to the end of its line
                pos = data.index(b"\n", pos)
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError("not an 8-bit P6 image")
    return Image(int(fields[1]), int(fields[2]), data[pos:])


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def send_close_request(display, wid):
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(_Event)]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = xlib.XOpenDisplay(display.encode())
    if not connection:
        raise RuntimeError("cannot open display %s" % display)
    try:
        event = _Event()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = wid
        event.xclient.message_type = xlib.XInternAtom(connection, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = xlib.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        if not xlib.XSendEvent(connection, wid, 0, 0, ctypes.byref(event)):
            raise RuntimeError("the close request could not be sent")
        xlib.XSync(connection, 0)
    finally:
        xlib.XCloseDisplay(connection)


class Pex:
    """The real pex binary in a private copy of the application folder."""

    def __init__(self, xvfb=None, env=None, app_dir=None, keep_app=False):
        self.xvfb = xvfb
        self.work = tempfile.mkdtemp(prefix="pex-e2e-")
        self.app = os.path.join(self.work, "app")
        shutil.copytree(app_dir or APP_DIR, self.app, symlinks=True)
        self.env = xvfb.env() if xvfb else {k: v for k, v in os.environ.items()
                                             if k != "DISPLAY"}
        self.env.setdefault("SDL_AUDIODRIVER", "dummy")
        if env:
            self.env.update(env)
        self.proc = None
        self.wid = None
        self.pointer = None  # where click_seen last left the pointer
        self.shot_geometry = None
        self.keep_app = keep_app

    # ---- process ----
    def command(self, args):
        """The command line that start runs."""
        return [os.path.join(self.app, "pex")] + list(args)

    def start(self, args=(), preexec_fn=None, cwd=None):
        """Starts pex with the given command-line arguments (none by default), in
        cwd (by default the test's folder); preexec_fn runs in the child before
        pex does (limits, signals). A second start keeps the folder and its files."""
        if self.proc is not None:
            self.stdout.close()
            self.stderr.close()
        self.stdout = open(os.path.join(self.work, "stdout.txt"), "wb")
        self.stderr = open(os.path.join(self.work, "stderr.txt"), "wb")
        self.proc = subprocess.Popen(self.command(args), cwd=cwd or self.work, env=self.env,
                                     stdout=self.stdout, stderr=self.stderr,
                                     stdin=subprocess.DEVNULL, preexec_fn=preexec_fn)
        return self

    def wait_exit(self, timeout=60):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            raise AssertionError("pex did not end within %s s" % timeout)

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def stderr_text(self):
        self.stderr.flush()
        with open(os.path.join(self.work, "stderr.txt"), "rb") as f:
            return f.read().decode("cp1251", "replace")

    def play(self, name):
        """Starts pex --play on the demo NAME, on the level it was recorded on:
        NAME.level beside the demo when there is one, else the shipped level."""
        level = os.path.join(DEMO_DIR, name + ".level")
        if os.path.exists(level):
            shutil.copyfile(level, self.path("level", "default", "1.txt"))
        return self.start(["--play", demo_path(name)])

    def stdout_text(self):
        self.stdout.flush()
        with open(os.path.join(self.work, "stdout.txt"), "rb") as f:
            return f.read().decode("ascii", "replace")

    def path(self, *parts):
        return os.path.join(self.app, *parts)

    def stop(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        if self.proc is not None:
            self.stdout.close()
            self.stderr.close()
        if not self.keep_app:
            shutil.rmtree(self.work, ignore_errors=True)

    # ---- X ----
    def x(self, *args, check=True):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                              capture_output=True, text=True, check=check)

    def find_window(self, title, timeout=60):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.proc is not None and self.proc.poll() is not None:
                raise AssertionError("pex ended (code %s) before its window appeared:\n%s"
                                     % (self.proc.returncode, self.stderr_text()))
            for wid in self.windows_titled(title):
                geometry = self.geometry(int(wid))
                if geometry and geometry[2] > 1:
                    return int(wid)
            time.sleep(0.1)
        raise AssertionError("no window titled %r within %s s" % (title, timeout))

    def windows_titled(self, title):
        """Ids of the top-level windows with exactly this title."""
        tree = subprocess.run(["xwininfo", "-root", "-children"], env=self.env,
                              capture_output=True, text=True).stdout
        found = []
        for line in tree.splitlines():
            parts = line.strip().split(" ", 1)
            if len(parts) == 2 and parts[0].startswith("0x") and \
                    parts[1].startswith('"%s"' % title):
                found.append(int(parts[0], 16))
        return found

    def visible_windows_titled(self, title):
        """Ids of the mapped windows with exactly this title; one quick query."""
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                             env=self.env, capture_output=True, text=True).stdout
        return [int(line) for line in out.split()]

    def wait_window(self, timeout=60):
        self.wid = self.find_window("Pex", timeout)
        self.focus()
        return self.wid

    def focus(self):
        self.x("windowfocus", self.wid, check=False)

    def geometry(self, wid=None):
        out = self.x("getwindowgeometry", "--shell", wid or self.wid, check=False).stdout
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        try:
            return (int(values["X"]), int(values["Y"]), int(values["WIDTH"]),
                    int(values["HEIGHT"]))
        except KeyError:
            return None

    def window_name(self, wid=None):
        return self.x("getwindowname", wid or self.wid).stdout.strip()

    def press_key(self, keys, predicate, what="the key's effect", timeout=60, screen=True):
        """The one way the tests press keys: presses a key, or a chord given as
        a list (modifiers first), and holds it until predicate(screenshot)
        holds; returns that screenshot. The predicate must describe the picture
        after the key has acted, so that seeing it confirms the press arrived.
        With screen=False it is predicate() instead, for an effect off the
        window (a file, another window). A press that shows no effect within a
        few seconds is let go and made anew: a state switch clears the keys, so
        a press during a fade is lost however long it is held."""
        if screen:
            return self._press(keys, timeout, lambda wait: self.wait_for(predicate, wait, what))
        return self._press(keys, timeout, lambda wait: self.wait_file(predicate, wait, what))

    def press_key_to_exit(self, keys="F10", timeout=60):
        """The same press, until the program has ended; returns its exit code."""
        try:
            return self._press(keys, timeout, self.proc.wait)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            raise AssertionError("pex did not end within %s s" % timeout)

    def _press(self, keys, timeout, wait):
        """Holds keys while wait(seconds) waits for their effect, pressing them
        anew every few seconds until timeout; wait's result."""
        keys = [keys] if isinstance(keys, str) else list(keys)
        deadline = time.time() + timeout
        while True:
            for key in keys:
                self.keydown(key)
            try:
                return wait(min(5, max(0.5, deadline - time.time())))
            except (AssertionError, subprocess.TimeoutExpired):
                if time.time() >= deadline or not self.running():
                    raise
            finally:
                for key in reversed(keys):
                    self.keyup(key)

    def keydown(self, name):
        self.x("keydown", name)

    def keyup(self, name):
        self.x("keyup", name)

    def move(self, x, y):
        self.x("mousemove", "--window", self.wid, x, y)
        time.sleep(0.05)

    def press_button(self, button, predicate, timeout=60, what="the click's effect"):
        """Holds a mouse button down until predicate(screenshot) holds, then
        releases it; returns that screenshot."""
        self.x("mousedown", button)
        try:
            return self.wait_for(predicate, timeout, what)
        finally:
            self.x("mouseup", button)

    def click_seen(self, x, y, button=1):
        """Clicks, making sure that the program saw it: the pointer is moved and
        drawn at its new place first, then the button is held until the picture
        changes (the editor's brush preview or the painted cell)."""
        before = self.screenshot()
        if self.pointer != (x, y):
            self.move(x, y)
            before = self.wait_for(changed_from(before), what="the pointer at %d, %d" % (x, y))
            self.pointer = (x, y)
        self.press_button(button, changed_from(before),
                          what="the effect of button %d at %d, %d" % (button, x, y))

    def click(self, x, y, button=1, hold=0.15):
        """Clicks after a fixed hold; nothing confirms that a frame saw it."""
        self.move(x, y)
        self.x("mousedown", button)
        time.sleep(hold)
        self.x("mouseup", button)
        time.sleep(0.05)

    def close_request(self, wid=None):
        """The close request a window manager sends when the user clicks the
        window's close button: a WM_PROTOCOLS message carrying WM_DELETE_WINDOW."""
        send_close_request(self.env["DISPLAY"], wid or self.wid)

    def screenshot(self):
        """The window's contents as an Image."""
        # The window keeps its place and size: asked once, not at every poll.
        if self.shot_geometry is None or self.shot_geometry[0] != self.wid:
            self.shot_geometry = (self.wid, self.geometry())
        gx, gy, gw, gh = self.shot_geometry[1]
        if gx >= 0 and gy >= 0 and gx + gw <= self.xvfb.width and gy + gh <= self.xvfb.height:
            # A window wholly on the screen is read alone, which is much quicker.
            xwd = subprocess.run(["xwd", "-id", str(self.wid), "-nobdrs", "-silent"],
                                 env=self.env, capture_output=True, check=True).stdout
            crop = None
        else:
            xwd = subprocess.run(["xwd", "-root", "-silent"], env=self.env,
                                 capture_output=True, check=True).stdout
            screen_width, screen_height = struct.unpack(">II", xwd[16:24])
            crop = (gx, gy, min(gw, screen_width - gx), min(gh, screen_height - gy))
        image = parse_xwd(xwd, crop)
        if image is None:
            ppm = subprocess.run(["convert", "xwd:-", "ppm:-"], input=xwd, capture_output=True,
                                 check=True).stdout
            image = parse_ppm(ppm)
            if crop is not None:
                image = image.crop(*crop)
        return image

    def look(self, predicate, what):
        """A screenshot and whether predicate holds for it; fails when the
        program has ended."""
        if not self.running():
            raise AssertionError("pex ended while waiting for %s:\n%s"
                                 % (what, self.stderr_text()))
        image = self.screenshot()
        return image, predicate(image)

    def wait_for(self, predicate, timeout=60, what="the expected picture"):
        """Polls screenshots until predicate(image) holds; returns that image.
        On a time-out the last screenshot is kept as a PNG file."""
        deadline = time.time() + timeout
        image = None
        while time.time() < deadline:
            image, matched = self.look(predicate, what)
            if matched:
                return image
            time.sleep(0.2)
        if image is not None:
            path = artifact_path("failed-%d-%d.png" % (os.getpid(), int(time.time() * 1000)))
            image.save_png(path)
            raise AssertionError("timed out waiting for %s; last picture: %s" % (what, path))
        raise AssertionError("timed out waiting for %s" % what)

    # ---- stepping ----
    # On a busy machine the program can run many frames between a screenshot
    # and the test's reaction to it. Where that matters (a key released once
    # the hero has walked far enough), the program is stopped while the test
    # looks and decides, and let run in short steps.
    def pause(self):
        os.kill(self.proc.pid, signal.SIGSTOP)

    def resume(self):
        if self.running():
            os.kill(self.proc.pid, signal.SIGCONT)

    def step_until(self, predicate, timeout=60, what="the expected picture", step=0.05):
        """With the program paused: lets it run for step seconds at a time until
        predicate(screenshot) holds, and returns that screenshot, paused."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            self.resume()
            time.sleep(step)
            self.pause()
            image, matched = self.look(predicate, what)
            if matched:
                return image
        raise AssertionError("timed out waiting for %s" % what)

    def wait_file(self, predicate, timeout=60, what="the expected file contents"):
        """Polls until predicate() holds (typically about a file the program
        writes); returns its result."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            result = predicate()
            if result:
                return result
            if not self.running():
                raise AssertionError("pex ended while waiting for %s:\n%s"
                                     % (what, self.stderr_text()))
            time.sleep(0.2)
        raise AssertionError("timed out waiting for %s" % what)


# ---- Which screen is showing -------------------------------------------------
# Fixed places of the 640 x 480 layout. A screen's "at rest" test also holds
# only once the fade after a switch has ended: the fade's last step still
# darkens every pixel, so the brightest pixel of a white or full-colour text
# stays below 255 until then.

def changed_from(before, box=None):
    """A test that the picture (or the box x, y, width, height of it) differs from before."""
    def test(shot):
        if box is None:
            return shot.data != before.data
        return shot.crop(*box).data != before.crop(*box).data
    return test


def white_title_pixels(shot):
    # "level:1" in white at x 240..351, y 16..31: the editor's title (and the HUD's).
    return sum(1 for y in range(16, 32) for x in range(240, 352) if min(shot.pixel(x, y)) > 200)


def in_game(shot):
    # The HUD's green bar at x 512..575, y 16..31.
    r, g, b = shot.mean(512, 16, 64, 16)
    return g > 150 and r < 60 and b < 60


def in_menu(shot):
    # The menu's background is tinted navy; the game's is tinted dark red.
    r, g, b = shot.mean(0, 200, 640, 200)
    return b > r + 30 and b > 40 and not in_game(shot)


def in_editor(shot):
    return white_title_pixels(shot) > 150 and not in_game(shot)


def in_splash(shot):
    r, g, b = shot.mean(0, 0, 640, 480)
    return (r + g + b) / 3 > 30 and not in_menu(shot) and not in_editor(shot) \
        and not in_game(shot)


def brightest(shot, x, y, width, height, channel):
    """The highest value of one colour channel (0 red, 1 green, 2 blue) in a rectangle."""
    return max(max(shot.data[(row * shot.width + x) * 3 + channel:
                             (row * shot.width + x + width) * 3:3]) for row in range(y, y + height))


def splash_at_rest(shot):
    # The slow fade-in of the start ends with the picture's white highlights.
    return in_splash(shot) and brightest(shot, 0, 0, 640, 480, 0) == 255


def menu_at_rest(shot):
    # The heading "Меню:" in yellow at x 240, y 128.
    return in_menu(shot) and brightest(shot, 240, 128, 80, 16, 0) == 255


def game_at_rest(shot):
    return in_game(shot) and brightest(shot, 512, 16, 64, 16, 1) == 255


def editor_at_rest(shot):
    return in_editor(shot) and brightest(shot, 240, 16, 112, 16, 2) == 255


def wait_for_splash(pex):
    """Waits until the splash picture has emerged from the opening fade."""
    return pex.wait_for(lambda shot: brightness(shot.mean(0, 0, 640, 480)) > 30, timeout=60,
                        what="the splash picture")


class PexTestCase(unittest.TestCase):
    """Gives each test a fresh Xvfb and tears everything down afterwards."""

    def setUp(self):
        self.xvfb = Xvfb()
        self.addCleanup(self.xvfb.stop)

    def pex(self, **kwargs):
        pex = Pex(self.xvfb, **kwargs)
        self.addCleanup(pex.stop)
        return pex


def brightness(pixel):
    return sum(pixel) / 3.0
