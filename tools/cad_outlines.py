"""The outlines of a DXF drawing, for tools/nest-import: the drawing's
entities as exact pieces (segments, elliptic or circular arcs, splines) in
one plane, chained into closed loops and flattened into polygons.

Every piece keeps its exact curve, so it can be moved, turned, scaled and
mirrored (the transform of a block insert) without loss, and flattened at
whatever tolerance its part needs. A piece is flattened into the points of
its curve from its start, without its end point; a closed loop is the
concatenation of its pieces' points.
"""

import math
from collections import Counter

import ezdxf
from ezdxf.math import BSpline, Vec3

TAU = 2.0 * math.pi
MAX_SEGMENTS = 20000  # per curve, a bound against absurd tolerances


# --- Affine maps of the plane: x' = a x + b y + e, y' = c x + d y + f ------

IDENTITY = (1.0, 0.0, 0.0, 1.0, 0.0, 0.0)
MIRROR_X = (-1.0, 0.0, 0.0, 1.0, 0.0, 0.0)


def apply(m, p):
    return (m[0] * p[0] + m[1] * p[1] + m[4], m[2] * p[0] + m[3] * p[1] + m[5])


def apply_linear(m, v):
    return (m[0] * v[0] + m[1] * v[1], m[2] * v[0] + m[3] * v[1])


def compose(outer, inner):
    """The map that applies inner, then outer."""
    a, b, c, d, e, f = outer
    p, q, r, s, t, u = inner
    return (a * p + b * r, a * q + b * s, c * p + d * r, c * q + d * s,
            a * t + b * u + e, c * t + d * u + f)


def from_matrix44(m):
    """The plane map of a 3D transform that keeps the drawing plane (its z
    axis stays ±z), or None."""
    z = Vec3(m.transform_direction((0, 0, 1)))
    if abs(z.x) > 1e-9 * z.magnitude or abs(z.y) > 1e-9 * z.magnitude:
        return None
    o = m.transform((0, 0, 0))
    x = m.transform_direction((1, 0, 0))
    y = m.transform_direction((0, 1, 0))
    return (x[0], y[0], x[1], y[1], o[0], o[1])


def ocs_map(entity):
    """The plane map of an entity's object coordinate system: the identity,
    a mirror of x when it looks at the drawing from below, or None when the
    entity does not lie in the drawing plane."""
    ez = Vec3(entity.dxf.get("extrusion", (0, 0, 1)))
    if ez.magnitude == 0 or abs(ez.x) > 1e-9 * ez.magnitude or abs(ez.y) > 1e-9 * ez.magnitude:
        return None
    return IDENTITY if ez.z > 0 else MIRROR_X


# --- Pieces ------------------------------------------------------------------

class Segment:
    def __init__(self, p, q):
        self.p, self.q = p, q

    def start(self):
        return self.p

    def end(self):
        return self.q

    def length(self):
        return math.dist(self.p, self.q)

    def transformed(self, m):
        return Segment(apply(m, self.p), apply(m, self.q))

    def reversed(self):
        return Segment(self.q, self.p)

    def points(self, tol):
        return [self.p]


class Conic:
    """c + u cos t + v sin t for t from t0 to t1 (either way round): a
    circular arc, an elliptic arc, or the image of either under an affine
    map, which is again such an arc."""

    def __init__(self, c, u, v, t0, t1, ends=None):
        self.c, self.u, self.v, self.t0, self.t1 = c, u, v, t0, t1
        self.ends = ends  # the exact end points, where they were drawn

    def at(self, t):
        ct, st = math.cos(t), math.sin(t)
        return (self.c[0] + self.u[0] * ct + self.v[0] * st, self.c[1] + self.u[1] * ct + self.v[1] * st)

    def start(self):
        return self.ends[0] if self.ends else self.at(self.t0)

    def end(self):
        return self.ends[1] if self.ends else self.at(self.t1)

    def radius(self):
        """The largest stretch of the map from the unit circle: the
        largest singular value of the matrix with columns u and v."""
        (a, c), (b, d) = self.u, self.v
        s = a * a + b * b + c * c + d * d
        det = a * d - b * c
        return math.sqrt(max(0.0, (s + math.sqrt(max(0.0, s * s - 4 * det * det))) / 2))

    def length(self):
        return self.radius() * abs(self.t1 - self.t0)

    def transformed(self, m):
        ends = self.ends and (apply(m, self.ends[0]), apply(m, self.ends[1]))
        return Conic(apply(m, self.c), apply_linear(m, self.u), apply_linear(m, self.v), self.t0, self.t1, ends)

    def reversed(self):
        return Conic(self.c, self.u, self.v, self.t1, self.t0, self.ends and self.ends[::-1])

    def points(self, tol):
        """Points at even steps of t. On the unit circle a step of dt keeps
        its chord within 1 - cos(dt / 2) of the arc; the map stretches no
        distance by more than its largest singular value r."""
        r = self.radius()
        sweep = self.t1 - self.t0
        if r <= tol:
            n = 1
        else:
            step = 2.0 * math.acos(max(-1.0, 1.0 - tol / r))
            n = min(MAX_SEGMENTS, max(1, math.ceil(abs(sweep) / step - 1e-9)))
        return [self.start()] + [self.at(self.t0 + sweep * k / n) for k in range(1, n)]


class Spline:
    def __init__(self, spline, backwards=False):
        self.spline, self.backwards = spline, backwards

    def _ends(self):
        a, b = self.spline.point(0), self.spline.point(self.spline.max_t)
        return (a.x, a.y), (b.x, b.y)

    def start(self):
        return self._ends()[1 if self.backwards else 0]

    def end(self):
        return self._ends()[0 if self.backwards else 1]

    def length(self):
        pts = [(p.x, p.y) for p in self.spline.control_points]
        return sum(math.dist(a, b) for a, b in zip(pts, pts[1:]))

    def transformed(self, m):
        cps = [Vec3(*apply(m, (p.x, p.y))) for p in self.spline.control_points]
        s = self.spline
        weights = s.weights() if s.is_rational else None
        return Spline(BSpline(cps, order=s.order, knots=s.knots(), weights=weights), self.backwards)

    def reversed(self):
        return Spline(self.spline, not self.backwards)

    def points(self, tol):
        pts = [(p.x, p.y) for p in self.spline.flattening(tol, segments=8)]
        if self.backwards:
            pts.reverse()
        return pts[:-1] or pts


def polyline_pieces(points, closed):
    """Pieces of a polyline given as (x, y, bulge) in its own plane. A
    bulge is the tangent of a quarter of the arc's sweep, positive
    counter-clockwise."""
    pts = list(points)
    if closed and pts:
        pts = pts + [pts[0]]
    pieces = []
    for (x0, y0, b), (x1, y1, _) in zip(pts, pts[1:]):
        p, q = (x0, y0), (x1, y1)
        if b == 0 or p == q:
            pieces.append(Segment(p, q))
            continue
        sweep = 4.0 * math.atan(b)
        half = math.dist(p, q) / 2
        r = half / abs(math.sin(sweep / 2))
        # The centre lies on the chord's normal (to the left of p -> q for
        # a counter-clockwise arc of less than a half turn).
        k = half * (1.0 - b * b) / (2.0 * b)
        nx, ny = -(q[1] - p[1]) / (2 * half), (q[0] - p[0]) / (2 * half)
        c = ((p[0] + q[0]) / 2 + nx * k, (p[1] + q[1]) / 2 + ny * k)
        a0 = math.atan2(p[1] - c[1], p[0] - c[0])
        pieces.append(Conic(c, (r, 0.0), (0.0, r), a0, a0 + sweep, (p, q)))
    return pieces


def flatten(pieces, tol):
    """The polygon of a closed chain of pieces, without repeated points."""
    out = []
    for piece in pieces:
        for p in piece.points(tol):
            if not out or p != out[-1]:
                out.append(p)
    while len(out) > 1 and out[0] == out[-1]:
        out.pop()
    return out


def box_of(points):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return (min(xs), max(xs), min(ys), max(ys))


def rough_points(pieces):
    """Points around the pieces, enough for a box of the drawing."""
    pts = []
    for piece in pieces:
        scale = piece.radius() if isinstance(piece, Conic) else piece.length()
        pts += piece.points(max(scale, 1e-300) * 1e-3) + [piece.end()]
    return pts


# --- Reading the drawing -------------------------------------------------------

class Tagged:
    """A piece with the layer it was drawn on, its place in the drawing, and
    for the pieces of one closed entity (a closed polyline, a circle) the
    number that entity has in the drawing: its pieces are a loop already."""

    def __init__(self, piece, layer, order, closed=None):
        self.piece, self.layer, self.order, self.closed = piece, layer, order, closed


SKIPPED_KINDS = {
    "TEXT": "texts", "MTEXT": "texts", "ATTDEF": "texts", "DIMENSION": "dimensions",
    "ARC_DIMENSION": "dimensions", "LARGE_RADIAL_DIMENSION": "dimensions", "LEADER": "dimensions",
    "MULTILEADER": "dimensions", "HATCH": "hatches", "MPOLYGON": "hatches", "SOLID": "hatches",
    "POINT": "points",
}


class Drawing:
    """The model space of a DXF drawing: its loose pieces and texts in
    world coordinates, its block inserts grouped by block and by the shape
    the insert gives the block, and what was skipped and why."""

    def __init__(self, doc):
        self.doc = doc
        self.loose = []  # Tagged, world coordinates
        self.texts = []  # (point, text, order)
        self.inserts = {}  # (block, shape map key) -> InsertGroup
        self.skipped = Counter()
        self.entities = 0  # closed entities numbered
        for order, e in enumerate(doc.modelspace()):
            self._top(e, order)

    def hidden(self, e, layer):
        if e.dxf.get("invisible", 0):
            return "invisible entities"
        try:
            rec = self.doc.layers.get(layer)
        except ezdxf.DXFError:
            return None
        if rec.is_frozen():
            return "entities on frozen layers"
        if rec.is_off():
            return "entities on layers turned off"
        return None

    def _top(self, e, order):
        kind = e.dxftype()
        layer = e.dxf.get("layer", "0")
        why = self.hidden(e, layer)
        if why:
            self.skipped[why] += 1
        elif kind == "INSERT" and not e.dxf.name.startswith("*"):
            for ins in (e.multi_insert() if e.mcount > 1 else [e]):
                self._insert(ins, order, layer)
        elif kind in ("TEXT", "MTEXT"):
            point = self._text_point(e)
            text = e.plain_text()
            if point is None or not text.strip():
                self.skipped["texts"] += 1
            else:
                self.texts.append((point, text.strip(), order))
        else:
            self.pieces_of(e, IDENTITY, layer, order, self.loose)

    def _text_point(self, e):
        if e.dxftype() == "MTEXT":
            p = e.dxf.insert
            return (p.x, p.y)
        m = ocs_map(e)
        if m is None:
            return None
        aligned = (e.dxf.get("halign", 0) or e.dxf.get("valign", 0)) and e.dxf.hasattr("align_point")
        p = e.dxf.align_point if aligned else e.dxf.insert
        return apply(m, (p.x, p.y))

    def _insert(self, ins, order, layer):
        m = from_matrix44(ins.matrix44())
        if m is None or abs(m[0] * m[3] - m[1] * m[2]) < 1e-300:
            self.skipped["inserts out of the drawing plane or of no size"] += 1
            return
        name = ins.dxf.name
        # The insert's turn is the direction of the block's x axis; less
        # that turn and the move, the map gives the copy's shape.
        phi = math.atan2(m[2], m[0])
        c, s = math.cos(-phi), math.sin(-phi)
        shape = compose((c, -s, s, c, 0.0, 0.0), (m[0], m[1], m[2], m[3], 0.0, 0.0))
        key = (name, tuple(round(v, 9) for v in shape[:4]))
        group = self.inserts.get(key)
        if group is None:
            group = self.inserts[key] = InsertGroup(name, shape, order)
            block = self.doc.blocks.get(name)
            if block is not None:
                for e in block:
                    self.pieces_of(e, shape, layer, order, group.pieces, in_block=True)
            group.layer = layer
        group.count += 1
        group.places.append(compose(m, invert_linear(shape)))

    def pieces_of(self, e, m, layer, order, sink, in_block=False):
        """Appends the pieces of an entity, mapped by m, to the sink; nested
        inserts of blocks add their block's pieces."""
        kind = e.dxftype()
        own = e.dxf.get("layer", "0")
        if in_block and own != "0":
            layer = own
        why = self.hidden(e, layer) if in_block else None
        if why:
            self.skipped[why] += 1
            return
        if kind == "INSERT":
            for ins in (e.multi_insert() if e.mcount > 1 else [e]):
                inner = from_matrix44(ins.matrix44())
                block = self.doc.blocks.get(ins.dxf.name)
                if inner is None or block is None:
                    self.skipped["inserts out of the drawing plane or of no size"] += 1
                    continue
                for sub in block:
                    self.pieces_of(sub, compose(m, inner), layer, order, sink, in_block=True)
            return
        pieces = self._entity_pieces(e, kind)
        if pieces is None:
            self.skipped[SKIPPED_KINDS.get(kind, f"other entities ({kind})")] += 1
            return
        if pieces == "tilted":
            self.skipped["entities out of the drawing plane"] += 1
            return
        closed = self._closed(e, kind, pieces)
        for p in pieces:
            sink.append(Tagged(p.transformed(m), layer, order, closed))

    def _closed(self, e, kind, pieces):
        if kind == "LWPOLYLINE" and e.closed or kind == "POLYLINE" and e.is_closed or kind == "CIRCLE" \
                or kind == "ELLIPSE" and abs(pieces[0].t1 - pieces[0].t0) >= TAU:
            self.entities += 1
            return self.entities
        return None

    def _entity_pieces(self, e, kind):
        """The entity's pieces in world coordinates, None for an entity that
        is no outline, or "tilted" for one out of the drawing plane."""
        if kind == "LINE":
            s, t = e.dxf.start, e.dxf.end
            return [Segment((s.x, s.y), (t.x, t.y))]
        if kind in ("CIRCLE", "ARC", "LWPOLYLINE"):
            o = ocs_map(e)
            if o is None:
                return "tilted"
            if kind == "LWPOLYLINE":
                pieces = polyline_pieces(e.get_points("xyb"), e.closed)
            else:
                c, r = e.dxf.center, e.dxf.radius
                t0, sweep = 0.0, TAU
                if kind == "ARC":
                    t0 = math.radians(e.dxf.start_angle)
                    sweep = math.radians((e.dxf.end_angle - e.dxf.start_angle) % 360.0) or TAU
                pieces = [Conic((c.x, c.y), (r, 0.0), (0.0, r), t0, t0 + sweep)]
            return [p.transformed(o) for p in pieces]
        if kind == "POLYLINE":
            if e.is_2d_polyline:
                o = ocs_map(e)
                if o is None:
                    return "tilted"
                pts = [(v.dxf.location.x, v.dxf.location.y, v.dxf.get("bulge", 0.0)) for v in e.vertices]
                return [p.transformed(o) for p in polyline_pieces(pts, e.is_closed)]
            if e.is_3d_polyline:
                pts = [(v.dxf.location.x, v.dxf.location.y, 0.0) for v in e.vertices]
                return polyline_pieces(pts, e.is_closed)
            return None
        if kind == "ELLIPSE":
            ez = Vec3(e.dxf.extrusion)
            if abs(ez.x) > 1e-9 * ez.magnitude or abs(ez.y) > 1e-9 * ez.magnitude:
                return "tilted"
            major = Vec3(e.dxf.major_axis)
            minor = ez.cross(major).normalize(major.magnitude * e.dxf.ratio)
            t0 = e.dxf.start_param
            sweep = (e.dxf.end_param - t0) % TAU
            if sweep < 1e-12:
                sweep = TAU
            c = e.dxf.center
            return [Conic((c.x, c.y), (major.x, major.y), (minor.x, minor.y), t0, t0 + sweep)]
        if kind == "SPLINE":
            try:
                return [Spline(e.construction_tool())]
            except (ezdxf.DXFError, ValueError, ZeroDivisionError):
                return None
        return None


def invert_linear(m):
    a, b, c, d = m[:4]
    det = a * d - b * c
    return (d / det, -b / det, -c / det, a / det, 0.0, 0.0)


class InsertGroup:
    """The inserts of one block that give it the same shape: the block's
    pieces under that shape's map, and the place map of each copy."""

    def __init__(self, block, shape, order):
        self.block, self.shape, self.order = block, shape, order
        self.pieces = []
        self.count = 0
        self.places = []  # shape frame -> world
        self.layer = "0"

    def mirrored(self):
        return self.shape[0] * self.shape[3] - self.shape[1] * self.shape[2] < 0
