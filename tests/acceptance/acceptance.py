#!/usr/bin/python3
"""Acceptance tests: the built pixmora in its own Xvfb, driven by xdotool, sharing images with
xclip, its saved files read with pngcheck, Pillow and a PNG chunk walker of our own. Settings:
PIXMORA_BINARY, PIXMORA_ARTIFACTS, PIXMORA_ACCEPTANCE_TIMEOUT (seconds per wait)."""

import atexit
import contextlib
import ctypes
import functools
import importlib
import io
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

REPO = Path(__file__).resolve().parents[2]
BINARY = Path(os.environ.get("PIXMORA_BINARY") or REPO / "build/src/app/pixmora")
ARTIFACTS = Path(os.environ.get("PIXMORA_ARTIFACTS") or REPO / "build/artifacts/acceptance")
TIMEOUT = float(os.environ.get("PIXMORA_ACCEPTANCE_TIMEOUT") or 30)
COMMAND_TIMEOUT = 60  # for one xdotool, xclip or pngcheck run

if __name__ == "__main__":
    _missing = [t for t in ("Xvfb", "xdotool", "xclip", "pngcheck") if not shutil.which(t)]
    try:
        importlib.import_module("PIL.ImageGrab")
    except ImportError:
        _missing.append("python3-pil")
    if not os.access(BINARY, os.X_OK):
        _missing.append(f"the pixmora binary ({BINARY})")
    if _missing:
        print("acceptance tests skipped, missing: " + ", ".join(_missing))
        sys.exit(77)  # skipped

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageGrab  # noqa: E402

# Processes: everything started here is stopped by its pid, whatever happens.
_running = []
_watched = {}  # {process: name}: its unexpected exit ends any wait at once
_scratch = []  # folders of the run, removed at exit even when a signal cut it short
_libc = ctypes.CDLL(None, use_errno=True)


def start_process(args, log, **kwargs):
    # PR_SET_PDEATHSIG: should the driver be killed outright, its children go with it.
    process = subprocess.Popen(args, preexec_fn=lambda: _libc.prctl(1, signal.SIGTERM),
                               stdin=subprocess.DEVNULL, stdout=log, stderr=log, **kwargs)
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


def _at_exit():
    for process in reversed(list(_running)):
        stop_process(process)
    for folder in _scratch:
        shutil.rmtree(folder, ignore_errors=True)


def _interrupt(_signum, _frame):
    # A CTest timeout or Ctrl+C: unittest lets only this through, and atexit cleans up.
    raise KeyboardInterrupt


atexit.register(_at_exit)
for _signal in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
    signal.signal(_signal, _interrupt)


def wait_until(what, probe, stable=False, settle=None):
    """probe()'s first true value (with stable, twice the same; with settle, the last value
    after settle seconds rather than a failure)."""
    deadline = time.monotonic() + (settle or TIMEOUT)
    previous = None
    while True:
        for process, name in list(_watched.items()):
            if process.poll() is not None:
                raise AssertionError(f"{name} exited with {process.returncode} "
                                     f"while waiting for {what}")
        value = probe()
        if value and (not stable or value == previous):
            return value
        previous = value
        if time.monotonic() > deadline:
            if settle:
                return value
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.05)


# Pixels and PNG files, read independently of Pixmora.
TRANSPARENT = (0, 0, 0, 0)
WHITE = (255, 255, 255, 255)
BLACK = (0, 0, 0, 255)
MAGENTA = (255, 0, 255, 255)
CYAN = (0, 255, 255, 255)
CHECKER_LIGHT = (235, 235, 235)
CHECKER_DARK = (200, 200, 200)
SIXTEEN_PALETTE = [tuple(bytes.fromhex(colour)) for colour in (
    "000000 800000 008000 808000 000080 800080 008080 C0C0C0"
    " 808080 FF0000 00FF00 FFFF00 0000FF FF00FF 00FFFF FFFFFF").split()]
_LEVELS = (0, 51, 102, 153, 204, 255)
# The 216-colour cube, then the 16 colours with four system colours between their halves.
WEB_SAFE_PALETTE = ([(r, g, b) for r in _LEVELS for g in _LEVELS for b in _LEVELS]
                    + SIXTEEN_PALETTE[:8] + [(0xC0, 0xDC, 0xC0), (0xA6, 0xCA, 0xF0),
                                             (0xFF, 0xFB, 0xF0), (0xA0, 0xA0, 0xA4)]
                    + SIXTEEN_PALETTE[8:])


def to_palette(palette, rgba):
    """A pasted pixel in a palette document: alpha threshold, then the nearest colour."""
    if rgba[3] < 128:
        return TRANSPARENT
    return min(palette, key=lambda p: sum((a - b) ** 2 for a, b in zip(p, rgba))) + (255,)


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


def marked_image(width, height, background=WHITE):
    """Rows of one colour with the markers the canvas is found by in two corners."""
    rows = [[background] * width for _ in range(height)]
    rows[0][0], rows[-1][-1] = MAGENTA, CYAN
    return rows


def fill(rows, cells, colour):
    for x, y in cells:
        rows[y][x] = colour


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
    Path(path).write_bytes(data + chunk(b"IEND", b""))
    return path


def exact_mask(image, colour):
    """A mask (mode L, 255 or 0): set where the image has exactly this RGB colour."""
    diff = ImageChops.difference(image, Image.new("RGB", image.size, colour[:3]))
    r, g, b = diff.split()
    return ImageChops.lighter(ImageChops.lighter(r, g), b).point(lambda v: 255 if v == 0 else 0)


def solid_bbox(mask):
    """Bounding box of the mask's solid areas, without stray pixels of anti-aliased text."""
    core = mask.filter(ImageFilter.MinFilter(3)).getbbox()
    return (core[0] - 1, core[1] - 1, core[2] + 1, core[3] + 1) if core else None


# The X display, the program and what they show.
TOOLS = ("pen", "bucket", "eraser", "select", "rectangle", "ellipse", "line")


class Display:
    """One Xvfb server on a display number it reports through -displayfd."""

    def __init__(self, log):
        read_end, write_end = os.pipe()
        try:
            # -noreset: a server resetting as its last client leaves turns the next one away.
            self.server = start_process(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                 "-nolisten", "tcp", "-noreset"], log, pass_fds=(write_end,))
        finally:
            os.close(write_end)
        _watched[self.server] = "Xvfb"
        with os.fdopen(read_end, "rb") as pipe:
            # Xvfb writes the number with its newline at once, or exits and closes the pipe.
            number = pipe.readline() if select.select([pipe], [], [], TIMEOUT)[0] else b""
        if not number.endswith(b"\n"):
            raise AssertionError("Xvfb did not report its display")
        self.name = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.name)
        wait_until(f"a client connection to {self.name}",
                   lambda: self.run("xdotool", "getdisplaygeometry", check=False).returncode == 0)
        self.root = self.xdotool("search", "--maxdepth", 0, "--name", "").split()[0]

    def run(self, *args, check=True):
        result = subprocess.run(args, env=self.env, capture_output=True, timeout=COMMAND_TIMEOUT)
        if check and result.returncode != 0:
            raise AssertionError(f"{' '.join(map(str, args))} failed: {result.stderr.decode()}")
        return result

    def xdotool(self, *args):
        return self.run("xdotool", *map(str, args)).stdout.decode("utf-8", "replace")

    def windows(self):
        """Visible windows as {id: name}; xdotool's name search misses Japanese titles."""
        found = self.run("xdotool", "search", "--onlyvisible", "--name", "", check=False)
        names = {}
        for wid in found.stdout.decode().split():
            name = self.run("xdotool", "getwindowname", wid, check=False)
            if wid != self.root and name.returncode == 0:
                names[int(wid)] = name.stdout.decode("utf-8", "replace").rstrip("\n")
        return names

    def wait_window(self, pattern=".*", besides=()):
        """The one window, of those not in besides, whose name matches pattern."""
        def find():
            hits = [wid for wid, name in self.windows().items()
                    if wid not in besides and re.fullmatch(pattern, name)]
            return hits[0] if len(hits) == 1 else None
        return wait_until(f"a window named {pattern!r}", find)

    def wait_name(self, wid, pattern):
        """Waits until the window's name matches pattern or, for None, the window is gone."""
        wait_until(f"window {wid} named {pattern!r}", lambda: (
            wid not in self.windows() if pattern is None
            else re.fullmatch(pattern, self.windows().get(wid) or "")))

    def box(self, wid, column=None):
        """Screen box of the window, or of its tools, canvas or side column."""
        shell = self.xdotool("getwindowgeometry", "--shell", wid)
        values = dict(line.split("=", 1) for line in shell.split())
        x, y, w, h = (int(values[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))
        left, right = {None: (x, x + w), "tools": (x, x + 60), "canvas": (x + 62, x + w - 202),
                       "side": (x + w - 200, x + w)}[column]
        return left, y, right, y + h

    def focus(self, wid):
        # No window manager: give the window the keyboard directly.
        self.xdotool("windowraise", wid)
        self.xdotool("windowfocus", "--sync", wid)

    def grab(self, box=None):
        return ImageGrab.grab(bbox=box, xdisplay=self.name).convert("RGB")

    def settled(self, box):
        """A screenshot once two in a row agree, or after 3 s (a blinking text cursor)."""
        return wait_until("a still screen", lambda: self.grab(box), stable=True, settle=3)

    def click(self, x, y, button=1):
        self.xdotool("mousemove", x, y, "click", button)

    def key(self, *keys):
        self.xdotool("key", *keys)

    def type(self, text):
        self.xdotool("type", "--delay", 20, text)

    def tool_button(self, wid, tool):
        """Screen centre of a tool's button, placed from the divider after the fourth tool."""
        box = self.box(wid, "tools")
        column = self.grab(box)
        background = column.getpixel((2, column.height - 2))
        # The divider is inset 4 from both sides; the menu bar's edge runs across the column.
        rows = [r for r in range(column.height) if column.getpixel((2, r)) == background
                and background != column.getpixel((6, r)) == column.getpixel((53, r))]
        if not rows:
            raise AssertionError("no divider in the tool column")
        bottom = next(r for r in rows if r + 1 not in rows)
        index, cell, spacing = TOOLS.index(tool), 40, 12
        button_top = (rows[0] - spacing - cell - (3 - index) * (cell + spacing) if index < 4
                      else bottom + 1 + spacing + (index - 4) * (cell + spacing))
        return box[0] + 30, box[1] + button_top + cell // 2

    def swatch(self, wid, colour):
        """Centre of a colour's swatch: its lowest solid block, below the preview and wells."""
        box = self.box(wid, "side")
        core = exact_mask(self.grab(box), colour).filter(ImageFilter.MinFilter(3))
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

    def checker_button(self, wid):
        """The checkerboard button at the right end of the colour panel's header, right above the
        drawing-colour well: the side column's first large black block."""
        box = self.box(wid, "side")
        shot = self.grab(box)
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


def window_title(name, modified=False):
    """The X window name Qt gives a document window: display name appended."""
    return re.escape(name) + (r"\*" if modified else "") + " — Pixmora"


UNTITLED = "名称未設定"


class Canvas:
    """Where the main canvas's cells are on screen, and what the document should hold."""

    def __init__(self, display, wid, rows):
        """Finds the canvas of rows by its markers (see marked_image), else by its checkerboard."""
        self.display, self.expected = display, [row[:] for row in rows]
        size, box = (len(rows[0]), len(rows)), display.box(wid, "canvas")

        def locate():
            shot = display.grab(box)
            if rows[0][0] != MAGENTA:
                first = last = solid_bbox(ImageChops.lighter(
                    exact_mask(shot, CHECKER_LIGHT), exact_mask(shot, CHECKER_DARK)))
            else:
                first, last = (solid_bbox(exact_mask(shot, c)) for c in (MAGENTA, CYAN))
            if not (first and last):
                return None
            # Boxes start a pixel in past a grid line; while they misfit, layout is under way.
            span_x, span_y = last[2] - first[0], last[3] - first[1]
            zoom = round(span_x / size[0])
            if zoom < 2 or round(span_y / size[1]) != zoom or not (
                    0 <= size[0] * zoom - span_x <= 1 and 0 <= size[1] * zoom - span_y <= 1):
                return None
            return (box[0] + last[2] - size[0] * zoom, box[1] + last[3] - size[1] * zoom), zoom

        self.origin, self.zoom = wait_until(f"a {size[0]} x {size[1]} canvas", locate,
                                            stable=True)

    def centre(self, x, y):
        return (self.origin[0] + x * self.zoom + self.zoom // 2,
                self.origin[1] + y * self.zoom + self.zoom // 2)

    def wait_cell(self, x, y, colour):
        """Waits until the cell shows an opaque colour, or the checkerboard for transparent."""
        wanted = {CHECKER_LIGHT, CHECKER_DARK} if colour[3] == 0 else {colour[:3]}
        sx, sy = self.centre(x, y)
        wait_until(f"cell ({x}, {y}) to show {colour}",
                   lambda: self.display.grab((sx, sy, sx + 1, sy + 1)).getpixel((0, 0)) in wanted)

    def drag(self, cells, button=1, shift=False, before_release=None):
        """Presses on cells[0] (then Shift), moves on calling before_release(cell), releases."""
        d = self.display
        d.xdotool("mousemove", *self.centre(*cells[0]), "mousedown", button)
        try:
            if shift:
                d.xdotool("keydown", "shift")
            for cell in cells[1:]:
                d.xdotool("mousemove", *self.centre(*cell))
                if before_release:
                    before_release(cell)
        finally:
            d.xdotool("mouseup", button)
            if shift:
                d.xdotool("keyup", "shift")

    def paint(self, cells, colour, button=1, expect=True):
        """Clicks one cell or drags through several, waiting for each to show colour."""
        self.drag(cells, button, before_release=lambda cell: self.wait_cell(*cell, colour))
        self.wait_cell(*cells[0], colour)
        if expect:
            fill(self.expected, cells, colour)


def failure_screenshots(cls):
    """Keeps a screenshot of the whole screen when a scenario fails."""
    def wrap(method):
        @functools.wraps(method)
        def run(self):
            try:
                method(self)
            except BaseException:
                with contextlib.suppress(Exception):  # the display itself may be what failed
                    self.display.grab().save(ARTIFACTS / f"{self.slug}-failure.png")
                raise
        return run
    for name in [name for name in vars(cls) if name.startswith("test_")]:
        setattr(cls, name, wrap(getattr(cls, name)))
    return cls


@failure_screenshots
class AcceptanceTest(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        started = time.monotonic()
        self.addCleanup(lambda: sys.stderr.write(f"[{time.monotonic() - started:.1f} s] "))
        self.slug = self.id().rsplit(".", 1)[-1]
        ARTIFACTS.mkdir(parents=True, exist_ok=True)
        self.work = Path(tempfile.mkdtemp(prefix="pixmora-acceptance-"))
        _scratch.append(self.work)
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        self.log = open(ARTIFACTS / f"{self.slug}.log", "wb")
        self.addCleanup(self.log.close)
        self.display = Display(self.log)
        self.addCleanup(stop_process, self.display.server)

    def launch(self, *files):
        """Starts pixmora with a home of its own, so no settings leak in or out."""
        home = self.work / "home"
        (home / "run").mkdir(mode=0o700, parents=True, exist_ok=True)
        env = {key: value for key, value in self.display.env.items() if key not in (
            "DBUS_SESSION_BUS_ADDRESS", "SESSION_MANAGER", "XDG_CURRENT_DESKTOP",
            "DESKTOP_SESSION", "QT_STYLE_OVERRIDE")}
        env.update(HOME=str(home), XDG_CONFIG_HOME=str(home / ".config"),
                   XDG_DATA_HOME=str(home / ".local/share"), XDG_CACHE_HOME=str(home / ".cache"),
                   XDG_RUNTIME_DIR=str(home / "run"), QT_QPA_PLATFORM="xcb",
                   QT_QPA_PLATFORMTHEME="", NO_AT_BRIDGE="1", LANG="C.UTF-8")
        self.app = start_process([str(BINARY), *map(str, files)], self.log, env=env, cwd=home)
        _watched[self.app] = "pixmora"
        self.addCleanup(stop_process, self.app)

    def open_image(self, name, rows, colour_mode):
        """Saves rows as name and opens it; returns its path, focused window and canvas."""
        path = write_png(self.work / name, rows, colour_mode)
        self.launch(path)
        window = self.display.wait_window(window_title(name))
        self.display.focus(window)
        return path, window, Canvas(self.display, window, rows)

    def fill_dialog(self, title, text):
        """Types text into the focused field of the dialog titled title and accepts it."""
        dialog = self.display.wait_window(title)
        self.display.focus(dialog)
        self.display.key("ctrl+a")
        self.display.type(text)
        self.display.key("Return")
        self.display.wait_name(dialog, None)

    def assert_saved_document(self, path, expected_rows, colour_mode):
        shutil.copy(path, ARTIFACTS / f"{self.slug}-{path.name}")
        verbose, text = (subprocess.run(["pngcheck", flag, str(path)], capture_output=True,
                                        text=True, timeout=COMMAND_TIMEOUT)
                         for flag in ("-v", "-t"))
        self.assertEqual(verbose.returncode, 0, verbose.stdout + verbose.stderr)
        self.assertRegex(verbose.stdout, r"chunk tEXt at offset .*\n(.*\n)*\s*chunk IEND")
        self.assertIn("pixmoraColorMode", text.stdout)
        self.assertIn(colour_mode, text.stdout)
        chunks = png_chunks(path.read_bytes())
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

    def test_1_draw_on_opened_file_and_save(self):
        """Pen (both buttons), rectangle and a Shift-constrained line on an opened PNG."""
        d = self.display
        path, window, canvas = self.open_image("sprite.png", marked_image(24, 16), "webSafe256")
        self.assertEqual(canvas.zoom, 16)
        # Pen: the left button paints black, the right the background colour (transparent).
        canvas.paint([(3, 3)], BLACK)
        canvas.paint([(x, 1) for x in range(5, 10)], BLACK)
        d.wait_name(window, window_title("sprite.png", modified=True))
        canvas.paint([(20, 2)], TRANSPARENT, button=3)
        canvas.paint([(1, y) for y in range(5, 9)], TRANSPARENT, button=3)
        # Rectangle tool from its button: an outline, the inside left alone.
        d.click(*d.tool_button(window, "rectangle"))
        canvas.paint([(12, 3), (14, 5), (17, 7)], BLACK, expect=False)
        fill(canvas.expected, [(x, y) for y in range(3, 8) for x in range(12, 18)
                               if x in (12, 17) or y in (3, 7)], BLACK)
        canvas.wait_cell(12, 7, BLACK)
        # Line tool with Shift held: (2, 9) to (8, 14) snaps to 45 degrees, ending at (7, 14).
        d.click(*d.tool_button(window, "line"))
        canvas.drag([(2, 9), (5, 11), (8, 14)], shift=True,
                    before_release=lambda cell: cell == (8, 14) and canvas.wait_cell(7, 14, BLACK))
        fill(canvas.expected, [(2 + i, 9 + i) for i in range(6)], BLACK)
        canvas.wait_cell(2, 9, BLACK)
        d.focus(window)
        for key, colour in (("ctrl+z", WHITE), ("ctrl+shift+z", BLACK), ("ctrl+z", WHITE),
                            ("ctrl+y", BLACK)):
            d.key(key)
            canvas.wait_cell(2, 9, colour)
            canvas.wait_cell(7, 14, colour)
        d.settled(d.box(window)).save(ARTIFACTS / "main-window-drawing.png")
        d.focus(window)
        d.key("ctrl+s")
        d.wait_name(window, window_title("sprite.png"))
        self.assert_saved_document(path, canvas.expected, "webSafe256")

    def test_2_new_document_size_sheet_and_save_as(self):
        """The size sheet of a new document, drawing in 16 colours, Save As through the dialog."""
        d = self.display
        self.launch()
        window = d.wait_window(window_title(UNTITLED))
        sheet = d.wait_window(r"キャンバスサイズ — Pixmora")
        inner, outer = d.box(sheet), d.box(window)
        self.assertTrue(all(outer[i] <= inner[i] and inner[i + 2] <= outer[i + 2]
                            for i in (0, 1)), "the sheet lies over its window")
        d.focus(sheet)
        # Width; Tab to height; Tab, Tab past the lock to the first mode button; Right, Space: 16色.
        d.key("ctrl+a")
        d.type("40")
        d.key("Tab")
        d.type("24")
        d.key("Tab", "Tab", "Right", "space")
        d.settled(d.box(window)).save(ARTIFACTS / "new-canvas-sheet.png")
        d.key("Return")
        d.wait_name(sheet, None)
        canvas = Canvas(d, window, [[TRANSPARENT] * 40 for _ in range(24)])
        self.assertEqual(canvas.zoom, 16)
        # A swatch sets the drawing colour with the left button, the background with the right.
        red, blue = (255, 0, 0, 255), (0, 0, 255, 255)
        d.click(*d.swatch(window, red[:3]))
        d.click(*d.swatch(window, blue[:3]), button=3)
        d.focus(window)
        canvas.paint([(0, 0)], red)
        canvas.paint([(x, 10) for x in range(4, 9)], blue, button=3)
        canvas.paint([(39, 23)], red)
        d.wait_name(window, window_title(UNTITLED, modified=True))
        target = self.work / "new canvas.png"
        d.focus(window)
        d.key("ctrl+shift+s")
        self.fill_dialog(r"保存 — Pixmora", str(target))
        d.wait_name(window, window_title(target.name))
        self.assert_saved_document(target, canvas.expected, "sixteenColor")

    def test_3_clipboard_with_another_program(self):
        """Copy a selection out to xclip; paste xclip's PNG in, commit with Return, save."""
        d = self.display
        original = marked_image(24, 16)
        for x, y in [(x, y) for y in range(2, 6) for x in range(2, 7)]:
            original[y][x] = (_LEVELS[x % 6], _LEVELS[y % 6], _LEVELS[(x + y) % 6], 255)
        original[3][4] = TRANSPARENT
        path, window, canvas = self.open_image("clip.png", original, "webSafe256")
        # The selection (2, 2)-(6, 5) reaches another program as image/png.
        d.click(*d.tool_button(window, "select"))
        canvas.drag([(2, 2), (4, 4), (6, 5)])
        d.focus(window)
        d.key("ctrl+c")

        def clipboard():
            out = d.run("xclip", "-selection", "clipboard", "-t", "image/png", "-o", check=False)
            return out.stdout if out.returncode == 0 and out.stdout[:4] == b"\x89PNG" else None
        copied = wait_until("an image/png on the clipboard", clipboard)
        targets = d.run("xclip", "-selection", "clipboard", "-t", "TARGETS", "-o").stdout.split()
        self.assertIn(b"image/png", targets)
        self.assertIn(b"image/tiff", targets)
        with Image.open(io.BytesIO(copied)) as image:
            self.assert_same_pixels(pixels(image), [row[2:7] for row in original[2:6]])
            self.assertEqual(image.size, (5, 4))
        # Another program owns the clipboard with a PNG the palette lacks.
        pasted = [
            [(250, 5, 5, 255), (10, 10, 10, 100), (0, 200, 0, 255), (240, 240, 10, 130)],
            [(20, 30, 240, 200), (255, 128, 0, 255), (0, 0, 0, 127), (140, 60, 170, 255)]]
        paste_path = write_png(self.work / "paste.png", pasted)
        owner = start_process(["xclip", "-quiet", "-selection", "clipboard", "-t", "image/png",
                               "-i", str(paste_path)], self.log, env=d.env)
        self.addCleanup(stop_process, owner)
        wait_until("xclip to own the clipboard", lambda: clipboard() == paste_path.read_bytes())
        for y, row in enumerate(pasted):
            for x, colour in enumerate(row):
                if colour[3] >= 128:  # transparent pasted pixels leave the canvas alone
                    canvas.expected[y][x] = to_palette(WEB_SAFE_PALETTE, colour)
        # Escape drops a floating paste, Return puts it down.
        d.focus(window)
        for key, colour in (("ctrl+v", canvas.expected[0][0]), ("Escape", MAGENTA),
                            ("ctrl+v", canvas.expected[0][0])):
            d.key(key)
            canvas.wait_cell(0, 0, colour)
        self.assertEqual(d.windows().get(window), "clip.png — Pixmora",
                         "a floating paste is not yet a change of the document")
        d.key("Return")
        d.wait_name(window, window_title("clip.png", modified=True))
        d.key("ctrl+s")
        d.wait_name(window, window_title("clip.png"))
        self.assert_saved_document(path, canvas.expected, "webSafe256")

    def test_4_import_photo_with_dithering(self):
        """インポート… from the menu: 16 colours with Floyd-Steinberg into a new window."""
        d = self.display
        photo = self.work / "landscape.jpg"
        make_photo(photo)
        _, window, _ = self.open_image("open.png", marked_image(16, 16), "webSafe256")
        x, y, _, _ = d.box(window)
        d.click(x + 28, y + 8)  # ファイル in the menu bar
        menu = d.wait_window(besides=[window])
        d.key("Down", "Down", "Return")  # 新規, インポート…
        d.wait_name(menu, None)
        self.fill_dialog(r"取り込む画像を選択してください — Pixmora", str(photo))
        dialog = d.wait_window(r"画像を取り込む — Pixmora")
        d.focus(dialog)
        # Width (the height follows at 4:3 on the grid of 8); Tab x3 to the first mode button,
        # Right and Space for 16色; Tab to the dithering picker, Down to Floyd-Steinberg.
        d.key("ctrl+a")
        d.type("40")
        d.key("Tab", "Tab", "Tab", "Right", "space", "Tab", "Down")
        d.settled(d.box(dialog)).save(ARTIFACTS / "import-dialog.png")
        d.key("Return")
        d.wait_name(dialog, None)
        # Imported content exists nowhere else yet: the new document is unsaved.
        imported = d.wait_window(window_title(UNTITLED, modified=True))
        self.assertEqual(d.windows().get(window), "open.png — Pixmora",
                         "the window the import was started from is untouched")
        d.focus(imported)
        wait_until("the imported picture", lambda: exact_mask(
            d.grab(d.box(imported, "canvas")), (0, 0, 128)).getbbox())
        d.settled(d.box(imported)).save(ARTIFACTS / "main-window.png")
        d.key("ctrl+s")
        target = self.work / "imported.png"
        self.fill_dialog(r"保存 — Pixmora", str(target))
        d.wait_name(imported, window_title(target.name))
        image = self.assert_saved_document(target, None, "sixteenColor")
        # The photo is fitted at its own ratio, flush top left; the rest stays transparent.
        width, height = 40, round(40 * 120 / 160 / 8) * 8
        self.assertEqual(image.size, (width, height))
        covered = round(120 * min(width / 160, height / 120))
        rows = pixels(image)
        opaque = {c for row in rows[:covered] for c in row}
        self.assertTrue(opaque <= {p + (255,) for p in SIXTEEN_PALETTE},
                        f"colours outside the palette: {opaque - set(SIXTEEN_PALETTE)}")
        self.assertEqual({c for row in rows[covered:] for c in row}, {TRANSPARENT})
        # Each sky row is one colour: only dithering mixes palette colours within a row.
        sky = rows[:covered // 4]
        mixed = [y for y, row in enumerate(sky) if len(set(row[:16])) > 1]
        self.assertGreater(len(mixed), len(sky) // 2, "the sky rows are dithered")

    def test_5_unsaved_changes_prompt(self):
        """Ctrl+W on a changed document asks; Escape cancels, Return saves and closes."""
        d = self.display
        path, window, canvas = self.open_image("keep.png", marked_image(16, 16), "sixteenColor")
        before = path.read_bytes()
        canvas.paint([(5, 6)], BLACK)
        d.wait_name(window, window_title("keep.png", modified=True))

        def close_and_answer(key):
            d.focus(window)
            d.key("ctrl+w")
            prompt = d.wait_window(r"Pixmora")
            d.focus(prompt)
            d.key(key)
            return prompt
        d.wait_name(close_and_answer("Escape"), None)
        self.assertIsNone(self.app.poll())
        self.assertEqual(d.windows().get(window), "keep.png* — Pixmora",
                         "キャンセル keeps the window open and changed")
        self.assertEqual(path.read_bytes(), before)
        # The default button is 保存: the window closes after saving, and with it the program.
        close_and_answer("Return")
        _watched.pop(self.app)
        wait_until("pixmora to exit", lambda: self.app.poll() is not None)
        self.assertEqual(self.app.returncode, 0, "the last window closed, and the program too")
        self.assert_saved_document(path, canvas.expected, "sixteenColor")

    def test_6_transparency_colour_popover(self):
        """The checkerboard button in the colour panel opens its popover; Escape closes it."""
        d = self.display
        _, window, _ = self.open_image("popover.png", marked_image(16, 16, TRANSPARENT),
                                       "sixteenColor")
        button = d.checker_button(window)
        d.click(*button)
        popover = d.wait_window(besides=[window])
        pop, win = d.box(popover), d.box(window)
        self.assertLess(abs(pop[2] - button[0]), 40, "the popover hangs below its button")
        self.assertGreater(pop[1], button[1])
        shot = d.settled(pop)
        for colour in (CHECKER_LIGHT, CHECKER_DARK):  # its two wells
            self.assertIsNotNone(solid_bbox(exact_mask(shot, colour)), colour)
        d.settled((*map(min, pop[:2], win[:2]), *map(max, pop[2:], win[2:]))).save(
            ARTIFACTS / "colour-popover.png")
        d.key("Escape")
        d.wait_name(popover, None)
        self.assertEqual(d.windows().get(window), "popover.png — Pixmora")


def make_photo(path):
    """A small landscape: a sky graded from top to bottom, a sun, hills."""
    width, height, horizon = 160, 120, 70
    image = Image.new("RGB", (width, height))
    draw = ImageDraw.Draw(image)
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
