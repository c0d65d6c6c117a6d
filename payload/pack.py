#!/usr/bin/env python3
"""Packs the viewer's files into the ZIP the setup carries, byte for byte the same from every
build of a commit, whoever builds it where and when.

    pack.py OUTPUT --files DIR --files-time "YYYY-MM-DD hh:mm:ss" --built-time-file STAMP
            --built NAME=FILE...

DIR's files (the static ones) carry the fixed FILES-TIME; the built files, each stored as NAME,
carry the build's source time (seconds since 1970 in STAMP, the commit's time), in UTC. The
setup gives installed files their entry's DOS time, so these are the times users see.

What would otherwise differ between builders is fixed here: entries in name order (byte order,
depth first), each folder's entry before its contents; no owner ids, no extra fields; Unix
permissions 0644 for files, 0755 for programs and folders, whatever the umask; deflate at level 9.
The deflate bytes are zlib's, so builders of one commit need the same zlib (Debian 12: 1.2.13).
"""
import argparse
import os
import sys
import time
import zipfile


def dos_time(epoch):
    # DOS times start in 1980 and count in two-second steps; the ZIP writer drops the odd second.
    return max(time.gmtime(epoch)[:6], (1980, 1, 1, 0, 0, 0))


def entry(name, when, mode, is_folder):
    info = zipfile.ZipInfo(name, when)
    info.create_system = 3  # Unix, so that the permissions below mean what they say
    info.external_attr = (mode << 16) | (0x10 if is_folder else 0)  # 0x10: the DOS folder bit
    info.compress_type = zipfile.ZIP_STORED if is_folder else zipfile.ZIP_DEFLATED
    return info


def collect(files_dir, built):
    """{archive name: (path or None for a folder, is built)} for every entry and folder."""
    items = {}
    for folder, dirs, names in os.walk(files_dir):
        relative = os.path.relpath(folder, files_dir)
        prefix = "" if relative == "." else relative.replace(os.sep, "/") + "/"
        if prefix:
            items[prefix] = (None, False)
        for name in names:
            items[prefix + name] = (os.path.join(folder, name), False)
    for name, path in built.items():
        parts = name.split("/")
        for depth in range(1, len(parts)):
            items.setdefault("/".join(parts[:depth]) + "/", (None, False))
        if name in items:
            raise SystemExit("pack: %s is both a static and a built file" % name)
        items[name] = (path, True)
    return items


def order(names):
    # Depth first in byte order: a folder's entry, then everything below it.
    return sorted(names, key=lambda n: [part.encode("utf-8") for part in n.rstrip("/").split("/")])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("output")
    parser.add_argument("--files", required=True)
    parser.add_argument("--files-time", required=True)
    parser.add_argument("--built-time-file", required=True)
    parser.add_argument("--built", nargs="+", default=[], metavar="NAME=FILE")
    args = parser.parse_args()

    files_time = time.strptime(args.files_time, "%Y-%m-%d %H:%M:%S")[:6]
    with open(args.built_time_file) as f:
        built_time = dos_time(int(f.read().strip()))
    built = dict(item.split("=", 1) for item in args.built)

    items = collect(args.files, built)
    partial = args.output + ".part"
    with zipfile.ZipFile(partial, "w", compresslevel=9) as archive:
        for name in order(items):
            path, is_built = items[name]
            if path is None:
                archive.writestr(entry(name, files_time, 0o40755, True), b"")
                continue
            with open(path, "rb") as f:
                data = f.read()
            executable = name.lower().endswith((".exe", ".dll"))
            info = entry(name, built_time if is_built else files_time,
                         0o100755 if executable else 0o100644, False)
            archive.writestr(info, data)
    os.replace(partial, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
