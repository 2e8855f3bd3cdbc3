#!/usr/bin/python3
"""The built pixmora in its own Xvfb, driven by xdotool, sharing images with xclip; saved files
read with pngcheck, Pillow and our own chunk walker. Settings: PIXMORA_BINARY, PIXMORA_ARTIFACTS,
PIXMORA_ACCEPTANCE_TIMEOUT (seconds per wait)."""

import atexit
import importlib.util
import io
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
    _missing += ["python3-pil"] * (importlib.util.find_spec("PIL") is None)
    _missing += [f"the pixmora binary ({BINARY})"] * (not os.access(BINARY, os.X_OK))
    if _missing:
        print("acceptance tests skipped, missing: " + ", ".join(_missing))
        sys.exit(77)  # skipped

from PIL import Image, ImageChops, ImageFilter, ImageGrab  # noqa: E402
from PIL.PngImagePlugin import PngInfo  # noqa: E402

# Processes: everything started here is stopped by its pid, whatever happens.
_running = []


def start_process(args, log, **kwargs):
    process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=log, stderr=log, **kwargs)
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
    _running[:] = [other for other in _running if other is not process]


def _at_exit():
    for process in reversed(list(_running)):
        stop_process(process)


atexit.register(_at_exit)
# A CTest timeout or Ctrl+C: unittest lets only KeyboardInterrupt through, and atexit cleans up.
for _signal in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
    signal.signal(_signal, signal.default_int_handler)


def wait_until(what, probe, stable=False):
    """probe()'s first true value (stable: the first seen twice in a row)."""
    deadline = time.monotonic() + TIMEOUT
    previous = None
    while True:
        value = probe()
        if value and (not stable or value == previous):
            return value
        previous = value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.05)


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


def png_chunks(data):
    """(type, payload) of every chunk, checking the signature and each CRC."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG signature"
    chunks, pos = [], 8
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        payload, crc = data[pos + 8:pos + 8 + length], data[pos + 8 + length:pos + 12 + length]
        assert len(payload) == length and struct.pack(">I", zlib.crc32(kind + payload)) == crc, \
            f"bad chunk {kind!r} at {pos}"
        chunks.append((kind.decode("latin-1"), payload))
        pos += 12 + length
    return chunks


def pixels(image):
    data = [c if c[3] else TRANSPARENT for c in image.convert("RGBA").getdata()]
    return [data[y * image.width:(y + 1) * image.width] for y in range(image.height)]


def marked_image(width, height, background=WHITE):
    rows = [[background] * width for _ in range(height)]
    rows[0][0], rows[-1][-1] = MAGENTA, CYAN
    return rows


def write_png(path, rows, colour_mode=None):
    image = Image.new("RGBA", (len(rows[0]), len(rows)))
    image.putdata([px for row in rows for px in row])
    info = PngInfo()
    if colour_mode:
        info.add_text("pixmoraColorMode", colour_mode)
    image.save(path, pnginfo=info)
    return path


def exact_mask(image, colour):
    r, g, b = ImageChops.difference(image, Image.new("RGB", image.size, colour[:3])).split()
    return ImageChops.lighter(ImageChops.lighter(r, g), b).point(lambda v: 255 if v == 0 else 0)


def solid_bbox(mask):
    """Bounding box of the mask's solid areas, without stray pixels of anti-aliased text."""
    core = mask.filter(ImageFilter.MinFilter(3)).getbbox()
    return (core[0] - 1, core[1] - 1, core[2] + 1, core[3] + 1) if core else None


class Display:
    def __init__(self, log):
        read_end, write_end = os.pipe()
        # -noreset: a server resetting as its last client leaves turns the next one away.
        self.server = start_process(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                     "1280x1024x24", "-nolisten", "tcp", "-noreset"],
                                    log, pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline() if select.select([pipe], [], [], TIMEOUT)[0] else b""
        assert number.endswith(b"\n"), "Xvfb did not report its display"
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
        def find():
            hits = [wid for wid, name in self.windows().items()
                    if wid not in besides and re.fullmatch(pattern, name)]
            return hits[0] if len(hits) == 1 else None
        return wait_until(f"a window named {pattern!r}", find)

    def wait_name(self, wid, pattern):
        wait_until(f"window {wid} named {pattern!r}", lambda: (
            wid not in self.windows() if pattern is None
            else re.fullmatch(pattern, self.windows().get(wid) or "")))

    def box(self, wid, column=None):
        shell = self.xdotool("getwindowgeometry", "--shell", wid)
        values = dict(line.split("=", 1) for line in shell.split())
        x, y, w, h = (int(values[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))
        left, right = {None: (x, x + w), "canvas": (x + 62, x + w - 202),
                       "side": (x + w - 200, x + w)}[column]
        return left, y, right, y + h

    def focus(self, wid):
        # No window manager: give the window the keyboard directly.
        self.xdotool("windowraise", wid)
        self.xdotool("windowfocus", "--sync", wid)

    def grab(self, box=None):
        return ImageGrab.grab(bbox=box, xdisplay=self.name).convert("RGB")

    def click(self, x, y, button=1):
        self.xdotool("mousemove", x, y, "click", button)

    def key(self, *keys):
        self.xdotool("key", *keys)

    def swatch(self, wid, colour):
        box = self.box(wid, "side")
        core = exact_mask(self.grab(box), colour).filter(ImageFilter.MinFilter(5))
        bottom = next((y for y in reversed(range(core.height))
                       if core.crop((0, y, core.width, y + 1)).getbbox()), None)
        assert bottom is not None, f"no swatch of {colour}"
        left, _, right, _ = core.crop((0, bottom, core.width, bottom + 1)).getbbox()
        return box[0] + left + 1, box[1] + bottom - 1


def window_title(name, modified=False):
    return re.escape(name) + (r"\*" if modified else "") + " — Pixmora"


class Canvas:
    """Where the cells are on screen (found by marked_image's markers or the checkerboard)."""

    def __init__(self, display, wid, rows):
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
            # With the grid shown, the boxes lie a pixel inside its first and closing
            # lines; while they misfit, layout is under way.
            span_x, span_y = last[2] - first[0], last[3] - first[1]
            zoom = round(span_x / size[0])
            short = size[0] * zoom - span_x
            if zoom < 2 or round(span_y / size[1]) != zoom or short not in (0, 2) or (
                    size[1] * zoom - span_y != short):
                return None
            inset = short // 2
            return (box[0] + last[2] + inset - size[0] * zoom,
                    box[1] + last[3] + inset - size[1] * zoom), zoom

        self.origin, self.zoom = wait_until(f"a {size[0]} x {size[1]} canvas", locate,
                                            stable=True)

    def centre(self, x, y):
        return (self.origin[0] + x * self.zoom + self.zoom // 2,
                self.origin[1] + y * self.zoom + self.zoom // 2)

    def wait_cell(self, x, y, colour):
        wanted = {CHECKER_LIGHT, CHECKER_DARK} if colour[3] == 0 else {colour[:3]}
        sx, sy = self.centre(x, y)
        wait_until(f"cell ({x}, {y}) to show {colour}",
                   lambda: self.display.grab((sx, sy, sx + 1, sy + 1)).getpixel((0, 0)) in wanted)

    def paint(self, cells, colour, button=1):
        d = self.display
        d.xdotool("mousemove", *self.centre(*cells[0]), "mousedown", button)
        for cell in cells[1:]:
            d.xdotool("mousemove", *self.centre(*cell))
            if colour:
                self.wait_cell(*cell, colour)
        d.xdotool("mouseup", button)
        for x, y in cells if colour else ():
            self.expected[y][x] = colour
        if colour:
            self.wait_cell(*cells[0], colour)


class AcceptanceTest(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.slug = self.id().rsplit(".", 1)[-1]
        ARTIFACTS.mkdir(parents=True, exist_ok=True)
        self.work = Path(tempfile.mkdtemp(prefix="pixmora-acceptance-"))
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        self.log = open(ARTIFACTS / f"{self.slug}.log", "wb")
        self.addCleanup(self.log.close)
        self.display = Display(self.log)
        self.addCleanup(stop_process, self.display.server)

    def launch(self, *files):
        # A home of its own, so no settings leak in or out.
        home = self.work / "home"
        (home / "run").mkdir(mode=0o700, parents=True, exist_ok=True)
        env = dict(PATH=os.environ.get("PATH", "/usr/bin:/bin"), DISPLAY=self.display.name,
                   HOME=str(home), XDG_RUNTIME_DIR=str(home / "run"), QT_QPA_PLATFORM="xcb",
                   QT_QPA_PLATFORMTHEME="", NO_AT_BRIDGE="1", LANG="C.UTF-8")
        self.app = start_process([str(BINARY), *map(str, files)], self.log, env=env, cwd=home)
        self.addCleanup(stop_process, self.app)

    def open_image(self, name, rows, colour_mode):
        path = write_png(self.work / name, rows, colour_mode)
        self.launch(path)
        window = self.display.wait_window(window_title(name))
        self.display.focus(window)
        return path, window, Canvas(self.display, window, rows)

    def fill_dialog(self, title, text):
        dialog = self.display.wait_window(title)
        self.display.focus(dialog)
        self.display.key("ctrl+a")
        self.display.xdotool("type", text)
        self.display.key("Return")
        self.display.wait_name(dialog, None)

    def assert_saved_document(self, path, expected_rows, colour_mode):
        shutil.copy(path, ARTIFACTS / f"{self.slug}-{path.name}")
        check = subprocess.run(["pngcheck", "-v", "-t", str(path)], capture_output=True,
                               text=True, timeout=COMMAND_TIMEOUT)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        chunks = png_chunks(path.read_bytes())
        self.assertEqual(chunks[-2:], [("tEXt", b"pixmoraColorMode\x00" + colour_mode.encode()),
                                       ("IEND", b"")], "the colour mode must come last")
        self.assertEqual(sum(1 for kind, _ in chunks if kind == "tEXt"), 1)
        with Image.open(path) as image:
            self.assertEqual(image.text.get("pixmoraColorMode"), colour_mode)
            if expected_rows is not None:
                self.assertEqual(pixels(image), expected_rows)
            return image.copy()

    def test_1_draw_on_opened_file_and_save(self):
        d = self.display
        path, window, canvas = self.open_image("sprite.png", marked_image(24, 16), "webSafe256")
        canvas.paint([(x, 1) for x in range(5, 10)], BLACK)
        d.wait_name(window, window_title("sprite.png", modified=True))
        canvas.paint([(1, y) for y in range(5, 9)], TRANSPARENT, button=3)
        d.key("ctrl+s")
        d.wait_name(window, window_title("sprite.png"))
        self.assert_saved_document(path, canvas.expected, "webSafe256")

    def test_2_new_document_size_sheet_and_save_as(self):
        d = self.display
        self.launch()
        window = d.wait_window(window_title("名称未設定"))
        sheet = d.wait_window(r"キャンバスサイズ — Pixmora")
        d.focus(sheet)
        # Width, height, past the lock to the first mode button, then 16色.
        d.key("ctrl+a")
        d.xdotool("type", "40")
        d.key("Tab")
        d.xdotool("type", "24")
        d.key("Tab", "Tab", "Right", "space", "Return")
        d.wait_name(sheet, None)
        canvas = Canvas(d, window, [[TRANSPARENT] * 40 for _ in range(24)])
        red, blue = (255, 0, 0, 255), (0, 0, 255, 255)
        d.click(*d.swatch(window, red[:3]))
        d.click(*d.swatch(window, blue[:3]), button=3)
        d.focus(window)
        canvas.paint([(0, 0)], red)
        canvas.paint([(x, 10) for x in range(4, 9)], blue, button=3)
        target = self.work / "new canvas.png"
        d.key("ctrl+shift+s")
        self.fill_dialog(r"保存 — Pixmora", str(target))
        d.wait_name(window, window_title(target.name))
        self.assert_saved_document(target, canvas.expected, "sixteenColor")

    def test_3_clipboard_with_another_program(self):
        d = self.display
        original = marked_image(24, 16)
        for x, y in [(x, y) for y in range(2, 6) for x in range(2, 7)]:
            original[y][x] = SIXTEEN_PALETTE[(x + 3 * y) % 16] + (255,)
        original[3][4] = TRANSPARENT
        path, window, canvas = self.open_image("clip.png", original, "sixteenColor")
        d.key("m")  # the selection tool
        canvas.paint([(2, 2), (4, 4), (6, 5)], None)
        d.key("ctrl+c")

        def clipboard():
            out = d.run("xclip", "-selection", "clipboard", "-t", "image/png", "-o", check=False)
            return out.stdout if out.returncode == 0 and out.stdout[:4] == b"\x89PNG" else None
        with Image.open(io.BytesIO(wait_until("a PNG on the clipboard", clipboard))) as image:
            self.assertEqual(pixels(image), [row[2:7] for row in original[2:6]])
        pasted = [[SIXTEEN_PALETTE[9 + x + 2 * y] + (alpha,)
                   for x, alpha in enumerate((255, 100, 200, 127))] for y in range(2)]
        paste_path = write_png(self.work / "paste.png", pasted)
        owner = start_process(["xclip", "-quiet", "-selection", "clipboard", "-t", "image/png",
                               "-i", str(paste_path)], self.log, env=d.env)
        self.addCleanup(stop_process, owner)
        wait_until("xclip to own the clipboard", lambda: clipboard() == paste_path.read_bytes())
        for y, row in enumerate(pasted):
            for x, colour in enumerate(row):
                if colour[3] >= 128:  # transparent pasted pixels leave the canvas alone
                    canvas.expected[y][x] = colour[:3] + (255,)
        d.key("ctrl+v")
        canvas.wait_cell(0, 0, canvas.expected[0][0])
        d.key("Return")  # puts the floating paste down
        d.wait_name(window, window_title("clip.png", modified=True))
        d.key("ctrl+s")
        d.wait_name(window, window_title("clip.png"))
        self.assert_saved_document(path, canvas.expected, "sixteenColor")

    def test_4_import_photo_with_dithering(self):
        d = self.display
        jpeg = self.work / "landscape.jpg"
        photo = Image.new("RGB", (160, 120), (60, 140, 50))  # hills under a graded sky
        for y in range(70):
            photo.paste((40 + 2 * y, 90 + 3 * y // 2, 200 + y // 2), (0, y, 160, y + 1))
        photo.paste((0, 0, 128), (20, 90, 61, 111))  # a navy block to wait for
        photo.save(jpeg, quality=92)
        _, window, _ = self.open_image("open.png", marked_image(16, 16), "webSafe256")
        x, y, _, _ = d.box(window)
        d.click(x + 28, y + 8)  # ファイル in the menu bar
        menu = d.wait_window(besides=[window])
        d.key("Down", "Down", "Return")  # 新規, インポート…
        d.wait_name(menu, None)
        self.fill_dialog(r"取り込む画像を選択してください — Pixmora", str(jpeg))
        dialog = d.wait_window(r"画像を取り込む — Pixmora")
        d.focus(dialog)
        # Width 40 (height 32: 4:3 on the grid of 8), 16色, Floyd-Steinberg.
        d.key("ctrl+a")
        d.xdotool("type", "40")
        d.key("Tab", "Tab", "Tab", "Right", "space", "Tab", "Down", "Return")
        d.wait_name(dialog, None)
        imported = d.wait_window(window_title("名称未設定", modified=True))
        d.focus(imported)
        wait_until("the imported picture", lambda: exact_mask(
            d.grab(d.box(imported, "canvas")), (0, 0, 128)).getbbox())
        d.key("ctrl+s")
        target = self.work / "imported.png"
        self.fill_dialog(r"保存 — Pixmora", str(target))
        d.wait_name(imported, window_title(target.name))
        rows = pixels(self.assert_saved_document(target, None, "sixteenColor"))
        self.assertEqual((len(rows[0]), len(rows)), (40, 32))
        opaque = {c for row in rows[:30] for c in row}
        self.assertTrue(opaque <= {p + (255,) for p in SIXTEEN_PALETTE},
                        f"colours outside the palette: {opaque - set(SIXTEEN_PALETTE)}")
        self.assertEqual({c for row in rows[30:] for c in row}, {TRANSPARENT})
        # Each sky row is one colour: only dithering mixes palette colours within a row.
        mixed = [y for y in range(7) if len(set(rows[y][:16])) > 1]
        self.assertGreater(len(mixed), 3, "the sky rows are dithered")

    def test_5_unsaved_changes_prompt(self):
        d = self.display
        path, window, canvas = self.open_image("keep.png", marked_image(16, 16), "sixteenColor")
        before = path.read_bytes()
        canvas.paint([(5, 6)], BLACK)
        d.wait_name(window, window_title("keep.png", modified=True))
        for answer in ("Escape", "Return"):  # キャンセル, then the default button 保存
            d.focus(window)
            d.key("ctrl+w")
            prompt = d.wait_window(r"Pixmora")
            d.focus(prompt)
            d.key(answer)
            d.wait_name(prompt, None)
            if answer == "Escape":
                self.assertEqual(d.windows().get(window), "keep.png* — Pixmora")
                self.assertEqual(path.read_bytes(), before)
        wait_until("pixmora to exit", lambda: self.app.poll() is not None)
        self.assertEqual(self.app.returncode, 0, "the last window closed, and the program too")
        self.assert_saved_document(path, canvas.expected, "sixteenColor")


if __name__ == "__main__":
    unittest.main(verbosity=2)
