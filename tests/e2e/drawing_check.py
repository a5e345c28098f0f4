"""Reads Layout.dxf back with a real DXF reader (ezdxf) and checks it against
the part data file: the sheet outline, every edge of every part moved
rigidly from where the file gives it, the part names, the label points and
heights, and the efficiency that the layout achieves."""

import math

from nest_e2e import check, g_error, loop_area


def read_entities(path):
    import ezdxf  # Debian's python3-ezdxf; the set-up script installs it.

    doc = ezdxf.readfile(path, encoding="gbk")
    entities = []
    for e in doc.modelspace():
        kind = e.dxftype()
        if kind == "LINE":
            check(e.dxf.layer == "0", f"a LINE on layer {e.dxf.layer!r}")
            s, t = e.dxf.start, e.dxf.end
            check(s.z == 0.0 and t.z == 0.0, "a LINE off the plane z = 0")
            entities.append(("LINE", (s.x, s.y), (t.x, t.y)))
        elif kind == "TEXT":
            check(e.dxf.layer == "1", f"a TEXT on layer {e.dxf.layer!r}")
            entities.append(("TEXT", e.dxf.text, (e.dxf.insert.x, e.dxf.insert.y),
                             e.dxf.rotation, e.dxf.height))
        else:
            check(False, f"unexpected entity {kind} in the drawing")
    return entities


def loop_centroid(loop):
    a = 0.0
    cx = 0.0
    cy = 0.0
    for k in range(len(loop)):
        x1, y1 = loop[k]
        x2, y2 = loop[(k + 1) % len(loop)]
        c = x1 * y2 - x2 * y1
        a += c
        cx += (x1 + x2) * c
        cy += (y1 + y2) * c
    a /= 2.0
    return abs(a), (cx / (6.0 * a), cy / (6.0 * a))


def material_centroid(loops):
    area, (cx, cy) = loop_centroid(loops[0])
    mx, my = area * cx, area * cy
    for hole in loops[1:]:
        a, (hx, hy) = loop_centroid(hole)
        area -= a
        mx -= a * hx
        my -= a * hy
    return mx / area, my / area


def split_loops(lines, counts, where):
    """Cuts a part's lines into its loops and checks each loop is closed."""
    loops = []
    k = 0
    for n in counts:
        segment = lines[k:k + n]
        k += n
        for j in range(n):
            check(segment[j][1] == segment[(j + 1) % n][0],
                  f"{where}: edge {j} of a loop does not end where the next one starts")
        loops.append([s for s, _ in segment])
    return loops


def check_drawing(path, length, width, types, line_count_expected=True):
    """Checks the drawing; returns the efficiency of the layout it shows."""
    with open(path, "rb") as f:
        raw = f.read()
    by_name = {t["name"]: t for t in types}
    instances = [t for t in types for _ in range(max(t["count"], 0))]
    edges = sum(len(t["outer"]) + sum(len(h) for h in t["holes"]) for t in instances)
    if line_count_expected:
        expected_lines = 5 + 16 * (4 + edges + len(instances)) + 3
        got_lines = raw.count(b"\n")
        check(got_lines == expected_lines,
              f"the drawing has {got_lines} lines, expected 5 + 16 x (4 + {edges} + {len(instances)}) + 3 = {expected_lines}")

    entities = read_entities(path)
    outline = [((0.0, 0.0), (length, 0.0)), ((length, 0.0), (length, width)),
               ((length, width), (0.0, width)), ((0.0, width), (0.0, 0.0))]
    got_outline = [(e[1], e[2]) for e in entities[:4] if e[0] == "LINE"]
    check(got_outline == outline, f"the sheet outline is {got_outline}, expected {outline}")

    scale = max(abs(length), abs(width))
    tol = 1e-6 + 1e-5 * scale
    pending = []
    names = []
    area_on_sheet = 0.0
    used_length = 0.0
    for e in entities[4:]:
        if e[0] == "LINE":
            pending.append((e[1], e[2]))
            continue
        _, name, insert, angle, height = e
        where = f"part {len(names)} ({name})"
        names.append(name)
        check(name in by_name, f"{where}: a name that is not in the part file")
        t = by_name[name]
        # The holes are drawn in the reverse of the file's order.
        file_loops = [t["outer"]] + list(reversed(t["holes"]))
        counts = [len(l) for l in file_loops]
        check(len(pending) == sum(counts),
              f"{where}: {len(pending)} edges drawn, the part has {sum(counts)}")
        drawn = split_loops(pending, counts, where)
        pending = []

        # Same edge lengths, up to what six significant digits lose.
        for fl, dl in zip(file_loops, drawn):
            for j in range(len(fl)):
                a, b = dl[j], dl[(j + 1) % len(dl)]
                bound = 1e-6 + sum(g_error(v) for v in (a[0], a[1], b[0], b[1]))
                fa, fb = fl[j], fl[(j + 1) % len(fl)]
                want = math.dist(fa, fb)
                got = math.dist(a, b)
                check(abs(want - got) <= bound,
                      f"{where}: edge {j} is {got} long, the file gives {want}")

        # One rigid motion, turned by the label's angle, takes every loop of
        # the file onto the drawn loops, vertex for vertex.
        th = math.radians(angle)
        c, s = math.cos(th), math.sin(th)
        turn = lambda p: (c * p[0] - s * p[1], s * p[0] + c * p[1])
        t0 = turn(file_loops[0][0])
        dx, dy = drawn[0][0][0] - t0[0], drawn[0][0][1] - t0[1]
        for fl, dl in zip(file_loops, drawn):
            for fp, dp in zip(fl, dl):
                q = turn(fp)
                check(abs(q[0] + dx - dp[0]) <= tol and abs(q[1] + dy - dp[1]) <= tol,
                      f"{where}: vertex {dp} is not the file's {fp} turned by {angle} degrees and moved")

        # The label sits on the material centroid; its height is a tenth of
        # the smaller side of the part's box as the file gives it.
        gx, gy = material_centroid(drawn)
        check(abs(gx - insert[0]) <= tol and abs(gy - insert[1]) <= tol,
              f"{where}: label at {insert}, centroid at {(gx, gy)}")
        xs = [p[0] for p in t["outer"]]
        ys = [p[1] for p in t["outer"]]
        want_h = 0.1 * min(max(xs) - min(xs), max(ys) - min(ys))
        check(abs(height - want_h) <= 1e-6 + g_error(want_h),
              f"{where}: label height {height}, expected {want_h}")

        # On the sheet, or parked beyond its far end.
        oxs = [p[0] for p in drawn[0]]
        oys = [p[1] for p in drawn[0]]
        on_sheet = min(oxs) >= -tol and max(oxs) <= length + tol and min(oys) >= -tol and max(oys) <= width + tol
        parked = abs(min(oxs) - length) <= tol and abs(max(oys)) <= tol
        check(on_sheet or parked, f"{where}: neither on the sheet nor parked: box x {min(oxs)}..{max(oxs)}, y {min(oys)}..{max(oys)}")
        if on_sheet and not parked:
            area_on_sheet += loop_area(t["outer"]) - sum(loop_area(h) for h in t["holes"])
            used_length = max(used_length, max(oxs))
    check(not pending, "edges after the last part's label")
    want_names = sorted(t["name"] for t in instances)
    check(sorted(names) == want_names, f"the labels name {sorted(names)}, expected {want_names}")
    if used_length == 0.0:
        return 0.0
    return area_on_sheet / (used_length * width)
