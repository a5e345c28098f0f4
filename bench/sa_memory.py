#!/usr/bin/env python3
"""Memory per iteration of simulated annealing: the peak resident memory of a
run of LONG iterations minus that of a run of SHORT iterations, over their
difference, on a fast job of 40 part types (one part each, written here).
Start-up, the job and the layouts cancel; what remains is what the search
keeps per iteration (the visited set). Target: at most 64 bytes.

    bench/sa_memory.py PROGRAM [SHORT LONG]     (default 20000 120000)

PROGRAM is the built program (build/nest). The two runs take about half a
minute each on one core.
"""
import os
import subprocess
import sys
import tempfile


def part_file():
    lines = ["SheetLength: 1000", "SheetWidth: 20", "SheetThicknes 0"]
    for t in range(40):
        w = 2 + t % 7
        h = 2 + (t * 3) % 5
        lines += ["Part", "Name", f"r{t}", "PartNumOfSameType", "1", "OutLoop",
                  "0,0", f"{w},0", f"{w},{h}", f"0,{h}", "EndOutLoop", "EndPart"]
    return "\n".join(lines) + "\n"


def peak_kb(program, folder, iterations):
    """Runs the program's annealing and returns its peak resident memory."""
    answers = f"parts.txt\n1\n1\n1\n{iterations}\n\n".encode("ascii")
    with open(os.path.join(folder, "answers.txt"), "wb") as f:
        f.write(answers)
    with open(os.path.join(folder, "answers.txt"), "rb") as stdin:
        p = subprocess.Popen([program], cwd=folder, stdin=stdin,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(p.pid, 0)
    if status != 0:
        sys.exit(f"the run of {iterations} iterations failed (status {status})")
    return usage.ru_maxrss  # kilobytes on Linux


def main():
    if len(sys.argv) not in (2, 4):
        sys.exit(__doc__)
    program = os.path.abspath(sys.argv[1])
    short, long = (int(sys.argv[2]), int(sys.argv[3])) if len(sys.argv) == 4 else (20000, 120000)
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, "parts.txt"), "w") as f:
            f.write(part_file())
        a = peak_kb(program, folder, short)
        b = peak_kb(program, folder, long)
    per = (b - a) * 1024 / (long - short)
    print(f"peak {a} KB at {short} iterations, {b} KB at {long}: "
          f"{per:.1f} bytes per iteration (target at most 64)")


if __name__ == "__main__":
    main()
