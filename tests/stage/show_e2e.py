#!/usr/bin/python3
"""The desktop show, end to end, on the rig's screen.

Puts a busy, known wallpaper on the root window and another program's window
on it, starts the card and screenshots the desktop many times while the show
plays. Every screenshot that is steady (two grabs 30 ms apart alike) is
judged pixel by pixel: outside the stage windows the desktop must be exactly
as before (no trails, the other window intact); inside them every pixel must
be the desktop or a pixel of a frame of the card's own sheets drawn at its
place (no black boxes, no key colour). The places found must follow the
greeting scene's table. Then a left click on the tag must end the show, and a
second run ends at once on a right click on the box. A third run plays the
whole show on an 8-bit display (with --depth8, under its own rig).

Usage (inside scripts/wine-rig):
  show_e2e.py --card cardling.exe --backdrop show_backdrop.exe --out DIR [--skip-depth8]
DIR receives the wallpaper, the baseline, screenshots judged bad, the card's
output, and show.png and show.gif made from the steady screenshots.
"""
import argparse
import os
import re
import subprocess
import sys
import time

import numpy as np
from PIL import Image, ImageGrab

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "resgen"))
import fig  # noqa: E402

KEY = np.array([255, 0, 255], np.uint8)
SHEETS = range(201, 208)
TAG_SHEET = 204
TAG_SIZE = (260, 170)
FRAME_SIZE = (120, 150)
# Where the tag's message is written, in the tag frame.
MESSAGE_BOX = (10, 10, 184, 161)
BACKDROP = (140, 460, 260, 190)  # x, y, width, height: under part of the walk
# A second window, away from the sprites: clicking it mid-show changes the
# foreground window, which makes every stage window recapture the desktop.
SWITCH_TO = (20, 20, 120, 90)
SWITCH_AT = 14.0  # seconds into the show: the figure dances over the backdrop

failures = []


def fail(text):
    failures.append(text)
    print("FAIL:", text, flush=True)


def run_quiet(args):
    subprocess.run(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def keep_windows_unmanaged():
    # Without a window manager, Wine waits two seconds for one whenever a
    # "managed" window (the host window is one) is shown or hidden.
    run_quiet(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"])


def grab():
    return np.asarray(ImageGrab.grab(xdisplay=os.environ["DISPLAY"]).convert("RGB"))


def screen_size():
    info = subprocess.run(["xwininfo", "-root"], capture_output=True, text=True).stdout
    width = int(re.search(r"Width: (\d+)", info).group(1))
    height = int(re.search(r"Height: (\d+)", info).group(1))
    return width, height


WINDOW_LINE = re.compile(r'^\s*(0x[0-9a-f]+) (".*?"|\(has no name\)): \("cardling\.exe" "cardling\.exe"\)\s+'
                         r'(\d+)x(\d+)\+(-?\d+)\+(-?\d+)')


def card_windows(screen):
    """(stage windows, other windows) of the card on the screen, as (x0, y0, x1, y1)."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
    stage, other = [], []
    for line in tree.splitlines():
        m = WINDOW_LINE.match(line)
        if not m:
            continue
        name, w, h, x, y = m.group(2), int(m.group(3)), int(m.group(4)), int(m.group(5)), int(m.group(6))
        rect = (max(x, 0), max(y, 0), min(x + w, screen[0]), min(y + h, screen[1]))
        if rect[0] >= rect[2] or rect[1] >= rect[3]:
            continue
        # The host window paints nothing: seen on the screen it must show what a stage window would.
        if name in ("(has no name)", '"Cardling"'):
            stage.append(rect)
        elif name != '"Default IME"':
            other.append((name, rect))
    return sorted(stage), other


def make_wallpaper(width, height):
    """A tiled desktop picture under per-pixel noise in the low bits: pleasant to
    look at, yet every pixel differs from its neighbours, so that a shifted,
    stale or missing pixel shows."""
    rng = np.random.default_rng(1225)
    y, x = np.mgrid[0:height, 0:width]
    hues = np.array([(70, 120, 170), (90, 150, 190), (60, 100, 150), (110, 160, 200), (80, 130, 160)], np.int32)
    tile = ((x // 32) + 2 * (y // 32) + ((x + y) // 96)) % len(hues)
    image = hues[tile] + ((x + 2 * y) % 32)[..., None] - 16
    image = image - (y[..., None] * 50) // height
    image = np.clip(image, 0, 255).astype(np.uint8)
    image ^= rng.integers(0, 8, (height, width, 3), dtype=np.uint8)
    image[(image == KEY).all(axis=2)] = (250, 10, 250)
    return image


class Frame:
    def __init__(self, sheet, number, rgb, opaque):
        self.sheet, self.number, self.rgb, self.opaque = sheet, number, rgb, opaque
        self.h, self.w = opaque.shape
        ys, xs = np.nonzero(opaque)
        self.box = (xs.min(), ys.min(), xs.max() + 1, ys.max() + 1) if len(xs) else None


def load_frames():
    frames = []
    for sheet in SHEETS:
        with open(os.path.join(ROOT, "res", "fig%d.fig" % sheet), "rb") as f:
            _, colours, figs = fig.decode(f.read())
        pixels = figs[0].pixels
        rgb = np.array(colours, np.uint8)[pixels]
        opaque = pixels != pixels[0, 0]  # keyed on the sheet's top-left pixel
        fw, fh = TAG_SIZE if sheet == TAG_SHEET else FRAME_SIZE
        columns, rows = pixels.shape[1] // fw, pixels.shape[0] // fh
        for n in range(columns * rows):
            x, y = (n % columns) * fw, (n // columns) * fh
            frame = Frame(sheet, n, rgb[y:y + fh, x:x + fw], opaque[y:y + fh, x:x + fw])
            if frame.box:
                frames.append(frame)
    return frames


class Judge:
    def __init__(self, baseline, frames, floor, screen_width):
        self.baseline, self.frames = baseline, frames
        x0 = (screen_width - 120) // 2
        self.box_place = (x0, floor - 190)
        self.tag_place = (x0 - 70, floor - 210)

    def shows_desktop(self, shot, rect, screen):
        """True when `rect` shows the desktop again, but where another window of the card (the card
        dialog) now lies."""
        x0, y0, x1, y1 = rect
        same = (shot[y0:y1, x0:x1] == self.baseline[y0:y1, x0:x1]).all(axis=2)
        for _, (wx0, wy0, wx1, wy1) in card_windows(screen)[1]:
            same[max(wy0 - y0, 0):max(wy1 - y0, 0), max(wx0 - x0, 0):max(wx1 - x0, 0)] = True
        return bool(same.all())

    def paint(self, canvas, origin, frame, x, y):
        """Draws the frame at screen place (x, y) into `canvas`, whose top-left is at `origin`."""
        x, y = x - origin[0], y - origin[1]
        if x < 0 or y < 0 or y + frame.h > canvas.shape[0] or x + frame.w > canvas.shape[1]:
            return False
        region = canvas[y:y + frame.h, x:x + frame.w]
        region[frame.opaque] = frame.rgb[frame.opaque]
        return True

    def mismatch(self, shot, rect, placements):
        """Pixels of `rect` unlike the desktop with these frames drawn; and the message area's count."""
        x0, y0, x1, y1 = rect
        canvas = self.baseline[y0:y1, x0:x1].copy()
        for frame, x, y in placements:
            if not self.paint(canvas, (x0, y0), frame, x, y):
                return 10 ** 9, 0
        wrong = (canvas != shot[y0:y1, x0:x1]).any(axis=2)
        text = 0
        for frame, x, y in placements:
            if frame.sheet == TAG_SHEET and frame.number in (6, 7):
                mx0, my0, mx1, my1 = (x + MESSAGE_BOX[0] - x0, y + MESSAGE_BOX[1] - y0,
                                      x + MESSAGE_BOX[2] - x0, y + MESSAGE_BOX[3] - y0)
                text = int(wrong[my0:my1, mx0:mx1].sum())
                wrong[my0:my1, mx0:mx1] = False
        return int(wrong.sum()), text

    def explain_one(self, shot, rect, diff_box, frames):
        L, T, R, B = diff_box
        for frame in frames:
            ox0, oy0, ox1, oy1 = frame.box
            x, y = L - ox0, T - oy0
            if (R - x, B - y) != (ox1, oy1):
                continue
            wrong, text = self.mismatch(shot, rect, [(frame, x, y)])
            if wrong == 0:
                return [(frame, x, y)], text
        return None, 0

    def explain(self, shot, rect):
        """Frames and places that draw exactly what `rect` shows, or None."""
        x0, y0, x1, y1 = rect
        diff = (shot[y0:y1, x0:x1] != self.baseline[y0:y1, x0:x1]).any(axis=2)
        if not diff.any():
            return [], 0
        ys, xs = np.nonzero(diff)
        diff_box = (x0 + xs.min(), y0 + ys.min(), x0 + xs.max() + 1, y0 + ys.max() + 1)
        found, text = self.explain_one(shot, rect, diff_box, self.frames)
        if found:
            return found, text
        # The gift box with the figure in front of it: the box (or tag) at its
        # fixed place, the figure wherever the rest of the picture says.
        fixed = []
        for frame in self.frames:
            px, py = self.tag_place if (frame.w, frame.h) == TAG_SIZE else self.box_place
            if x0 <= px and px + frame.w <= x1 and y0 <= py and py + frame.h <= y1:
                canvas = self.baseline[py:py + frame.h, px:px + frame.w].copy()
                canvas[frame.opaque] = frame.rgb[frame.opaque]
                agree = (canvas == shot[py:py + frame.h, px:px + frame.w]).all(axis=2).sum()
                fixed.append((agree, frame, px, py))
        fixed.sort(key=lambda item: -item[0])
        for _, under, px, py in fixed[:40]:
            canvas = self.baseline[y0:y1, x0:x1].copy()
            self.paint(canvas, (x0, y0), under, px, py)
            rest = (shot[y0:y1, x0:x1] != canvas).any(axis=2)
            if not rest.any():
                wrong, text = self.mismatch(shot, rect, [(under, px, py)])
                if wrong == 0:
                    return [(under, px, py)], text
                continue
            # Whatever the box leaves unexplained is the figure's: it must cover all of it
            # (where figure and box pixels agree, the figure may reach further).
            ys, xs = np.nonzero(rest)
            L, R = x0 + xs.min(), x0 + xs.max() + 1
            for frame in self.frames:
                if (frame.w, frame.h) != FRAME_SIZE:
                    continue
                ox0, _, ox1, _ = frame.box
                for x in range(R - ox1, L - ox0 + 1):
                    placements = [(under, px, py), (frame, x, self.box_place[1])]
                    wrong, text = self.mismatch(shot, rect, placements)
                    if wrong == 0:
                        return placements, text
        return None, 0


def steady_shot(screen):
    before = card_windows(screen)
    first = grab()
    time.sleep(0.03)
    second = grab()
    after = card_windows(screen)
    if before != after or not np.array_equal(first, second):
        return None, None
    return second, after


def judge_shot(judge, shot, windows, label, out_dir):
    stage, others = windows
    # The card's own windows (the card dialog at the end) cover what lies under them.
    shot = shot.copy()
    for _, (x0, y0, x1, y1) in others:
        shot[y0:y1, x0:x1] = judge.baseline[y0:y1, x0:x1]
    inside = np.zeros(shot.shape[:2], bool)
    for x0, y0, x1, y1 in stage:
        inside[y0:y1, x0:x1] = True
    outside = (shot != judge.baseline).any(axis=2) & ~inside
    keyed = (shot == KEY).all(axis=2).sum()
    found = []
    problems = []
    if outside.any():
        ys, xs = np.nonzero(outside)
        problems.append("%d pixels changed outside the stage windows, within (%d, %d)-(%d, %d)"
                        % (outside.sum(), xs.min(), ys.min(), xs.max() + 1, ys.max() + 1))
    if keyed:
        problems.append("%d pixels of the key colour" % keyed)
    text = 0
    for rect in stage:
        placements, window_text = judge.explain(shot, rect)
        if placements is None:
            problems.append("stage window %s shows something no frame explains" % (rect,))
            continue
        text += window_text
        found += [(f.sheet, f.number, x, y, f.w, f.h) for f, x, y in placements]
    if problems:
        path = os.path.join(out_dir, "bad-%s.png" % label)
        Image.fromarray(shot).save(path)
        for p in problems:
            fail("%s: %s (%s)" % (label, p, path))
    return found, text, not problems


def start(card, out_dir, name):
    log = open(os.path.join(out_dir, name + ".log"), "w")
    return subprocess.Popen(["wine", card], stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)


def wait_for(predicate, timeout, step=0.02):
    end = time.time() + timeout
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return None


def stop(process):
    """Closes the card as a user would, so the program cleans up after itself
    (its tune's temporary file); kills it only when that does not end it."""
    if process.poll() is None:
        subprocess.run(["xdotool", "key", "Escape"], capture_output=True)
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
    process.wait()


def play_and_judge(args, judge, screen):
    """The whole show: steady shots judged as it plays, then the left click on the tag."""
    card = start(args.card, args.out, "show")
    started = time.time()
    timeline = []  # (seconds, placements)
    shots = []
    tag_seen_at = None
    text_seen = 0
    switched = False
    while time.time() - started < 60:
        if not switched and time.time() - started > SWITCH_AT:
            x, y, w, h = SWITCH_TO
            run_quiet(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"])
            switched = True
        if card.poll() is not None:
            fail("the card ended by itself during the show (exit code %s)" % card.returncode)
            return
        shot, windows = steady_shot(screen)
        if shot is None:
            continue
        t = time.time() - started
        found, text, good = judge_shot(judge, shot, windows, "%05.2fs" % t, args.out)
        timeline.append((t, found))
        if good and found:
            shots.append((t, shot))
        if any(p[0] == TAG_SHEET and p[1] in (6, 7) for p in found):
            text_seen = max(text_seen, text)
            tag_seen_at = tag_seen_at or t
            if t - tag_seen_at > 1.5:
                break
        time.sleep(0.12)
    check_timeline(judge, timeline)
    if not text_seen:
        fail("the tag never showed the message")
    save_pictures(shots, args.out)

    if tag_seen_at is None:
        stop(card)
        return
    # A left click on the tag: the show ends on the next tick.
    tx, ty = judge.tag_place
    clicked = time.time()
    run_quiet(["xdotool", "mousemove", str(tx + 97), str(ty + 85), "click", "1"])
    if not wait_for(lambda: judge.shows_desktop(grab(), (tx, ty, tx + 260, ty + 170), screen), 1.5, step=0.005):
        fail("the show went on after a left click on the tag")
    print("left click on the tag: the tag vanished after %.0f ms" % ((time.time() - clicked) * 1000))
    expect_card(card, screen, "left click on the tag")
    time.sleep(0.3)
    judge_shot(judge, grab(), card_windows(screen), "after-left-click", args.out)
    stop(card)


def expect_card(card, screen, what):
    """The end of the show opens the card window (or, without one, ends the program)."""
    opened = wait_for(lambda: card.poll() is not None or card_windows(screen)[1], 3.0, step=0.05)
    if not opened:
        fail("no card window after the %s" % what)
    elif card.poll() is None:
        print("%s: the card window %s opened" % (what, card_windows(screen)[1][0][0]))


def check_timeline(judge, timeline):
    """The places found follow the scene's table."""
    bx, by = judge.box_place
    tx, ty = judge.tag_place
    first_box = next((t for t, f in timeline if any(p[2:4] == (bx, by) for p in f)), None)
    figure = [(t, p[2]) for t, f in timeline for p in f if p[4:] == FRAME_SIZE and p[2] != bx]
    tags = [t for t, f in timeline for p in f if p[2:4] == (tx, ty) and p[4:] == TAG_SIZE]
    print("box first seen at %.2fs; figure seen %d times; tag from %s" % (
        first_box or -1, len(figure), "%.2fs" % tags[0] if tags else "never"))
    if first_box is None:
        fail("the gift box never stood at (%d, %d)" % (bx, by))
    if not figure:
        fail("the figure never walked out")
        return
    leftmost = min(x for _, x in figure)
    left_at = next(t for t, x in figure if x == leftmost)
    back = [x for t, x in figure if t > left_at]
    print("figure: leftmost x %d, back to x %d" % (leftmost, max(back) if back else leftmost))
    if leftmost != bx + 17 - 265:
        fail("the figure's leftmost place is x %d, not %d" % (leftmost, bx + 17 - 265))
    if not back or max(back) < leftmost + 200:
        fail("the figure did not walk back")
    if not tags or tags[0] < left_at:
        fail("the tag did not come after the walk")


def save_pictures(shots, frames_out):
    """A still and an animation of the show, from steady shots (docs/show.gif is one)."""
    if not shots:
        return
    crop = (160, 440, 700, 740)
    os.makedirs(frames_out, exist_ok=True)
    stills = [Image.fromarray(s).crop(crop) for _, s in shots]
    stills[len(stills) // 2].save(os.path.join(frames_out, "show.png"))
    # The animation drops the wallpaper's noise bits, which only the checks need.
    step = max(1, len(stills) // 50)
    frames = [Image.fromarray(np.asarray(im) & 0xF8).quantize(256, dither=Image.Dither.NONE)
              for im in stills[::step]]
    frames[0].save(os.path.join(frames_out, "show.gif"), save_all=True, append_images=frames[1:],
                   duration=200, loop=0, optimize=True)


def right_click_run(args, judge, screen):
    card = start(args.card, args.out, "right-click")
    bx, by = judge.box_place
    if not wait_for(lambda: (bx, by, bx + 120, by + 150) in card_windows(screen)[0], 20):
        fail("the gift box did not appear for the right click")
        stop(card)
        return
    time.sleep(0.5)
    clicked = time.time()
    run_quiet(["xdotool", "mousemove", str(bx + 60), str(by + 120), "click", "3"])
    if not wait_for(lambda: judge.shows_desktop(grab(), (bx, by, bx + 120, by + 150), screen), 1.0, step=0.005):
        fail("the show went on after a right click on the box")
    print("right click on the box: the box vanished after %.0f ms" % ((time.time() - clicked) * 1000))
    expect_card(card, screen, "right click on the box")
    stop(card)


def depth8_run(args):
    """The whole show on an 8-bit display: it must play through to the tag and end on its click."""
    keep_windows_unmanaged()
    screen = screen_size()
    x0 = (screen[0] - 120) // 2
    tag = (x0 - 70, screen[1] - 210, x0 - 70 + 260, screen[1] - 210 + 170)
    card = start(args.card, args.out, "depth8")
    seen = wait_for(lambda: card.poll() is not None or tag in card_windows(screen)[0], 60, step=0.2)
    if card.poll() is not None:
        fail("8-bit: the card ended during the show (exit code %s)" % card.returncode)
        return
    if not seen:
        fail("8-bit: the tag never appeared at %s" % (tag,))
        stop(card)
        return
    print("8-bit: the tag is up at %s" % (tag,))
    time.sleep(1.0)
    run_quiet(["xdotool", "mousemove", str(tag[0] + 97), str(tag[1] + 85), "click", "1"])
    if not wait_for(lambda: card.poll() is not None or card_windows(screen)[1], 3.0, step=0.1):
        fail("8-bit: the show went on after a left click on the tag")
    if card.poll() is not None and card.returncode != 0:
        fail("8-bit: the card failed (exit code %s)" % card.returncode)
    stop(card)
    with open(os.path.join(args.out, "depth8.log"), errors="replace") as f:
        crashes = [line for line in f if "exception" in line.lower() or "page fault" in line.lower()]
    if crashes:
        fail("8-bit: " + crashes[0].strip())


def desktop_run(args):
    """The show over the wallpaper and the other windows, then the right-click run. The root
    window gets its old picture back afterwards: the rig's display may serve further tests."""
    keep_windows_unmanaged()
    screen = screen_size()
    original_path = os.path.join(args.out, "root-before.png")
    Image.fromarray(grab()).save(original_path)
    wallpaper_path = os.path.join(args.out, "wallpaper.png")
    Image.fromarray(make_wallpaper(*screen)).save(wallpaper_path)
    run_quiet(["display", "-window", "root", wallpaper_path])
    backdrops = [subprocess.Popen(["wine", args.backdrop] + [str(v) for v in place], stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                 for place in (SWITCH_TO, BACKDROP)]
    try:
        time.sleep(2.0)
        x, y, w, h = BACKDROP
        baseline = grab()
        wallpaper = np.asarray(Image.open(wallpaper_path).convert("RGB"))
        outside_backdrop = np.ones(baseline.shape[:2], bool)
        for bx, by, bw, bh in (SWITCH_TO, BACKDROP):
            outside_backdrop[by:by + bh, bx:bx + bw] = False
        Image.fromarray(baseline).save(os.path.join(args.out, "baseline.png"))
        if not np.array_equal(baseline[outside_backdrop], wallpaper[outside_backdrop]):
            wrong = (baseline != wallpaper).any(axis=2) & outside_backdrop
            ys, xs = np.nonzero(wrong)
            fail("the root window does not show the wallpaper: %d pixels within (%d, %d)-(%d, %d)"
                 % (wrong.sum(), xs.min(), ys.min(), xs.max() + 1, ys.max() + 1))
        if np.array_equal(baseline[y:y + h, x:x + w], wallpaper[y:y + h, x:x + w]):
            fail("the other window is not on the screen")
        judge = Judge(baseline, load_frames(), screen[1], screen[0])
        play_and_judge(args, judge, screen)
        right_click_run(args, judge, screen)
    finally:
        for backdrop in backdrops:
            backdrop.kill()
            backdrop.wait()
        run_quiet(["display", "-window", "root", original_path])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--card", required=True)
    parser.add_argument("--backdrop", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--depth8", action="store_true", help="run the 8-bit part (inside a --depth 8 rig)")
    parser.add_argument("--skip-depth8", action="store_true")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    if args.depth8:
        depth8_run(args)
    else:
        desktop_run(args)
        if not args.skip_depth8:
            rig = os.path.join(ROOT, "scripts", "wine-rig")
            code = subprocess.call([rig, "--depth", "8", sys.executable, __file__, "--depth8", "--card", args.card,
                                    "--backdrop", args.backdrop, "--out", args.out])
            if code:
                fail("the 8-bit run failed")
    if failures:
        print("%d failure(s)" % len(failures))
        return 1
    print("show passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
