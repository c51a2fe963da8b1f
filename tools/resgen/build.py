#!/usr/bin/python3
"""Generates the card's resource files in res/ from the drawings and note data
in this folder, and review pictures in build/review/.

    build.py            write res/ and build/review/
    build.py --check    generate into a temporary folder and compare with res/

The output depends on nothing but these sources: zlib at a fixed level, fixed
random seeds, fixed fonts.
"""
import argparse
import filecmp
import os
import sys
import tempfile

import card
import carol
import cursors
import fig
import palette
import sheets
import strip
import strip_art

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
MESSAGE = "Joyeux No\u00ebl\r\n" + "-" * 21 + "\r\n"
TYPE_CODE = b"ym1"
CURSOR_FILES = {100: "hand.cur", 102: "envelope.cur", 103: "pencil.cur"}


def render(placeholders=False):
    """Every picture as RGB, before the shared palette is chosen."""
    sheet_images, stand_ins = sheets.load(placeholders)
    return sheet_images, stand_ins, card.picture(sheet_images), [strip_art.canvas(k) for k in range(1, 15)]


def generate(out, review=None, placeholders=False):
    sheet_images, stand_ins, picture, canvases = render(placeholders)
    colours = palette.compute(list(sheet_images.values()) + [picture] + canvases)
    mapper = palette.Mapper(colours)

    files = {}
    for fig_id, img in sorted(sheet_images.items()):
        idx = mapper.indices(img)
        files["fig%d.fig" % fig_id] = fig.encode(colours, [fig.Frame(idx)], img.width, img.height)
    files["fig1200.fig"] = fig.encode(colours, [fig.Frame(mapper.indices(picture))], card.WIDTH, card.HEIGHT)
    strip_idx = [mapper.indices(c) for c in canvases]
    problems = strip.check_sequence(strip_idx)
    if problems:
        raise SystemExit("resgen: the strip leaves trails:\n  " + "\n  ".join(problems))
    strip_frames = strip.frames_from_canvases(strip_idx)
    files["fig1201.fig"] = fig.encode(colours, strip_frames, strip.WIDTH, strip.HEIGHT, extra=strip.EXTRA)
    files["palette.bmp"] = palette.bmp_file(colours)
    files["msgtext.bin"] = MESSAGE.encode("cp1252")
    files["config.bin"] = TYPE_CODE
    files["music.mid"] = carol.tune()
    for cid, name in CURSOR_FILES.items():
        shape, hot = cursors.CURSORS[cid]
        files[name] = cursors.cur_file(shape, hot)
    files["cardling.ico"] = cursors.ico_file()

    os.makedirs(out, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    if review:
        import review as rv
        stills = rv.write_all(review, files, mapper, sheet_images, stand_ins)
        # Stills for the README, committed with the sources.
        for name, img in stills.items():
            img.save(os.path.join(REPO, "docs", name + ".png"), optimize=True)
    return files, stand_ins


def check():
    with tempfile.TemporaryDirectory() as tmp:
        files, _ = generate(tmp)
        bad = [n for n in sorted(files)
               if not os.path.exists(os.path.join(REPO, "res", n))
               or not filecmp.cmp(os.path.join(tmp, n), os.path.join(REPO, "res", n), shallow=False)]
    if bad:
        print("resgen: res/ differs from a fresh generation in: " + ", ".join(bad))
        return 1
    print("resgen: res/ matches a fresh generation (%d files)" % len(files))
    return 0


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--check", action="store_true", help="compare a fresh generation with res/")
    ap.add_argument("--out", default=os.path.join(REPO, "res"))
    ap.add_argument("--review", default=os.path.join(REPO, "build", "review"))
    ap.add_argument("--no-review", action="store_true")
    ap.add_argument("--placeholders", action="store_true", help="numbered boxes instead of the sprite drawings")
    args = ap.parse_args()
    if args.check:
        return check()
    files, stand_ins = generate(args.out, None if args.no_review else args.review, args.placeholders)
    total = sum(len(d) for n, d in files.items() if n.endswith(".fig"))
    for n in sorted(files):
        print("%-14s %7d bytes" % (n, len(files[n])))
    print("FIG total: %d bytes" % total)
    if stand_ins:
        print("placeholder sheets: %s" % ", ".join(map(str, stand_ins)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
