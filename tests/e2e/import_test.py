"""tools/nest-import: drawings made here, each showing one thing, checked
against the exact names, counts, areas and holes of their parts; drawings
and sheet sizes it refuses; the worked example imported, laid out by the
program and drawn by tools/nest-report; and each shared benchmark instance
written as a drawing of closed polylines and imported back."""

import math
import os
import subprocess
import sys

import ezdxf
from shapely.geometry import Polygon

import nest_e2e as t
from nest_e2e import check

SKIP = 77
QUARTER = math.tan(math.pi / 8)  # the bulge of a quarter turn
PI = math.pi
AREA_SHARE = 1.5e-4  # the flattened area's largest error for curved parts


def square(msp, x, y, side, **attribs):
    msp.add_lwpolyline([(x, y), (x + side, y), (x + side, y + side), (x, y + side)], close=True,
                       dxfattribs=attribs)


def block_three_times(doc, msp):
    """One type with three copies, one turned; a mirrored insert is
    another type: a shape is not its mirror image."""
    b = doc.blocks.new("BRACKET")
    b.add_lwpolyline([(0, 0), (60, 0), (60, 15), (15, 15), (15, 40), (0, 40)], close=True)
    for x, angle in ((0, 0), (100, 0), (250, 30)):
        msp.add_blockref("BRACKET", (x, 0), dxfattribs={"rotation": angle})
    msp.add_blockref("BRACKET", (0, 100), dxfattribs={"xscale": -1})


def plate_window_key(doc, msp):
    """The window is a hole of the plate; the key in it a part of its own,
    named by an MTEXT that GBK cannot hold all of (a line end, an emoji)."""
    msp.add_lwpolyline([(0, 0), (100, 0), (100, 60), (0, 60)], close=True)
    msp.add_lwpolyline([(20, 10), (80, 10), (80, 50), (20, 50)], close=True)
    msp.add_lwpolyline([(30, 20), (70, 20), (70, 40), (30, 40)], close=True)
    msp.add_text("PLATE", dxfattribs={"insert": (5, 3)})
    msp.add_mtext("键\\P\U0001F511", dxfattribs={"insert": (40, 30)})


def slot(doc, msp):
    """Loose lines and arcs, in no order and some drawn backwards."""
    msp.add_arc((260, 110), 10, -90, 90)
    msp.add_line((200, 120), (260, 120))
    msp.add_line((260, 100), (200, 100))
    msp.add_arc((200, 110), 10, 90, 270)


def bulged(doc, msp):
    """Rounded corners as bulges, in a light polyline and an old-style one:
    the same shape, one type of two."""
    pts = [(10, 0, 0), (90, 0, QUARTER), (100, 10, 0), (100, 40, QUARTER), (90, 50, 0), (10, 50, QUARTER),
           (0, 40, 0), (0, 10, QUARTER)]
    msp.add_lwpolyline(pts, format="xyb", close=True)
    old = msp.add_polyline2d([(x + 200, y) for x, y, _ in pts], close=True)
    for v, (_, _, bulge) in zip(old.vertices, pts):
        v.dxf.bulge = bulge


def ellipse(doc, msp):
    msp.add_ellipse((0, 0), (30, 10, 0), 0.5)


def touching(doc, msp):
    """Closed outlines that meet at a corner stay two parts of one type."""
    square(msp, 0, 0, 10)
    square(msp, 10, 10, 10)


def title_and_stray_line(doc, msp):
    square(msp, 0, 0, 50)
    msp.add_text("Job 17", dxfattribs={"insert": (0, 80)})
    msp.add_line((100, 0), (130, 40))
    square(msp, 200, 0, 50, layer="HIDDEN")
    doc.layers.add("HIDDEN").off()


# Drawing, sheet, then per part type: name, copies, exact area, holes; and
# lines the summary must hold.
CASES = (
    (block_three_times, "600", [("BRACKET", 3, 1275, 0), ("BRACKET mirrored", 1, 1275, 0)], []),
    (plate_window_key, "600", [("PLATE", 1, 3600, 1), ("键??", 1, 800, 0)], []),
    (slot, "600", [("part1", 1, 1200 + 100 * PI, 0)], []),
    (bulged, "600", [("part1", 2, 5000 - (4 - PI) * 100, 0)], []),
    (ellipse, "600", [("part1", 1, 500 * PI, 0)], []),
    (touching, "600", [("part1", 2, 100, 0)], []),
    (title_and_stray_line, "40", [("part1", 1, 2500, 0)],
     ["Skipped     entities on layers turned off (1), texts outside every part (1)",
      "Open chain  layer 0: loose ends (130, 40) and (100, 0)",
      "Warning     part1 (50 x 50) is larger than the sheet both ways round: the program will leave it off"]),
)


def nest_import(env, *args):
    return subprocess.run([sys.executable, os.path.join(env.src, "tools", "nest-import"), *args],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=300)


def imported(env, d, dxf, length="600", width="300"):
    """The part types of the imported file: name, copies, area, holes."""
    target = os.path.join(d, "parts.txt")
    r = nest_import(env, dxf, length, width, target)
    check(r.returncode == 0, f"{dxf}: nest-import failed\n{r.stdout}{r.stderr}")
    with open(target, "rb") as f:
        _, _, types = t.parse_parts(f.read().decode("gbk"))
    return [(p["name"], p["count"], t.loop_area(p["outer"]) - sum(t.loop_area(h) for h in p["holes"]),
             len(p["holes"])) for p in types], r.stdout


def check_drawings(env):
    for draw, length, expected, notes in CASES:
        d = env.rundir(draw.__name__)
        doc = ezdxf.new()
        draw(doc, doc.modelspace())
        doc.saveas(os.path.join(d, "drawing.dxf"))
        types, out = imported(env, d, os.path.join(d, "drawing.dxf"), length)
        got = [(n, c, h) for n, c, _, h in types]
        check(got == [(n, c, h) for n, c, _, h in expected],
              f"{draw.__name__}: parts {got}, expected {expected}\n{out}")
        for (name, _, area, _), (_, _, exact, _) in zip(types, expected):
            check(abs(area - exact) <= AREA_SHARE * exact,
                  f"{draw.__name__}: {name} has area {area}, the drawing {exact}")
        lines = out.splitlines()
        for note in notes:
            check(note in lines, f"{draw.__name__}: the summary lacks {note!r}\n{out}")


def check_refusals(env):
    d = env.rundir("refused")
    doc = ezdxf.new()
    doc.modelspace().add_line((0, 0), (10, 0))
    doc.saveas(os.path.join(d, "open.dxf"))
    with open(os.path.join(d, "broken.dxf"), "w") as f:
        f.write("0\nSECTION\n2\nENTITIES\n0\nLINE\n")
    target = os.path.join(d, "parts.txt")
    for name, length, width, says in (("open.dxf", "600", "300", "holds no closed outline"),
                                      ("broken.dxf", "600", "300", "is not a DXF drawing"),
                                      ("missing.dxf", "600", "300", "cannot be read"),
                                      ("open.dxf", "0", "300", "the sheet length '0'"),
                                      ("open.dxf", "600", "-1", "the sheet width '-1'"),
                                      ("open.dxf", "600", "nan", "the sheet width 'nan'")):
        r = nest_import(env, os.path.join(d, name), length, width, target)
        check(r.returncode == 2 and says in r.stderr, f"{name} {length} {width}: {r.returncode} {r.stderr}")
    check(sorted(os.listdir(d)) == ["broken.dxf", "open.dxf"], f"files left behind: {os.listdir(d)}")


def check_example(env):
    """The worked example gives its part file byte for byte; the program
    lays it out and the report draws it."""
    d = env.rundir("example")
    example = os.path.join(env.src, "examples")
    imported(env, d, os.path.join(example, "parts.dxf"))
    with open(os.path.join(d, "parts.txt"), "rb") as f, open(os.path.join(example, "parts.txt"), "rb") as g:
        check(f.read() == g.read(), "examples/parts.txt is not what nest-import makes of examples/parts.dxf")
    t.expect_status(t.run(env, d, "parts.txt 4 5 0 2\n"), 0, "the run on the imported file")
    r = subprocess.run([sys.executable, os.path.join(env.src, "tools", "nest-report"), d],
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=300)
    check(r.returncode == 0 and "Left off    none" in r.stdout.splitlines(),
          f"nest-report on the imported file's run:\n{r.stdout}{r.stderr}")


def round_trip(env, bench):
    """Each instance's copies as closed polylines in a grid, a text with the
    type's name in each; imported back, the same types, counts and areas."""
    for name in sorted(os.listdir(bench)):
        if not name.endswith(".txt"):
            continue
        with open(os.path.join(bench, name), encoding="ascii") as f:
            length, width, types = t.parse_parts(f.read())
        doc = ezdxf.new()
        msp = doc.modelspace()
        copies = [p for p in types for _ in range(p["count"])]
        boxes = {p["name"]: Polygon(p["outer"]).bounds for p in types}
        step = 1.1 * max(max(b[2] - b[0], b[3] - b[1]) for b in boxes.values())
        columns = math.ceil(math.sqrt(len(copies)))
        for k, p in enumerate(copies):
            x0, y0 = boxes[p["name"]][:2]
            dx, dy = step * (k % columns) - x0, step * (k // columns) - y0
            for loop in [p["outer"]] + p["holes"]:
                msp.add_lwpolyline([(x + dx, y + dy) for x, y in loop], close=True)
            inside = Polygon(p["outer"], p["holes"]).representative_point()
            msp.add_text(p["name"], dxfattribs={"insert": (inside.x + dx, inside.y + dy)})
        d = env.rundir("round_trip_" + name[:-4])
        doc.saveas(os.path.join(d, "drawing.dxf"))
        got, out = imported(env, d, os.path.join(d, "drawing.dxf"), f"{length:g}", f"{width:g}")
        want = [(p["name"], p["count"], t.loop_area(p["outer"]) - sum(t.loop_area(h) for h in p["holes"]),
                 len(p["holes"])) for p in types]
        check(len(got) == len(want), f"{name}: {len(got)} part types back of {len(want)}\n{out}")
        for g, w in zip(sorted(got), sorted(want)):
            check(g[0] == w[0] and g[1] == w[1] and g[3] == w[3] and abs(g[2] - w[2]) <= 1e-9 * w[2],
                  f"{name}: {g} back for {w}")


def test(env):
    check_drawings(env)
    check_refusals(env)
    check_example(env)
    bench = os.path.join(os.path.dirname(env.src), "shared", "benchmarks")
    if not os.path.isdir(bench):
        print("the benchmark instances (../shared/benchmarks) are not there; the round trip is skipped")
        sys.exit(SKIP)
    round_trip(env, bench)


if __name__ == "__main__":
    t.main(test)
