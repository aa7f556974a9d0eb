#!/usr/bin/env python3
"""Draws the analog clock's dial, assets/Images/Analog_clock.jpg.

The face is 96 x 96 pixels with its centre on pixel (48, 48), where the
program pivots the hands. Outside the circle the window is cut away, so
only the round face shows. Run it again after changing the design and
commit the picture it writes:

    python3 tools/make_analog_dial.py [output.jpg]

Needs ImageMagick's `convert` and the DejaVu fonts.
"""

import math
import os
import subprocess
import sys

SIZE = 96
CX = CY = 48
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

BEZEL = "#34495e"       # slate ring
BEZEL_LIGHT = "#5d738a"
FACE = "#fbf7ea"        # ivory
TICK = "#46505c"
HOUR_TICK = "#2b333d"
NUMERAL = "#2b333d"


def polar(r, minute):
    """Point at radius r for a minute mark (0 = twelve o'clock)."""
    a = math.radians(minute * 6.0)
    return CX + r * math.sin(a), CY - r * math.cos(a)


def mvg():
    out = [f"viewbox 0 0 {SIZE} {SIZE}", "stroke-antialias 1", "text-antialias 1"]
    # Bezel and face.
    out.append(f"fill {BEZEL} stroke {BEZEL_LIGHT} stroke-width 1 circle {CX},{CY} {CX},{CY - 47.5}")
    out.append(f"fill {FACE} stroke none circle {CX},{CY} {CX},{CY - 44}")
    # Minute marks and heavier hour marks.
    for m in range(60):
        if m % 5 == 0:
            inner, width, colour = (35.5 if m % 15 == 0 else 37.5), 2.2, HOUR_TICK
        else:
            inner, width, colour = 41.0, 0.9, TICK
        x1, y1 = polar(inner, m)
        x2, y2 = polar(43.5, m)
        out.append(f"stroke {colour} stroke-width {width} stroke-linecap butt "
                   f"line {x1:.2f},{y1:.2f} {x2:.2f},{y2:.2f}")
    # Numerals at the quarters, between the hour marks and the centre.
    out.append(f"stroke none fill {NUMERAL} font '{FONT}' font-size 11 gravity center")
    for label, m, r in (("12", 0, 28.5), ("3", 15, 28.0), ("6", 30, 28.0), ("9", 45, 28.0)):
        x, y = polar(r, m)
        # With gravity center, text offsets are taken from the picture's centre.
        out.append(f"text {x - SIZE / 2:.1f},{y - SIZE / 2 + 0.5:.1f} '{label}'")
    out.append("gravity northwest")
    # The pivot the hands turn on.
    out.append(f"fill {HOUR_TICK} stroke none circle {CX},{CY} {CX},{CY - 3}")
    return "\n".join(out) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets", "Images", "Analog_clock.jpg")
    # The drawing goes on the command line: the usual ImageMagick policy
    # forbids reading it from a file.
    subprocess.run(["convert", "-size", f"{SIZE}x{SIZE}", f"xc:{BEZEL}", "-draw", mvg(),
                    "-strip", "-sampling-factor", "1x1", "-quality", "95", target], check=True)
    print(os.path.normpath(target))


if __name__ == "__main__":
    main()
