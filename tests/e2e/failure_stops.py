"""The stops of a run whose output files cannot be opened (a directory of the
file's name stands in the way; the tests run as root, so a read-only file
would not stop the write) or cannot be written (a file size limit, a full
standard output): message, exit status 1 and what was written."""

import glob
import os
import resource
import signal
import subprocess
import time

import nest_e2e as t
from nest_e2e import check

OUTPUT_NAMES = t.OUTPUT_FILES

PARTS = """SheetLength: 300
SheetWidth: 200
PartDistance: 0
Part
Name
block
PartNumOfSameType
2
OutLoop
0,0
100,0
100,50
0,50
EndOutLoop
EndPart
Part
Name
wedge
PartNumOfSameType
2
OutLoop
0,0
80,0
0,60
EndOutLoop
EndPart
"""


def blocked_run(env, name, method, blocker):
    d = env.rundir(name, PARTS)
    os.mkdir(os.path.join(d, blocker))
    r = t.run(env, d, f"parts.txt 4 10 {method} 3\n")
    t.expect_status(r, 1, f"{name}")
    check(r.lines[:6] == t.PROMPTS, f"{name}: the dialogue\n" + r.describe())
    check(t.NOTE_LOG not in r.text and t.PAUSE not in r.text,
          f"{name}: the closing notes or the pause were shown\n" + r.describe())
    return r


MANY = """SheetLength: 300
SheetWidth: 200
PartDistance: 0
Part
Name
sq
PartNumOfSameType
100
OutLoop
0,0
10,0
10,10
0,10
EndOutLoop
EndPart
"""

# Six part types: enough orders for a search that runs a while.
SIX = "SheetLength: 400\nSheetWidth: 100\nPartDistance: 0\n" + "".join(
    f"Part\nName\np{k}\nPartNumOfSameType\n1\nOutLoop\n0,0\n{20 + 7 * k},0\n{20 + 7 * k},{30 + 5 * k}\n"
    f"0,{30 + 5 * k}\nEndOutLoop\nEndPart\n" for k in range(6))


def start(env, rundir, answers, size_limit=None, stdout=subprocess.PIPE, frozen=True, memory_limit=None):
    """Starts the program, under the frozen clock unless a signal is to reach
    it (faketime runs it as a child), with an optional file size or address
    space limit (as 'ulimit -f' and 'ulimit -v' set them)."""
    def limit():
        if size_limit is not None:
            resource.setrlimit(resource.RLIMIT_FSIZE, (size_limit, size_limit))
        if memory_limit is not None:
            resource.setrlimit(resource.RLIMIT_AS, (memory_limit, memory_limit))
    environ = dict(os.environ, TZ="UTC")
    cmd = ["faketime", "-f", t.FROZEN_TIME, env.nest] if frozen else [env.nest]
    p = subprocess.Popen(cmd, cwd=rundir, env=environ,
                         stdin=subprocess.PIPE, stdout=stdout, stderr=subprocess.PIPE, preexec_fn=limit)
    p.stdin.write(answers.encode("ascii"))
    p.stdin.close()
    return p


def finish(rundir, p):
    out = p.stdout.read() if p.stdout else b""
    err = p.stderr.read()
    return t.Run(rundir, p.wait(timeout=300), out, err)


def no_temporaries(r, what):
    left = glob.glob(os.path.join(r.dir, "*.tmp"))
    check(not left, f"{what}: temporary files left: {left}")


def write_faults(env):
    # A file size limit: the file that outgrows it first fails; it never
    # appears cut short, and the closing notes are not shown.
    for name, parts, answers, limit, gone in (
            ("Log.txt", PARTS, "parts.txt 4 10 0 3\n", 300, OUTPUT_NAMES),
            ("OptIDSequenceForPack.txt", MANY, "parts.txt 1 10 1 0\n", 200, OUTPUT_NAMES[1:]),
            ("Layout.dxf", PARTS, "parts.txt 4 10 0 3\n", 1000, OUTPUT_NAMES[2:])):
        d = env.rundir(f"limit-{name}", parts)
        r = finish(d, start(env, d, answers, size_limit=limit))
        t.expect_status(r, 1, f"size limit on {name}")
        message = f"文件{name}写入失败!"
        if name == "Layout.dxf":
            check(r.lines[-3:] == ["Warning!", message, ""], f"{name}: console ends {r.lines[-3:]}")
        else:
            check(r.err == (message + "\n").encode("gbk"), f"{name}: standard error {r.err!r}")
        check(t.NOTE_LOG not in r.text, f"{name}: the closing notes were shown")
        for g in gone:
            check(not r.exists(g), f"size limit on {name}: {g} was written")
        no_temporaries(r, f"size limit on {name}")
        if name != "Log.txt":
            check(r.read("Log.txt").endswith(b"\xc3\xeb\n"), f"size limit on {name}: the log is not complete")

    # Memory exhausted by a fine grid: a clear message, status 1, no output.
    d = env.rundir("out-of-memory", SIX)
    r = finish(d, start(env, d, "parts.txt 4 0.05 0 3\n", frozen=False, memory_limit=60 << 20))
    if b"Sanitizer" not in r.err:  # a sanitizer's runtime cannot start under the limit
        t.expect_status(r, 1, "out of memory")
        check(r.lines[6:] == ["Warning!", "内存不足，程序无法继续运行!", ""], f"out of memory: {r.lines[6:]}")
        check(not any(r.exists(n) for n in OUTPUT_NAMES), "out of memory: an output file was written")

    # Result files linked to a full device are replaced, not written through.
    d = env.rundir("linked-to-full", PARTS)
    for name in OUTPUT_NAMES:
        os.symlink("/dev/full", os.path.join(d, name))
    r = t.run(env, d, "parts.txt 4 10 0 3\n")
    t.expect_status(r, 0, "results linked to /dev/full")
    check(all(os.path.isfile(r.path(n)) and not os.path.islink(r.path(n)) for n in OUTPUT_NAMES)
          and r.read("Layout.dxf").endswith(b"EOF\n"), "results linked to /dev/full were not replaced")

    # Standard output that cannot be written: the message at the end, status 1.
    d = env.rundir("stdout-full", PARTS)
    with open("/dev/full", "wb") as full:
        r = finish(d, start(env, d, "parts.txt 4 10 0 3\n", stdout=full))
    t.expect_status(r, 1, "standard output on /dev/full")
    check(r.err == "标准输出写入失败!\n".encode("gbk"), f"standard output on /dev/full: {r.err!r}")
    check(r.read("Layout.dxf").endswith(b"EOF\n"), "standard output on /dev/full: no drawing")


def two_runs(env):
    # Two runs in one folder: each file holds the whole output of one run.
    d = env.rundir("two-runs", SIX)
    runs = [start(env, d, f"parts.txt 4 1 {m} 300\n") for m in (0, 1)]
    results = [finish(d, p) for p in runs]
    for r in results:
        t.expect_status(r, 0, "two runs in one folder")
    log = results[0].read("Log.txt")
    check(b"\0" not in log, "two runs in one folder: NUL bytes in Log.txt")
    check(any(log.decode("gbk", errors="replace").split("\n")[:-1] == t.iteration_lines(r) for r in results),
          "two runs in one folder: Log.txt is not the log of one run")
    no_temporaries(results[0], "two runs in one folder")


def wait_for_iterations(p, count):
    """Reads the console until the given number of iteration headers went by."""
    seen = b""
    while seen.count("次迭代:".encode("gbk")) < count:
        chunk = p.stdout.read1(4096)
        check(chunk, "the search ended before the interrupt")
        seen += chunk
    return seen


def interrupts(env):
    # The first SIGINT or SIGTERM ends the search early and keeps the best
    # layout; the status tells the signal.
    for sig, status in ((signal.SIGINT, 130), (signal.SIGTERM, 143)):
        d = env.rundir(f"interrupt-{sig.name}", SIX)
        p = start(env, d, "parts.txt 4 0.2 0 100000\n", frozen=False)
        seen = wait_for_iterations(p, 2)
        p.send_signal(sig)
        r = finish(d, p)
        r = t.Run(d, r.status, seen + r.out, r.err)
        t.expect_status(r, status, f"{sig.name} during the search")
        lines = r.lines[6:]
        check(lines[-3:] == [t.NOTE_LOG, t.NOTE_DXF, ""], f"{sig.name}: console ends {lines[-3:]}")
        check(r.log_lines() == lines[:-3], f"{sig.name}: the log differs from the console")
        check("  收到中断信号，迭代提前结束" in lines and lines[-4].startswith(t.HC_TOTAL),
              f"{sig.name}: no interrupt line or no closing report")
        ids = r.read("OptIDSequenceForPack.txt").decode().strip().split(",")
        check(sorted(ids) == [str(k) for k in range(6)], f"{sig.name}: result file {ids}")
        check(r.read("Layout.dxf").endswith(b"EOF\n"), f"{sig.name}: no complete drawing")

    # A second interrupt ends the run at once, without a partial file.
    d = env.rundir("interrupt-twice", SIX)
    p = start(env, d, "parts.txt 4 0.1 0 100000\n", frozen=False)
    wait_for_iterations(p, 1)
    p.send_signal(signal.SIGINT)
    time.sleep(0.05)
    p.send_signal(signal.SIGINT)
    r = finish(d, p)
    t.expect_status(r, 130, "two interrupts")
    no_temporaries(r, "two interrupts")
    check(not r.exists("Layout.dxf"), "two interrupts: the drawing was written")


HEADER = "SheetLength: 300\nSheetWidth: 200\nPartDistance: 0\n"


def block(name, outer, holes=(), count=1):
    text = f"Part\nName\n{name}\nPartNumOfSameType\n{count}\nOutLoop\n"
    text += "".join(f"{x},{y}\n" for x, y in outer) + "EndOutLoop\n"
    for hole in holes:
        text += "InnerLoop\n" + "".join(f"{x},{y}\n" for x, y in hole) + "EndInnerLoop\n"
    return text + "EndPart\n"


SQUARE = [(0, 0), (50, 0), (50, 50), (0, 50)]
GOOD = block("good", SQUARE)

# Part files the layout cannot use: the warning names the part and the reason.
REFUSED = [
    ("zero area", block("flat", [(0, 0), (10, 10), (20, 20)]), '零件"flat": 轮廓的面积为零!'),
    ("two vertices", block("line", [(0, 0), (10, 10)]), '零件"line": 轮廓的顶点少于3个!'),
    ("one vertex", block("dot", [(5, 5)]), '零件"dot": 轮廓的顶点少于3个!'),
    ("hole of two vertices", block("h2", SQUARE, [[(10, 10), (20, 20)]]), '零件"h2": 轮廓的顶点少于3个!'),
    ("self-crossing", block("bow", [(0, 0), (40, 30), (40, 0), (0, 20)]), '零件"bow": 轮廓自相交或内外轮廓相交!'),
    ("hole across the outline", block("cut", SQUARE, [[(40, 10), (60, 10), (60, 20), (40, 20)]]),
     '零件"cut": 轮廓自相交或内外轮廓相交!'),
    ("hole outside", block("out", SQUARE, [[(60, 10), (70, 10), (70, 20), (60, 20)]]),
     '零件"out": 内轮廓不在外轮廓之内!'),
    ("hole around the outline", block("ring", SQUARE, [[(-10, -10), (60, -10), (60, 60), (-10, 60)]]),
     '零件"ring": 内轮廓不在外轮廓之内!'),
    ("hole as large as the outline", block("same", SQUARE, [SQUARE]), '零件"same": 内轮廓的面积不小于外轮廓!'),
    ("coordinates near 1e300", block("far", [(0, 0), (1e300, 0), (1e300, 1e300)]),
     '零件"far": 坐标超出范围(绝对值不得大于1e9)!'),
    ("empty loop block", "Part\nName\nnone\nOutLoop\nEndOutLoop\nEndPart\n", '零件"none": 轮廓块中没有顶点!'),
    ("no OutLoop", "Part\nName\nbare\nEndPart\n", '零件"bare": 没有外轮廓(OutLoop)!'),
    ("no part", "", "零件数据文件中没有零件!"),
    ("no part fits", block("big", [(0, 0), (500, 0), (500, 500)]) + block("wide", [(0, 0), (400, 0), (400, 10)]),
     "没有零件能排放在板上: big, wide"),
    ("part-count limit", block("many", SQUARE, count=100001), "零件总数超过上限100000!"),
]


def bad_input(env):
    for what, blocks, message in REFUSED:
        good = "" if what.startswith("no part") else GOOD  # beside a part that can be laid out
        d = env.rundir("refused-" + what.replace(" ", "-"), HEADER + good + blocks)
        r = t.run(env, d, "parts.txt 4 10 0 3\n")
        t.expect_status(r, 1, what)
        check(r.lines[6:] == ["Warning!", message, ""], f"{what}: console after the dialogue {r.lines[6:]}")
        check(not any(r.exists(n) for n in OUTPUT_NAMES), f"{what}: an output file was written")

    # An endless file and a sheet beyond the accepted size.
    r = t.run(env, env.rundir("dev-zero"), "/dev/zero 4 10 0 3\n")
    t.expect_status(r, 1, "/dev/zero")
    check(r.lines[6:] == ["Warning!", "零件数据文件超过大小上限64MB!", ""], f"/dev/zero: {r.lines[6:]}")
    r = t.run(env, env.rundir("huge-sheet", "SheetLength: 1e308\nSheetWidth: 200\nPartDistance: 0\n" + GOOD),
              "parts.txt 4 10 0 3\n")
    t.expect_status(r, 1, "sheet of 1e308")
    check(r.lines[6:] == ["Warning!", "板数据错误!"] * 2 + [""], f"sheet of 1e308: {r.lines[6:]}")

    # Laid out: repeated and collinear vertices, CR-only line ends, a control
    # character in a name (drawn as '?'), parts too large beside parts that fit.
    text = HEADER + block("dup", [(0, 0), (0, 0), (25, 0), (50, 0), (50, 50), (50, 50), (0, 50)]) + \
        block("ctl\x01x", SQUARE) + block("big", [(0, 0), (500, 0), (500, 500)])
    d = env.rundir("laid-out", text.replace("\n", "\r"))
    r = t.run(env, d, "parts.txt 4 10 1 3\n")
    t.expect_status(r, 0, "accepted geometry")
    drawing = r.read("Layout.dxf")
    for name in OUTPUT_NAMES:
        data = r.read(name).lower()
        check(b"nan" not in data and b"inf" not in data, f"accepted geometry: nan or inf in {name}")
    check(b"\n  1\nctl?x\n" in drawing and b"\x01" not in drawing, "accepted geometry: the name is drawn raw")
    check("nan" not in r.text and "inf" not in r.text, "accepted geometry: nan or inf on the console")


def test(env):
    bad_input(env)
    write_faults(env)
    two_runs(env)
    interrupts(env)
    for method, total in ((0, t.HC_TOTAL), (1, t.SA_TOTAL)):
        # Log.txt cannot be opened: nothing of the search is shown or written.
        r = blocked_run(env, f"log-blocked-{method}", method, "Log.txt")
        check(r.err == b"Log file open error!\n", f"Log.txt blocked: standard error {r.err!r}")
        check(r.lines[6:] == [""], f"Log.txt blocked: console after the dialogue: {r.lines[6:]}")
        check(not r.exists("OptIDSequenceForPack.txt") and not r.exists("Layout.dxf"),
              "Log.txt blocked: a result file or drawing was written")

        # The result file cannot be opened: the log is complete up to the
        # total time line, no drawing.
        r = blocked_run(env, f"result-blocked-{method}", method, "OptIDSequenceForPack.txt")
        check(r.err == b"IDSequenceForPack save error!\n", f"result file blocked: standard error {r.err!r}")
        log = r.log_lines()
        check(log[-1] == total + "0.00 秒", f"result file blocked: the log ends with {log[-1]!r}")
        check(log == r.lines[6:-1] and r.lines[-1] == "",
              "result file blocked: the log differs from the console's lines")
        check(not r.exists("Layout.dxf"), "result file blocked: a drawing was written")

        # The drawing cannot be opened: the warning, after the log and the
        # result file are written.
        r = blocked_run(env, f"drawing-blocked-{method}", method, "Layout.dxf")
        check(r.err == b"", f"drawing blocked: standard error {r.err!r}")
        check(r.lines[-3:] == ["Warning!", "排样文件输出失败!", ""],
              f"drawing blocked: the console ends with {r.lines[-3:]}")
        log = r.log_lines()
        check(log == r.lines[6:-3], "drawing blocked: the log differs from the console's lines")
        check(log[-1] == total + "0.00 秒", f"drawing blocked: the log ends with {log[-1]!r}")
        ids = r.read("OptIDSequenceForPack.txt")
        check(sorted(ids.decode().strip().split(",")) == ["0", "1", "2", "3"] and ids.endswith(b"\n"),
              f"drawing blocked: result file {ids!r}")


if __name__ == "__main__":
    t.main(test)
