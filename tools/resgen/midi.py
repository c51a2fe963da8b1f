"""A standard MIDI file (format 1) from lists of timed notes."""
import struct

PPQ = 480


def _vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


def _chunk(tag, body):
    return tag + struct.pack(">I", len(body)) + body


def _track(events):
    """events: (tick, order, bytes); note-offs sort before note-ons at the same tick."""
    body, now = bytearray(), 0
    for tick, _, data in sorted(events, key=lambda e: (e[0], e[1])):
        body += _vlq(tick - now) + data
        now = tick
    body += _vlq(0) + b"\xff\x2f\x00"
    return _chunk(b"MTrk", bytes(body))


def _meta(kind, data):
    return bytes((0xFF, kind)) + _vlq(len(data)) + data


def write(tempo_bpm, numerator, key_sharps, parts, title):
    """parts: list of dicts with name, channel, program (None for drums), volume and
    notes [(start tick, length ticks, key, velocity)]."""
    us = round(60_000_000 / tempo_bpm)
    conductor = [
        (0, 0, _meta(0x03, title.encode("ascii"))),
        (0, 1, _meta(0x51, us.to_bytes(3, "big"))),
        (0, 2, _meta(0x58, bytes((numerator, 2, 24, 8)))),
        (0, 3, _meta(0x59, bytes((key_sharps & 0xFF, 0)))),
    ]
    tracks = [_track(conductor)]
    for part in parts:
        ch = part["channel"]
        ev = [(0, 0, _meta(0x03, part["name"].encode("ascii"))),
              (0, 1, bytes((0xB0 | ch, 7, part["volume"]))),
              (0, 2, bytes((0xB0 | ch, 91, part.get("reverb", 40))))]
        if part["program"] is not None:
            ev.append((0, 3, bytes((0xC0 | ch, part["program"]))))
        for start, length, key, vel in part["notes"]:
            ev.append((start, 5, bytes((0x90 | ch, key, vel))))
            ev.append((start + length, 4, bytes((0x80 | ch, key, 0))))
        tracks.append(_track(ev))
    header = _chunk(b"MThd", struct.pack(">HHH", 1, len(tracks), PPQ))
    return header + b"".join(tracks)
