#!/usr/bin/python3
"""Acceptance tests: the built pixmora binary in a real X display.

Each scenario starts its own Xvfb server and a pixmora process with a fresh
home, drives it with xdotool as a user would (pointer, buttons, Shift, keys and
menu shortcuts), exchanges images with xclip as another program, finds the
canvas on screenshots by what it shows, and reads the files Pixmora saved with
pngcheck, Pillow and a PNG chunk walker of its own.

Environment:
  PIXMORA_BINARY     the pixmora executable (default: build/src/app/pixmora)
  PIXMORA_ARTIFACTS  where screenshots and logs go (default: build/artifacts/acceptance)
  PIXMORA_ACCEPTANCE_TIMEOUT  seconds any single wait may take (default 30)

Exits with 77 (skipped) when Xvfb, xdotool, xclip, pngcheck or Pillow is missing.
Every process it starts is stopped by its process id, also when a check fails.
"""

import atexit
import ctypes
import functools
import importlib
import math
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib
from pathlib import Path

SKIPPED = 77
REPO = Path(__file__).resolve().parents[2]
BINARY = Path(os.environ.get("PIXMORA_BINARY") or REPO / "build/src/app/pixmora")
ARTIFACTS = Path(os.environ.get("PIXMORA_ARTIFACTS") or REPO / "build/artifacts/acceptance")
TIMEOUT = float(os.environ.get("PIXMORA_ACCEPTANCE_TIMEOUT") or 30)
POLL = 0.05
COMMAND_TIMEOUT = 60  # for one xdotool, xclip or pngcheck run


def missing_requirements():
    missing = [tool for tool in ("Xvfb", "xdotool", "xclip", "pngcheck") if not shutil.which(tool)]
    try:
        importlib.import_module("PIL.ImageGrab")
    except ImportError:
        missing.append("python3-pil")
    if not os.access(BINARY, os.X_OK):
        missing.append(f"the pixmora binary ({BINARY})")
    return missing


if __name__ == "__main__":
    _missing = missing_requirements()
    if _missing:
        print("acceptance tests skipped, missing: " + ", ".join(_missing))
        sys.exit(SKIPPED)

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageGrab  # noqa: E402

# ---------------------------------------------------------------------------
# Processes: everything started here is stopped by its pid, whatever happens.

_running = []
# Programs whose unexpected exit should end a wait at once, as {process: description}.
_watched = {}
_libc = ctypes.CDLL(None, use_errno=True)
PR_SET_PDEATHSIG = 1


def _die_with_driver():
    # Should the driver itself be killed outright, its children go with it.
    _libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def start_process(args, **kwargs):
    process = subprocess.Popen(args, preexec_fn=_die_with_driver, **kwargs)
    _running.append(process)
    return process


def stop_process(process, grace=5.0):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(grace)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    if process in _running:
        _running.remove(process)
    _watched.pop(process, None)


def stop_all_processes():
    for process in reversed(list(_running)):
        stop_process(process)


atexit.register(stop_all_processes)
_scratch = []  # folders of the run, removed at exit even when a signal cut it short
atexit.register(lambda: [shutil.rmtree(folder, ignore_errors=True) for folder in _scratch])


def _interrupt(_signum, _frame):
    # A CTest timeout or Ctrl+C: stop the run (unittest lets only this through)
    # and leave through atexit, so nothing started here stays behind.
    raise KeyboardInterrupt


for _signal in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
    signal.signal(_signal, _interrupt)


def wait_until(what, probe, timeout=None):
    """Polls probe() until it returns something true and returns that."""
    deadline = time.monotonic() + (timeout or TIMEOUT)
    while True:
        for process, name in list(_watched.items()):
            if process.poll() is not None:
                raise AssertionError(f"{name} exited with {process.returncode} "
                                     f"while waiting for {what}")
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(POLL)


# ---------------------------------------------------------------------------
# Pixels and PNG files, read independently of Pixmora.

TRANSPARENT = (0, 0, 0, 0)
WHITE = (255, 255, 255, 255)
BLACK = (0, 0, 0, 255)
MAGENTA = (255, 0, 255, 255)
CYAN = (0, 255, 255, 255)
CHECKER_LIGHT = (235, 235, 235)
CHECKER_DARK = (200, 200, 200)

SIXTEEN_PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
_LEVELS = (0, 51, 102, 153, 204, 255)
WEB_SAFE_PALETTE = [(r, g, b) for r in _LEVELS for g in _LEVELS for b in _LEVELS] + [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0xC0, 0xDC, 0xC0), (0xA6, 0xCA, 0xF0), (0xFF, 0xFB, 0xF0), (0xA0, 0xA0, 0xA4),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]


def nearest(palette, rgb):
    """The palette entry nearest in squared RGB distance; the earlier one on a tie."""
    return min(palette, key=lambda p: sum((a - b) ** 2 for a, b in zip(p, rgb)))


def to_palette(palette, rgba):
    """A pasted pixel as a palette document takes it: alpha threshold, then nearest colour."""
    if rgba[3] < 128:
        return TRANSPARENT
    return nearest(palette, rgba[:3]) + (255,)


def png_chunks(data):
    """(type, payload) of every chunk, checking the signature and each CRC."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise AssertionError("not a PNG signature")
    chunks, pos = [], 8
    while pos < len(data):
        if pos + 12 > len(data):
            raise AssertionError(f"truncated chunk header at {pos}")
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        payload = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if len(payload) != length or zlib.crc32(kind + payload) != crc:
            raise AssertionError(f"bad chunk {kind!r} at {pos}")
        chunks.append((kind.decode("latin-1"), payload))
        pos += 12 + length
    return chunks


def pixels(image):
    rgba = image.convert("RGBA")
    return [[rgba.getpixel((x, y)) for x in range(rgba.width)] for y in range(rgba.height)]


def solid_image(width, height, colour):
    return [[colour] * width for _ in range(height)]


def write_png(path, rows, colour_mode=None):
    """A PNG of straight RGBA rows, with Pixmora's colour-mode chunk when given."""
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, payload):
        return (struct.pack(">I", len(payload)) + kind + payload
                + struct.pack(">I", zlib.crc32(kind + payload)))

    data = b"\x89PNG\r\n\x1a\n" + chunk(
        b"IHDR", struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(raw))
    if colour_mode:
        data += chunk(b"tEXt", b"pixmoraColorMode\x00" + colour_mode.encode())
    data += chunk(b"IEND", b"")
    Path(path).write_bytes(data)


# ---------------------------------------------------------------------------
# The X display and the program.

class Display:
    """One Xvfb server on a display number it picks itself."""

    def __init__(self, log):
        read_end, write_end = os.pipe()
        try:
            self.server = start_process(
                # -noreset: by default the server resets when its last client
                # leaves, and a client connecting meanwhile is turned away.
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        finally:
            os.close(write_end)
        try:
            number = b""
            deadline = time.monotonic() + TIMEOUT
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([read_end], [], [], left)[0]:
                    raise AssertionError("Xvfb did not report its display")
                part = os.read(read_end, 16)
                if not part:
                    raise AssertionError("Xvfb exited before reporting its display")
                number += part
        finally:
            os.close(read_end)
        self.name = ":" + number.decode().strip()
        self.root = None
        self.env = dict(os.environ, DISPLAY=self.name)
        # Nothing depends on the server before it has taken a client.
        wait_until(f"a client connection to {self.name}",
                   lambda: self.run("xdotool", "getdisplaygeometry", check=False).returncode == 0)

    def close(self):
        stop_process(self.server)

    def run(self, *args, data=None, check=True):
        result = subprocess.run(args, env=self.env, input=data, capture_output=True,
                                timeout=COMMAND_TIMEOUT)
        if check and result.returncode != 0:
            raise AssertionError(f"{' '.join(map(str, args))} failed: {result.stderr.decode()}")
        return result

    def xdotool(self, *args):
        return self.run("xdotool", *map(str, args)).stdout.decode("utf-8", "replace")

    # Windows ---------------------------------------------------------------

    def windows(self):
        """Mapped top-level windows as {id: name}, the root window left out.

        Names are matched here rather than by xdotool's own name search, which
        misses titles with Japanese text or a dash.
        """
        if self.root is None:
            self.root = self.xdotool("search", "--maxdepth", 0, "--name", "").split()[0]
        found = self.run("xdotool", "search", "--onlyvisible", "--name", "", check=False)
        names = {}
        for wid in found.stdout.decode().split():
            if wid == self.root:
                continue
            name = self.run("xdotool", "getwindowname", wid, check=False)
            if name.returncode == 0:
                names[int(wid)] = name.stdout.decode("utf-8", "replace").rstrip("\n")
        return names

    def find_window(self, pattern):
        names = self.windows()
        hits = [wid for wid, name in names.items() if re.fullmatch(pattern, name)]
        return hits[0] if len(hits) == 1 else None

    def wait_window(self, pattern, timeout=None):
        return wait_until(f"a window named {pattern!r}", lambda: self.find_window(pattern),
                          timeout)

    def wait_window_gone(self, wid, timeout=None):
        wait_until(f"window {wid} to close", lambda: wid not in self.windows(), timeout)

    def window_name(self, wid):
        return self.windows().get(wid)

    def wait_title(self, wid, pattern):
        return wait_until(f"window {wid} to be titled {pattern!r}",
                          lambda: re.fullmatch(pattern, self.window_name(wid) or ""))

    def geometry(self, wid):
        shell = self.xdotool("getwindowgeometry", "--shell", wid)
        values = dict(line.split("=", 1) for line in shell.split())
        return tuple(int(values[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))

    def focus(self, wid):
        # No window manager: give the window the keyboard directly.
        self.xdotool("windowraise", wid)
        self.xdotool("windowfocus", "--sync", wid)

    # Screen ----------------------------------------------------------------

    def grab(self, box=None):
        return ImageGrab.grab(bbox=box, xdisplay=self.name).convert("RGB")

    def grab_window(self, wid):
        x, y, w, h = self.geometry(wid)
        return self.grab((x, y, x + w, y + h))

    def settled_grab(self, box):
        """A screenshot once two grabs in a row agree (the last one after a few seconds
        of change, such as a blinking text cursor)."""
        previous = self.grab(box)
        deadline = time.monotonic() + 3
        while time.monotonic() < deadline:
            time.sleep(0.1)
            current = self.grab(box)
            if ImageChops.difference(previous, current).getbbox() is None:
                break
            previous = current
        return current

    def settled_window(self, wid):
        x, y, w, h = self.geometry(wid)
        return self.settled_grab((x, y, x + w, y + h))

    def pixel(self, x, y):
        return self.grab((x, y, x + 1, y + 1)).getpixel((0, 0))

    # Input -----------------------------------------------------------------

    def move(self, x, y):
        self.xdotool("mousemove", x, y)

    def click(self, x, y, button=1):
        self.xdotool("mousemove", x, y, "click", button)

    def key(self, *keys):
        self.xdotool("key", *keys)

    def type(self, text):
        self.xdotool("type", "--delay", 20, text)


class Pixmora:
    """The program under test with a home of its own, so no settings leak in or out."""

    def __init__(self, display, home, log, files=()):
        runtime = home / "run"
        runtime.mkdir(mode=0o700, parents=True, exist_ok=True)
        env = dict(display.env, HOME=str(home), XDG_CONFIG_HOME=str(home / ".config"),
                   XDG_DATA_HOME=str(home / ".local/share"), XDG_CACHE_HOME=str(home / ".cache"),
                   XDG_RUNTIME_DIR=str(runtime), QT_QPA_PLATFORM="xcb",
                   QT_QPA_PLATFORMTHEME="", NO_AT_BRIDGE="1", LANG="C.UTF-8")
        for name in ("DBUS_SESSION_BUS_ADDRESS", "SESSION_MANAGER", "XDG_CURRENT_DESKTOP",
                     "DESKTOP_SESSION", "QT_STYLE_OVERRIDE"):
            env.pop(name, None)
        self.process = start_process([str(BINARY), *map(str, files)], env=env, cwd=home,
                                     stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        _watched[self.process] = "pixmora"

    def running(self):
        return self.process.poll() is None

    def wait_exit(self):
        """For an exit the scenario asked for; returns the exit status."""
        _watched.pop(self.process, None)
        wait_until("pixmora to exit", lambda: not self.running())
        return self.process.returncode

    def stop(self):
        stop_process(self.process)


def window_title(name, modified=False):
    """The X window name Qt gives a document window: display name appended."""
    return re.escape(name) + (r"\*" if modified else "") + " — Pixmora"


UNTITLED = "名称未設定"


# ---------------------------------------------------------------------------
# Finding things on screen.

def exact_mask(image, colour):
    """A mask (mode L, 255 or 0): set where the image has exactly this RGB colour."""
    diff = ImageChops.difference(image, Image.new("RGB", image.size, colour[:3]))
    r, g, b = diff.split()
    return ImageChops.lighter(ImageChops.lighter(r, g), b).point(lambda v: 255 if v == 0 else 0)


def solid_bbox(mask):
    """Bounding box of the mask's solid areas: stray pixels of anti-aliased text
    that happen to have a wanted colour are left out."""
    core = mask.filter(ImageFilter.MinFilter(3)).getbbox()
    return (core[0] - 1, core[1] - 1, core[2] + 1, core[3] + 1) if core else None


class Canvas:
    """Where the main canvas's cells are on screen."""

    def __init__(self, display, origin, zoom, size):
        self.display, self.origin, self.zoom, self.size = display, origin, zoom, size

    def centre(self, x, y):
        return (self.origin[0] + x * self.zoom + self.zoom // 2,
                self.origin[1] + y * self.zoom + self.zoom // 2)

    def screen_colour(self, x, y):
        return self.display.pixel(*self.centre(x, y))

    def wait_cell(self, x, y, colour):
        """Waits until the cell shows an opaque colour, or the checkerboard for transparent."""
        wanted = {CHECKER_LIGHT, CHECKER_DARK} if colour[3] == 0 else {colour[:3]}
        wait_until(f"cell ({x}, {y}) to show {colour}",
                   lambda: self.screen_colour(x, y) in wanted)

    def click(self, x, y, button=1):
        self.display.click(*self.centre(x, y), button=button)

    def drag(self, cells, button=1, shift=False, before_release=None):
        """Presses on the first cell, visits the others in order, releases on the last.

        With shift, Shift goes down after the press and up after the release.
        before_release(cell) is called after each move, to wait for its effect.
        """
        d = self.display
        d.move(*self.centre(*cells[0]))
        d.xdotool("mousedown", button)
        try:
            if shift:
                d.xdotool("keydown", "shift")
            for cell in cells[1:]:
                d.move(*self.centre(*cell))
                if before_release:
                    before_release(cell)
        finally:
            d.xdotool("mouseup", button)
            if shift:
                d.xdotool("keyup", "shift")


def canvas_column(display, wid):
    """Screen box of the window's canvas column, between the tool and side columns."""
    x, y, w, h = display.geometry(wid)
    return (x + 62, y, x + w - 202, y + h)


def cell_geometry(first_box, last_box, size, box):
    """Origin and zoom from the screen boxes of the first and the last cell's colour,
    or None while they do not fit the image size (the canvas is still being laid out).

    A box starts one pixel in when the grid line is drawn, and ends on the cell edge.
    """
    span_x, span_y = last_box[2] - first_box[0], last_box[3] - first_box[1]
    zoom = round(span_x / size[0])
    if zoom < 2 or round(span_y / size[1]) != zoom:
        return None
    if not (0 <= size[0] * zoom - span_x <= 1 and 0 <= size[1] * zoom - span_y <= 1):
        return None
    origin = (box[0] + last_box[2] - size[0] * zoom, box[1] + last_box[3] - size[1] * zoom)
    return origin, zoom


def stable(probe):
    """A probe that answers only once two readings in a row agree."""
    previous = []

    def check():
        value = probe()
        agreed = value if value and previous and previous[-1] == value else None
        previous.append(value)
        return agreed
    return check


def find_canvas_by_markers(display, wid, size, first=MAGENTA, last=CYAN):
    """The canvas of an image whose top-left pixel is `first` and bottom-right `last`."""
    box = canvas_column(display, wid)

    def locate():
        shot = display.grab(box)
        a = solid_bbox(exact_mask(shot, first))
        b = solid_bbox(exact_mask(shot, last))
        return cell_geometry(a, b, size, box) if a and b else None

    origin, zoom = wait_until(f"a {size[0]} x {size[1]} canvas with its markers", stable(locate))
    return Canvas(display, origin, zoom, size)


def find_canvas_by_checkerboard(display, wid, size):
    """The canvas of a fully transparent image: the extent of the checkerboard."""
    box = canvas_column(display, wid)

    def locate():
        shot = display.grab(box)
        mask = ImageChops.lighter(exact_mask(shot, CHECKER_LIGHT), exact_mask(shot, CHECKER_DARK))
        found = solid_bbox(mask)
        return cell_geometry(found, found, size, box) if found else None

    origin, zoom = wait_until(f"a {size[0]} x {size[1]} checkerboard", stable(locate))
    return Canvas(display, origin, zoom, size)


TOOLS = ("pen", "bucket", "eraser", "select", "rectangle", "ellipse", "line")


def tool_button_centre(display, wid, tool):
    """Screen centre of a tool's button, placed from the divider after the fourth tool."""
    x, y, _, h = display.geometry(wid)
    column = display.grab((x, y, x + 60, y + h))
    background = column.getpixel((2, h - 2))
    # The divider is inset 4 from both sides; the menu bar's edge runs across the column.
    rows = [r for r in range(h)
            if column.getpixel((6, r)) != background and column.getpixel((2, r)) == background
            and column.getpixel((6, r)) == column.getpixel((53, r))]
    if not rows:
        raise AssertionError("no divider in the tool column")
    top = rows[0]
    bottom = top
    while bottom + 1 in rows:
        bottom += 1
    index = TOOLS.index(tool)
    cell, spacing = 40, 12
    if index < 4:
        button_top = top - spacing - cell - (3 - index) * (cell + spacing)
    else:
        button_top = bottom + 1 + spacing + (index - 4) * (cell + spacing)
    return x + 30, y + button_top + cell // 2


def side_column_box(display, wid):
    x, y, w, h = display.geometry(wid)
    return (x + w - 200, y, x + w, y + h)


def find_swatch(display, wid, colour):
    """Centre of the swatch of an exact colour in the colour panel.

    The preview and the current-colour wells may show the colour as well; the
    swatch grid lies below them, so the lowest solid block of the colour is taken.
    """
    box = side_column_box(display, wid)
    core = exact_mask(display.grab(box), colour).filter(ImageFilter.MinFilter(3))
    bottom = next((y for y in reversed(range(core.height))
                   if core.crop((0, y, core.width, y + 1)).getbbox()), None)
    if bottom is None:
        raise AssertionError(f"no swatch of {colour}")
    left, _, right, _ = core.crop((0, bottom, core.width, bottom + 1)).getbbox()
    right = next(x for x in range(left, core.width + 1)
                 if x == core.width or not core.getpixel((x, bottom)))
    top = next(y for y in reversed(range(-1, bottom + 1))
               if y < 0 or not core.getpixel((left, y))) + 1
    return box[0] + (left + right) // 2, box[1] + (top + bottom) // 2


def checker_button_centre(display, wid):
    """The checkerboard button at the right end of the colour panel's header.

    The drawing-colour well (black by default) is the first large black block of
    the side column; the header with the button sits right above it.
    """
    box = side_column_box(display, wid)
    shot = display.grab(box)
    black = exact_mask(shot, (0, 0, 0))
    top = next((y for y in range(shot.height)
                if sum(black.crop((8, y, 72, y + 1)).getdata()) == 64 * 255), None)
    if top is None:
        raise AssertionError("no drawing-colour well")
    header = (shot.width - 48, top - 32, shot.width - 4, top - 2)
    dark = shot.crop(header).convert("L").point(lambda v: 255 if v < 120 else 0).getbbox()
    if not dark:
        raise AssertionError("no checkerboard button")
    return (box[0] + header[0] + (dark[0] + dark[2]) // 2,
            box[1] + header[1] + (dark[1] + dark[3]) // 2)


# ---------------------------------------------------------------------------
# The scenarios.

def scenario(method):
    """Keeps a screenshot of the whole screen when a scenario fails."""
    @functools.wraps(method)
    def run(self):
        try:
            method(self)
        except BaseException:
            try:
                self.display.grab().save(ARTIFACTS / f"{self.slug}-failure.png")
            except Exception:  # the display itself may be what failed
                pass
            raise
    return run


class AcceptanceTest(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.started = time.monotonic()
        self.slug = self.id().rsplit(".", 1)[-1]
        ARTIFACTS.mkdir(parents=True, exist_ok=True)
        self.work = Path(tempfile.mkdtemp(prefix="pixmora-acceptance-"))
        _scratch.append(self.work)
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        self.log = open(ARTIFACTS / f"{self.slug}.log", "wb")
        self.addCleanup(self.log.close)
        self.display = Display(self.log)
        self.addCleanup(self.display.close)
        self.home = self.work / "home"
        self.home.mkdir()
        self.apps = []

    def tearDown(self):
        for app in self.apps:
            app.stop()
        sys.stderr.write(f"[{time.monotonic() - self.started:.1f} s] ")

    def launch(self, *files):
        app = Pixmora(self.display, self.home, self.log, files)
        self.apps.append(app)
        return app

    def artifact(self, name, image):
        image.save(ARTIFACTS / name)

    # Checks ----------------------------------------------------------------

    def assert_saved_document(self, path, expected_rows, colour_mode):
        data = Path(path).read_bytes()
        shutil.copy(path, ARTIFACTS / f"{self.slug}-{Path(path).name}")
        check = subprocess.run(["pngcheck", "-v", str(path)], capture_output=True, text=True,
                               timeout=COMMAND_TIMEOUT)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertRegex(check.stdout, r"chunk tEXt at offset .*\n(.*\n)*\s*chunk IEND")
        text = subprocess.run(["pngcheck", "-t", str(path)], capture_output=True, text=True,
                              timeout=COMMAND_TIMEOUT)
        self.assertIn("pixmoraColorMode", text.stdout)
        self.assertIn(colour_mode, text.stdout)

        chunks = png_chunks(data)
        self.assertEqual(chunks[-1][0], "IEND")
        self.assertEqual(chunks[-2], ("tEXt", b"pixmoraColorMode\x00" + colour_mode.encode()),
                         "the colour mode must be the last chunk before IEND")
        self.assertEqual(sum(1 for kind, _ in chunks if kind == "tEXt"), 1)

        with Image.open(path) as image:
            image.load()
            self.assertEqual(image.text.get("pixmoraColorMode"), colour_mode)
            if expected_rows is not None:
                self.assertEqual(image.size, (len(expected_rows[0]), len(expected_rows)))
                self.assert_same_pixels(pixels(image), expected_rows)
            return image.copy()

    def assert_same_pixels(self, actual, expected):
        def normal(c):
            return TRANSPARENT if c[3] == 0 else c
        wrong = [(x, y, actual[y][x], expected[y][x])
                 for y in range(len(expected)) for x in range(len(expected[0]))
                 if normal(actual[y][x]) != normal(expected[y][x])]
        self.assertEqual(wrong, [], "pixels differ as (x, y, actual, expected)")

    def save_with_dialog(self, path):
        dialog = self.display.wait_window(r"保存 — Pixmora")
        self.display.focus(dialog)
        self.display.key("ctrl+a")
        self.display.type(str(path))
        self.display.key("Return")
        self.display.wait_window_gone(dialog)

    # Scenario 1 ------------------------------------------------------------

    @scenario
    def test_1_draw_on_opened_file_and_save(self):
        """Pen (both buttons), rectangle and a Shift-constrained line on an opened PNG."""
        d = self.display
        width, height = 24, 16
        original = solid_image(width, height, WHITE)
        original[0][0] = MAGENTA
        original[height - 1][width - 1] = CYAN
        path = self.work / "sprite.png"
        write_png(path, original, "webSafe256")

        self.launch(path)
        window = d.wait_window(window_title("sprite.png"))
        d.focus(window)
        canvas = find_canvas_by_markers(d, window, (width, height))
        self.assertEqual(canvas.zoom, 16)
        expected = [row[:] for row in original]

        # Pen, left button: one click and a drag across five cells.
        canvas.click(3, 3)
        canvas.wait_cell(3, 3, BLACK)
        expected[3][3] = BLACK
        row = [(x, 1) for x in range(5, 10)]
        canvas.drag(row, before_release=lambda cell: canvas.wait_cell(*cell, BLACK))
        for x, y in row:
            expected[y][x] = BLACK
        d.wait_title(window, window_title("sprite.png", modified=True))

        # Right button paints the background colour, transparent at first.
        canvas.click(20, 2, button=3)
        canvas.wait_cell(20, 2, TRANSPARENT)
        expected[2][20] = TRANSPARENT
        column = [(1, y) for y in range(5, 9)]
        canvas.drag(column, button=3,
                    before_release=lambda cell: canvas.wait_cell(*cell, TRANSPARENT))
        for x, y in column:
            expected[y][x] = TRANSPARENT

        # Rectangle tool from its button: an outline, the inside left alone.
        d.click(*tool_button_centre(d, window, "rectangle"))
        canvas.drag([(12, 3), (14, 5), (17, 7)],
                    before_release=lambda cell: canvas.wait_cell(*cell, BLACK))
        for y in range(3, 8):
            for x in range(12, 18):
                if x in (12, 17) or y in (3, 7):
                    expected[y][x] = BLACK
        canvas.wait_cell(12, 7, BLACK)

        # Line tool with Shift held: (2, 9) to (8, 14) snaps to 45 degrees, ending at (7, 14).
        d.click(*tool_button_centre(d, window, "line"))
        canvas.drag([(2, 9), (5, 11), (8, 14)], shift=True,
                    before_release=lambda cell: cell == (8, 14) and canvas.wait_cell(7, 14, BLACK))
        for i in range(6):
            expected[9 + i][2 + i] = BLACK
        canvas.wait_cell(2, 9, BLACK)

        # The line is one step of the history, taken back and redone by both keys.
        d.focus(window)
        d.key("ctrl+z")
        canvas.wait_cell(7, 14, WHITE)
        canvas.wait_cell(2, 9, WHITE)
        d.key("ctrl+shift+z")
        canvas.wait_cell(2, 9, BLACK)
        d.key("ctrl+z")
        canvas.wait_cell(2, 9, WHITE)
        d.key("ctrl+y")
        canvas.wait_cell(7, 14, BLACK)

        self.artifact("main-window-drawing.png", d.settled_window(window))
        d.focus(window)
        d.key("ctrl+s")
        d.wait_title(window, window_title("sprite.png"))
        self.assert_saved_document(path, expected, "webSafe256")

    # Scenario 2 ------------------------------------------------------------

    @scenario
    def test_2_new_document_size_sheet_and_save_as(self):
        """The size sheet of a new document, drawing in 16 colours, Save As through the dialog."""
        d = self.display
        self.launch()
        window = d.wait_window(window_title(UNTITLED))
        sheet = d.wait_window(r"キャンバスサイズ — Pixmora")
        sx, sy, sw, sh = d.geometry(sheet)
        wx, wy, ww, wh = d.geometry(window)
        self.assertTrue(wx <= sx and sx + sw <= wx + ww and wy <= sy and sy + sh <= wy + wh,
                        "the sheet lies over its window")
        d.focus(sheet)
        # The width field has the focus; Tab moves on to the height field, the lock
        # check box and the first mode button; Right then Space checks 16色.
        d.key("ctrl+a")
        d.type("40")
        d.key("Tab")
        d.type("24")
        d.key("Tab", "Tab", "Right", "space")
        self.artifact("new-canvas-sheet.png", d.settled_window(window))
        d.key("Return")
        d.wait_window_gone(sheet)

        width, height = 40, 24
        canvas = find_canvas_by_checkerboard(d, window, (width, height))
        self.assertEqual(canvas.zoom, 16)

        # The panel offers the 16 colours: left click sets the drawing colour,
        # right click the background colour.
        red, blue = (255, 0, 0, 255), (0, 0, 255, 255)
        d.click(*find_swatch(d, window, red[:3]))
        d.click(*find_swatch(d, window, blue[:3]), button=3)
        expected = solid_image(width, height, TRANSPARENT)
        d.focus(window)
        canvas.click(0, 0)
        canvas.wait_cell(0, 0, red)
        expected[0][0] = red
        cells = [(x, 10) for x in range(4, 9)]
        canvas.drag(cells, button=3, before_release=lambda cell: canvas.wait_cell(*cell, blue))
        for x, y in cells:
            expected[y][x] = blue
        canvas.click(width - 1, height - 1)
        canvas.wait_cell(width - 1, height - 1, red)
        expected[height - 1][width - 1] = red
        d.wait_title(window, window_title(UNTITLED, modified=True))

        target = self.work / "new canvas.png"
        d.focus(window)
        d.key("ctrl+shift+s")
        self.save_with_dialog(target)
        d.wait_title(window, window_title(target.name))
        self.assert_saved_document(target, expected, "sixteenColor")

    # Scenario 3 ------------------------------------------------------------

    @scenario
    def test_3_clipboard_with_another_program(self):
        """Copy a selection out to xclip; paste xclip's PNG in, commit with Return, save."""
        d = self.display
        width, height = 24, 16
        original = solid_image(width, height, WHITE)
        original[0][0] = MAGENTA
        original[height - 1][width - 1] = CYAN
        for y in range(2, 6):
            for x in range(2, 7):
                original[y][x] = (_LEVELS[x % 6], _LEVELS[y % 6], _LEVELS[(x + y) % 6], 255)
        original[3][4] = TRANSPARENT
        path = self.work / "clip.png"
        write_png(path, original, "webSafe256")

        self.launch(path)
        window = d.wait_window(window_title("clip.png"))
        d.focus(window)
        canvas = find_canvas_by_markers(d, window, (width, height))

        # Copy: the selection (2, 2)-(6, 5) reaches another program as image/png.
        d.click(*tool_button_centre(d, window, "select"))
        canvas.drag([(2, 2), (4, 4), (6, 5)])
        d.focus(window)
        d.key("ctrl+c")

        def clipboard_png():
            out = d.run("xclip", "-selection", "clipboard", "-t", "image/png", "-o", check=False)
            return out.stdout if out.returncode == 0 and out.stdout[:4] == b"\x89PNG" else None

        copied = wait_until("an image/png on the clipboard", clipboard_png)
        targets = d.run("xclip", "-selection", "clipboard", "-t", "TARGETS", "-o").stdout.decode()
        self.assertIn("image/png", targets.split())
        self.assertIn("image/tiff", targets.split())
        copied_path = self.work / "copied.png"
        copied_path.write_bytes(copied)
        with Image.open(copied_path) as image:
            self.assert_same_pixels(pixels(image), [row[2:7] for row in original[2:6]])
            self.assertEqual(image.size, (5, 4))

        # Paste: another program owns the clipboard with a PNG the palette lacks.
        pasted = [
            [(250, 5, 5, 255), (10, 10, 10, 100), (0, 200, 0, 255), (100, 100, 100, 255)],
            [(20, 30, 240, 200), (255, 255, 255, 255), (0, 0, 0, 127), (140, 60, 170, 255)],
            [(0, 0, 0, 255), (255, 128, 0, 255), (60, 200, 210, 255), (240, 240, 10, 130)],
        ]
        paste_path = self.work / "paste.png"
        write_png(paste_path, pasted)
        owner = start_process(
            ["xclip", "-quiet", "-selection", "clipboard", "-t", "image/png", "-i",
             str(paste_path)], env=d.env, stdin=subprocess.DEVNULL, stdout=self.log,
            stderr=self.log)
        self.addCleanup(stop_process, owner)
        wait_until("xclip to own the clipboard",
                   lambda: clipboard_png() == paste_path.read_bytes())

        expected = [row[:] for row in original]
        for y, row in enumerate(pasted):
            for x, colour in enumerate(row):
                converted = to_palette(WEB_SAFE_PALETTE, colour)
                if converted[3]:  # transparent pasted pixels leave the canvas alone
                    expected[y][x] = converted
        d.focus(window)
        # Escape drops a floating paste, Return puts it down.
        d.key("ctrl+v")
        canvas.wait_cell(0, 0, expected[0][0])
        d.key("Escape")
        canvas.wait_cell(0, 0, MAGENTA)
        d.key("ctrl+v")
        canvas.wait_cell(0, 0, expected[0][0])
        self.assertEqual(d.window_name(window), "clip.png — Pixmora",
                         "a floating paste is not yet a change of the document")
        d.key("Return")
        d.wait_title(window, window_title("clip.png", modified=True))
        d.key("ctrl+s")
        d.wait_title(window, window_title("clip.png"))
        self.assert_saved_document(path, expected, "webSafe256")

    # Scenario 4 ------------------------------------------------------------

    @scenario
    def test_4_import_photo_with_dithering(self):
        """インポート… from the menu: 16 colours with Floyd-Steinberg into a new window."""
        d = self.display
        photo = self.work / "landscape.jpg"
        make_photo(photo)
        sprite = self.work / "open.png"
        rows = solid_image(16, 16, WHITE)
        write_png(sprite, rows, "webSafe256")

        self.launch(sprite)
        window = d.wait_window(window_title("open.png"))
        d.focus(window)
        x, y, _, _ = d.geometry(window)
        d.click(x + 28, y + 8)  # ファイル in the menu bar
        menu = wait_until("the File menu", lambda: self.new_window(d, window))
        d.key("Down", "Down", "Return")  # 新規, インポート…
        d.wait_window_gone(menu)

        chooser = d.wait_window(r"取り込む画像を選択してください — Pixmora")
        d.focus(chooser)
        d.key("ctrl+a")
        d.type(str(photo))
        d.key("Return")
        d.wait_window_gone(chooser)

        dialog = d.wait_window(r"画像を取り込む — Pixmora")
        d.focus(dialog)
        # Width first (the height follows the photo's 4:3 on the grid of 8), then
        # the first mode button, Right and Space for 16色, Tab to the dithering
        # picker and Down to Floyd-Steinberg.
        d.key("ctrl+a")
        d.type("40")
        d.key("Tab", "Tab", "Tab", "Right", "space", "Tab", "Down")
        self.artifact("import-dialog.png", d.settled_window(dialog))
        d.key("Return")
        d.wait_window_gone(dialog)

        # Imported content exists nowhere else yet: the new document is unsaved.
        imported = d.wait_window(window_title(UNTITLED, modified=True))
        self.assertEqual(d.window_name(window), "open.png — Pixmora",
                         "the window the import was started from is untouched")
        d.focus(imported)
        # Wait for the picture before taking it as the main window's screenshot.
        wait_until("the imported picture", lambda: exact_mask(
            d.grab(canvas_column(d, imported)), (0, 0, 128)).getbbox())
        self.artifact("main-window.png", d.settled_window(imported))
        d.key("ctrl+s")
        target = self.work / "imported.png"
        self.save_with_dialog(target)
        d.wait_title(imported, window_title(target.name))

        image = self.assert_saved_document(target, None, "sixteenColor")
        # The height follows the width at the photo's ratio, on the grid of 8; the
        # photo is fitted into the canvas at its own ratio, flush with the top left,
        # and what it does not cover stays transparent.
        width, height = 40, round(40 * 120 / 160 / 8) * 8
        self.assertEqual(image.size, (width, height))
        covered = round(120 * min(width / 160, height / 120))
        rows = pixels(image)
        opaque = {c for row in rows[:covered] for c in row}
        self.assertTrue(opaque <= {p + (255,) for p in SIXTEEN_PALETTE},
                        f"colours outside the palette: {opaque - set(SIXTEEN_PALETTE)}")
        self.assertEqual({c for row in rows[covered:] for c in row}, {TRANSPARENT})
        # The sky is a vertical gradient, each row one colour: only dithering mixes
        # palette colours within a row.
        sky = rows[:covered // 4]
        mixed = [y for y, row in enumerate(sky) if len(set(row[:16])) > 1]
        self.assertGreater(len(mixed), len(sky) // 2, "the sky rows are dithered")

    @staticmethod
    def new_window(display, *known):
        others = [wid for wid in display.windows() if wid not in known]
        return others[0] if len(others) == 1 else None

    # Scenario 5 ------------------------------------------------------------

    @scenario
    def test_5_unsaved_changes_prompt(self):
        """Ctrl+W on a changed document asks; Escape cancels, Return saves and closes."""
        d = self.display
        width, height = 16, 16
        original = solid_image(width, height, WHITE)
        original[0][0] = MAGENTA
        original[height - 1][width - 1] = CYAN
        path = self.work / "keep.png"
        write_png(path, original, "sixteenColor")
        before = path.read_bytes()

        app = self.launch(path)
        window = d.wait_window(window_title("keep.png"))
        d.focus(window)
        canvas = find_canvas_by_markers(d, window, (width, height))
        canvas.click(5, 6)
        canvas.wait_cell(5, 6, BLACK)
        d.wait_title(window, window_title("keep.png", modified=True))

        d.key("ctrl+w")
        prompt = d.wait_window(r"Pixmora")
        d.focus(prompt)
        d.key("Escape")
        d.wait_window_gone(prompt)
        self.assertTrue(app.running())
        self.assertEqual(d.window_name(window), "keep.png* — Pixmora",
                         "キャンセル keeps the window open and changed")
        self.assertEqual(path.read_bytes(), before)

        # The default button is 保存: the window closes after saving, and with it the program.
        d.focus(window)
        d.key("ctrl+w")
        prompt = d.wait_window(r"Pixmora")
        d.focus(prompt)
        d.key("Return")
        self.assertEqual(app.wait_exit(), 0, "the last window closed, and the program with it")
        expected = [row[:] for row in original]
        expected[6][5] = BLACK
        self.assert_saved_document(path, expected, "sixteenColor")

    # Colour popover ----------------------------------------------------------

    @scenario
    def test_6_transparency_colour_popover(self):
        """The checkerboard button in the colour panel opens its popover; Escape closes it."""
        d = self.display
        path = self.work / "popover.png"
        rows = solid_image(16, 16, TRANSPARENT)
        rows[0][0] = MAGENTA
        rows[15][15] = CYAN
        write_png(path, rows, "sixteenColor")
        self.launch(path)
        window = d.wait_window(window_title("popover.png"))
        d.focus(window)
        find_canvas_by_markers(d, window, (16, 16))
        button = checker_button_centre(d, window)
        d.click(*button)
        popover = wait_until("the popover", lambda: self.new_window(d, window))
        px, py, pw, ph = d.geometry(popover)
        wx, wy, ww, wh = d.geometry(window)
        self.assertLess(abs(px + pw - button[0]), 40, "the popover hangs below its button")
        self.assertGreater(py, button[1])
        # Its two wells show the checkerboard's colours.
        shot = d.settled_grab((px, py, px + pw, py + ph))
        for colour in (CHECKER_LIGHT, CHECKER_DARK):
            self.assertIsNotNone(solid_bbox(exact_mask(shot, colour)), colour)
        self.artifact("colour-popover.png", d.settled_grab(
            (min(px, wx), min(py, wy), max(px + pw, wx + ww), max(py + ph, wy + wh))))
        d.key("Escape")
        d.wait_window_gone(popover)
        self.assertEqual(d.window_name(window), "popover.png — Pixmora")


def make_photo(path):
    """A small landscape: a sky graded from top to bottom, a sun, hills."""
    width, height = 160, 120
    image = Image.new("RGB", (width, height))
    draw = ImageDraw.Draw(image)
    horizon = 70
    for y in range(horizon):
        t = y / (horizon - 1)
        draw.line([(0, y), (width, y)],
                  fill=(int(40 + 130 * t), int(90 + 110 * t), int(200 + 40 * t)))
    draw.ellipse([110, 12, 140, 42], fill=(250, 220, 80))
    for x in range(width):
        top = int(horizon - 12 * (1 + math.sin(x / 17.0)))
        draw.line([(x, top), (x, height)], fill=(60 + x // 4, 140, 50))
    draw.rectangle([20, 90, 60, 110], fill=(0, 0, 128))
    image.save(path, quality=92)


if __name__ == "__main__":
    unittest.main(verbosity=2)
