"""The wrapped gift box, drawn in a small orthographic 3-D view.

The box stands on the sole row at the same place in every frame of the box
sheets. The lid is a separate slab hinged at its back edge; `angle` 0 is
closed, about 112 is resting open against the back.
"""
import math

from .canvas import Canvas
from .girl import SOLE

X0, X1 = 36, 100             # front face, left and right
FRONT_H = 42                 # projected height of the front face
TOP_D = 10                   # projected depth of the top face
ELEV = math.radians(30)
H = FRONT_H / math.cos(ELEV)
D = TOP_D / math.sin(ELEV)
LID_OVER = 3                 # lid overhang at the sides
LID_T = 10                   # lid thickness (3-D)
LID_DROP = 6                 # how far the lid reaches down over the box
MID = (X0 + X1) / 2
RIBBON = 4.5                 # half-width of the ribbon
RIM_Y = SOLE - FRONT_H       # the front top edge of the box
BACK_Y = SOLE - FRONT_H - TOP_D


def project(x, y, z):
    return (x, SOLE - y * math.cos(ELEV) - (D / 2 - z) * math.sin(ELEV))


def front_path():
    return Canvas.poly([(X0, RIM_Y), (X1, RIM_Y), (X1, SOLE), (X0, SOLE)])


def opening_path():
    return Canvas.poly([(X0, BACK_Y), (X1, BACK_Y), (X1, RIM_Y), (X0, RIM_Y)])


class Lid:
    def __init__(self, angle, lift=0.0, wobble=0.0, roll=0.0):
        self.a = math.radians(angle)
        self.roll = math.radians(roll)
        self.lift = lift
        self.wobble = wobble
        self.x0, self.x1 = X0 - LID_OVER, X1 + LID_OVER
        self.depth = D + 2 * 2
        self.pivot = (H - LID_DROP + lift, -D / 2 - 2)

    def point(self, x, yl, zl):
        """Lid-local (x, height above lid bottom, depth from its back) to screen."""
        ca, sa = math.cos(self.a), math.sin(self.a)
        y = self.pivot[0] + yl * ca + zl * sa
        z = self.pivot[1] - yl * sa + zl * ca
        px, py = project(x, y, z)
        if self.roll:
            ox, oy = project(self.x0, self.pivot[0], self.pivot[1])
            cr, sr = math.cos(self.roll), math.sin(self.roll)
            px, py = ox + (px - ox) * cr - (py - oy) * sr, oy + (px - ox) * sr + (py - oy) * cr
        return px, py

    def face(self, which, u0=None, u1=None, w0=0.0, w1=1.0):
        """Corner points of a lid face, optionally a sub-rectangle of it."""
        x0 = self.x0 if u0 is None else u0
        x1 = self.x1 if u1 is None else u1
        t, dp = LID_T, self.depth
        if which == "top":
            q = [(x0, t, w0 * dp), (x1, t, w0 * dp), (x1, t, w1 * dp), (x0, t, w1 * dp)]
        elif which == "bottom":
            q = [(x0, 0, w0 * dp), (x1, 0, w0 * dp), (x1, 0, w1 * dp), (x0, 0, w1 * dp)]
        elif which == "front":
            q = [(x0, w0 * t, dp), (x1, w0 * t, dp), (x1, w1 * t, dp), (x0, w1 * t, dp)]
        else:
            q = [(x0, w0 * t, 0), (x1, w0 * t, 0), (x1, w1 * t, 0), (x0, w1 * t, 0)]
        return [self.point(*p) for p in q]

    def visible(self):
        e = ELEV
        out = []
        if math.sin(e - self.a) > 0.02:
            out.append("top")
        if math.sin(e - self.a) < -0.02:
            out.append("bottom")
        if math.cos(self.a - e) > 0.02:
            out.append("front")
        if math.cos(self.a - e) < -0.02:
            out.append("back")
        return out

    def draw_bow(self, c):
        ca, sa = math.cos(self.a), math.sin(self.a)
        base = self.point(MID, LID_T, self.depth / 2)
        # projected direction of the lid's up normal
        ny, nz = ca, -sa
        up = (0.0, -(ny * math.cos(ELEV) - nz * math.sin(ELEV)))
        k = abs(up[1])
        w = self.wobble
        for side in (-1, 1):
            ang = side * (22 + w * side)
            cx = base[0] + side * 11
            cy = base[1] + up[1] * 7 - 1
            c.shape(Canvas.ellipse(cx, cy, 11, 7 * max(k, 0.55), ang), "gold", "gold_sh", light=(1.8, 1.8))
            inner = Canvas.ellipse(cx + side * 2, cy + 0.5, 4.5, 2.4 * max(k, 0.55), ang)
            c.fill(inner, "gold_sh")
        for side in (-1, 1):
            tail = [(base[0] + side * 2, base[1] + up[1] * 5), (base[0] + side * 7, base[1] + up[1] * 5 + 9 * k)]
            c.limb(tail, 4.5, "gold", "gold_sh")
        c.shape(Canvas.ellipse(base[0], base[1] + up[1] * 6, 5, 4.5 * max(k, 0.6)), "gold", "gold_sh", light=(1.2, 1.2))

    def draw(self, c):
        vis = self.visible()
        if "top" not in vis:
            self.draw_bow(c)
        for f in vis:
            pts = self.face(f)
            colour = "paper_sh" if f in ("bottom", "back") else "paper"
            c.shape(Canvas.poly(pts), colour)
            # ribbon across the face
            if f in ("top", "front", "back"):
                band = self.face(f, MID - RIBBON, MID + RIBBON)
                c.shape(Canvas.poly(band), "gold", None)
            if f == "top":
                band = self.face(f, None, None, 0.5 - 0.17, 0.5 + 0.17)
                c.shape(Canvas.poly(band), "gold", None)
                mid = self.face(f, MID - RIBBON, MID + RIBBON, 0.33, 0.67)
                c.fill(Canvas.poly(mid), "gold_sh")
        if "bottom" in vis:
            # the inside of the lid: a shallow tray with a rim
            rim = 2.5
            inner = self.face("bottom", self.x0 + rim, self.x1 - rim, 0.12, 0.88)
            c.fill(Canvas.poly(inner), "inside")
        if "top" in vis:
            self.draw_bow(c)


def _dots(c, x0, y0, x1, y1):
    """Small paper dots, on a fixed lattice so every frame has the same ones."""
    row = 0
    y = y0 + 5
    while y < y1 - 3:
        x = x0 + 6 + (7 if row % 2 else 0)
        while x < x1 - 3:
            if abs(x - MID) > RIBBON + 3:
                c.pixels(x, y, 2, 2, "dot")
            x += 14
        y += 9
        row += 1


def draw_front(c):
    """Front face of the box body, with its ribbon."""
    c.shape(front_path(), "paper", "paper_sh", light=(3, 0))
    _dots(c, X0, RIM_Y, X1 - 3, SOLE)
    c.shape(Canvas.poly([(MID - RIBBON, RIM_Y), (MID + RIBBON, RIM_Y), (MID + RIBBON, SOLE), (MID - RIBBON, SOLE)]),
            "gold", "gold_sh", light=(1.5, 0))


def draw_opening(c):
    """The open top: the dark inside with the ribbon running down the back."""
    c.shape(opening_path(), "inside")
    c.fill(Canvas.poly([(X0 + 1, BACK_Y), (X1 - 1, BACK_Y), (X1 - 1, BACK_Y + 2), (X0 + 1, BACK_Y + 2)]), "paper_sh")
    c.fill(Canvas.poly([(MID - RIBBON, BACK_Y), (MID + RIBBON, BACK_Y), (MID + RIBBON, RIM_Y), (MID - RIBBON, RIM_Y)]),
           "gold_sh")


# lid positions of the opening sequence
LID_STATES = [
    dict(angle=0),
    dict(angle=9, lift=3.0, wobble=14),
    dict(angle=52, wobble=-8),
    dict(angle=96, wobble=4, roll=-6),
    dict(angle=108, roll=-10),
]
OPEN = LID_STATES[4]


def draw_back(c, lid=OPEN):
    """Everything of the box behind a girl who is inside or in front of it."""
    l = Lid(**lid)
    if l.a > math.radians(40):
        l.draw(c)
    draw_opening(c)


def draw_closed_parts(c, lid):
    l = Lid(**lid)
    if l.a <= math.radians(40):
        l.draw(c)


def draw_box(c, lid=OPEN):
    draw_back(c, lid)
    draw_front(c)
    draw_closed_parts(c, lid)
