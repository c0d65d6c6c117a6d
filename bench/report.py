"""Figures for the benchmark's output: medians and spreads, the phases of a trace, and the
sizes of the executables."""
import re
import statistics
import struct


def summary(values, unit="s", scale=1.0, digits=3):
    v = [x * scale for x in values]
    return (f"median {statistics.median(v):.{digits}f} {unit}  (min {min(v):.{digits}f}, "
            f"max {max(v):.{digits}f}, n={len(v)})")


TRACE_LINE = re.compile(r"^\[\s*([0-9.]+) ms\]\s+(\w+): (begin|end)\s*$")


def phases(text):
    """{phase: summed milliseconds} and the first begin and last end of a trace, whose lines
    read "[<ms since start> ms] <phase>: begin|end" (other lines are ignored)."""
    open_at = {}
    spans = {}
    first = last = None
    for line in text.splitlines():
        m = TRACE_LINE.match(line.strip())
        if not m:
            continue
        at, phase, what = float(m.group(1)), m.group(2), m.group(3)
        if what == "begin":
            open_at[phase] = at
            first = at if first is None else first
        elif phase in open_at:
            spans[phase] = spans.get(phase, 0.0) + at - open_at.pop(phase)
            last = at
    return spans, first, last


def pe_sections(data):
    """[(name, raw offset, raw size, virtual address, virtual size)] of a PE file."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count = struct.unpack_from("<H", data, pe + 6)[0]
    optional = struct.unpack_from("<H", data, pe + 20)[0]
    table = pe + 24 + optional
    out = []
    for i in range(count):
        name, vsize, va, rsize, roff = struct.unpack_from("<8sIIII", data, table + 40 * i)
        out.append((name.rstrip(b"\0").decode(), roff, rsize, va, vsize))
    return out


def image_end(data):
    """Where the PE image ends; anything after it is appended data (NSIS keeps its data there)."""
    return max(off + size for _n, off, size, _va, _vs in pe_sections(data))


def resource_size(data, type_name, resource_id):
    """The size of resource `type_name`/`resource_id` (any language), 0 when absent."""
    rsrc = [s for s in pe_sections(data) if s[0] == ".rsrc"]
    if not rsrc:
        return 0
    _n, roff, _rs, va, _vs = rsrc[0]

    def entries(offset):
        named, ids = struct.unpack_from("<HH", data, roff + offset + 12)
        for i in range(named + ids):
            yield struct.unpack_from("<II", data, roff + offset + 16 + 8 * i)

    def name_of(field):
        if field & 0x80000000:
            at = roff + (field & 0x7FFFFFFF)
            length = struct.unpack_from("<H", data, at)[0]
            return data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        return field

    for tname, tdir in entries(0):
        if name_of(tname) != type_name or not tdir & 0x80000000:
            continue
        for rname, rdir in entries(tdir & 0x7FFFFFFF):
            if name_of(rname) != resource_id:
                continue
            for _lang, leaf in entries(rdir & 0x7FFFFFFF):
                _rva, size = struct.unpack_from("<II", data, roff + leaf)
                return size
    return 0
