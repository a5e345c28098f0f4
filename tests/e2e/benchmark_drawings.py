"""Short runs on benchmark instances kept beside the project (../shared):
parts with negative coordinates and with holes, drawn and read back. Skipped
when that folder is not there."""

import os
import sys

import nest_e2e as t
from drawing_check import check_drawing
from nest_e2e import check

SKIP = 77

# Instance, RN, PPD: quick enough for one hill-climbing iteration.
CASES = (("fu.txt", 4, 2), ("holes1.txt", 4, 20))


def test(env):
    bench = os.path.join(os.path.dirname(env.src), "shared", "benchmarks")
    for name, rn, ppd in CASES:
        path = os.path.join(bench, name)
        with open(path, encoding="ascii") as f:
            text = f.read()
        length, width, types = t.parse_parts(text)
        d = env.rundir(name.replace(".txt", ""), text)
        r = t.run(env, d, f"parts.txt {rn} {ppd} 0 1\n")
        t.expect_status(r, 0, name)
        log = r.log_lines()
        check(log == t.iteration_lines(r), f"{name}: the log differs from the console's iteration lines")
        best = float(log[-2].split("=")[1])
        efficiency = check_drawing(r.path("Layout.dxf"), length, width, types)
        check(abs(efficiency - best) <= 1e-5 * best,
              f"{name}: the drawing's layout has efficiency {efficiency}, the log reports {best}")


if __name__ == "__main__":
    src = os.path.realpath(sys.argv[2]) if len(sys.argv) > 2 else ""
    if not os.path.isdir(os.path.join(os.path.dirname(src), "shared", "benchmarks")):
        print("the benchmark instances (../shared/benchmarks) are not there; skipped")
        sys.exit(SKIP)
    t.main(test)
