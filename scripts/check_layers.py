#!/usr/bin/env python3
"""Fails when a source file breaks the layering of src/ (docs/architecture.md).

  - a file includes a header of a layer above its own, or of another window
    area (tasks, planning, contacts, clock, settings, notes, timesync, help, find);
  - sqlite3.h is included outside src/core/data/sql/;
  - SQL text appears in a string outside src/data/ and src/core/data/sql/.

Known exceptions, each waiting for its own change, are listed in
scripts/layer_exceptions.txt as "<file> -> <included header>". An exception
that no longer occurs is reported so that the list only shrinks.

usage: check_layers.py <source root> [stamp file to touch on success]
"""
import pathlib
import re
import sys

AREAS = {"tasks", "planning", "contacts", "clock", "settings", "notes", "timesync", "help", "find"}
# What each folder of src/ may include besides itself.
BELOW = {
    "core": set(),
    "base": {"core"},
    "data": {"core", "base"},
    "platform": {"core", "base"},
    "ui": {"core", "base", "data", "platform"},
    "app": {"core", "base", "data", "platform", "ui"} | AREAS,
    # The sync helper's own program; nothing of the clock includes it.
    "sync": {"core", "base", "data"},
}
for area in AREAS:
    BELOW[area] = {"core", "base", "data", "platform", "ui"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
STRING = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
SQL = re.compile(r"\b(SELECT\s+[\w*(]|INSERT\s+INTO\b|UPDATE\s+\w+(\s+SET\b|$)|DELETE(\s+FROM\b|$)|"
                 r"CREATE\s+(TABLE|INDEX|VIEW)\b|DROP\s+(TABLE|INDEX)\b|ALTER\s+TABLE\b|\bBEGIN$|\bCOMMIT$|"
                 r"\bROLLBACK$)")


def folder_of(rel):
    parts = rel.parts
    return parts[1] if len(parts) > 2 and parts[0] == "src" else None


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    exceptions = {}
    listing = root / "scripts" / "layer_exceptions.txt"
    if listing.exists():
        for line in listing.read_text(encoding="utf-8").splitlines():
            line = line.split("#", 1)[0].strip()
            if line:
                exceptions[line] = False
    faults = []
    for path in sorted((root / "src").rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        rel = path.relative_to(root)
        own = folder_of(rel)
        text = path.read_text(encoding="utf-8", errors="replace")
        sql_dir = rel.as_posix().startswith(("src/data/", "src/core/data/sql/"))
        for m in INCLUDE.finditer(text):
            header = m.group(2)
            if header == "sqlite3.h" and not rel.as_posix().startswith("src/core/data/sql/"):
                key = f"{rel.as_posix()} -> {header}"
                if key in exceptions:
                    exceptions[key] = True
                else:
                    faults.append(f"{rel}: includes sqlite3.h outside src/core/data/sql/")
            if m.group(1) != '"' or "/" not in header:
                continue
            target = header.split("/", 1)[0]
            if target not in BELOW or own not in BELOW or target == own or target in BELOW[own]:
                continue
            key = f"{rel.as_posix()} -> {header}"
            if key in exceptions:
                exceptions[key] = True
                continue
            kind = "another window area" if own in AREAS and target in AREAS else "a layer above"
            faults.append(f"{rel}: includes {header} ({kind}: {own} may include {sorted(BELOW[own] | {own})})")
        if not sql_dir:
            for lineno, line in enumerate(text.splitlines(), 1):
                if line.lstrip().startswith("//"):
                    continue
                for s in STRING.finditer(line):
                    if SQL.search(s.group(1).strip()):
                        faults.append(f"{rel}:{lineno}: SQL text outside src/data/ and src/core/data/sql/: "
                                      f"\"{s.group(1)[:60]}\"")
    for key, used in exceptions.items():
        if not used:
            faults.append(f"scripts/layer_exceptions.txt: '{key}' no longer occurs; remove it")
    if faults:
        print("Layer check failed (docs/architecture.md):", file=sys.stderr)
        for f in faults:
            print("  " + f, file=sys.stderr)
        return 1
    if len(sys.argv) > 2:
        pathlib.Path(sys.argv[2]).touch()
    return 0


if __name__ == "__main__":
    sys.exit(main())
