#!/usr/bin/env python3
"""What the build and the release need to know about a PE image, and the one change the build
makes to the images it ships.

Authenticode signing (osslsigncode) pads an image to a multiple of 8 bytes, appends the
signature and rewrites the header's checksum; removing the signature cuts the file at the
signature and rewrites the checksum again. Sign-then-remove gives back the very bytes that were
signed only when the image was already padded and its checksum already right, so every shipped
image is normalised that way right after it is linked:

    pe_image.py normalize FILE [--size N] [--page-resources]
                                            pad with zeros (to N bytes first, when given),
                                            to a multiple of 8, and write the right checksum;
                                            with --page-resources first move the resource
                                            section's bytes to a page boundary of the file

The setup carries its payload as a resource and reads it where the system mapped the image. A
section whose bytes start on a page boundary of the file can be mapped straight from the file;
Wine reads any other section into private memory, which for a big payload would cost as much
memory as the payload is big.
    pe_image.py check FILE...               exit 1 unless each image is normalised
    pe_image.py resource FILE TYPE ID       print a resource's file offset and size
    pe_image.py extract FILE TYPE ID OUT    write a resource's bytes to OUT
"""
import struct
import sys


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not a PE image (no MZ header)")
        self.pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[self.pe:self.pe + 4] != b"PE\0\0":
            raise ValueError("not a PE image (no PE signature)")
        self.sections_count = struct.unpack_from("<H", data, self.pe + 6)[0]
        self.timestamp = struct.unpack_from("<I", data, self.pe + 8)[0]
        optional_size = struct.unpack_from("<H", data, self.pe + 20)[0]
        self.optional = self.pe + 24
        magic = struct.unpack_from("<H", data, self.optional)[0]
        if magic not in (0x10B, 0x20B):
            raise ValueError("unknown optional header magic 0x%x" % magic)
        self.checksum_offset = self.optional + 64
        self.directories = self.optional + (112 if magic == 0x20B else 96)
        self.section_table = self.optional + optional_size

    def directory(self, index):
        """(rva or file offset, size) of a data directory entry."""
        return struct.unpack_from("<II", self.data, self.directories + 8 * index)

    def sections(self):
        for i in range(self.sections_count):
            name, vsize, va, rsize, roff = struct.unpack_from("<8sIIII", self.data, self.section_table + 40 * i)
            yield name.rstrip(b"\0").decode("ascii", "replace"), va, max(vsize, rsize), roff

    def file_offset(self, rva):
        for _name, va, size, roff in self.sections():
            if va <= rva < va + size:
                return roff + rva - va
        raise ValueError("rva 0x%x is in no section" % rva)

    def stored_checksum(self):
        return struct.unpack_from("<I", self.data, self.checksum_offset)[0]

    def computed_checksum(self):
        return checksum(self.data, self.checksum_offset)

    def resource(self, type_key, id_key):
        """(file offset, size) of the first language of resource TYPE/ID; a key is an int id
        or a name."""
        rva, size = self.directory(2)
        if size == 0:
            raise KeyError("no resources")
        root = self.file_offset(rva)

        def find(table, key):
            named, ids = struct.unpack_from("<HH", self.data, root + table + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, root + table + 16 + 8 * i)
                if name & 0x80000000:
                    at = root + (name & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    matches = isinstance(key, str) and \
                        self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le") == key
                else:
                    matches = isinstance(key, int) and name == key
                if matches:
                    return target
            raise KeyError("resource %r not found" % (key,))

        names = find(0, type_key) & 0x7FFFFFFF
        languages = find(names, id_key) & 0x7FFFFFFF
        _lang, leaf = struct.unpack_from("<II", self.data, root + languages + 16)
        data_rva, data_size = struct.unpack_from("<II", self.data, root + leaf)
        return self.file_offset(data_rva), data_size


def checksum(data, checksum_offset):
    """The PE checksum: a 16-bit folded sum of the image's 32-bit words, the checksum field
    left out, plus the file's length."""
    padded = bytes(data) + b"\0" * (-len(data) % 4)
    words = struct.unpack("<%dI" % (len(padded) // 4), padded)
    total = sum(words) - words[checksum_offset // 4]
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


PAGE = 4096


def page_align_resources(data):
    """Zeros before the resource section's bytes, so that they start on a page boundary; the
    sections after it move along (their file offsets only: nothing in memory changes)."""
    image = Image(data)
    offsets = {name: (index, roff) for index, (name, _va, _size, roff) in enumerate(image.sections())}
    if ".rsrc" not in offsets or offsets[".rsrc"][1] % PAGE == 0:
        return data
    start = offsets[".rsrc"][1]
    pad = -start % PAGE
    for index, (_name, _va, _size, roff) in enumerate(image.sections()):
        if roff >= start:
            struct.pack_into("<I", data, image.section_table + 40 * index + 20, roff + pad)
    return data[:start] + b"\0" * pad + data[start:]


def normalize(path, size=None, page_resources=False):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    if page_resources:
        data = bytearray(page_align_resources(data))
    if size is not None:
        if len(data) > size:
            raise SystemExit("pe_image: %s has %d bytes, more than the %d it must have" % (path, len(data), size))
        data += b"\0" * (size - len(data))
    if Image(data).directory(4)[1]:
        raise SystemExit("pe_image: %s is signed; normalise it before signing" % path)
    data += b"\0" * (-len(data) % 8)
    image = Image(data)
    struct.pack_into("<I", data, image.checksum_offset, image.computed_checksum())
    with open(path, "wb") as f:
        f.write(data)


def problems(path):
    with open(path, "rb") as f:
        image = Image(f.read())
    found = []
    if len(image.data) % 8:
        found.append("size %d is no multiple of 8" % len(image.data))
    if image.stored_checksum() != image.computed_checksum():
        found.append("checksum 0x%08x, not 0x%08x" % (image.stored_checksum(), image.computed_checksum()))
    return found


def resource_key(text):
    return int(text) if text.isdigit() else text


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "normalize" and len(argv) >= 3:
        options = argv[3:]
        page_resources = "--page-resources" in options
        if page_resources:
            options.remove("--page-resources")
        if not options or (len(options) == 2 and options[0] == "--size"):
            normalize(argv[2], int(options[1]) if options else None, page_resources)
            return 0
    if command == "check" and len(argv) > 2:
        bad = 0
        for path in argv[2:]:
            for problem in problems(path):
                print("pe_image: %s: %s" % (path, problem), file=sys.stderr)
                bad += 1
        return 1 if bad else 0
    if command in ("resource", "extract") and len(argv) == (5 if command == "resource" else 6):
        with open(argv[2], "rb") as f:
            image = Image(f.read())
        offset, size = image.resource(resource_key(argv[3]), resource_key(argv[4]))
        if command == "resource":
            print(offset, size)
        else:
            with open(argv[5], "wb") as f:
                f.write(image.data[offset:offset + size])
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
