"""tools/nest-report on a finished run: a sheet too small for one part. The
pictures come out at their set width, the SVG at the PNG's size with the part
names as text, and the summary names the part left off."""

import os
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

import nest_e2e as t
from early_end import block
from nest_e2e import check

# The slab is larger than the sheet either way round; the blocks fit.
PARTS = ("SheetLength: 100\nSheetWidth: 50\nPartDistance: 0\n"
         + block("slab", 1, 160, 60) + block("block", 2, 30, 20))


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    check(head[:8] == b"\x89PNG\r\n\x1a\n" and head[12:16] == b"IHDR", f"{path} is not a PNG")
    return struct.unpack(">II", head[16:24])


def report(env, folder):
    return subprocess.run([sys.executable, os.path.join(env.src, "tools", "nest-report"), folder],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=300)


def test(env):
    d = env.rundir("left_off", PARTS)
    t.expect_status(t.run(env, d, "parts.txt 4 5 0 2\n"), 0, "the run")
    r = report(env, d)
    check(r.returncode == 0, f"nest-report failed:\n{r.stdout}{r.stderr}")
    lines = r.stdout.splitlines()
    check("Instance    parts.txt, sheet 100 x 50, 3 parts" in lines, f"no instance line:\n{r.stdout}")
    check("Left off    1 part: slab x1" in lines, f"the slab is not named as left off:\n{r.stdout}")

    check(png_size(os.path.join(d, "Search.png")) == (1200, 800), "Search.png is not 1200 x 800")
    width, height = png_size(os.path.join(d, "Layout.png"))
    check(width == 1200 and 400 < height < 1600, f"Layout.png is {width} x {height}")
    svg = ET.parse(os.path.join(d, "Layout.svg")).getroot()
    check(svg.get("width") == "864pt" and abs(float(svg.get("height")[:-2]) - height * 0.72) < 0.01,
          f"Layout.svg is {svg.get('width')} x {svg.get('height')}, Layout.png {width} x {height}")
    texts = {"".join(e.itertext()).strip() for e in svg.iter("{http://www.w3.org/2000/svg}text")}
    check({"slab", "block"} <= texts, f"the SVG does not name every part: {texts}")

    empty = env.rundir("empty")
    r = report(env, empty)
    check(r.returncode == 2 and "Log.txt is missing" in r.stderr, f"an empty folder: {r.returncode} {r.stderr}")


if __name__ == "__main__":
    t.main(test)
