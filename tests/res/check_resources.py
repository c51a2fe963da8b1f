#!/usr/bin/python3
"""Checks every resource of a built executable against what the card needs,
reading the file itself with pefile (nothing here shares code with the
generator):

    check_resources.py [--program] EXE

--program also holds the executable to its size budget. Prints one line per
failed check and exits 1 when there is any.
"""
import argparse
import io
import os
import struct
import sys
import xml.etree.ElementTree as ET
import zlib

import pefile

RT_CURSOR, RT_ICON, RT_DIALOG, RT_GROUP_CURSOR, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 1, 3, 5, 12, 14, 16, 24
KEY = (255, 0, 255)

# id: (bytes in the reference set, frames, width, height, extra word)
FIGS = {
    201: (7016, 1, 480, 300, 0), 202: (18368, 1, 600, 600, 0), 203: (15337, 1, 600, 450, 0),
    204: (15432, 1, 520, 680, 0), 205: (4023, 1, 600, 150, 0), 206: (17841, 1, 600, 750, 0),
    207: (6019, 1, 480, 300, 0), 1200: (33348, 1, 493, 359, 0), 1201: (12825, 14, 468, 60, 29),
}
# frame cell size and frames in use, per sheet
CELLS = {201: (120, 150, 7), 202: (120, 150, 19), 203: (120, 150, 11), 204: (260, 170, 8),
         205: (120, 150, 5), 206: (120, 150, 25), 207: (120, 150, 7)}
UNUSED_CELLS = {204: (1, 2, 3, 4, 5)}
# strip frames: width, height, left, top, transparent index, delay
STRIP = [(468, 60, 0, 0, -1, 100), (292, 24, 38, 0, 1, 10), (312, 24, 38, 0, 1, 10), (57, 29, 322, 3, -1, 10),
         (90, 45, 337, 5, -1, 10), (405, 51, 42, 5, 1, 15), (79, 45, 372, 5, -1, 100), (144, 46, 307, 4, -1, 10),
         (138, 49, 254, 4, -1, 10), (148, 50, 191, 4, -1, 10), (203, 52, 108, 4, -1, 10),
         (165, 50, 36, 4, -1, 10), (111, 45, 0, 5, -1, 10), (27, 41, 0, 8, -1, 300)]
MESSAGE = b"Joyeux No\xebl\r\n" + b"-" * 21 + b"\r\n"
CURSORS = {100: (13, 9), 102: (15, 18), 103: (17, 15)}
SUPPORTED_OS = {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
                "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10/11"}
PROGRAM_LIMIT = 300 * 1024

failures = []


def expect(cond, what):
    if not cond:
        failures.append(what)
    return cond


def resources(path):
    """{(type, name): data} of the first language of each, type and name as int or str."""
    pe = pefile.PE(path)
    out = {}
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        tkey = t.id if t.id is not None else str(t.name)
        for n in t.directory.entries:
            nkey = n.id if n.id is not None else str(n.name)
            lang = n.directory.entries[0]
            rva, size = lang.data.struct.OffsetToData, lang.data.struct.Size
            out[(tkey, nkey)] = pe.get_data(rva, size)
    return out


def inflate_exact(data, size, what):
    try:
        d = zlib.decompressobj()
        out = d.decompress(data)
        ok = d.eof and not d.unused_data and len(out) == size
    except zlib.error:
        ok, out = False, b""
    expect(ok, "%s does not inflate to exactly %d bytes" % (what, size))
    return out


def parse_fig(data, fid):
    """Header, palette bytes and frames [(fields..., pixel rows top-down)]."""
    name = "FIG %d" % fid
    if not expect(data[:4] == b"FIG1", name + ": magic is not FIG1"):
        return None
    loops, count, w, h, extra, psize = struct.unpack_from("<hHHHhi", data, 4)
    pal = inflate_exact(data[18:18 + psize], 1024, name + " palette block")
    if len(pal) != 1024:
        return None
    pos = 18 + psize
    frames = []
    for i in range(count):
        fw, fh, planes, bits, comp, size, left, top, tr, delay, disp = struct.unpack_from("<hhhhhihhhhh", data, pos)
        pos += 24
        stride = (fw + 3) & ~3
        raw = inflate_exact(data[pos:pos + size], stride * fh, "%s frame %d pixels" % (name, i + 1))
        if len(raw) != stride * fh:
            return None
        pos += size
        rows = [raw[(fh - 1 - y) * stride:(fh - 1 - y) * stride + fw] for y in range(fh)]
        frames.append(dict(w=fw, h=fh, planes=planes, bits=bits, comp=comp, left=left, top=top, tr=tr,
                           delay=delay, disp=disp, rows=rows))
    expect(pos == len(data), "%s: %d bytes after the last frame" % (name, len(data) - pos))
    return dict(loops=loops, count=count, w=w, h=h, extra=extra, pal=pal, frames=frames)


def colour(pal, i):
    return (pal[4 * i + 2], pal[4 * i + 1], pal[4 * i])


def check_figs(res):
    table = None
    bmp = res.get(("DIB", "IDB_PAL"))
    if expect(bmp is not None, "DIB IDB_PAL missing"):
        table = check_palette_bitmap(bmp)
    total = 0
    for fid, (ref, count, w, h, extra) in FIGS.items():
        data = res.get(("FIG", fid))
        if not expect(data is not None, "FIG %d missing" % fid):
            continue
        total += len(data)
        f = parse_fig(data, fid)
        if f is None:
            continue
        name = "FIG %d" % fid
        expect((f["loops"], f["count"], f["w"], f["h"], f["extra"]) == (-1, count, w, h, extra),
               "%s header is loops %d, %d frames, %d x %d, extra %d" %
               (name, f["loops"], f["count"], f["w"], f["h"], f["extra"]))
        expect(table is None or f["pal"] == table, name + " palette differs from IDB_PAL's colour table")
        for i, fr in enumerate(f["frames"]):
            expect((fr["planes"], fr["bits"], fr["comp"]) == (1, 8, 0),
                   "%s frame %d: planes/bits/compression %d/%d/%d" % (name, i + 1, fr["planes"], fr["bits"], fr["comp"]))
        if fid == 1201:
            check_strip(f)
        elif f["frames"]:
            fr = f["frames"][0]
            expect((fr["w"], fr["h"], fr["left"], fr["top"], fr["tr"], fr["delay"], fr["disp"]) == (w, h, 0, 0, -1, 0, -1),
                   "%s frame fields %r" % (name, {k: fr[k] for k in ("w", "h", "left", "top", "tr", "delay", "disp")}))
            if fid in CELLS:
                check_sheet(fid, f)
            else:
                used = set(b for row in fr["rows"] for b in row)
                expect(not any(colour(f["pal"], i) == KEY for i in used), name + " shows the key colour")
    limit = 1.5 * sum(v[0] for v in FIGS.values())
    expect(total <= limit, "FIG images total %d bytes, over %d" % (total, limit))
    print("FIG images: %d bytes (budget %d)" % (total, limit))


def check_palette_bitmap(bmp):
    expect(len(bmp) == 1334, "IDB_PAL is %d bytes, not 1334" % len(bmp))
    if len(bmp) < 1334:
        return None
    magic, fsize, r1, r2, offset = struct.unpack_from("<2sIHHI", bmp, 0)
    hsize, w, h, planes, bits, comp, isize, xr, yr, used, important = struct.unpack_from("<IiiHHIIiiII", bmp, 14)
    expect(magic == b"BM" and offset == 1078, "IDB_PAL file header: %r, pixel offset %d" % (magic, offset))
    expect((hsize, w, h, planes, bits, comp, used, important) == (40, 16, 16, 1, 8, 0, 256, 256),
           "IDB_PAL info header: %r" % ((hsize, w, h, planes, bits, comp, used, important),))
    expect(fsize in (0, 1334), "IDB_PAL file size field %d" % fsize)
    table = bmp[54:1078]
    expect(all(table[4 * i + 3] == 0 for i in range(256)), "IDB_PAL colour table has non-zero reserved bytes")
    cols = [colour(table, i) for i in range(256)]
    expect((0, 0, 0) in cols, "the palette has no black for the message text")
    expect(cols.count(KEY) == 1, "the key colour appears %d times in the palette" % cols.count(KEY))
    return table


def check_sheet(fid, f):
    name = "FIG %d" % fid
    rows = f["frames"][0]["rows"]
    key = rows[0][0]
    expect(colour(f["pal"], key) == KEY, "%s: top-left pixel is %r, not the key colour" % (name, colour(f["pal"], key)))
    cw, ch, used = CELLS[fid]
    cols = f["w"] // cw
    for n in range(cols * (f["h"] // ch)):
        x0, y0 = (n % cols) * cw, (n // cols) * ch
        cell = [rows[y][x0:x0 + cw] for y in range(y0, y0 + ch)]
        blank = all(b == key for r in cell for b in r)
        if n >= used or n in UNUSED_CELLS.get(fid, ()):
            expect(blank, "%s: cell %d is not used but holds pixels" % (name, n))
        else:
            expect(not blank, "%s: frame %d is empty" % (name, n))
    # No fringe: a pixel beside the key is never a blend towards magenta.
    fringe = 0
    for y in range(f["h"]):
        r = rows[y]
        for x in range(f["w"]):
            if r[x] == key:
                continue
            red, green, blue = colour(f["pal"], r[x])
            if red > 170 and blue > 170 and green < 110:
                fringe += 1
    expect(fringe == 0, "%s: %d magenta-like pixels (key-colour fringe)" % (name, fringe))


def check_strip(f):
    for i, (want, fr) in enumerate(zip(STRIP, f["frames"])):
        got = (fr["w"], fr["h"], fr["left"], fr["top"], fr["tr"], fr["delay"])
        expect(got == want and fr["disp"] == 1, "FIG 1201 frame %d is %r disposal %d, not %r disposal 1"
               % (i + 1, got, fr["disp"], want))
        if fr["tr"] >= 0:
            expect(colour(f["pal"], fr["tr"]) == KEY, "FIG 1201 frame %d: transparent entry is not the key" % (i + 1))
        else:
            expect(not any(colour(f["pal"], b) == KEY for row in fr["rows"] for b in row),
                   "FIG 1201 frame %d is opaque but shows the key colour" % (i + 1))
    expect(sum(fr["delay"] for fr in f["frames"]) == 615, "FIG 1201: a pass does not last 6.15 s")


def check_texts(res):
    expect(res.get(("MSGTEXT", 101)) == MESSAGE, "MSGTEXT 101 is %r" % res.get(("MSGTEXT", 101)))
    expect(res.get(("CONFIG", 1200)) == b"ym1", "CONFIG 1200 is %r" % res.get(("CONFIG", 1200)))


def check_cursors(res):
    for cid, hot in CURSORS.items():
        group = res.get((RT_GROUP_CURSOR, cid))
        if not expect(group is not None, "cursor %d missing" % cid):
            continue
        reserved, typ, count = struct.unpack_from("<HHH", group, 0)
        expect(typ == 2 and count == 1, "cursor %d: group type %d with %d images" % (cid, typ, count))
        w, h, planes, bits, size, image_id = struct.unpack_from("<HHHHIH", group, 6)
        expect((w, h, planes, bits) == (32, 64, 1, 1), "cursor %d: %d x %d, %d bpp" % (cid, w, h // 2, bits))
        data = res.get((RT_CURSOR, image_id), b"")
        if not expect(len(data) == size and len(data) >= 48, "cursor %d image missing" % cid):
            continue
        hx, hy = struct.unpack_from("<HH", data, 0)
        expect((hx, hy) == hot, "cursor %d hot spot (%d, %d), not %r" % (cid, hx, hy, hot))
        hs, bw, bh, bp, bb = struct.unpack_from("<IiiHH", data, 4)
        expect((hs, bw, bh, bp, bb) == (40, 32, 64, 1, 1), "cursor %d bitmap header %r" % (cid, (hs, bw, bh, bp, bb)))
        # XOR then AND mask after the two-colour table: something drawn, something transparent.
        masks = data[4 + 40 + 8:]
        andmask = masks[128:256]
        expect(andmask.count(0xFF) > 0 and any(b != 0xFF for b in andmask),
               "cursor %d is all transparent or all opaque" % cid)


def check_icon(res):
    group = res.get((RT_GROUP_ICON, 100))
    if not expect(group is not None, "icon 100 missing"):
        return
    _, typ, count = struct.unpack_from("<HHH", group, 0)
    sizes = set()
    for i in range(count):
        w, h, colours, _, planes, bits, size, image_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        data = res.get((RT_ICON, image_id), b"")
        expect(len(data) == size, "icon 100 image %d missing" % image_id)
        if data[:4] == b"\x89PNG":
            continue
        hs, bw, bh = struct.unpack_from("<Iii", data, 0)
        expect((bw, bh) == (w or 256, 2 * (h or 256)), "icon image %d header %d x %d" % (image_id, bw, bh))
        sizes.add(bw)
    expect({16, 32, 48} <= sizes, "icon 100 has sizes %r, wants 16, 32, 48" % sorted(sizes))


class Reader:
    def __init__(self, data):
        self.d, self.p = data, 0

    def take(self, fmt):
        v = struct.unpack_from("<" + fmt, self.d, self.p)
        self.p += struct.calcsize("<" + fmt)
        return v

    def sz_or_ord(self):
        (w,) = struct.unpack_from("<H", self.d, self.p)
        if w == 0xFFFF:
            self.p += 4
            return struct.unpack_from("<H", self.d, self.p - 2)[0]
        return self.string()

    def string(self):
        end = self.p
        while self.d[end:end + 2] != b"\0\0":
            end += 2
        s = self.d[self.p:end].decode("utf-16-le")
        self.p = end + 2
        return s

    def align(self):
        self.p = (self.p + 3) & ~3


def parse_dialog(data):
    r = Reader(data)
    style, exstyle, count, x, y, cx, cy = r.take("IIHhhhh")
    r.sz_or_ord()  # menu
    r.sz_or_ord()  # window class
    title = r.string()
    font = None
    if style & 0x40:  # DS_SETFONT
        (points,) = r.take("H")
        font = (points, r.string())
    items = []
    for _ in range(count):
        r.align()
        istyle, iex, ix, iy, icx, icy, iid = r.take("IIhhhhH")
        icls, ititle = r.sz_or_ord(), r.sz_or_ord()
        (extra,) = r.take("H")
        r.p += extra
        items.append(dict(style=istyle, rect=(ix, iy, icx, icy), id=iid, cls=icls, text=ititle))
    return dict(style=style, size=(cx, cy), caption=title, font=font, items=items)


WS_POPUP, WS_VISIBLE, WS_CAPTION, WS_SYSMENU, WS_VSCROLL, WS_BORDER, WS_TABSTOP = (
    0x80000000, 0x10000000, 0x00C00000, 0x00080000, 0x00200000, 0x00800000, 0x00010000)
DS_MODALFRAME, ES_MULTILINE, ES_WANTRETURN, BS_DEFPUSHBUTTON = 0x80, 0x4, 0x1000, 0x1
PROMPT = "Enter your message below (max 256 characters)."
ADVICE = ("When you press OK, a dialog will appear asking you what filename you'd like to save as. "
          "If you have opened this program straight from an email, it is advisable to save your new "
          "version to a location you will find later.")


def check_dialogs(res):
    base = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU
    d107 = res.get((RT_DIALOG, 107))
    if expect(d107 is not None, "dialog 107 missing"):
        d = parse_dialog(d107)
        expect(d["style"] & base == base, "dialog 107 style %08x" % d["style"])
        expect(d["caption"] == "Christmas Cardlings", "dialog 107 caption %r" % d["caption"])
        expect(d["font"] == (8, "MS Sans Serif"), "dialog 107 font %r" % (d["font"],))
        expect(d["size"] == (187, 97) and not d["items"], "dialog 107 size %r, %d controls" % (d["size"], len(d["items"])))
    d109 = res.get((RT_DIALOG, 109))
    if not expect(d109 is not None, "dialog 109 missing"):
        return
    d = parse_dialog(d109)
    expect(d["style"] & (base | DS_MODALFRAME) == base | DS_MODALFRAME, "dialog 109 style %08x" % d["style"])
    expect(d["caption"] == "Enter your message", "dialog 109 caption %r" % d["caption"])
    expect(d["font"] == (8, "MS Sans Serif"), "dialog 109 font %r" % (d["font"],))
    expect(d["size"] == (187, 175), "dialog 109 size %r" % (d["size"],))
    # id, class atom, rect, text, styles that must be set
    want = [(1, 0x80, (131, 6, 50, 14), "OK", BS_DEFPUSHBUTTON | WS_TABSTOP),
            (2, 0x80, (131, 24, 50, 14), "Cancel", WS_TABSTOP),
            (101, 0x81, (5, 44, 177, 73), "", ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL | WS_BORDER | WS_TABSTOP),
            (0xFFFF, 0x82, (7, 14, 120, 19), PROMPT, 0),
            (0xFFFF, 0x82, (5, 126, 177, 44), ADVICE, 0)]
    expect(len(d["items"]) == len(want), "dialog 109 has %d controls" % len(d["items"]))
    for (iid, cls, rect, text, styles), item in zip(want, d["items"]):
        got = (item["id"], item["cls"], item["rect"], item["text"] or "")
        expect(got == (iid, cls, rect, text), "dialog 109 control %r, wants %r" % (got, (iid, cls, rect, text)))
        expect(item["style"] & styles == styles, "dialog 109 control %d style %08x" % (iid, item["style"]))


def check_version_and_manifest(res):
    ver = res.get((RT_VERSION, 1))
    expect(ver is not None and b"\xbd\x04\xef\xfe" in ver, "VERSIONINFO missing or without fixed file info")
    manifest = res.get((RT_MANIFEST, 1))
    if not expect(manifest is not None, "application manifest missing"):
        return
    root = ET.fromstring(manifest)
    local = lambda e: e.tag.split("}")[-1]
    aware = [e.text.strip().lower() for e in root.iter() if local(e) == "dpiAware"]
    expect(aware and aware[0] in ("true", "true/pm", "per monitor"), "manifest does not declare DPI awareness")
    os_ids = {e.get("Id").lower() for e in root.iter() if local(e) == "supportedOS"}
    missing = [v for k, v in SUPPORTED_OS.items() if k not in os_ids]
    expect(not missing, "manifest does not declare Windows %s" % ", ".join(missing))


def midi_seconds(data):
    """Length of a standard MIDI file in seconds (tempo map applied), and notes per channel."""
    r = io.BytesIO(data)
    tag, size = struct.unpack(">4sI", r.read(8))
    fmt, ntracks, division = struct.unpack(">HHH", r.read(6))
    expect(tag == b"MThd" and size == 6 and fmt in (0, 1) and division < 0x8000, "IDM_MUSIC: bad MIDI header")
    tempos, end_tick, notes = [(0, 500000)], 0, {}
    for _ in range(ntracks):
        tag, size = struct.unpack(">4sI", r.read(8))
        expect(tag == b"MTrk", "IDM_MUSIC: chunk %r where a track should be" % tag)
        body, p, tick, status = r.read(size), 0, 0, 0
        while p < len(body):
            delta = 0
            while True:
                b = body[p]
                p += 1
                delta = (delta << 7) | (b & 0x7F)
                if b < 0x80:
                    break
            tick += delta
            if body[p] & 0x80:
                status = body[p]
                p += 1
            if status == 0xFF:
                kind, length = body[p], body[p + 1]
                if kind == 0x51:
                    tempos.append((tick, int.from_bytes(body[p + 2:p + 5], "big")))
                p += 2 + length
            elif status in (0xF0, 0xF7):
                length = body[p]
                p += 1 + length
            else:
                n = 1 if status & 0xF0 in (0xC0, 0xD0) else 2
                if status & 0xF0 == 0x90 and body[p + 1] > 0:
                    notes[status & 0x0F] = notes.get(status & 0x0F, 0) + 1
                p += n
        end_tick = max(end_tick, tick)
    tempos.sort()
    seconds, last_tick, us = 0.0, 0, 500000
    for t, new in tempos:
        seconds += (min(t, end_tick) - last_tick) * us / division / 1e6
        last_tick, us = min(t, end_tick), new
    seconds += (end_tick - last_tick) * us / division / 1e6
    return seconds, notes


def check_music(res):
    data = res.get(("MIDI", "IDM_MUSIC"))
    if not expect(data is not None, "MIDI IDM_MUSIC missing"):
        return
    seconds, notes = midi_seconds(data)
    expect(30 <= seconds <= 60, "IDM_MUSIC lasts %.1f s" % seconds)
    expect(sum(notes.values()) > 100, "IDM_MUSIC has only %d notes" % sum(notes.values()))
    print("IDM_MUSIC: %.1f s, %d notes" % (seconds, sum(notes.values())))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--program", action="store_true", help="also check the program's size budget")
    ap.add_argument("exe")
    args = ap.parse_args()
    res = resources(args.exe)
    check_figs(res)
    check_texts(res)
    check_cursors(res)
    check_icon(res)
    check_dialogs(res)
    check_version_and_manifest(res)
    check_music(res)
    if args.program:
        size = os.path.getsize(args.exe)
        expect(size <= PROGRAM_LIMIT, "the program is %d bytes, over %d" % (size, PROGRAM_LIMIT))
        print("program: %d bytes (budget %d)" % (size, PROGRAM_LIMIT))
    for f in failures:
        print("FAIL: " + f)
    print("%s: %s" % (os.path.basename(args.exe), "FAILED" if failures else "all resources as expected"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
