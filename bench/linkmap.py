#!/usr/bin/env python3
"""Where the bytes of a MinGW executable come from: sums a GNU ld link map's input sections
by the archive (or object) that contributed them, and by output section.

    linkmap.py MAP [--objects] [--top N]
"""
import argparse
import collections
import os
import re
import sys

# An input section line: " .text  0xADDR  0xSIZE  file", the name alone on its line when long.
SECTION = re.compile(r"^ (\.\S+|COMMON)\s*$|^ (\.\S+|COMMON)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.+)$")
CONTINUED = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.+)$")
OUTPUT = re.compile(r"^(\.\S+)\s+0x[0-9a-f]+\s+0x[0-9a-f]+")
MEMBER = re.compile(r"^(.*?)\(([^()]*)\)$")


def contributions(lines):
    """Yields (output section, input file, size) for every input section of the map."""
    output = None
    pending = None
    started = False
    for line in lines:
        if not started:
            started = line.startswith("Linker script and memory map")
            continue
        if line.startswith("/DISCARD/"):
            break
        m = OUTPUT.match(line)
        if m:
            output = m.group(1)
            continue
        if pending:
            c = CONTINUED.match(line)
            pending_name, pending = pending, None
            if c and output:
                yield output, c.group(3).strip(), int(c.group(2), 16)
            continue
        m = SECTION.match(line)
        if not m or not output:
            continue
        if m.group(1):
            pending = m.group(1)
        elif int(m.group(3), 16) != 0:
            yield output, m.group(5).strip(), int(m.group(4), 16)


def owner(path, objects):
    m = MEMBER.match(path)
    archive, member = (m.group(1), m.group(2)) if m else (path, None)
    name = os.path.basename(archive)
    return f"{name}({member})" if objects and member else name


def contributors(map_path, objects=False):
    """[(name, {output section: bytes})], the largest first."""
    with open(map_path, encoding="utf-8", errors="replace") as f:
        rows = list(contributions(f))
    by_owner = collections.defaultdict(collections.Counter)
    for section, path, size in rows:
        by_owner[owner(path, objects)][section] += size
    return sorted(by_owner.items(), key=lambda kv: -sum(kv[1].values()))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("map")
    ap.add_argument("--objects", action="store_true", help="split archives by member")
    ap.add_argument("--top", type=int, default=25)
    args = ap.parse_args()
    totals = contributors(args.map, args.objects)
    sections = [".text", ".rdata", ".data", ".pdata", ".xdata", ".bss"]
    print(f"{'bytes':>9} " + " ".join(f"{s:>8}" for s in sections) + "  contributor")
    for name, counts in totals[: args.top]:
        print(f"{sum(counts.values()):>9} " + " ".join(f"{counts[s]:>8}" for s in sections) + f"  {name}")
    print(f"{sum(sum(c.values()) for _n, c in totals):>9}  all input sections")
    return 0


if __name__ == "__main__":
    sys.exit(main())
