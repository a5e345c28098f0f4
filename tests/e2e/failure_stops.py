"""The stops of a run whose output files cannot be opened (a directory of the
file's name stands in the way; the tests run as root, so a read-only file
would not stop the write): message, exit status 1 and what was written."""

import os

import nest_e2e as t
from nest_e2e import check

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


def test(env):
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
