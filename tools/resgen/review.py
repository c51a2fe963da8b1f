"""Review pictures (not shipped): contact sheets of every FIG image with its
grid and frame numbers, the strip composed frame by frame as the player does
it, an animated preview of the strip and of the show, the cursors and icon."""
import os

import numpy as np
from PIL import Image, ImageDraw

import carol
import cursors
import fig
import sheets
import show
import strip

GRID = (0, 200, 255)


def contact_sheet(fig_id, data, mapper):
    _, _, frames = fig.decode(data)
    img = Image.fromarray(mapper.image(frames[0].pixels))
    sw, sh, fw, fh, used = sheets.SHEETS[fig_id]
    d = ImageDraw.Draw(img)
    for x in range(0, sw + 1, fw):
        d.line((min(x, sw - 1), 0, min(x, sw - 1), sh - 1), fill=GRID)
    for y in range(0, sh + 1, fh):
        d.line((0, min(y, sh - 1), sw - 1, min(y, sh - 1)), fill=GRID)
    for n in range(used):
        x0, y0, _, _ = sheets.frame_box(fig_id, n)
        d.rectangle((x0 + 1, y0 + 1, x0 + 16, y0 + 11), fill=(255, 255, 255))
        d.text((x0 + 2, y0 + 1), str(n), fill=(0, 0, 0))
    return img


def strip_review(data, mapper):
    _, _, frames = fig.decode(data)
    seq = strip.compose(frames)
    w, h = strip.WIDTH, strip.HEIGHT
    out = Image.new("RGB", (w + 40, (h + 6) * len(seq)), (40, 40, 40))
    d = ImageDraw.Draw(out)
    gif = []
    for n, (canvas, f) in enumerate(zip(seq, frames)):
        img = Image.fromarray(mapper.image(canvas))
        gif.append((img, f.delay * 10))
        y = n * (h + 6)
        out.paste(img, (40, y))
        fh, fw = f.pixels.shape
        d.rectangle((40 + f.left, y + f.top, 40 + f.left + fw - 1, y + f.top + fh - 1), outline=GRID)
        d.text((4, y + 2), str(n + 1), fill=(255, 255, 255))
    return out, gif


def piano_roll(parts, ticks_per_pixel=40):
    """The tune's notes as bars, one colour per part, bar lines every 4 beats."""
    end = max(s + n for p in parts for s, n, _, _ in p["notes"])
    w, h = end // ticks_per_pixel + 20, 2 * (96 - 28) + 20
    img = Image.new("RGB", (w, h), (250, 250, 250))
    d = ImageDraw.Draw(img)
    for x in range(0, end, carol.BAR):
        d.line((10 + x // ticks_per_pixel, 0, 10 + x // ticks_per_pixel, h), fill=(210, 210, 210))
    colours = [(200, 40, 40), (230, 170, 30), (40, 140, 70), (60, 60, 160), (120, 120, 120)]
    for part, colour in zip(parts, colours):
        for start, length, key, _ in part["notes"]:
            y = 10 + 2 * (96 - min(96, max(28, key)))
            d.rectangle((10 + start // ticks_per_pixel, y, 10 + (start + length) // ticks_per_pixel, y + 1), fill=colour)
    return img


def save_gif(path, frames, scale=1):
    imgs = [f.resize((f.width * scale, f.height * scale), Image.NEAREST) if scale > 1 else f for f, _ in frames]
    imgs[0].save(path, save_all=True, append_images=imgs[1:], duration=[max(20, d) for _, d in frames],
                 loop=0, optimize=False)


def write_all(folder, files, mapper, sheet_images, stand_ins):
    os.makedirs(folder, exist_ok=True)
    for fig_id in sheets.SHEETS:
        contact_sheet(fig_id, files["fig%d.fig" % fig_id], mapper).save(os.path.join(folder, "sheet%d.png" % fig_id))
    _, _, frames = fig.decode(files["fig1200.fig"])
    card_img = Image.fromarray(mapper.image(frames[0].pixels))
    card_img.save(os.path.join(folder, "card1200.png"))
    strip_img, gif = strip_review(files["fig1201.fig"], mapper)
    strip_img.save(os.path.join(folder, "strip1201_frames.png"))
    save_gif(os.path.join(folder, "strip1201.gif"), gif, 2)
    card_with_strip(card_img, gif, 11).save(os.path.join(folder, "card_with_strip.png"))
    sw = Image.fromarray(np.array(mapper.colours, np.uint8).reshape(16, 16, 3)).resize((256, 256), Image.NEAREST)
    sw.save(os.path.join(folder, "palette.png"))
    row = Image.new("RGB", (3 * 80, 80), (200, 200, 200))
    for i, cid in enumerate(sorted(cursors.CURSORS)):
        shape, hot = cursors.CURSORS[cid]
        c = cursors.cursor_preview(shape).resize((64, 64), Image.NEAREST)
        ImageDraw.Draw(c).rectangle((hot[0] * 2, hot[1] * 2, hot[0] * 2 + 1, hot[1] * 2 + 1), fill=(255, 0, 0))
        row.paste(c, (8 + i * 80, 8))
    row.save(os.path.join(folder, "cursors.png"))
    cursors.icon_preview().resize((2 * 136, 2 * 68), Image.NEAREST).save(os.path.join(folder, "icon.png"))
    piano_roll(carol.parts()).save(os.path.join(folder, "tune.png"))
    show_frames = show.preview(files, mapper)
    save_gif(os.path.join(folder, "show.gif"), show_frames)
    with open(os.path.join(folder, "README.txt"), "w") as f:
        f.write("placeholder sheets: %s\n" % (", ".join(map(str, stand_ins)) or "none"))
    return dict(card=card_with_strip(card_img, gif, 11), show=show_still(show_frames))


def card_with_strip(card_img, strip_gif, frame):
    """The card as it looks while frame n of its strip is on show."""
    out = card_img.copy()
    out.paste(strip_gif[frame - 1][0].resize((468, 60), Image.NEAREST), (12, 283))
    return out


def show_still(show_frames):
    """Four moments of the show side by side: opening, rising, dancing, the tag."""
    picks = (20, 70, 200, len(show_frames) - 3)
    w, h = show_frames[0][0].size
    crop = (w - 520, 0, w, h)
    out = Image.new("RGB", (2 * 520, 2 * h))
    for i, t in enumerate(picks):
        out.paste(show_frames[t][0].crop(crop), ((i % 2) * 520, (i // 2) * h))
    return out
