#!/usr/bin/env python3
"""Draws the program's icon, assets/icons/ostrel-organizer-<size>.png and the
scalable assets/icons/ostrel-organizer.svg.

A round clock face in the clock's green with a dark ring and two hands at
ten past ten, drawn large and scaled down to each size the desktop asks for.
Run it again after changing the design and commit the pictures it writes:

    python3 tools/make_app_icon.py [output-folder]

Needs ImageMagick's `convert`.
"""

import math
import os
import subprocess
import sys

BIG = 256
C = BIG / 2
RING = "#2f6b3a"
FACE = "#bafcbf"
HANDS = "#1d3a24"
TICKS = "#2f6b3a"
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def polar(r, minute):
    a = math.radians(minute * 6.0)
    return C + r * math.sin(a), C - r * math.cos(a)


def mvg():
    out = [f"viewbox 0 0 {BIG} {BIG}", "stroke-antialias 1"]
    out.append(f"fill {RING} stroke none circle {C},{C} {C},{C - 124}")
    out.append(f"fill {FACE} stroke none circle {C},{C} {C},{C - 104}")
    for m in range(0, 60, 5):
        x1, y1 = polar(80 if m % 15 == 0 else 88, m)
        x2, y2 = polar(100, m)
        w = 14 if m % 15 == 0 else 8
        out.append(f"stroke {TICKS} stroke-width {w} stroke-linecap round line {x1:.1f},{y1:.1f} {x2:.1f},{y2:.1f}")
    hx, hy = polar(56, 50)                        # hour hand at ten
    mx, my = polar(86, 10)                        # minute hand at two
    out.append(f"stroke {HANDS} stroke-width 20 stroke-linecap round line {C},{C} {hx:.1f},{hy:.1f}")
    out.append(f"stroke {HANDS} stroke-width 14 stroke-linecap round line {C},{C} {mx:.1f},{my:.1f}")
    out.append(f"fill {HANDS} stroke none circle {C},{C} {C},{C - 16}")
    return "\n".join(out) + "\n"


def svg():
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{BIG}" height="{BIG}" viewBox="0 0 {BIG} {BIG}">',
           f'  <circle cx="{C:g}" cy="{C:g}" r="124" fill="{RING}"/>',
           f'  <circle cx="{C:g}" cy="{C:g}" r="104" fill="{FACE}"/>']
    for m in range(0, 60, 5):
        x1, y1 = polar(80 if m % 15 == 0 else 88, m)
        x2, y2 = polar(100, m)
        w = 14 if m % 15 == 0 else 8
        out.append(f'  <line x1="{x1:.1f}" y1="{y1:.1f}" x2="{x2:.1f}" y2="{y2:.1f}" stroke="{TICKS}" '
                   f'stroke-width="{w}" stroke-linecap="round"/>')
    hx, hy = polar(56, 50)
    mx, my = polar(86, 10)
    out.append(f'  <line x1="{C:g}" y1="{C:g}" x2="{hx:.1f}" y2="{hy:.1f}" stroke="{HANDS}" stroke-width="20" '
               'stroke-linecap="round"/>')
    out.append(f'  <line x1="{C:g}" y1="{C:g}" x2="{mx:.1f}" y2="{my:.1f}" stroke="{HANDS}" stroke-width="14" '
               'stroke-linecap="round"/>')
    out.append(f'  <circle cx="{C:g}" cy="{C:g}" r="16" fill="{HANDS}"/>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets", "icons")
    os.makedirs(folder, exist_ok=True)
    for size in SIZES:
        target = os.path.join(folder, f"ostrel-organizer-{size}.png")
        subprocess.run(["convert", "-size", f"{BIG}x{BIG}", "xc:none", "-draw", mvg(), "-resize",
                        f"{size}x{size}", "-strip", target], check=True)
        print(os.path.normpath(target))
    target = os.path.join(folder, "ostrel-organizer.svg")
    with open(target, "w", encoding="ascii") as f:
        f.write(svg())
    print(os.path.normpath(target))


if __name__ == "__main__":
    main()
