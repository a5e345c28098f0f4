"""Helpers for the Python tests of the real binary.

Each test script is called as: script NEST_BINARY SOURCE_DIR SCRATCH_DIR.
It runs the program in fresh directories under SCRATCH_DIR, with the answers
on standard input and, where the output is compared, under a frozen clock.
"""

import math
import os
import shlex
import shutil
import subprocess
import sys

# The program's texts come from the one list that also writes its header.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from make_texts import TEXTS  # noqa: E402

TEXT = dict(TEXTS)

# Both the calendar time (the random seed) and the monotonic clock (the
# elapsed times) stand still under this clock; the date is read in UTC.
FROZEN_TIME = "2026-01-01 00:00:00"

BANNER = TEXT["kBanner"]
PROMPTS = [BANNER] + [TEXT[k] for k in ("kPromptFileName", "kPromptRN", "kPromptPPD", "kPromptMethod",
                                        "kPromptIterations")]
NOTE_LOG = TEXT["kLogNote"]
NOTE_DXF = TEXT["kDrawingNote"]
PAUSE = TEXT["kPausePrompt"]
EARLY_END = TEXT["kEarlyEnd"]
HC_TOTAL = TEXT["kHcTotalTime"]
SA_TOTAL = TEXT["kSaTotalTime"]
OUTPUT_FILES = ("Log.txt", "OptIDSequenceForPack.txt", "Layout.dxf")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def need_tool(name):
    """A tool the test cannot do without: the set-up script installs it, so
    its absence fails the test."""
    check(shutil.which(name) is not None,
          f"the tool '{name}' is not installed (tools/setup-and-test.sh installs it)")


class Env:
    def __init__(self, argv):
        if len(argv) < 4:
            raise SystemExit(f"usage: {argv[0]} NEST_BINARY SOURCE_DIR SCRATCH_DIR")
        self.nest = os.path.realpath(argv[1])
        self.src = os.path.realpath(argv[2])
        self.scratch = os.path.realpath(argv[3])
        check(os.access(self.nest, os.X_OK), f"no program at {self.nest}")
        shutil.rmtree(self.scratch, ignore_errors=True)
        os.makedirs(self.scratch)

    def rundir(self, name, parts_text=None, parts_name="parts.txt"):
        path = os.path.join(self.scratch, name)
        shutil.rmtree(path, ignore_errors=True)
        os.makedirs(path)
        if parts_text is not None:
            with open(os.path.join(path, parts_name), "wb") as f:
                f.write(parts_text.encode("gbk"))
        return path


class Run:
    """One finished run of the program."""

    def __init__(self, rundir, status, out, err):
        self.dir = rundir
        self.status = status
        self.out = out  # raw GBK bytes
        self.err = err
        self.text = out.decode("gbk")
        self.lines = self.text.split("\n")

    def path(self, name):
        return os.path.join(self.dir, name)

    def exists(self, name):
        return os.path.exists(self.path(name))

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def log_lines(self):
        data = self.read("Log.txt")
        check(data.endswith(b"\n"), "Log.txt does not end with a line end")
        return data.decode("gbk").split("\n")[:-1]

    def describe(self):
        return f"exit status {self.status}\n--- console\n{self.text}\n--- stderr\n{self.err.decode(errors='replace')}"


def run(env, rundir, answers, frozen=True, timeout=300):
    """Runs the program in rundir with the answers on standard input."""
    cmd = [env.nest]
    environ = dict(os.environ)
    if frozen:
        need_tool("faketime")
        cmd = ["faketime", "-f", FROZEN_TIME] + cmd
        environ["TZ"] = "UTC"
    try:
        p = subprocess.run(cmd, cwd=rundir, input=answers.encode("ascii"),
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           timeout=timeout, env=environ)
    except subprocess.TimeoutExpired:
        raise Failure(f"the run with answers {answers!r} did not end within {timeout} s")
    return Run(rundir, p.returncode, p.stdout, p.stderr)


def expect_status(r, status, what):
    check(r.status == status, f"{what}: expected exit status {status}\n{r.describe()}")


def iteration_lines(r):
    """The console lines between the dialogue and the two closing notes."""
    lines = r.lines
    check(lines[:6] == PROMPTS, "the console does not start with the banner and the prompts\n" + r.describe())
    check(lines[-4:] == [NOTE_LOG, NOTE_DXF, PAUSE, ""],
          "the console does not end with the two notes and the pause\n" + r.describe())
    return lines[6:-4]


# --- The part data file, as far as the tests write it: three header lines,
# blocks with Name, PartNumOfSameType, OutLoop and InnerLoop, vertex lines
# "x,y".

def parse_parts(text):
    lines = text.split("\n")
    length = float(lines[0][13:])
    width = float(lines[1][12:])
    types = []
    i = 3
    current = None
    while i < len(lines):
        line = lines[i]
        if line == "Part":
            current = {"name": "NoName", "count": 1, "outer": None, "holes": []}
        elif line == "Name":
            i += 1
            current["name"] = lines[i]
        elif line == "PartNumOfSameType":
            i += 1
            current["count"] = int(lines[i])
        elif line in ("OutLoop", "InnerLoop"):
            end = "End" + line
            loop = []
            i += 1
            while lines[i] != end:
                x, y = lines[i].split(",")
                loop.append((float(x), float(y)))
                i += 1
            if line == "OutLoop":
                current["outer"] = loop
            else:
                current["holes"].append(loop)
        elif line == "EndPart":
            types.append(current)
        i += 1
    return length, width, types


def loop_area(loop):
    s = 0.0
    for k in range(len(loop)):
        x1, y1 = loop[k]
        x2, y2 = loop[(k + 1) % len(loop)]
        s += x1 * y2 - x2 * y1
    return abs(s) / 2.0


def g_error(v):
    """The largest error of a number written with %g (six significant digits)."""
    if v == 0.0:
        return 0.0
    return 0.5 * 10.0 ** (math.floor(math.log10(abs(v))) - 5)


# The names under which the shell tests (lib.sh) know the texts.
SHELL_TEXTS = {
    "BANNER": "kBanner", "P_FILE": "kPromptFileName", "P_RN": "kPromptRN", "P_PPD": "kPromptPPD",
    "P_METHOD": "kPromptMethod", "P_ITER": "kPromptIterations", "E_METHOD": "kMethodError",
    "E_FILE": "kFileNameError", "E_RN": "kRNError", "E_PPD": "kPPDError", "E_ITER": "kIterationsError",
    "W_PARTFILE": "kPartFileWarning", "W_SHEET": "kSheetDataWarning", "W_ZERO": "kZeroSheetWarning",
    "W_DXF": "kDxfWarning", "NOTE_LOG": "kLogNote", "NOTE_DXF": "kDrawingNote", "PAUSE": "kPausePrompt",
}


def shell_definitions():
    """The texts and the frozen time as shell assignments, for lib.sh."""
    lines = [f"NEST_FROZEN_TIME={shlex.quote(FROZEN_TIME)}"]
    lines += [f"{name}={shlex.quote(TEXT[key])}" for name, key in SHELL_TEXTS.items()]
    return "\n".join(lines)


def main(test):
    """Runs test(env) and turns a Failure into a clear message and status 1."""
    env = Env(sys.argv)
    try:
        test(env)
    except Failure as e:
        print(f"FAIL: {e}", file=sys.stderr)
        sys.exit(1)
    print(f"{os.path.basename(sys.argv[0])}: all checks passed")


if __name__ == "__main__":
    print(shell_definitions())
