"""A big payload for the benchmark: the product's own archive plus synthetic plugins, language
files, help and images, N MiB of files in all, the same bytes on every run.

What a real release adds to the product's few files, and what makes an installer slow on it,
is volume of three kinds of data that deflate treats very differently:

- program-like data (plugins, helper programs, language libraries): short byte sequences that
  recur with varying operands, as compiled code does; deflate leaves about 40-45 % of it, as it
  does of the product's own programs;
- text (language files, help pages, read-me files, settings): German-like words in Windows-1252
  with CR LF line ends; deflate leaves about 35-40 %;
- already-compressed data (PNG and JPEG images, compiled help): incompressible bytes behind
  the format's header; deflate cannot shrink it.

Sizes are drawn from log-normal distributions (many small files, a few large ones), counts
and bytes scale with N: about 745 files at 150 MiB. Every file's bytes come from its own
random generator, seeded from the fixed seed and the file's number, so a file does not depend
on the others. Run as a script to write an archive: synthetic_payload.py PRODUCT.zip OUT.zip MiB
"""
import hashlib
import itertools
import json
import os
import random
import sys
import zipfile

SEED = 1974
MIB = 1 << 20
FILES_PER_150_MIB = 745
# The engine's limit for one entry is 256 MiB; a real release has no file near it.
MAX_FILE_BYTES = 64 * MIB
# (share of the synthetic bytes, share of the synthetic files, sigma of the log-normal sizes)
KINDS = {
    "code": (0.50, 0.22, 1.4),
    "text": (0.12, 0.48, 1.3),
    "image": (0.38, 0.30, 1.1),
}
ENTRY_TIME = (2024, 10, 11, 11, 16, 52)  # the product archive's entry time


def _zipf_weights(n, s):
    return list(itertools.accumulate(1.0 / (k + 1) ** s for k in range(n)))


class CodeModel:
    """Compiled code as deflate sees it: a skewed set of instruction-like byte strings, some
    with an operand, grouped into basic blocks that recur with Zipf frequencies; a call with a
    fresh 32-bit displacement after each block."""

    def __init__(self, rng, instructions=1500, blocks=4096):
        order = list(range(256))
        rng.shuffle(order)
        byte_weights = _zipf_weights(256, 1.0)

        def skewed(n):
            return bytes(order[i] for i in rng.choices(range(256), cum_weights=byte_weights, k=n))

        vocabulary = []
        for _ in range(instructions):
            kind = rng.random()
            vocabulary.append((skewed(rng.choice((1, 1, 2, 2, 2, 3, 3, 4))), 0 if kind < 0.45 else 1 if kind < 0.8 else 4))
        weights = _zipf_weights(instructions, 1.1)
        self.blocks = []
        for _ in range(blocks):
            parts = []
            for op, operand in rng.choices(vocabulary, cum_weights=weights, k=rng.randint(2, 14)):
                parts.append(op)
                if operand == 1:
                    parts.append(bytes([rng.randrange(0x80)]))
                elif operand == 4:
                    parts.append(bytes([rng.randrange(256), rng.randrange(256), 0, 0]) if rng.random() < 0.6
                                 else rng.randbytes(4))
            self.blocks.append(b"".join(parts))
        self.weights = _zipf_weights(blocks, 0.95)

    def make(self, rng, size):
        out = [b"MZ\x90\0\3\0\0\0\4\0\0\0\xff\xff\0\0" + bytes(1008)]  # header and its padding
        n = len(out[0])
        while n < size:
            chosen = rng.choices(self.blocks, cum_weights=self.weights, k=2048)
            displacements = rng.randbytes(4 * len(chosen))
            for i, block in enumerate(chosen):
                out.append(block)
                out.append(b"\xe8" + displacements[4 * i:4 * i + 4])
                n += len(block) + 5
        return b"".join(out)[:size]


SYLLABLES = ("ein der die das und ung keit lich bil an zei gen stel lun ver wal tung bei spiel da tei for "
             "mat far be hel lig kon trast aus wahl fen ster me nü op tio nen dru cken spei chern öff "
             "schlie ßen grö ße sicht vor schau mi nia tur pro gramm zeich nis hil fe spra che ü ber set "
             "zung feh ler mel dung nut zer trag schalt flä che").split()


class TextModel:
    """German-like text: words made of German syllables, with Zipf frequencies, punctuation and
    CR LF line ends among them."""

    def __init__(self, rng, words=20000):
        vocabulary = set()
        while len(vocabulary) < words:
            word = "".join(rng.choices(SYLLABLES, k=rng.choice((1, 1, 2, 2, 2, 3, 3, 4))))
            vocabulary.add(word.capitalize() if rng.random() < 0.3 else word)
        vocabulary = sorted(vocabulary)
        rng.shuffle(vocabulary)
        self.words = [".", ",", "\r\n", "die", "der", "und", "Sie", "ist", "mit", "zu", "den", "Bild", "Datei",
                      *vocabulary]
        self.weights = _zipf_weights(len(self.words), 0.9)

    def make(self, rng, size):
        out = []
        n = 0
        while n < size:
            chunk = " ".join(rng.choices(self.words, cum_weights=self.weights, k=4096)).encode("cp1252")
            out.append(chunk)
            n += len(chunk) + 1
        return b" ".join(out)[:size]


IMAGE_HEADERS = {
    ".png": b"\x89PNG\r\n\x1a\n\0\0\0\rIHDR",
    ".jpg": b"\xff\xd8\xff\xe0\0\x10JFIF\0\1\1\0\0\1\0\1\0\0",
    ".chm": b"ITSF\3\0\0\0`\0\0\0\1\0\0\0",
}


def make_image(rng, size, extension):
    header = IMAGE_HEADERS[extension]
    return (header + rng.randbytes(max(0, size - len(header))))[:size]


def _sizes(rng, count, total, sigma):
    """`count` sizes from a log-normal distribution that add up to exactly `total` bytes, none
    above the limit."""
    if count <= 0:
        return []
    raw = [rng.lognormvariate(0.0, sigma) for _ in range(count)]
    cap = max(MAX_FILE_BYTES, -(-total // count))
    sizes = [0] * count
    free = list(range(count))
    left = total
    while free:  # scale what is not capped; cap what would exceed the limit; repeat
        scale = left / sum(raw[i] for i in free)
        over = [i for i in free if raw[i] * scale > cap]
        if not over:
            for i in free:
                sizes[i] = max(1, int(raw[i] * scale))
            break
        for i in over:
            sizes[i] = cap
            left -= cap
        free = [i for i in free if i not in over]
    sizes[max(range(count), key=sizes.__getitem__)] += total - sum(sizes)
    return sizes


class Names:
    """Unique names as Windows sees them (case-insensitive), from German-like syllables."""

    def __init__(self, rng, taken):
        self.rng = rng
        self.taken = {name.lower() for name in taken}

    def word(self, syllables=(2, 3)):
        return "".join(self.rng.choices(SYLLABLES, k=self.rng.choice(syllables))).replace("ü", "ue").replace(
            "ö", "oe").replace("ä", "ae").replace("ß", "ss").capitalize()

    def unique(self, make):
        while True:
            name = make()
            if name.lower() not in self.taken:
                self.taken.add(name.lower())
                return name


LANGUAGES = ["Deutsch", "English", "Francais", "Espanol", "Italiano", "Nederlands", "Polski", "Cesky",
             "Magyar", "Svenska", "Dansk", "Norsk", "Suomi", "Portugues", "Turkce", "Russian",
             "Japanese", "Chinese", "Korean", "Greek", "Slovenski", "Hrvatski", "Romana", "Catala"]


def plan(product_names, megabytes, product_bytes, seed=SEED):
    """[(path, kind, extension, size)] of the synthetic files, in archive order."""
    rng = random.Random(f"{seed}:plan")
    total = max(0, megabytes * MIB - product_bytes)
    product_files = sum(1 for name in product_names if not name.endswith("/"))
    count = max(0, round(FILES_PER_150_MIB * megabytes / 150) - product_files) if total else 0
    names = Names(rng, [n.rstrip("/") for n in product_names])
    plugins = [names.unique(names.word) for _ in range(max(1, count // 12))]
    skins = [names.unique(names.word) for _ in range(max(1, count // 60))]
    languages = LANGUAGES[:max(1, min(len(LANGUAGES), count // 25))]
    files = []
    counts = {kind: round(count * share) for kind, (_b, share, _s) in KINDS.items()}
    counts["image"] = count - counts["code"] - counts["text"]
    for kind, (byte_share, _count_share, sigma) in KINDS.items():
        budget = total - sum(f[3] for f in files) if kind == "image" else round(total * byte_share)
        for size in _sizes(rng, counts[kind], budget, sigma):
            files.append(_place(rng, names, kind, plugins, skins, languages) + (size,))
    files.sort(key=lambda f: f[0].lower())
    return files


def _place(rng, names, kind, plugins, skins, languages):
    plugin = "Plugins/" + rng.choice(plugins) + "/"
    if kind == "code":
        folder, ext = rng.choice(((plugin, ".dll"), (plugin, ".dll"), (plugin, ".dll"), (plugin, ".exe"),
                                  ("Languages/", ".dll")))
    elif kind == "text":
        language = rng.choice(languages)
        folder, ext = rng.choice(((f"Languages/{language}/", ".lng"), (f"Help/{language}/", ".htm"),
                                  (f"Html/{language}/", ".htm"), (plugin, ".txt"), (plugin, ".ini")))
    else:
        folder, ext = rng.choice(((f"Skins/{rng.choice(skins)}/", ".png"), (f"Skins/{rng.choice(skins)}/", ".png"),
                                  ("Samples/", ".jpg"), (plugin, ".png"), (f"Help/{rng.choice(languages)}/", ".chm")))
    return names.unique(lambda: folder + names.word() + ext), kind, ext


def _folders(path):
    parts = path.split("/")[:-1]
    return ["/".join(parts[:i + 1]) + "/" for i in range(len(parts))]


def write(product_zip, out_zip, megabytes, seed=SEED):
    """Writes the archive: the product's entries first, as they are, then the synthetic files,
    each folder's entry before its contents. Returns a summary."""
    with zipfile.ZipFile(product_zip) as product:
        infos = product.infolist()
        product_bytes = sum(i.file_size for i in infos)
        files = plan([i.filename for i in infos], megabytes, product_bytes, seed)
        models = {}
        folders = {f.lower() for i in infos for f in _folders(i.filename)}
        stats = {kind: [0, 0, 0] for kind in KINDS}  # files, bytes, compressed bytes
        tmp = out_zip + ".part"
        with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as out:
            for info in infos:
                out.writestr(_entry(info.filename, info.date_time, info.is_dir()), product.read(info))
            for number, (path, kind, ext, size) in enumerate(files):
                for folder in _folders(path):
                    if folder.lower() not in folders:
                        folders.add(folder.lower())
                        out.writestr(_entry(folder, ENTRY_TIME, True), b"")
                rng = random.Random(f"{seed}:file:{number}")
                if kind == "image":
                    data = make_image(rng, size, ext)
                else:
                    if kind not in models:
                        models[kind] = (CodeModel if kind == "code" else TextModel)(random.Random(f"{seed}:{kind}"))
                    data = models[kind].make(rng, size)
                out.writestr(_entry(path, ENTRY_TIME, False), data)
                stats[kind][0] += 1
                stats[kind][1] += size
                stats[kind][2] += out.getinfo(path).compress_size
        os.replace(tmp, out_zip)
    return {"megabytes": megabytes, "seed": seed, "product_files": sum(1 for i in infos if not i.is_dir()),
            "product_bytes": product_bytes, "files": len(files) + sum(1 for i in infos if not i.is_dir()),
            "folders": len(folders), "bytes": product_bytes + sum(f[3] for f in files),
            "archive_bytes": os.path.getsize(out_zip), "kinds": stats}


def _entry(name, date_time, is_dir):
    info = zipfile.ZipInfo(name, date_time)
    info.create_system = 0
    info.external_attr = 0x10 if is_dir else 0x20  # MS-DOS folder and archive attributes
    info.compress_type = zipfile.ZIP_STORED if is_dir else zipfile.ZIP_DEFLATED
    return info


def cached(product_zip, folder, megabytes, seed=SEED):
    """The archive `folder`/payload.zip for these inputs, made only when the product's archive,
    the size, the seed or this generator changed since it was made. Returns (path, summary)."""
    key = hashlib.sha256()
    for path in (product_zip, os.path.abspath(__file__)):
        with open(path, "rb") as f:
            key.update(hashlib.sha256(f.read()).digest())
    key.update(f"{megabytes}:{seed}".encode())
    out_zip = os.path.join(folder, "payload.zip")
    stamp = os.path.join(folder, "payload.json")
    if os.path.exists(out_zip) and os.path.exists(stamp):
        with open(stamp) as f:
            saved = json.load(f)
        if saved.get("key") == key.hexdigest() and saved.get("archive_bytes") == os.path.getsize(out_zip):
            return out_zip, saved
    os.makedirs(folder, exist_ok=True)
    summary = write(product_zip, out_zip, megabytes, seed)
    summary["key"] = key.hexdigest()
    with open(stamp, "w") as f:
        json.dump(summary, f, indent=1)
    return out_zip, summary


def describe(summary):
    lines = [f"{summary['files']} files in {summary['folders']} folders, {summary['bytes'] / MIB:.1f} MiB "
             f"(archive {summary['archive_bytes'] / MIB:.1f} MiB); the product's own {summary['product_files']} "
             f"files and synthetic ones:"]
    for kind, (files, size, packed) in summary["kinds"].items():
        if files:
            lines.append(f"  {kind:>5}: {files:4d} files, {size / MIB:7.1f} MiB, deflated to "
                         f"{100 * packed / size:.0f} %")
    return "\n".join(lines)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit("usage: synthetic_payload.py PRODUCT.zip OUT.zip MIB")
    print(describe(write(sys.argv[1], sys.argv[2], int(sys.argv[3]))))
