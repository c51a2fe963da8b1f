"""The sprite colours: flat fills, one shade each, and the outline blends.

Every pixel of a sheet is one of these colours. Fills are drawn without
antialiasing; the only soft edges are where the outline meets a fill, and
those use one fixed 50 % blend per fill so the colour count stays small.
"""

KEY = (255, 0, 255)
OUTLINE = (52, 30, 24)

# name: (r, g, b); "<name>_sh" entries are the shade step of a fill.
FILLS = {
    "coat": (212, 44, 46), "coat_sh": (158, 28, 40),
    "fur": (252, 250, 244), "fur_sh": (206, 212, 228),
    "skin": (255, 222, 196), "skin_sh": (238, 182, 152),
    "cheek": (247, 148, 150),
    "hair": (104, 58, 34), "hair_sh": (72, 40, 26),
    "scarf": (48, 156, 76), "scarf_sh": (30, 110, 56),
    "tights": (66, 62, 92), "tights_sh": (46, 44, 70),
    "boot": (92, 54, 38), "boot_sh": (66, 38, 28),
    "white": (255, 255, 255),
    "mouth": (176, 52, 62),
    "paper": (188, 28, 70), "paper_sh": (136, 18, 54),
    "inside": (92, 14, 40),
    "dot": (255, 206, 214),
    "gold": (250, 198, 52), "gold_sh": (214, 148, 34),
    "cream": (253, 244, 218), "cream_sh": (232, 210, 166),
    "star": (255, 226, 92),
}

# Fills whose edge against the outline gets a blended pixel: the light ones,
# where a hard step shows most. Dark fills next to the dark outline gain
# little and every blended pixel costs compressed bytes.
BLENDED = ["fur", "skin", "coat", "scarf", "gold", "cream"]


def _mix(a, b):
    return tuple((x + y) // 2 for x, y in zip(a, b))


def build():
    """Returns (names, rgb list, blend index by fill index)."""
    names = ["key", "outline"] + list(FILLS)
    rgb = [KEY, OUTLINE] + [FILLS[n] for n in FILLS]
    blend = {}
    for n in BLENDED:
        i = names.index(n)
        names.append("blend_" + n)
        rgb.append(_mix(OUTLINE, FILLS[n]))
        blend[i] = len(rgb) - 1
    assert len(set(rgb)) == len(rgb), "colours must be distinct"
    assert (0, 0, 0) not in rgb
    return names, rgb, blend


NAMES, RGB, BLEND = build()
INDEX = {n: i for i, n in enumerate(NAMES)}
