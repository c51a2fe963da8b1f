#!/usr/bin/python3
"""The card in the built program, driven with xdotool under the Wine rig.

Each run starts the program, right-clicks the gift box to end the show at
once, and works the card window that opens: its size and place, the band
animation's pixels, the five links (received by a stand-in browser), and each
way of closing it, which must end the program with exit code 0. No run may
leave a file in the temporary folder.

Usage: card_end_to_end.py CARDLING_EXE   (inside scripts/wine-rig)
"""
import ctypes
import io
import os
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

import numpy
import pefile
from PIL import Image

EXE = None
CAPTION = "Christmas Cardlings"
CLIENT = (493, 359)
BAND = (12, 283, 480, 343)
RECORDER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "record_url.sh")
URLS = [
    ((100, 100), "http://cardling.example.com/index.asp?type=vic1&area=1"),
    ((200, 300), "http://cardling.example.com/index.asp?type=vic1&area=ym1"),
    ((400, 30), "http://cardling.example.com/index.asp?type=vic1&ck=xgirl&area=send"),
    ((50, 250), "http://maker.example.com/"),
    ((430, 260), "http://maker.example.com/documents/privacy/cardlings"),
]


def run(*args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, **kwargs)


def screenshot(window="root"):
    png = subprocess.run(["import", "-window", str(window), "png:-"], capture_output=True).stdout
    return numpy.array(Image.open(io.BytesIO(png)).convert("RGB"))


def find_window(name, timeout):
    end = time.time() + timeout
    while time.time() < end:
        found = run("xdotool", "search", "--onlyvisible", "--name", "^%s$" % name).stdout.split()
        if found:
            return found[0]
        time.sleep(0.1)
    return None


def geometry(window):
    values = {}
    for line in run("xdotool", "getwindowgeometry", "--shell", window).stdout.splitlines():
        key, _, value = line.partition("=")
        values[key] = int(value) if value.lstrip("-").isdigit() else value
    return values


class XFixesCursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.c_void_p),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def cursor_hot_spot():
    """Hot spot of the pointer's cursor as the X server shows it."""
    x11 = ctypes.CDLL("libX11.so.6")
    xfixes = ctypes.CDLL("libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(XFixesCursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    image = xfixes.XFixesGetCursorImage(display)
    spot = (image.contents.xhot, image.contents.yhot)
    x11.XFree(image)
    x11.XCloseDisplay(display)
    return spot


def log_lines(path):
    with open(path) as log:
        return log.read().splitlines()


def temp_folder():
    prefix = os.environ["WINEPREFIX"]
    users = os.path.join(prefix, "drive_c", "users")
    return [os.path.join(users, user, "Temp") for user in os.listdir(users)
            if os.path.isdir(os.path.join(users, user, "Temp"))]


def temp_files():
    return {os.path.join(folder, name) for folder in temp_folder() for name in os.listdir(folder)}


# --- The band's expected pictures, composed from FIG 1201 of the program ---

def fig_resource(exe, number):
    pe = pefile.PE(exe)
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.name is not None and str(kind.name) == "FIG":
            for entry in kind.directory.entries:
                if entry.id == number:
                    data = entry.directory.entries[0].data.struct
                    return pe.get_data(data.OffsetToData, data.Size)
    raise LookupError("no FIG %d" % number)


def band_frames(fig):
    """The canvas after each frame, as RGB arrays (disposal 1 everywhere)."""
    _, loops, count, width, height, _, palette_size = struct.unpack_from("<4shHHHhi", fig, 0)
    palette_bytes = zlib.decompress(fig[18:18 + palette_size])
    palette = numpy.frombuffer(palette_bytes, numpy.uint8).reshape(256, 4)[:, [2, 1, 0]]
    at = 18 + palette_size
    canvas = numpy.zeros((height, width, 3), numpy.uint8)
    frames = []
    for _ in range(count):
        w, h, _, _, _, size, left, top, key, _, _ = struct.unpack_from("<hhhhhihhhhh", fig, at)
        stride = (w + 3) & ~3
        rows = numpy.frombuffer(zlib.decompress(fig[at + 24:at + 24 + size]), numpy.uint8)
        indices = rows.reshape(h, stride)[::-1, :w]
        colours = palette[indices]
        target = canvas[top:top + h, left:left + w]
        if key >= 0:
            # The player keys on the colour, as GDI does.
            keep = numpy.all(colours == palette[key], axis=2)
            colours = numpy.where(keep[:, :, None], target, colours)
        target[:] = colours
        frames.append(canvas.copy())
        at += 24 + size
    return frames


def client_origin(window, picture):
    """Where the client area starts inside the card's X window.

    Depending on how Wine runs without a window manager, the X window is the
    client area alone or the whole window with the caption Wine draws itself;
    the card picture's top rows (above the animated band) say which."""
    shot = screenshot(window)
    top = picture[:250]
    for dy in range(0, min(48, shot.shape[0] - top.shape[0] + 1)):
        for dx in range(0, min(12, shot.shape[1] - top.shape[1] + 1)):
            if numpy.array_equal(shot[dy:dy + top.shape[0], dx:dx + top.shape[1]], top):
                return dx, dy
    return None


class Card:
    """One run of the program up to its card window."""

    def __init__(self):
        self.process = subprocess.Popen(["wine", EXE], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.window = None
        self.origin = (0, 0)

    def open(self, test):
        # The box sits at the bottom middle of the screen; a right click on
        # any sprite ends the show and opens the card.
        for _ in range(40):
            time.sleep(0.25)
            shot = screenshot()
            ys, xs = numpy.nonzero(shot[400:].any(axis=2))
            if len(xs) < 200:
                continue
            x, y = int(numpy.median(xs)), int(numpy.max(ys)) + 400 - 10
            run("xdotool", "mousemove", str(x), str(y), "click", "3")
            self.window = find_window(CAPTION, 2)
            if self.window:
                time.sleep(0.5)
                self.origin = client_origin(self.window, test.picture)
                test.assertIsNotNone(self.origin, "the card picture is not in the card window")
                return
        test.fail("the card did not open")

    def exit_code(self, timeout=10):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return None


class CardEndToEnd(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.log = tempfile.NamedTemporaryFile(prefix="cardling-urls-", suffix=".log", delete=False).name
        os.environ["CARDLING_URL_LOG"] = cls.log
        run("wine", "reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers", "/d", RECORDER, "/f")
        cls.frames = band_frames(fig_resource(EXE, 1201))
        cls.picture = band_frames(fig_resource(EXE, 1200))[0]

    @classmethod
    def tearDownClass(cls):
        run("wine", "reg", "delete", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers", "/f")
        os.unlink(cls.log)

    def setUp(self):
        self.temp_before = temp_files()
        with open(self.log, "w"):
            pass
        self.card = Card()
        self.card.open(self)

    def tearDown(self):
        if self.card.process.poll() is None:
            self.card.process.kill()
            self.card.process.wait()
        time.sleep(0.2)
        self.assertEqual(temp_files() - self.temp_before, set(), "the run left a temporary file")

    def move_to(self, x, y, *then):
        """Moves the pointer to (x, y) of the card's client area."""
        dx, dy = self.card.origin
        run("xdotool", "mousemove", "--window", self.card.window, str(x + dx), str(y + dy), *then)

    def click(self, x, y):
        self.move_to(x, y, "click", "1")

    def frame_shown(self):
        dx, dy = self.card.origin
        band = screenshot(self.card.window)[BAND[1] + dy:BAND[3] + dy, BAND[0] + dx:BAND[2] + dx]
        for number, frame in enumerate(self.frames, 1):
            if numpy.array_equal(band, frame):
                return number
        return 0

    def test_opens_centred_at_the_pictures_size_and_plays_in_the_band(self):
        first = self.frame_shown()
        time.sleep(1.2)
        later = self.frame_shown()
        place = geometry(self.card.window)
        dx, dy = self.card.origin
        # The client area is the picture's size: what is left of the X window
        # around it is the frame, as wide on the right and bottom as on the left.
        self.assertEqual((place["WIDTH"] - 2 * dx, place["HEIGHT"] - dy - dx), CLIENT)
        self.assertLessEqual(abs(place["X"] + place["WIDTH"] // 2 - 512), 4)
        self.assertLessEqual(abs(place["Y"] + place["HEIGHT"] // 2 - 384), 4)
        self.assertEqual(first, 1)
        self.assertGreater(later, 1, "no later frame of the animation in the band")
        run("xdotool", "key", "Escape")
        self.assertEqual(self.card.exit_code(), 0)

    def test_each_spot_opens_its_address(self):
        for (x, y), _ in URLS:
            lines = len(log_lines(self.log))
            self.click(x, y)
            for _ in range(100):
                if len(log_lines(self.log)) > lines:
                    break
                time.sleep(0.1)
        self.assertEqual(log_lines(self.log), [url for _, url in URLS])
        self.assertIsNotNone(find_window(CAPTION, 1), "a link closed the card")
        run("xdotool", "key", "Escape")
        self.assertEqual(self.card.exit_code(), 0)

    def test_the_cursor_shows_what_a_click_does(self):
        hand, envelope, pencil = (13, 9), (15, 18), (17, 15)
        for (x, y), spot in [((100, 100), hand), ((400, 30), envelope), ((300, 30), pencil),
                             ((50, 250), hand), ((200, 300), hand)]:
            self.move_to(x, y)
            time.sleep(0.3)
            self.assertEqual(cursor_hot_spot(), spot, (x, y))
        run("xdotool", "key", "Escape")
        self.assertEqual(self.card.exit_code(), 0)

    def test_escape_ends_the_program(self):
        run("xdotool", "key", "Escape")
        self.assertEqual(self.card.exit_code(), 0)

    def test_enter_ends_the_program(self):
        run("xdotool", "key", "Return")
        self.assertEqual(self.card.exit_code(), 0)

    # Alt+F4 is the close box's command from the keyboard (without a window
    # manager Wine may not draw the caption at all).
    def test_the_close_command_ends_the_program(self):
        run("xdotool", "key", "alt+F4")
        self.assertEqual(self.card.exit_code(), 0)

    def test_the_card_closes_itself_after_two_idle_minutes(self):
        time.sleep(115)
        self.assertIsNotNone(find_window(CAPTION, 0.5), "closed before the 120th second")
        self.assertEqual(self.card.exit_code(30), 0)


if __name__ == "__main__":
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
