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
    def __init__(self, angle, lift=0.0, wobble=0.0, roll=0.0, shift=(0.0, 0.0), behind=None):
        self.a = math.radians(angle)
        self.roll = math.radians(roll)
        self.shift = shift
        # drawn behind the box body (and a girl in it) once it is off the top
        self.behind = behind if behind is not None else angle > 40
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
        return px + self.shift[0], py + self.shift[1]

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
        # projected length of the lid's up normal; the bow leans with the roll
        k = abs(ca * math.cos(ELEV) + sa * math.sin(ELEV))
        kk = max(k, 0.55)
        cr, sr = math.cos(self.roll), math.sin(self.roll)

        def at(u, v):  # u along the lid, v up from it
            return (base[0] + u * cr + v * sr, base[1] + u * sr - v * cr)

        roll = math.degrees(self.roll)
        w = self.wobble
        for side in (-1, 1):
            ang = side * (22 + w * side) + roll
            cx, cy = at(side * 11, 7 * k + 1)
            c.shape(Canvas.ellipse(cx, cy, 11, 7 * kk, ang), "gold", "gold_sh", light=(1.8, 1.8))
            ix, iy = at(side * 13, 7 * k + 0.5)
            c.fill(Canvas.ellipse(ix, iy, 4.5, 2.4 * kk, ang), "gold_sh")
        for side in (-1, 1):
            c.limb([at(side * 2, 5 * k), at(side * 7, 5 * k - 9 * k)], 4.5, "gold", "gold_sh")
        kx, ky = at(0, 6 * k)
        c.shape(Canvas.ellipse(kx, ky, 5, 4.5 * max(k, 0.6), roll), "gold", "gold_sh", light=(1.2, 1.2))

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
    dict(angle=6, lift=3.0, wobble=14),
    dict(angle=0, lift=10.0, wobble=-10, roll=-10, shift=(-2, 0)),
    dict(angle=0, wobble=6, roll=-24, shift=(-10, 2), behind=True),
    dict(angle=0, roll=-30, shift=(-12, 9), behind=True),
]
OPEN = LID_STATES[4]


def draw_back(c, lid=OPEN):
    """Everything of the box behind a girl who is inside or in front of it."""
    l = Lid(**lid)
    if l.behind:
        l.draw(c)
    draw_opening(c)


def draw_closed_parts(c, lid):
    l = Lid(**lid)
    if not l.behind:
        l.draw(c)


def draw_box(c, lid=OPEN):
    draw_back(c, lid)
    draw_front(c)
    draw_closed_parts(c, lid)
