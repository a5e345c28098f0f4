"""Closed loops and parts from the pieces of a drawing, for tools/nest-import.

Pieces whose ends meet within the chaining tolerance are chained: the ends
are joined into nodes, every piece is an edge between two nodes, loose
branches (a node with one edge) are pruned off as open chains, and what is
left is a set of simple cycles, each a loop, unless three or more pieces
meet at a node, which is reported. Loops then nest by containment: a loop
inside an even number of others is a part's outline, one inside an odd
number a hole of the smallest loop around it. Loops that cross, overlap or
lie on top of each other are reported and left out, with whatever lies in
them.
"""

import math
from collections import defaultdict

from shapely.geometry import Polygon

from cad_outlines import box_of, flatten, rough_points

# Flattening: the first, coarse pass that finds the loops' nesting keeps
# within this share of each loop's size; the final pass keeps within this
# share of the part's area over its perimeter (its mean half thickness).
# A segment of a chord of length c at distance s from the curve loses about
# 2/3 c s of area, so the part's area changes by at most about 2/3 of this
# share: 0.013 %.
COARSE = 1e-3
FINE = 2e-4


class OpenChain:
    def __init__(self, tagged, a, b):
        self.layers = sorted({t.layer for t in tagged})
        self.ends = (a, b)
        self.order = min(t.order for t in tagged)


class Graph:
    """Open pieces as edges between nodes, a node for ends within the
    tolerance of each other."""

    def __init__(self, tol):
        self.tol = tol
        self.nodes, self.cells = [], defaultdict(list)
        self.edges = []  # (tagged, start node, end node)
        self.incident = defaultdict(set)
        self.pruned = set()

    def node(self, p):
        tol = self.tol
        cx, cy = math.floor(p[0] / tol), math.floor(p[1] / tol)
        for i in range(cx - 1, cx + 2):
            for j in range(cy - 1, cy + 2):
                for k in self.cells[(i, j)]:
                    if math.dist(self.nodes[k], p) <= tol:
                        return k
        self.nodes.append(p)
        self.cells[(cx, cy)].append(len(self.nodes) - 1)
        return len(self.nodes) - 1

    def add(self, t, a, b):
        self.incident[a].add(len(self.edges))
        self.incident[b].add(len(self.edges))
        self.edges.append((t, a, b))

    def other(self, k, n):
        _, a, b = self.edges[k]
        return b if n == a else a

    def prune(self):
        """Takes off the loose branches, each from a node with one edge
        along nodes with two, and returns them as open chains."""
        chains = []
        loose = [n for n in self.incident if len(self.incident[n]) == 1]
        while loose:
            n = loose.pop()
            if len(self.incident[n]) != 1:
                continue
            start, run = n, []
            while len(self.incident[n]) == 1:
                k = self.incident[n].pop()
                self.pruned.add(k)
                run.append(self.edges[k][0])
                n = self.other(k, n)
                self.incident[n].discard(k)
            chains.append(OpenChain(run, self.nodes[start], self.nodes[n]))
            if len(self.incident[n]) == 1:
                loose.append(n)
        return chains

    def component(self, k0):
        comp, stack = {k0}, [k0]
        while stack:
            k = stack.pop()
            for n in self.edges[k][1:]:
                for j in self.incident[n]:
                    if j not in comp:
                        comp.add(j)
                        stack.append(j)
        return comp

    def cycle(self, k0):
        """The loop through the edge, in a component where every node has
        two edges, each piece turned to run on from the one before."""
        loop, k, n = [], k0, self.edges[k0][1]
        while True:
            t, a, b = self.edges[k]
            forward = a == n
            loop.append(t if forward else type(t)(t.piece.reversed(), t.layer, t.order))
            n = b if forward else a
            k = next((j for j in self.incident[n] if j != k), k)
            if k == k0:
                return loop


def chain(tagged, tol):
    """Loops (lists of Tagged), open chains, and the points where three or
    more pieces meet with the layers of their pieces."""
    tol = max(tol, 1e-300)
    g, loops, closed = Graph(tol), [], {}
    for t in tagged:
        if t.closed is not None:
            closed.setdefault(t.closed, []).append(t)
            continue
        a, b = g.node(t.piece.start()), g.node(t.piece.end())
        if a != b:
            g.add(t, a, b)
        elif t.piece.length() > 2 * tol:
            loops.append([t])  # closed by itself, as a closed spline
    loops += [pieces for pieces in closed.values() if sum(t.piece.length() for t in pieces) > 2 * tol]
    chains = g.prune()
    branches, seen = [], set()
    for k0 in range(len(g.edges)):
        if k0 in seen or k0 in g.pruned:
            continue
        comp = g.component(k0)
        seen |= comp
        forks = sorted({n for k in comp for n in g.edges[k][1:] if len(g.incident[n]) > 2})
        if forks:
            branches.append(([g.nodes[n] for n in forks], sorted({g.edges[k][0].layer for k in comp})))
        else:
            loops.append(g.cycle(k0))
    return loops, chains, branches


def loop_pieces(loop):
    return [t.piece for t in loop]


def signed_area(pts):
    s = 0.0
    for k in range(len(pts)):
        x1, y1 = pts[k - 1]
        x2, y2 = pts[k]
        s += x1 * y2 - x2 * y1
    return s / 2.0


def perimeter(pts):
    return sum(math.dist(pts[k - 1], pts[k]) for k in range(len(pts)))


class Part:
    """One part: its outer loop and holes as exact pieces and as polygons
    (outer loop counter-clockwise, holes clockwise)."""

    def __init__(self, outer, holes, order, layers):
        self.outer, self.holes = outer, holes  # lists of pieces
        self.order, self.layers = order, layers
        self.tol = None
        self.polygons = None  # [outer, hole, ...] after flattening

    def flatten(self, coarse):
        """Flattens every loop at FINE times the part's area over its
        perimeter, measured on the coarse polygons."""
        area = abs(signed_area(coarse[0])) - sum(abs(signed_area(h)) for h in coarse[1:])
        length = sum(perimeter(p) for p in coarse)
        self.tol = FINE * area / length
        polys = []
        for k, pieces in enumerate([self.outer] + self.holes):
            pts = flatten(pieces, self.tol)
            if (signed_area(pts) > 0) != (k == 0):
                pts.reverse()
            polys.append(pts)
        self.polygons = polys
        self.area = abs(signed_area(polys[0])) - sum(abs(signed_area(h)) for h in polys[1:])
        self.box = box_of(polys[0])


def overlap(a, b):
    return a[0] <= b[1] and b[0] <= a[1] and a[2] <= b[3] and b[2] <= a[3]


def where(box):
    return f"({box[0]:g}, {box[2]:g}) to ({box[1]:g}, {box[3]:g})"


def nest(loops):
    """Parts from closed loops, and the problems found, as texts."""
    problems = []
    coarse, shapes, boxes = [], [], []
    for loop in loops:
        pieces = loop_pieces(loop)
        box = box_of(rough_points(pieces))
        size = max(box[1] - box[0], box[3] - box[2])
        pts = flatten(pieces, COARSE * size) if size > 0 else []
        box = box_of(pts) if pts else box
        coarse.append(pts)
        shapes.append(Polygon(pts) if len(pts) >= 3 else None)
        boxes.append(box)
    bad = set()
    for i, s in enumerate(shapes):
        if s is None or s.area <= 0:
            problems.append(f"an outline without area at {where(boxes[i])}")
            bad.add(i)
        elif not s.is_valid:
            problems.append(f"an outline that crosses itself at {where(boxes[i])}")
            bad.add(i)
    inside = defaultdict(list)  # loop -> loops around it
    good = [i for i in range(len(loops)) if i not in bad]
    for x, i in enumerate(good):
        for j in good[x + 1:]:
            if not overlap(boxes[i], boxes[j]):
                continue
            r = shapes[i].relate(shapes[j])
            if r[0] == "F":
                continue  # apart, or touching from outside
            i_holds_j = r[6] == "F" and r[7] == "F"
            j_holds_i = r[2] == "F" and r[5] == "F"
            if i_holds_j and j_holds_i:
                problems.append(f"two outlines on top of each other at {where(boxes[i])}")
                bad |= {i, j}
            elif i_holds_j:
                inside[j].append(i)
            elif j_holds_i:
                inside[i].append(j)
            else:
                problems.append(f"outlines that cross or overlap at {where(boxes[i])} "
                                f"and {where(boxes[j])}")
                bad |= {i, j}
    for i in good:
        if i not in bad and any(j in bad for j in inside[i]):
            problems.append(f"an outline at {where(boxes[i])} lies in one left out")
            bad.add(i)
    outers, holes = {}, defaultdict(list)
    for i in good:
        if i in bad:
            continue
        if len(inside[i]) % 2 == 0:
            outers[i] = True
        else:
            parent = min(inside[i], key=lambda j: shapes[j].area)
            holes[parent].append(i)
    parts = []
    for i in sorted(outers, key=lambda i: min(t.order for t in loops[i])):
        part = Part(loop_pieces(loops[i]), [loop_pieces(loops[h]) for h in holes[i]],
                    min(t.order for t in loops[i]), sorted({t.layer for t in loops[i]}))
        part.flatten([coarse[i]] + [coarse[h] for h in holes[i]])
        part.shape = shapes[i]
        if all(len(p) >= 3 and Polygon(p).is_valid for p in part.polygons):
            parts.append(part)
        else:
            problems.append(f"a part whose flattened loops cross at {where(boxes[i])}")
    return parts, problems
