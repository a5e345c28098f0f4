"""How the search ends: after the number of iterations asked for (hill
climbing always runs at least one, simulated annealing none for 0 or less),
or earlier when no unevaluated type sequence is left: a job of one part type
runs no iteration, and a job of a few types stops after it has evaluated
every distinct order of its types."""

import re

import nest_e2e as t
from nest_e2e import check


def block(name, count, w, h):
    return f"""Part
Name
{name}
PartNumOfSameType
{count}
OutLoop
0,0
{w},0
{w},{h}
0,{h}
EndOutLoop
EndPart
"""


def parts(*blocks):
    return "SheetLength: 500\nSheetWidth:  200\nPartDistance: 0\n" + "".join(blocks)


ONE_TYPE = parts(block("tile", 3, 60, 40))
ONE_PART = parts(block("tile", 1, 60, 40))
# 3! = 6 orders of three single parts; 3! / 2! = 3 orders of two alike and
# one other.
THREE_TYPES = parts(block("a", 1, 70, 50), block("b", 1, 50, 40), block("c", 1, 30, 20))
TWO_ALIKE = parts(block("a", 2, 70, 50), block("b", 1, 50, 40))


def run_job(env, name, text, method, iterations):
    d = env.rundir(name, text)
    r = t.run(env, d, f"parts.txt 4 10 {method} {iterations}\n")
    t.expect_status(r, 0, name)
    log = r.log_lines()
    check(log == t.iteration_lines(r), f"{name}: the log differs from the console's iteration lines")
    return r, log


def closing(log, method, name):
    """The closing block that follows the last iteration."""
    if method == 0:
        check(log[0] == "" and log[1:3] == ["***参数设置***", "  RN=4, PPD=10"], f"{name}: closing block {log}")
        log = log[1:]
    else:
        check(log[0:2] == ["***参数设置***", "  RN=4, PPD=10"], f"{name}: closing block {log}")
    check(len(log) == 6 and log[2] == "***计算结论***" and log[3].startswith("  最优排样长度=")
          and log[4].startswith("  最优排样效率=")
          and log[5] == (t.HC_TOTAL if method == 0 else t.SA_TOTAL) + "0.00 秒",
          f"{name}: closing block {log}")


def headers(log, method):
    pattern = r"第\d+次迭代:" if method == 0 else r"第\d+次模拟退火:"
    return [l for l in log if re.fullmatch(pattern, l)]


def test(env):
    # The iteration count on a job with orders to spare (6 orders).
    for method, iterations, want in ((0, 0, 1), (0, -5, 1), (0, 3, 3), (1, 0, 0), (1, -3, 0), (1, 3, 3)):
        name = f"count-{method}-{iterations}"
        r, log = run_job(env, name, THREE_TYPES, method, iterations)
        got = headers(log, method)
        check(len(got) == want, f"{name}: {len(got)} iterations, expected {want}")
        check(t.EARLY_END not in log, f"{name}: an early-end line")
        after = log[3 * want:] if method == 0 else log[log.index("***参数设置***"):]
        closing(after, method, name)

    # One part type, and a single part: no iteration at all.
    for text, label in ((ONE_TYPE, "one-type"), (ONE_PART, "one-part")):
        name = f"{label}-hc"
        r, log = run_job(env, name, text, 0, 5)
        check(log[0] == t.EARLY_END, f"{name}: the log starts with {log[0]!r}")
        closing(log[1:], 0, name)
        count = 3 if text is ONE_TYPE else 1
        ids = r.read("OptIDSequenceForPack.txt")
        check(ids == (",".join(str(i) for i in range(count)) + "\n").encode(),
              f"{name}: result file {ids!r}")
        check(r.exists("Layout.dxf"), f"{name}: no drawing")

        name = f"{label}-sa"
        r, log = run_job(env, name, text, 1, 5)
        check(log[0].startswith("  初始排样序列:排样长度="), f"{name}: the log starts with {log[0]!r}")
        check(log[1] == t.EARLY_END, f"{name}: the second line is {log[1]!r}")
        closing(log[2:], 1, name)

    # Every order evaluated: the initial one and one new neighbour per
    # iteration, so 6 orders take 5 iterations and 3 orders take 2.
    for text, orders, label in ((THREE_TYPES, 6, "three-types"), (TWO_ALIKE, 3, "two-alike")):
        for method in (0, 1):
            name = f"{label}-{method}"
            r, log = run_job(env, name, text, method, 20)
            want = orders - 1
            got = headers(log, method)
            check(len(got) == want, f"{name}: {len(got)} iterations, expected {want}")
            at = log.index(t.EARLY_END) if t.EARLY_END in log else -1
            check(at >= 0, f"{name}: no early-end line")
            closing(log[at + 1:], method, name)
            # Exactly enough iterations: the count ends the loop first and no
            # early-end line is written.
            name = f"{label}-{method}-exact"
            r, log = run_job(env, name, text, method, want)
            check(len(headers(log, method)) == want and t.EARLY_END not in log,
                  f"{name}: {len(headers(log, method))} iterations, early end {t.EARLY_END in log}")


if __name__ == "__main__":
    t.main(test)
