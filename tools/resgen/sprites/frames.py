"""Every frame of the seven sheets, posed from the girl model.

Where she stands is worked out from how the program moves the sprites:
- the figure sprite appears 17 px right of the box sprite's left edge and
  starts walking left from frame 3 of the left walk, so the box sheet's last
  rising frame puts her at WALK_X + 17;
- the left walk ends with the standing dance frame one pixel further on,
  which is where the walk's passing frame would have put her (7 px ahead);
- the jump of the dance carries her 16 px to the left, and the right walk
  starts where the dance ends;
- the walk back ends 41 px left of where she left the box, so she arrives at
  the box's left side to fetch the tag.
Every walk frame moves 8 px, so a planted foot moves 8 px per frame the
opposite way inside the frame and stays put on the desktop.
"""
import math

from . import giftbox, girl, tag
from .canvas import Canvas
from .girl import Pose, SOLE, ANKLE_UP, PELVIS_Y

FRAME_W, FRAME_H = 120, 150
WALK_X = 73                      # pelvis of the left walk inside its frame
STAND_BY_BOX_X = WALK_X + 17     # box sheet frame 18
DANCE_X = WALK_X - 7             # standing and dancing
DANCE_END_X = DANCE_X - 16       # after the jump
WALK_RIGHT_X = DANCE_END_X - 1
TAG_X = WALK_RIGHT_X - 23        # where the walk back ends, in the box sheet
ANKLE_Y = SOLE - ANKLE_UP
STEP = 8
CYCLE = 7
PHASE0 = 2.25                    # frame 3 is the passing pose


def _smooth(t):
    return t * t * (3 - 2 * t)


def _foot(phase):
    """Foot offset ahead of the pelvis and lift, over one gait cycle."""
    half = STEP * CYCLE / 4.0            # 14 px
    if phase < 0.5:
        return half - STEP * CYCLE * phase, 0.0
    s = (phase - 0.5) / 0.5
    return -half + 2 * half * _smooth(s), 5.5 * math.sin(math.pi * s)


def walk_pose(i, d, x):
    phi = ((i + PHASE0) / CYCLE) % 1.0
    near_rel, near_lift = _foot(phi)
    far_rel, far_lift = _foot((phi + 0.5) % 1.0)
    y = PELVIS_Y + 1 + 2 * math.cos(4 * math.pi * phi)
    # low enough that a planted foot is within reach (straight leg at most)
    reach = girl.THIGH + girl.SHIN
    for rel, lift in ((near_rel, near_lift), (far_rel, far_lift)):
        if lift == 0:
            y = max(y, ANKLE_Y - math.sqrt(reach * reach - rel * rel) + 1.3)
    near_ankle = (x + d * near_rel, ANKLE_Y - near_lift)
    far_ankle = (x + d * far_rel, ANKLE_Y - far_lift)
    swing = 36
    near_arm_f = -near_rel / 14.0 * swing
    far_arm_f = -far_rel / 14.0 * swing
    # the elbow bends more as the arm swings forward
    near_arm = (d * near_arm_f, d * (near_arm_f + 14 + max(near_arm_f, 0) * 0.6))
    far_arm = (d * far_arm_f, d * (far_arm_f + 14 + max(far_arm_f, 0) * 0.6))
    near = 0 if d > 0 else 1
    arms = [None, None]
    legs = [None, None]
    arms[near], arms[1 - near] = near_arm, far_arm
    legs[near], legs[1 - near] = near_ankle, far_ankle
    return Pose(x, y, view="side", d=d, lean=d * 4, arms=tuple(arms), legs=tuple(legs),
                scarf_flutter=2 + 2 * math.sin(4 * math.pi * phi), mouth="smile")


def _girl_frame(pose):
    c = Canvas(FRAME_W, FRAME_H)
    girl.draw(c, pose)
    return c


def walk_left():
    return [_girl_frame(walk_pose(i, -1, WALK_X)) for i in range(CYCLE)]


def walk_right():
    return [_girl_frame(walk_pose(i, 1, WALK_RIGHT_X)) for i in range(CYCLE)]


# -- the box sheet 205 ------------------------------------------------------

def box_opening():
    out = []
    for st in giftbox.LID_STATES:
        c = Canvas(FRAME_W, FRAME_H)
        giftbox.draw_box(c, st)
        out.append(c)
    return out


# -- rising out of the box, 202 ----------------------------------------------

M = giftbox.MID
RIM = giftbox.RIM_Y


def _in_box(pose, after_front=()):
    """She is inside the box: the box front hides her below the rim."""
    c = Canvas(FRAME_W, FRAME_H)
    giftbox.draw_back(c)
    x0, x1 = giftbox.X0, giftbox.X1
    c.clip_in(Canvas.poly([(-1000, -1000), (1000, -1000), (1000, RIM), (x1, RIM), (x1, SOLE),
                           (x0, SOLE), (x0, RIM), (-1000, RIM)]))
    girl.draw(c, pose, skip=after_front)
    c.unclip()
    giftbox.draw_front(c)
    girl.draw(c, pose, only=after_front)
    return c


def _before_box(pose, inside=()):
    """She is in front of the box (parts listed in `inside` are in it)."""
    c = Canvas(FRAME_W, FRAME_H)
    giftbox.draw_back(c)
    girl.draw(c, pose, only=inside)
    giftbox.draw_front(c)
    girl.draw(c, pose, skip=inside)
    return c


def rising():
    low_arms = ((-8, -4), (8, 4))
    f = []
    for y in (163, 155, 147, 138, 130):
        f.append(_in_box(Pose(M, y, arms=low_arms, mouth="o" if y < 150 else "smile")))
    f.append(_in_box(Pose(M, 125, arms=low_arms)))                                       # 5
    f.append(_in_box(Pose(M, 125, arms=low_arms, head_view="q", head_d=-1, tilt=-4)))   # 6
    f.append(_in_box(Pose(M, 125, arms=low_arms, head_view="q", head_d=1, tilt=4)))     # 7
    rim_arms = ((-60, -15), (60, 15))
    f.append(_in_box(Pose(M, 122, arms=rim_arms, mouth="o"), after_front=("arm0", "arm1")))   # 8
    push = ((-45, 5), (45, -5))
    f.append(_in_box(Pose(M, 113, arms=push, eyes="closed", mouth="open"),
                     after_front=("arm0", "arm1")))                                            # 9
    leg_over = Pose(M + 4, RIM - 4, lean=8, arms=((-40, 10), (35, -5)),
                    legs=((M - 2, RIM + 30), (M + 25, RIM + 12)), eyes="closed", mouth="open")
    f.append(_in_box(leg_over, after_front=("arm0", "arm1", "leg1")))                         # 10
    sit_one = Pose(M + 10, RIM - 1, arms=((-35, 0), (35, 0)),
                   legs=((M + 2, 140), (M + 20, RIM + 25)), mouth="smile")
    f.append(_before_box(sit_one, inside=("leg0",)))                                           # 11
    sit = Pose(M + 10, RIM - 1, arms=((-38, -5), (38, 5)),
               legs=((M + 4, RIM + 26), (M + 18, RIM + 24)), eyes="happy", mouth="open")
    f.append(_before_box(sit))                                                                 # 12
    slide = Pose(M + 15, RIM + 10, lean=-6, arms=((-70, -40), (60, 30)),
                 legs=((M + 10, ANKLE_Y - 2), (M + 24, ANKLE_Y)), mouth="o")
    f.append(_before_box(slide))                                                               # 13
    crouch = Pose(M + 18, PELVIS_Y + 7, arms=((-55, -30), (55, 30)),
                  legs=((M + 11, ANKLE_Y), (M + 27, ANKLE_Y)), mouth="smile")
    f.append(_before_box(crouch))                                                              # 14
    f.append(_before_box(Pose(STAND_BY_BOX_X - 1, PELVIS_Y, arms=((-40, -30), (40, 30)),
                              eyes="happy", mouth="open")))                                    # 15
    f.append(_before_box(Pose(STAND_BY_BOX_X, PELVIS_Y, view="q", d=-1,
                              arms=((-20, -10), (20, 10)))))                                   # 16
    f.append(_before_box(Pose(STAND_BY_BOX_X, PELVIS_Y, view="side", d=-1,
                              arms=((-10, -25), (15, 25)))))                                   # 17
    f.append(_before_box(stand_by_box()))                                                      # 18
    return f


def stand_by_box():
    """Standing beside the box, facing left, where the left walk picks her up."""
    p = walk_pose(3, -1, WALK_X + 17)
    return Pose(p.x, PELVIS_Y, view="side", d=-1, lean=-2, arms=((-4, -14), (4, -8)),
                legs=((p.x - 4, ANKLE_Y), (p.x, ANKLE_Y)))


# -- fetching the tag, 203 ---------------------------------------------------

def reach(pose, hands, elbows=("down", "down")):
    """The pose with its hands moved to the given points (two-bone arms)."""
    sk = girl.Skeleton(pose)
    pose.arms = tuple(arm_to(s, h, e, i) for i, (s, h, e) in enumerate(zip(sk.shoulders, hands, elbows)))
    return pose


def _reach(lean, hands, eyes="open", mouth="smile", prop=None, view="side", tilt=0.0, y=PELVIS_Y,
           elbows=("down", "down")):
    base = Pose(TAG_X, y, view=view, d=1, lean=lean, tilt=tilt, eyes=eyes, mouth=mouth, prop=prop)
    return reach(base, hands, elbows)


def arm_to(s, h, elbow="down", side=0):
    """(upper, lower) angles of an arm from shoulder s with its hand at h.

    `elbow` picks the bend: "down" puts the elbow below the line, "out"
    away from the body's middle (arm 0 to the left, arm 1 to the right).
    """
    dx, dy = h[0] - s[0], h[1] - s[1]
    dist = max(math.hypot(dx, dy), 0.01)
    L1, L2 = girl.UPPER_ARM, girl.FOREARM + 2.8
    dist = min(dist, L1 + L2 - 0.01)
    base = math.degrees(math.atan2(dx, dy))
    cos_a = (L1 * L1 + dist * dist - L2 * L2) / (2 * L1 * dist)
    a = math.degrees(math.acos(max(-1, min(1, cos_a))))
    best = None
    for upper in (base + a, base - a):
        e = (s[0] + L1 * math.sin(math.radians(upper)), s[1] + L1 * math.cos(math.radians(upper)))
        score = e[1] if elbow == "down" else (-e[0] if side == 0 else e[0])
        if best is None or score > best[0]:
            best = (score, upper, e)
    _, upper, e = best
    lower = math.degrees(math.atan2(h[0] - e[0], h[1] - e[1]))
    return upper, lower


def _fetch_frame(pose, hands_inside=False, tag_at=None):
    c = Canvas(FRAME_W, FRAME_H)
    giftbox.draw_box(c)
    if tag_at is not None and tag_at[2] == "box":
        # the tag still in the box, only its top above the rim
        c.clip_out(giftbox.front_path())
        tag.draw_small(c, tag_at[0], tag_at[1], 20, 14, -80)
        c.unclip()
    girl.draw(c, pose, skip=("arm0", "arm1", "prop"))
    if hands_inside:
        c.clip_out(giftbox.front_path())
    girl.draw(c, pose, only=("arm0", "arm1", "prop"))
    if hands_inside:
        c.unclip()
    return c


def _hanging_tag(hand_index=None, drop=7, behind=False, size=(18, 13)):
    """A small tag hanging on its string below the near hand."""
    def prop(c, sk):
        i = hand_index if hand_index is not None else (0 if sk.pose.d > 0 else 1)
        h = sk.hands[i]
        hole = (h[0] + 1, h[1] + drop)
        centre = (hole[0], hole[1] + size[0] * 0.37)
        if behind:
            c.clip_out(giftbox.front_path())
        tag.draw_small(c, centre[0], centre[1], size[0], size[1], -90)
        c.limb([hole, h], 1.2, "coat")
        if behind:
            c.unclip()
    return prop


def _tag_above(centre, size):
    """A tag held up by its lower corners, behind the head."""
    def prop(c, sk):
        tag.draw_small(c, centre[0], centre[1], size[0], size[1], 0)
    return prop


def fetching():
    f = []
    f.append(_fetch_frame(Pose(TAG_X, PELVIS_Y, view="side", d=1, arms=((8, 20), (0, 10)))))      # 0
    f.append(_fetch_frame(_reach(16, [(52, 100), (48, 101)], tilt=18), hands_inside=True))        # 1
    f.append(_fetch_frame(_reach(20, [(60, 110), (54, 106)], tilt=26, eyes="closed", mouth="o",
                                 y=PELVIS_Y + 2), True))                                          # 2
    f.append(_fetch_frame(_reach(20, [(55, 108), (63, 104)], tilt=22, mouth="o",
                                 y=PELVIS_Y + 2), True))                                          # 3
    f.append(_fetch_frame(_reach(14, [(52, 101), (50, 103)], tilt=14, mouth="open",
                                 prop=_hanging_tag(behind=True)), True))                          # 4
    f.append(_fetch_frame(_reach(8, [(46, 88), (44, 91)], tilt=6, mouth="open",
                                 prop=_hanging_tag(behind=True))))                                # 5
    f.append(_fetch_frame(_reach(2, [(43, 80), (41, 83)], eyes="happy", mouth="open",
                                 prop=_hanging_tag(drop=6))))                                     # 6
    hold = Pose(TAG_X, PELVIS_Y, view="q", d=1, eyes="happy", mouth="open")
    reach(hold, [(30, 94), (44, 92)])
    hold.prop = _tag_above((37, 98), (24, 16))
    hold.prop_layer = "front"
    f.append(_fetch_frame(hold))                                                                  # 7
    lift = Pose(TAG_X, PELVIS_Y, view="q", d=1, mouth="open")
    reach(lift, [(44, 79), (56, 80)])
    lift.prop = _tag_above((53, 72), (26, 17))
    lift.prop_layer = "front"
    f.append(_fetch_frame(lift))                                                                  # 8
    up = Pose(TAG_X, PELVIS_Y, view="front", mouth="open")
    reach(up, [(7, 68), (45, 68)], ("out", "out"))
    up.prop = _tag_above((TAG_X, 46), (46, 30))
    up.prop_layer = "back"
    f.append(_fetch_frame(up))                                                                    # 9
    high = Pose(TAG_X, PELVIS_Y, view="front", eyes="happy", mouth="open")
    reach(high, [(6, 65), (46, 65)], ("out", "out"))
    high.prop = _tag_above((TAG_X + 2, 44), (52, 34))
    high.prop_layer = "back"
    f.append(_fetch_frame(high))                                                                  # 10
    return f


# -- the tag, 204 --------------------------------------------------------------

TAG_FRAME_W, TAG_FRAME_H = 260, 170
TAG_DX, TAG_DY = 70, 20          # where the 120 x 150 frame sits in the 260 x 170 one


def tag_held():
    c = Canvas(TAG_FRAME_W, TAG_FRAME_H)
    c.ctx.save()
    c.ctx.translate(TAG_DX, TAG_DY)
    giftbox.draw_box(c)
    p = Pose(TAG_X, PELVIS_Y, view="front", eyes="happy", mouth="open")
    reach(p, [(6, 65), (46, 65)], ("out", "out"))
    p.prop = _tag_above((TAG_X + 18, 32), (84, 54))
    p.prop_layer = "back"
    girl.draw(c, p)
    c.ctx.restore()
    return c


def tag_alone(phase):
    c = Canvas(TAG_FRAME_W, TAG_FRAME_H)
    tag.draw_big(c, phase)
    return c


# -- the dance, 206 --------------------------------------------------------------

def dance():
    X = DANCE_X
    E = DANCE_END_X
    A = ANKLE_Y
    f = []
    f.append(Pose(X))                                                                   # 0
    f.append(Pose(X, arms=((-70, -95), (70, 95)), mouth="open"))                         # 1
    f.append(Pose(X, arms=((-135, -160), (135, 160)), eyes="happy", mouth="open"))       # 2
    f.append(Pose(X - 3, lean=-10, tilt=-8, arms=((-150, -185), (118, 160)), eyes="happy",
                  mouth="open", legs=((X - 10, A), (X + 3, A - 3))))                    # 3
    f.append(Pose(X + 3, lean=10, tilt=8, arms=((-118, -160), (150, 185)), eyes="happy",
                  mouth="open", legs=((X - 3, A - 3), (X + 10, A))))                    # 4
    hips = ((-80, 10), (80, -10))
    f.append(Pose(X, arms=hips, legs=((X - 9, A), (X + 9, A)), mouth="smile"))           # 5
    f.append(Pose(X, PELVIS_Y - 9, arms=hips, legs=((X - 8, A - 9), (X + 9, A - 22)),
                  mouth="open", eyes="happy"))                                         # 6
    spin = ((-60, -80), (60, 80))
    for view, d in (("front", 1), ("q", 1), ("side", 1), ("back", 1), ("side", -1), ("q", -1)):
        arms = spin if view in ("front", "back") else (
            ((-60, -80), (60, 80)) if view == "q" else ((-70, -85), (70, 85)))
        f.append(Pose(X, PELVIS_Y, view=view, d=d, arms=arms, flare=4, scarf_flutter=5,
                      mouth="open" if view != "back" else "smile", eyes="happy"))     # 7-12
    f.append(Pose(X, PELVIS_Y + 9, arms=((-30, -10), (30, 10)), legs=((X - 8, A), (X + 8, A)),
                  tilt=0, mouth="smile"))                                              # 13 crouch
    f.append(Pose(X - 4, PELVIS_Y - 8, arms=((-120, -140), (120, 140)), legs=((X - 7, A - 6), (X - 1, A - 6)),
                  mouth="open"))                                                       # 14 take-off
    f.append(Pose(X - 9, PELVIS_Y - 26, arms=((-125, -158), (125, 158)),
                  legs=((X - 21, A - 36), (X + 3, A - 36)), eyes="happy", mouth="open"))  # 15 peak
    f.append(Pose(X - 13, PELVIS_Y + 6, arms=((-85, -70), (85, 70)), legs=((X - 21, A), (X - 5, A)),
                  mouth="o"))                                                          # 16 land
    f.append(Pose(E, PELVIS_Y + 2, arms=((-60, -40), (60, 40)), legs=((E - 7, A), (E + 7, A))))  # 17
    f.append(Pose(E, arms=((-125, -115), (125, 115)), eyes="happy", mouth="open"))        # 18 ta-da
    f.append(Pose(E, arms=((-35, -10), (35, 10)), legs=((E - 5, A), (E + 8, A - 1)), flare=3))   # 19
    f.append(Pose(E, PELVIS_Y + 7, tilt=10, lean=0, arms=((-40, -15), (40, 15)), flare=5,
                  legs=((E - 8, A), (E + 9, A - 1)), eyes="closed", mouth="smile"))     # 20 curtsy
    f.append(Pose(E, PELVIS_Y + 2, tilt=4, arms=((-35, -10), (35, 10)), flare=3,
                  legs=((E - 6, A), (E + 7, A)), eyes="happy"))                        # 21
    f.append(Pose(E, arms=((-20, -12), (100, 160)), mouth="open"))                       # 22 wave
    f.append(Pose(E, arms=((-20, -12), (100, 200)), mouth="open", eyes="happy"))         # 23
    f.append(Pose(E, arms=((-20, -12), (95, 145)), mouth="smile", head_view="q", head_d=1))  # 24
    return [_girl_frame(p) for p in f]


# -- the sheets ---------------------------------------------------------------------

def sheet_frames():
    """{fig id: [canvas, or None for an unused cell, per grid cell]}."""
    return {
        201: walk_right(),
        202: rising(),
        203: fetching(),
        204: [tag_held(), None, None, None, None, None, tag_alone(0), tag_alone(1)],
        205: box_opening(),
        206: dance(),
        207: walk_left(),
    }
