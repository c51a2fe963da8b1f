"""The girl: one skeleton, bones with shapes attached, posed per frame.

Screen coordinates of a 120 x 150 frame; y grows downwards. Angles of limbs
are absolute screen angles in degrees, 0 pointing straight down and 90
pointing to the right (+x), so a limb direction is (sin a, cos a).
"""
import math
from dataclasses import dataclass, replace

from .canvas import Canvas

SOLE = 144          # the row below the boots' soles: everything stands here
ANKLE_UP = 6        # ankle height above the sole
PELVIS_Y = 110      # pelvis height when standing
THIGH, SHIN = 14.5, 14.5
UPPER_ARM, FOREARM = 10.5, 9.5
TORSO = 26          # pelvis to neck
NECK_TO_HEAD = 17
HOOD_R = 20

# lateral half-offsets of shoulders and hips by view
SHOULDER_LAT = {"front": 11.0, "back": 11.0, "q": 7.5, "side": 0.0}
HIP_LAT = {"front": 5.0, "back": 5.0, "q": 3.5, "side": 0.0}


def direction(a):
    r = math.radians(a)
    return math.sin(r), math.cos(r)


def add(p, v, k=1.0):
    return p[0] + v[0] * k, p[1] + v[1] * k


@dataclass
class Pose:
    x: float                     # pelvis x
    y: float = PELVIS_Y          # pelvis y
    view: str = "front"          # front, q (three-quarter), side, back
    d: int = 1                   # facing of q and side views: +1 right, -1 left
    lean: float = 0.0            # torso angle, top towards +x
    tilt: float = 0.0            # head angle on top of the torso
    head_view: str = None        # the head may look elsewhere than the body
    head_d: int = None
    # (upper, lower) screen angles; arm 0 is at -x, arm 1 at +x of the body
    arms: tuple = ((-24, -14), (24, 14))
    legs: tuple = None           # ankle positions (arm order); None: standing
    eyes: str = "open"           # open, happy, closed
    mouth: str = "smile"         # smile, open, o
    flare: float = 0.0           # extra half-width of the coat hem
    scarf_flutter: float = 0.0   # lift of the scarf tail when it trails
    prop: object = None          # callable(canvas, joints) drawn between hands
    prop_layer: str = "front"    # front: over the head, under the near arms; back: behind the body


def _ik(hip, ankle, bend):
    """Knee of a two-bone leg; `bend` +1/-1 chooses the side the knee goes."""
    dx, dy = ankle[0] - hip[0], ankle[1] - hip[1]
    dist = math.hypot(dx, dy)
    reach = THIGH + SHIN - 0.01
    if dist > reach:
        k = reach / dist
        ankle = (hip[0] + dx * k, hip[1] + dy * k)
        dx, dy, dist = dx * k, dy * k, reach
    a = (THIGH ** 2 - SHIN ** 2 + dist ** 2) / (2 * dist)
    h = math.sqrt(max(THIGH ** 2 - a ** 2, 0))
    mx, my = hip[0] + dx * a / dist, hip[1] + dy * a / dist
    # perpendicular to the right of the hip->ankle direction is (-dy, dx)
    px, py = -dy / dist, dx / dist
    if px * bend < 0:
        px, py = -px, -py
    return (mx + px * h, my + py * h), ankle


def planted(pose):
    """The pose lowered just enough that every foot on the ground reaches it."""
    sk = Skeleton(pose, check=False)
    drop = 0.0
    for hip, ank in zip(sk.hips, sk.legs):
        if abs(ank[1] - (SOLE - ANKLE_UP)) < 0.5:
            reach = THIGH + SHIN - 0.05
            dx = ank[0] - hip[0]
            need = ank[1] - math.sqrt(max(reach * reach - dx * dx, 0)) - hip[1]
            drop = max(drop, need)
    return replace(pose, y=pose.y + drop) if drop > 0 else pose


class Skeleton:
    def __init__(self, pose, check=True):
        if check:
            pose = planted(pose)
        self.pose = p = pose
        self.pelvis = (p.x, p.y)
        self.neck = self.t(0, -TORSO)
        A = p.lean + p.tilt
        self.head = add(self.neck, (math.sin(math.radians(A)), -math.cos(math.radians(A))), NECK_TO_HEAD)
        self.head_angle = A
        lat = SHOULDER_LAT[p.view]
        self.shoulders = [self.t(-lat, -23), self.t(lat, -23)]
        self.elbows, self.wrists, self.hands = [], [], []
        for s, (au, al) in zip(self.shoulders, p.arms):
            e = add(s, direction(au), UPPER_ARM)
            w = add(e, direction(al), FOREARM)
            self.elbows.append(e)
            self.wrists.append(w)
            self.hands.append(add(w, direction(al), 2.8))
        hl = HIP_LAT[p.view]
        self.hips = [self.t(-hl, -1), self.t(hl, -1)]
        if p.legs is None:
            if p.view in ("front", "back"):
                legs = ((p.x - 5.5, SOLE - ANKLE_UP), (p.x + 5.5, SOLE - ANKLE_UP))
            elif p.view == "q":
                legs = ((p.x - 4.5, SOLE - ANKLE_UP), (p.x + 4.5, SOLE - ANKLE_UP))
            else:
                legs = ((p.x - 1.5 * p.d, SOLE - ANKLE_UP), (p.x + 1.5 * p.d, SOLE - ANKLE_UP))
        else:
            legs = p.legs
        self.legs = legs
        self.knees, self.ankles = [], []
        for i, (hip, ank) in enumerate(zip(self.hips, legs)):
            if p.view in ("side", "q"):
                bend = p.d
            else:
                bend = -1 if i == 0 else 1
            k, a = _ik(hip, ank, bend)
            self.knees.append(k)
            self.ankles.append(a)
        # which limbs are near the viewer (drawn over the body)
        if p.view in ("front", "back"):
            self.near = {0, 1}
        else:
            self.near = {0} if p.d > 0 else {1}

    def t(self, u, v):
        """Torso-local point (lateral u, downward v) to screen.

        The torso bends rather than tilting stiffly: the hem keeps a quarter
        of the lean, the shoulders and neck take all of it.
        """
        f = min(max((4.0 - v) / 30.0, 0.25), 1.0)
        a = math.radians(self.pose.lean * f)
        ca, sa = math.cos(a), math.sin(a)
        return (self.pelvis[0] + u * ca - v * sa, self.pelvis[1] + u * sa + v * ca)


# -- parts ----------------------------------------------------------------

def _leg(c, sk, i):
    p = sk.pose
    hip, knee, ank = sk.hips[i], sk.knees[i], sk.ankles[i]
    far = i not in sk.near and p.view in ("side", "q")
    c.limb([hip, knee, ank], 7, "tights_sh" if far else "tights", None if far else "tights_sh")
    _boot(c, sk, i, far)


def _boot(c, sk, i, far):
    p = sk.pose
    ax, ay = sk.ankles[i]
    fill, shade = ("boot_sh", None) if far else ("boot", "boot_sh")
    if p.view in ("side", "q"):
        toe = 8 if p.view == "side" else 6
        heel = 5 if p.view == "side" else 5.5
        # drawn facing right, mirrored about the ankle when she faces left
        pts = [(-heel, -7), (toe - 6, -7), (toe - 2, 0.5), (toe, 3), (toe, 6), (-heel, 6)]
        pts = [(ax + x * p.d, ay + y) for x, y in pts]
        c.shape(Canvas.smooth(pts, tension=0.35), fill, shade)
        cuff = Canvas.rect(ax - 6, ay - 9.5, 12, 4, 1.5)
    else:
        c.shape(Canvas.rect(ax - 5.5, ay - 7, 11, 13, 4), fill, shade)
        cuff = Canvas.rect(ax - 6.5, ay - 9.5, 13, 4, 1.5)
    c.shape(cuff, "fur_sh" if far else "fur", None if far else "fur_sh", light=(1.2, 1.2))


def _arm(c, sk, i):
    p = sk.pose
    far = i not in sk.near and p.view in ("side", "q")
    s, e, w = sk.shoulders[i], sk.elbows[i], sk.wrists[i]
    al = p.arms[i][1]
    back = add(w, direction(al), -2.6)
    h = sk.hands[i]
    if far:
        c.limb([s, e, w], 8, "coat_sh")
        c.limb([back, w], 9, "fur_sh")
        c.shape(Canvas.ellipse(h[0], h[1], 4.2, 4.2), "scarf_sh")
    else:
        c.limb([s, e, w], 8, "coat", "coat_sh")
        c.limb([back, w], 9, "fur", "fur_sh")
        c.shape(Canvas.ellipse(h[0], h[1], 4.2, 4.2), "scarf", "scarf_sh", light=(1.5, 1.5))


def _coat_points(sk):
    p = sk.pose
    t = sk.t
    f = p.flare
    if p.view in ("front", "back"):
        ws, wh = 12.0, 20.0 + f
        pts = [(-ws + 3, -28), (-ws - 0.5, -23), (-ws - 3, -12), (-wh, 2), (-wh + 3, 5.5), (0, 6),
               (wh - 3, 5.5), (wh, 2), (ws + 3, -12), (ws + 0.5, -23), (ws - 3, -28), (0, -29)]
    elif p.view == "q":
        ws, wh = 10.5, 18.0 + f
        pts = [(-ws + 3, -28), (-ws - 0.5, -23), (-ws - 2.5, -12), (-wh, 2), (-wh + 3, 5.5), (0, 6),
               (wh - 3, 5.5), (wh, 2), (ws + 2.5, -12), (ws + 0.5, -23), (ws - 3, -28), (0, -29)]
    else:
        d = p.d
        pts = [(-8 * d, -27), (-9.5 * d, -20), (-11 * d, -8), (-15.5 * d - f * d, 3), (-13 * d, 5.5), (0, 6),
               (13 * d, 5.5), (15.5 * d + f * d, 3), (12 * d, -10), (10 * d, -22), (6 * d, -28), (0, -29)]
    return [t(u, v) for u, v in pts]


def _body(c, sk):
    p = sk.pose
    t = sk.t
    coat = Canvas.smooth(_coat_points(sk), tension=0.3)
    c.shape(coat, "coat", "coat_sh", light=(3, 2.5))
    # fur hem
    if p.view in ("front", "back"):
        wh = 20.5 + p.flare
    elif p.view == "q":
        wh = 18.5 + p.flare
    else:
        wh = 16 + p.flare
    hem = [t(-wh, 0.5), t(wh, 0.5), t(wh + 0.5, 4), t(wh - 3, 7.5), t(0, 8), t(-wh + 3, 7.5), t(-wh - 0.5, 4)]
    c.shape(Canvas.smooth(hem, tension=0.25), "fur", "fur_sh", light=(1.5, 1.5))
    if p.view == "front":
        c.shape(Canvas.poly([t(-2, -24), t(2, -24), t(2, 1), t(-2, 1)]), "fur", "fur_sh", light=(1, 0))
        for v in (-17, -9):
            q = t(0, v)
            c.shape(Canvas.ellipse(q[0], q[1], 1.6, 1.6), "gold")
    elif p.view == "q":
        x = 3 * p.d
        c.shape(Canvas.poly([t(x - 2, -24), t(x + 2, -24), t(x + 2.5, 1), t(x - 1.5, 1)]), "fur", "fur_sh", light=(1, 0))


def _scarf_tail(c, sk):
    p = sk.pose
    n = sk.neck
    if p.view == "front":
        pts = [add(n, (5, 2)), add(n, (7.5, 16))]
        c.limb(pts, 6.5, "scarf", "scarf_sh")
        end = pts[1]
        c.stroke([(end[0] - 2.5, end[1] + 1), (end[0] + 2.5, end[1] + 1)], 2.2, "scarf_sh")
    elif p.view == "back":
        return
    else:
        d = p.d
        fl = p.scarf_flutter
        pts = [add(n, (-d * 4, 2)), add(n, (-d * (10 + fl * 0.4), 7 - fl * 0.5)), add(n, (-d * (14 + fl * 0.6), 14 - fl))]
        c.limb(pts, 6, "scarf", "scarf_sh")


def _scarf_band(c, sk):
    p = sk.pose
    t = sk.t
    w = 13.5 if p.view in ("front", "back") else (12.5 if p.view == "q" else 10.5)
    band = [t(-w, -27), t(w, -27), t(w + 0.5, -20.5), t(-w - 0.5, -20.5)]
    c.shape(Canvas.smooth(band, tension=0.25), "scarf", "scarf_sh", light=(1.5, 1.8))


def _head(c, sk):
    p = sk.pose
    h = sk.head
    A = sk.head_angle
    ca, sa = math.cos(math.radians(A)), math.sin(math.radians(A))

    def hp(u, v):  # head-local point
        return (h[0] + u * ca - v * sa, h[1] + u * sa + v * ca)

    hv = p.head_view or p.view
    hd = p.head_d if p.head_d is not None else p.d
    top = hp(0, -HOOD_R + 0.5)
    c.shape(Canvas.ellipse(h[0], h[1], HOOD_R, HOOD_R - 0.5), "coat", "coat_sh", light=(3, 3))
    c.shape(Canvas.ellipse(top[0], top[1], 4.2, 4.2), "fur", "fur_sh", light=(1.5, 1.5))
    if hv == "back":
        seam = [hp(0, -HOOD_R + 5), hp(0.6, -4), hp(0, HOOD_R - 3)]
        c.stroke(seam, 1.5, "coat_sh")
        return
    if hv == "front":
        fu, fr, face_u, face_r = 0.0, (16.5, 15.5), 0.0, (13.5, 12.5)
    elif hv == "q":
        fu, fr, face_u, face_r = 4.5 * hd, (14.0, 15.5), 5.5 * hd, (11.0, 12.5)
    else:
        fu, fr, face_u, face_r = 9.5 * hd, (9.5, 15.0), 11.0 * hd, (7.0, 12.0)
    fc = hp(fu, 2)
    c.shape(Canvas.ellipse(fc[0], fc[1], fr[0], fr[1], A), "fur", "fur_sh", light=(1.5, 1.5))
    cc = hp(face_u, 3)
    face = Canvas.ellipse(cc[0], cc[1], face_r[0], face_r[1], A)
    c.shape(face, "skin", "skin_sh", light=(2, 2))
    # fringe, clipped to the face
    c.clip_in(face)
    rx = face_r[0]
    bumps = [-0.6, 0.0, 0.6] if hv == "front" else ([-0.35, 0.35, 0.9] if hv == "q" else [0.2, 0.8])
    parts = [Canvas.rect(cc[0] - 20, cc[1] - 30, 40, 21.5)]
    for b in bumps:
        u = face_u + b * rx * hd if hv != "front" else face_u + b * rx
        q = hp(u, -7.5)
        parts.append(Canvas.ellipse(q[0], q[1], rx * 0.42, 4.2))
    for part in parts:
        c.ctx.new_path()
        part(c.ctx)
        c.ctx.set_line_width(3)
        c.ctx.set_source_rgb(*[v / 255 for v in (52, 30, 24)])
        c.ctx.stroke()
    for part in parts:
        c.fill(part, "hair")
    c.unclip()
    _face(c, cc, hv, hd, p)


def _face(c, cc, hv, hd, p):
    x, y = cc
    if hv == "front":
        eyes = [x - 6, x + 4]
        mouth_x = x - 0.5
        cheeks = [x - 9.5, x + 6.5]
    elif hv == "q":
        eyes = [x - 5 + hd * 1, x + 3 + hd * 1]
        mouth_x = x + hd * 2.5 - 0.5
        cheeks = [x - 8 + hd * 1, x + 5.5 + hd * 1] if hd > 0 else [x - 8.5 + hd * 1, x + 5 + hd * 1]
        # the far cheek hides behind the face's curve
        cheeks = [cheeks[0]] if hd > 0 else [cheeks[1]]
    else:
        eyes = [x + hd * 2.5 - 1]
        mouth_x = x + hd * 4.5 - 0.5
        cheeks = [x - hd * 1.5 - 1.5]
    ey = round(y) - 1
    for cx in cheeks:
        c.pixels(cx, ey + 5, 3, 2, "cheek")
    for ex in eyes:
        ex = round(ex)
        if p.eyes == "open":
            c.pixels(ex, ey, 3, 5, "outline")
            c.pixels(ex, ey + 1, 1, 1, "white")
        elif p.eyes == "happy":
            c.pixels(ex + 1, ey + 1, 1, 1, "outline")
            c.pixels(ex, ey + 2, 1, 2, "outline")
            c.pixels(ex + 2, ey + 2, 1, 2, "outline")
        else:  # closed
            c.pixels(ex, ey + 2, 1, 1, "outline")
            c.pixels(ex + 1, ey + 3, 1, 1, "outline")
            c.pixels(ex + 2, ey + 2, 1, 1, "outline")
    mx, my = round(mouth_x), ey + 7
    if p.mouth == "smile":
        c.pixels(mx - 2, my, 1, 1, "outline")
        c.pixels(mx + 2, my, 1, 1, "outline")
        c.pixels(mx - 1, my + 1, 3, 1, "outline")
    elif p.mouth == "open":
        c.pixels(mx - 2, my, 5, 1, "outline")
        c.pixels(mx - 2, my + 1, 5, 1, "mouth")
        c.pixels(mx - 1, my + 2, 3, 1, "mouth")
        c.pixels(mx - 2, my + 1, 1, 1, "outline")
        c.pixels(mx + 2, my + 1, 1, 1, "outline")
        c.pixels(mx - 1, my + 3, 3, 1, "outline")
    else:  # "o"
        c.pixels(mx - 1, my, 2, 1, "outline")
        c.pixels(mx - 1, my + 1, 2, 1, "mouth")
        c.pixels(mx - 1, my + 2, 2, 1, "outline")


def layers(sk):
    """The girl's parts, back to front, as (name, draw(canvas)) pairs."""
    p = sk.pose
    out = []
    far = [i for i in (0, 1) if i not in sk.near]
    near = [i for i in (0, 1) if i in sk.near]
    for i in far:
        out.append(("arm%d" % i, lambda c, i=i: _arm(c, sk, i)))
    if p.view in ("side", "q"):
        for i in far + near:
            out.append(("leg%d" % i, lambda c, i=i: _leg(c, sk, i)))
        out.append(("scarf_tail", lambda c: _scarf_tail(c, sk)))
    else:
        for i in (0, 1):
            out.append(("leg%d" % i, lambda c, i=i: _leg(c, sk, i)))
    if p.prop is not None and p.prop_layer == "back":
        out.append(("prop", lambda c: p.prop(c, sk)))
    out.append(("body", lambda c: _body(c, sk)))
    if p.view == "front":
        out.append(("scarf_tail", lambda c: _scarf_tail(c, sk)))
    out.append(("scarf", lambda c: _scarf_band(c, sk)))
    out.append(("head", lambda c: _head(c, sk)))
    if p.prop is not None and p.prop_layer == "front":
        out.append(("prop", lambda c: p.prop(c, sk)))
    for i in near:
        out.append(("arm%d" % i, lambda c, i=i: _arm(c, sk, i)))
    return out


def draw(canvas, pose, skip=(), only=None):
    sk = Skeleton(pose)
    # nothing of her reaches below the ground row
    canvas.clip_in(Canvas.rect(-1000, -1000, 3000, 1000 + SOLE + 2))
    for name, fn in layers(sk):
        if name in skip or (only is not None and name not in only):
            continue
        fn(canvas)
    canvas.unclip()
    return sk
