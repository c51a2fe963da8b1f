"""The card's tune: "Deck the Halls" (traditional Welsh carol), arranged for
flute and glockenspiel over strings, bass and sleigh bells, in F major."""
import midi

TEMPO = 116
EIGHTH = midi.PPQ // 2
BAR = 8 * EIGHTH

NOTE = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def key(name):
    """'Bb4' -> MIDI key number (C4 = 60)."""
    pitch = NOTE[name[0]]
    rest = name[1:]
    if rest.startswith("b"):
        pitch, rest = pitch - 1, rest[1:]
    elif rest.startswith("#"):
        pitch, rest = pitch + 1, rest[1:]
    return 12 * (int(rest) + 1) + pitch


# Melody, one bar per string: note:length in eighths.
LINE_A = ["C5:3 Bb4:1 A4:2 G4:2", "F4:2 G4:2 A4:2 F4:2", "G4:1 A4:1 Bb4:1 G4:1 A4:3 G4:1", "F4:2 E4:2 F4:4"]
LINE_C = ["G4:3 A4:1 Bb4:2 G4:2", "A4:3 Bb4:1 C5:2 G4:2", "A4:1 B4:1 C5:2 D5:1 E5:1 F5:2", "E5:2 D5:2 C5:4"]
LINE_D = ["C5:3 Bb4:1 A4:2 G4:2", "F4:2 G4:2 A4:2 F4:2", "D5:1 D5:1 D5:1 D5:1 C5:3 Bb4:1", "A4:2 G4:2 F4:4"]
MELODY = LINE_A + LINE_A + LINE_C + LINE_D

# Two chords a bar; the first bar is the introduction, the last the closing chord.
CHORDS = ("F F | F F F C Gm C C7 F | F F F C Gm C C7 F | C7 C7 F C G Dm G C | F F F C Bb C C7 F | F F").replace("|", "").split()

VOICING = {
    "F": ("F3", "A3", "C4"), "C": ("E3", "G3", "C4"), "C7": ("E3", "G3", "Bb3"), "Gm": ("G3", "Bb3", "D4"),
    "G": ("G3", "B3", "D4"), "Dm": ("F3", "A3", "D4"), "Bb": ("F3", "Bb3", "D4"),
}
BASS = {"F": ("F2", "C3"), "C": ("C3", "G2"), "C7": ("C3", "G2"), "Gm": ("G2", "D3"), "G": ("G2", "D3"),
        "Dm": ("D3", "A2"), "Bb": ("Bb2", "F2")}

JINGLE = 83  # General MIDI percussion: jingle bell


def parts():
    melody, glock = [], []
    t = BAR  # after the introduction
    for bar in MELODY:
        for item in bar.split():
            name, length = item.split(":")
            length = int(length) * EIGHTH
            melody.append((t, length - 30, key(name), 96))
            glock.append((t, min(length, 2 * EIGHTH) - 30, key(name) + 12, 58))
            t += length
    strings, bass, bells = [], [], []
    for i, chord in enumerate(CHORDS):
        start = i * BAR // 2
        last = i >= len(CHORDS) - 2
        length = BAR if last else BAR // 2
        if last and i == len(CHORDS) - 1:
            continue
        for name in VOICING[chord]:
            strings.append((start, length - 20, key(name), 62))
        roots = BASS[chord]
        if last:
            bass.append((start, BAR - 20, key(roots[0]), 86))
        else:
            bass.append((start, 2 * EIGHTH - 40, key(roots[0]), 86))
            bass.append((start + 2 * EIGHTH, 2 * EIGHTH - 40, key(roots[1]), 74))
    bars = len(CHORDS) // 2
    for bar in range(bars - 1):
        # Straight quarters; the last verse rides on eighths.
        step = EIGHTH if bar >= bars - 5 else 2 * EIGHTH
        for t in range(bar * BAR, (bar + 1) * BAR, step):
            accent = 92 if t % BAR == 0 else 64
            bells.append((t, 60, JINGLE, accent))
    bells.append(((bars - 1) * BAR, 60, JINGLE, 100))
    return [
        dict(name="Flute", channel=0, program=73, volume=100, notes=melody),
        dict(name="Glockenspiel", channel=1, program=9, volume=70, notes=glock),
        dict(name="Strings", channel=2, program=48, volume=80, notes=strings),
        dict(name="Bass", channel=3, program=32, volume=96, notes=bass),
        dict(name="Sleigh bells", channel=9, program=None, volume=80, notes=bells),
    ]


def tune():
    return midi.write(TEMPO, 4, -1, parts(), "Deck the Halls")
