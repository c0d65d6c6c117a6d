"""What an installation left behind: the files under C: (size, time, content) and the registry
as the Wine server saved it, each as a difference against the base state, plus a check of the
registry against the values the setup's own write list names."""
import hashlib
import os
import re

import shell_link

# Wine's own bookkeeping, which any process may touch.
IGNORED_FILES = re.compile(r"^(windows/|users/[^/]+/(Temp|AppData/Local/Temp)/)", re.IGNORECASE)
IGNORED_KEYS = re.compile(r"^system\\currentcontrolset\\control\\class\\")  # display driver dates


def files(drive_c):
    state = {}
    for root, _dirs, names in os.walk(drive_c):
        for name in names:
            path = os.path.join(root, name)
            relative = os.path.relpath(path, drive_c)
            if IGNORED_FILES.match(relative) or os.path.islink(path):
                continue
            info = os.stat(path)
            with open(path, "rb") as f:
                data = f.read()
            if relative.lower().endswith(".lnk"):  # what the link says, not how it is stored
                state[relative] = (None, info.st_mtime_ns, repr(sorted(shell_link.fields(data).items())))
            else:
                state[relative] = (info.st_size, info.st_mtime_ns, hashlib.sha256(data).hexdigest()[:16])
    return state


KEY = re.compile(r"^\[(.*)\](?: \d+)?$")
VALUE = re.compile(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$')


def parse_reg(path):
    """{lower-case key: {lower-case value name: raw data}} of a Wine registry file."""
    keys = {}
    current = None
    pending = ""
    with open(path, encoding="utf-8", errors="replace") as f:
        for raw in f:
            line = pending + raw.rstrip("\n")
            if line.endswith("\\") and current is not None and not KEY.match(line):
                pending = line[:-1]
                continue
            pending = ""
            m = KEY.match(line)
            if m:
                current = keys.setdefault(m.group(1).replace("\\\\", "\\").lower(), {})
                continue
            m = VALUE.match(line)
            if m and current is not None:
                name = "" if m.group(1) == "@" else unescape(m.group(1)[1:-1])
                current[name.lower()] = m.group(2)
    return keys


def unescape(text):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        n = text[i + 1] if i + 1 < len(text) else ""
        if n == "x":
            m = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2:])
            out.append(chr(int(m.group(0), 16)))
            i += 2 + len(m.group(0))
            continue
        out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(n, n))
        i += 2
    return "".join(out)


def registry(prefix):
    return {"HKLM": parse_reg(os.path.join(prefix, "system.reg")),
            "HKCU": parse_reg(os.path.join(prefix, "user.reg"))}


def capture(prefix):
    """The state of a prefix whose server has been stopped (so its registry files are current)."""
    return {"files": files(os.path.join(prefix, "drive_c")), "registry": registry(prefix)}


def difference(base, after):
    """{item: (before, after)} for everything that differs; None where an item is missing."""
    changed = {}
    for path in set(base["files"]) | set(after["files"]):
        a, b = base["files"].get(path), after["files"].get(path)
        if a != b:
            changed["file " + path] = (a, b)
    for hive in after["registry"]:
        old, new = base["registry"][hive], after["registry"][hive]
        for key in set(old) | set(new):
            if IGNORED_KEYS.match(key):
                continue
            a, b = old.get(key), new.get(key)
            if a == b:
                continue
            if a is None or b is None:
                changed[f"key {hive}\\{key}"] = (a is not None, b is not None)
            for name in set(a or {}) | set(b or {}):
                va, vb = (a or {}).get(name), (b or {}).get(name)
                if va != vb:
                    changed[f"value {hive}\\{key}\\{name or '@'}"] = (va, vb)
    return changed


def comparable(diff, since_ns):
    """A difference with the times of files made during the benchmark (links, settings files)
    reduced to "made now": only files that carry a time of their own (the payload's) keep it."""
    out = {}
    for item, (before, after) in diff.items():
        if item.startswith("file ") and after is not None and after[1] >= since_ns:
            after = (after[0], "made now", after[2])
        out[item] = (before, after)
    return out


def registry_value(state, root, key, name):
    """The values of a key ({} for a key that only has subkeys, None when it does not exist)
    and the raw data of one of them."""
    hive, key = ("HKLM", "software\\classes\\" + key) if root == "HKCR" else (root, key)
    keys = state["registry"][hive]
    values = keys.get(key.lower())
    if values is None and any(k.startswith(key.lower() + "\\") for k in keys):
        values = {}  # saved files list a key without values only through its subkeys
    return values, (values or {}).get(name.lower())


def check_expected(state, expected_tsv):
    """The lines of the setup's write list that the state does not show."""
    last = {}  # a later write of the same value decides
    with open(expected_tsv, encoding="utf-8") as f:
        for line in f:
            root, key, kind, name, data = line.rstrip("\n").split("\t")
            subject = name.lower() if kind in ("sz", "dword") else "<key>"
            last[(root, key.lower(), subject)] = (root, key, kind, name, data)
    missing = []
    for root, key, kind, name, data in last.values():
        values, raw = registry_value(state, root, key, name)
        if kind == "absent":
            ok = values is None
        elif kind == "key":
            ok = values is not None
        elif kind == "dword":
            ok = raw == "dword:%08x" % int(data)
        else:
            ok = raw is not None and raw.startswith('"') and unescape(raw[1:-1]) == data
        if not ok:
            missing.append(f"{root}\\{key} {kind} {name or '@'}={data}")
    return missing
