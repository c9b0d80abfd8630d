"""Helpers for the real-window tests: a private Xvfb, a copy of the application
folder, the real pex binary, real X key and mouse events (xdotool), a close
request (xclose) and screenshots read as pixels (xwd + ImageMagick).

Standard library only. Every test gets its own display and its own copy of
the application folder, and leaves nothing running.
"""

import os
import select
import shutil
import subprocess
import tempfile
import time
import unittest

APP_DIR = os.environ.get("PEX_APP_DIR", os.path.join(os.getcwd(), "build", "app"))
XCLOSE = os.environ.get("PEX_XCLOSE", "xclose")
BUILD_DIR = os.environ.get("PEX_BUILD_DIR", os.path.join(os.getcwd(), "build"))
SOURCE_DIR = os.environ.get("PEX_SOURCE_DIR", os.getcwd())


class Xvfb:
    """An X server on a free display number, for one test."""

    def __init__(self, width=1024, height=768, args=()):
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
            for col in range(x, x + width):
                p = self.pixel(col, row)
                for k in range(3):
                    total[k] += p[k]
        n = width * height
        return tuple(t / n for t in total)


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
        self.keep_app = keep_app

    # ---- process ----
    def start(self):
        self.stdout = open(os.path.join(self.work, "stdout.txt"), "wb")
        self.stderr = open(os.path.join(self.work, "stderr.txt"), "wb")
        self.proc = subprocess.Popen([os.path.join(self.app, "pex")], cwd=self.work,
                                     env=self.env, stdout=self.stdout, stderr=self.stderr,
                                     stdin=subprocess.DEVNULL)
        return self

    def wait_exit(self, timeout=30):
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

    def find_window(self, title, timeout=30):
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

    def wait_window(self, timeout=30):
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

    def key(self, name, hold=0.15):
        """Presses and releases a key, held long enough for frames to see it."""
        self.keydown(name)
        time.sleep(hold)
        self.keyup(name)
        time.sleep(0.05)

    def keydown(self, name):
        self.x("keydown", name)

    def keyup(self, name):
        self.x("keyup", name)

    def move(self, x, y):
        self.x("mousemove", "--window", self.wid, x, y)
        time.sleep(0.05)

    def click(self, x, y, button=1, hold=0.15):
        self.move(x, y)
        self.x("mousedown", button)
        time.sleep(hold)
        self.x("mouseup", button)
        time.sleep(0.05)

    def close_request(self, wid=None):
        subprocess.run([XCLOSE, str(wid or self.wid)], env=self.env, check=True)

    def screenshot(self):
        """The window's contents as an Image."""
        xwd = subprocess.run(["xwd", "-root", "-silent"], env=self.env, capture_output=True,
                             check=True).stdout
        ppm = subprocess.run(["convert", "xwd:-", "ppm:-"], input=xwd, capture_output=True,
                             check=True).stdout
        screen = parse_ppm(ppm)
        gx, gy, gw, gh = self.geometry()
        return screen.crop(gx, gy, min(gw, screen.width - gx), min(gh, screen.height - gy))

    def wait_for(self, predicate, timeout=30, what="the expected picture"):
        """Polls screenshots until predicate(image) holds; returns that image."""
        deadline = time.time() + timeout
        image = None
        while time.time() < deadline:
            if not self.running():
                raise AssertionError("pex ended while waiting for %s:\n%s"
                                     % (what, self.stderr_text()))
            image = self.screenshot()
            if predicate(image):
                return image
            time.sleep(0.2)
        if image is not None:
            image.save_png(os.path.join(BUILD_DIR, "e2e-failed-%d.png" % int(time.time())))
        raise AssertionError("timed out waiting for %s" % what)


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
