"""Both search methods on a small job, under a frozen clock: the log against
the console, the line catalogue, the result file, the drawing read back by a
DXF reader, and two runs giving the same bytes."""

import re
import sys

import nest_e2e as t
from drawing_check import check_drawing
from nest_e2e import check

# A 400 by 200 sheet; a frame with two holes (GBK name), a plate that fits
# into the frame's larger hole, blocks and wedges.
PARTS = """SheetLength: 400
SheetWidth:  200
PartDistance: 0
Part
Name
框架
PartNumOfSameType
1
OutLoop
0,0
140,0
140,90
0,90
EndOutLoop
InnerLoop
10,10
90,10
90,60
10,60
EndInnerLoop
InnerLoop
100,10
130,10
130,80
100,80
EndInnerLoop
EndPart
Part
Name
block
PartNumOfSameType
2
OutLoop
0,0
60,0
60,30
0,30
EndOutLoop
EndPart
Part
Name
wedge
PartNumOfSameType
2
OutLoop
0,0
50,0
0,40
EndOutLoop
EndPart
Part
Name
plate
PartNumOfSameType
1
OutLoop
0,0
35,0
35,20
0,20
EndOutLoop
EndPart
"""
PART_COUNT = 6
ITERATIONS = 6


def g6(v):
    return "%.6g" % v


def value_after(line, label):
    m = re.search(re.escape(label) + r"([-0-9.e+]+|nan|inf)", line)
    check(m is not None, f"no value after {label!r} in {line!r}")
    return m.group(1)


def check_times(r):
    times = re.findall(r"([0-9.]+) 秒", r.text)
    check(times, "no time on the console")
    check(all(x == "0.00" for x in times), f"times under a frozen clock: {times}")


def check_result_file(r):
    data = r.read("OptIDSequenceForPack.txt")
    check(re.fullmatch(rb"\d+(,\d+)*\n", data) is not None,
          f"the result file is not one line of comma separated IDs: {data!r}")
    ids = [int(x) for x in data.decode().strip().split(",")]
    check(sorted(ids) == list(range(PART_COUNT)), f"the result file holds {ids}, not each ID once")
    return ids


def check_hc_log(log):
    headers = [l for l in log if re.fullmatch(r"第\d+次迭代:", l)]
    check(headers == [f"第{i}次迭代:" for i in range(1, ITERATIONS + 1)],
          f"HC iteration headers: {headers}")
    effs = []
    body = log[:3 * ITERATIONS]
    for i in range(ITERATIONS):
        head, progress, neighbour = body[3 * i:3 * i + 3]
        check(head == f"第{i + 1}次迭代:", f"line {3 * i}: {head!r}")
        check(progress.startswith("  本次迭代之前已耗费时间0.00 秒, 当前排样长度="), f"progress line {progress!r}")
        check(neighbour.startswith("  由邻域序列得到的排样长度="), f"neighbour line {neighbour!r}")
        current = float(value_after(progress, ",排样效率="))
        if i == 0:
            effs.append(current)
        else:
            # The current efficiency is the best seen so far.
            check(g6(current) == g6(max(effs)), f"iteration {i + 1}: current {current}, best so far {max(effs)}")
        effs.append(float(value_after(neighbour, ",排样效率=")))
    tail = log[3 * ITERATIONS:]
    check(len(tail) == 7, f"HC closing block: {tail}")
    check(tail[0] == "" and tail[1] == "***参数设置***" and tail[2] == "  RN=4, PPD=10" and tail[3] == "***计算结论***",
          f"HC closing block: {tail}")
    best = value_after(tail[5], "  最优排样效率=")
    check(best == g6(max(effs)), f"best efficiency {best}, the best seen was {g6(max(effs))}")
    check(tail[6] == t.HC_TOTAL + "0.00 秒", f"HC total time line {tail[6]!r}")
    return float(best)


def check_sa_log(log):
    check(log[0].startswith("  初始排样序列:排样长度="), f"SA initial line {log[0]!r}")
    initial = float(value_after(log[0], ",排样效率="))
    best = current = initial
    temperature = 0.01
    cooling = 0.01 / ITERATIONS
    k = 1
    for i in range(1, ITERATIONS + 1):
        check(log[k] == f"第{i}次模拟退火:", f"line {k}: {log[k]!r}")
        check(log[k + 1] == "  当前温度=" + g6(temperature), f"temperature line {log[k + 1]!r}, expected {g6(temperature)}")
        check(log[k + 2] == f"  最优排样效率={g6(best)}; 当前排样效率={g6(current)}", f"efficiency line {log[k + 2]!r}")
        check(log[k + 3] == "  生成的邻域排样序列:", f"neighbour header {log[k + 3]!r}")
        neighbour = float(value_after(log[k + 4], "  排样效率="))
        k += 5
        better = neighbour > current
        if better:
            accepted = True
        else:
            u = float(value_after(log[k], "  随机数="))
            p = float(value_after(log[k], " ;接受概率="))
            check(0.0 <= u <= 1.0 and 0.0 < p <= 1.0, f"chance line {log[k]!r}")
            accepted = u < p
            k += 1
        check(log[k] == ("  邻域解优于当前解" if better else "  邻域解次于当前解"), f"verdict line {log[k]!r}")
        check(log[k + 1] == ("  邻域解被接受成为当前解" if accepted else "  邻域解被拒绝成为当前解"),
              f"acceptance line {log[k + 1]!r}")
        check(log[k + 2] == ("  邻域解优于最优解" if neighbour > best else "  邻域解次于最优解"),
              f"best verdict line {log[k + 2]!r}")
        k += 3
        if accepted:
            current = neighbour
        best = max(best, neighbour)
        temperature -= cooling
    tail = log[k:]
    check(len(tail) == 6 and tail[0] == "***参数设置***" and tail[1] == "  RN=4, PPD=10" and tail[2] == "***计算结论***",
          f"SA closing block: {tail}")
    check(tail[4] == "  最优排样效率=" + g6(best), f"best efficiency line {tail[4]!r}, expected {g6(best)}")
    check(tail[5] == t.SA_TOTAL + "0.00 秒", f"SA total time line {tail[5]!r}")
    return best


def test(env):
    t.need_tool("faketime")
    length, width, types = t.parse_parts(PARTS)
    for method, name in ((0, "hc"), (1, "sa")):
        runs = []
        for attempt in ("first", "second"):
            d = env.rundir(f"{name}-{attempt}", PARTS)
            r = t.run(env, d, f"parts.txt\n4\n10\n{method}\n{ITERATIONS}\n")
            t.expect_status(r, 0, f"method {method}")
            check(r.err == b"", f"method {method}: standard error {r.err!r}")
            runs.append(r)
        r = runs[0]
        check_times(r)
        log = r.log_lines()
        check(log == t.iteration_lines(r), f"method {method}: Log.txt differs from the console's iteration lines")
        best = check_hc_log(log) if method == 0 else check_sa_log(log)
        check_result_file(r)
        efficiency = check_drawing(r.path("Layout.dxf"), length, width, types)
        check(abs(efficiency - best) <= 1e-5 * best,
              f"method {method}: the drawing's layout has efficiency {efficiency}, the log reports {best}")
        # Same frozen time, same answers: the same bytes.
        for f in t.OUTPUT_FILES:
            check(runs[0].read(f) == runs[1].read(f), f"method {method}: two runs give different {f}")
        check(runs[0].out == runs[1].out, f"method {method}: two runs give different console output")

    # A later run in the same folder replaces the three files completely: a
    # one-part job over the files of the six-part job gives what it gives in
    # an empty folder.
    one_part = PARTS[:PARTS.index("Part\nName\nblock")]
    one_part = one_part.replace("Name\n框架", "Name\nframe")
    fresh = t.run(env, env.rundir("one-part-fresh", one_part), "parts.txt 4 10 0 2\n")
    t.expect_status(fresh, 0, "one-part job")
    d = runs[0].dir
    with open(runs[0].path("parts.txt"), "wb") as f:
        f.write(one_part.encode("gbk"))
    again = t.run(env, d, "parts.txt 4 10 0 2\n")
    t.expect_status(again, 0, "one-part job over an earlier run")
    for f in t.OUTPUT_FILES:
        check(again.read(f) == fresh.read(f), f"a second run in the same folder leaves another {f}")


if __name__ == "__main__":
    t.main(test)
