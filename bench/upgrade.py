"""The benchmark of runs over an installation (scripts/bench --payload-mb N --upgrade): a fresh
installation, a repair (the same setup again over it) and an upgrade (a setup whose payload
differs in 1 % of its files, linked like the big one), each from a saved prefix state, paired
with the NSIS peer doing the same: the peer again over its own installation, and a peer built
from the upgrade's payload over it (it rewrites every file, as script installers do)."""
import os
import statistics
import sys
import zipfile

import memory
import report
import synthetic_payload
from wine_prefix import WINE64

CHANGED_EVERY = 100  # one file in a hundred differs in the upgrade


def changed_payload(archive, folder):
    """`folder`/payload.zip: `archive` with one file in a hundred (by archive order) changed as a
    new version would be (every byte shifted, so it packs as before); made again only when
    `archive` changed. Returns (path, files changed, files)."""
    out_zip = os.path.join(folder, "payload.zip")
    stamp = os.path.join(folder, "source.txt")
    key = f"{os.path.getsize(archive)} {os.path.getmtime(archive)} {CHANGED_EVERY}"
    with zipfile.ZipFile(archive) as old:
        files = [i for i in old.infolist() if not i.is_dir()]
        changed = {i.filename for n, i in enumerate(files) if n % CHANGED_EVERY == CHANGED_EVERY // 2}
        if os.path.exists(out_zip) and os.path.exists(stamp) and open(stamp).read() == key:
            return out_zip, len(changed), len(files)
        os.makedirs(folder, exist_ok=True)
        shift = bytes((b + 1) & 0xFF for b in range(256))
        with zipfile.ZipFile(out_zip + ".part", "w", zipfile.ZIP_DEFLATED) as new:
            for info in old.infolist():
                data = old.read(info)
                new.writestr(info, data.translate(shift) if info.filename in changed else data)
    os.replace(out_zip + ".part", out_zip)
    with open(stamp, "w") as f:
        f.write(key)
    return out_zip, len(changed), len(files)


class Upgrade:
    def __init__(self, bench):
        self.bench = bench
        self.prefix = bench.prefix
        self.dir = bench.dir
        self.bases = {}

    def prepare(self):
        """The upgrade's payload, its setup (linked) and peer (makensis), and the two installed
        states the repairs and upgrades start from."""
        b = self.bench
        folder = os.path.join(b.build, "bench", f"payload-{b.payload_mb}mb-upgrade")
        archive, changed, files = changed_payload(b.archive, folder)
        print(f"upgrade: {changed} of {files} files changed")
        self.setup_upgrade = b.link_setup("LUMI_BENCH_UPGRADE_PAYLOAD", archive, "Lumiscope64Setup-upgrade")
        self.peer_upgrade = os.path.join(self.dir, f"peer-{b.payload_mb}mb-upgrade.exe")
        b.build_peer(b.peer_script, b.peer_folder, self.peer_upgrade, None, archive)
        for name, command in (("setup", [b.setup, *b.options]), ("nsis", [b.peer_exe])):
            self.prefix.reset(b.bare)
            _s, _c, code = self.prefix.timed(*command, cwd=b.work)
            self.prefix.stop()
            if code != 0:
                sys.exit(f"bench: the {name}'s installation ended with {code}")
            self.bases[name] = os.path.join(self.dir, f"base-{name}-installed")
            self.prefix.rsync(self.prefix.prefix, self.bases[name])
        self.runs = [("fresh", None, [b.setup, *b.options]),
                     ("repair", "setup", [b.setup, *b.options]),
                     ("upgrade", "setup", [self.setup_upgrade, *b.options]),
                     ("nsis fresh", None, [b.peer_exe]),
                     ("nsis repair", "nsis", [b.peer_exe]),
                     ("nsis upgrade", "nsis", [self.peer_upgrade])]

    def run_once(self, base, command):
        self.prefix.reset(self.bench.bare, self.bases.get(base))
        return self.prefix.timed(*command, cwd=self.bench.work)

    def rounds(self, count):
        times = {name: [] for name, _b, _c in self.runs}
        for r in range(count):
            order = self.runs[r % len(self.runs):] + self.runs[:r % len(self.runs)]
            for name, base, command in order:
                seconds, _cpu, code = self.run_once(base, command)
                if code != 0:
                    sys.exit(f"bench: {name} ended with {code} in round {r + 1}")
                times[name].append(seconds)
            print(f"  round {r + 1}: " + "  ".join(f"{n} {times[n][-1]:.3f} s" for n, _b, _c in self.runs), flush=True)
        print("wall time, seen from the host:")
        for name, _b, _c in self.runs:
            print(f"  {name:>13}: {report.summary(times[name])}")
        self.ratios = {}
        for label, a, b in (("repair/fresh", "repair", "fresh"), ("upgrade/fresh", "upgrade", "fresh"),
                            ("fresh/NSIS fresh", "fresh", "nsis fresh"), ("repair/NSIS repair", "repair", "nsis repair"),
                            ("upgrade/NSIS upgrade", "upgrade", "nsis upgrade"),
                            ("NSIS repair/NSIS fresh", "nsis repair", "nsis fresh")):
            self.ratios[label] = [x / y for x, y in zip(times[a], times[b])]
            v = self.ratios[label]
            print(f"  ratio {label} per round: median {statistics.median(v):.2f}  (min {min(v):.2f}, max {max(v):.2f})")
        self.times = times

    def memory(self, runs):
        print(f"peak private memory over the installation (MiB, {runs} runs each):")
        self.peaks = {}
        for name, base, command in self.runs[1:3]:
            peaks = []
            for _ in range(runs):
                self.prefix.reset(self.bench.bare, self.bases[base])
                peaks.append(memory.sample([WINE64, *command], self.prefix.env, cwd=self.bench.work).private)
            if not peaks:  # --memory-runs 0
                continue
            self.peaks[name] = peaks
            print(f"  {name:>7}: median {memory.mib(statistics.median(peaks)):.1f}  (min {memory.mib(min(peaks)):.1f}, "
                  f"max {memory.mib(max(peaks)):.1f})")

    def phases(self, runs):
        """Where a repair's time goes: the step log's phases, medians of `runs` traced repairs."""
        folder = self.prefix.drive_c("bench-trace")
        log = "C:\\bench-trace\\repair.log"
        figures = {}
        for _ in range(runs):
            self.prefix.reset(self.bench.bare, self.bases["setup"])
            os.makedirs(folder, exist_ok=True)
            seconds, _cpu, _code = self.prefix.timed(*self.runs[1][2], "/log=" + log, cwd=self.bench.work)
            path = os.path.join(folder, "repair.log")
            spans, first, last = report.phases(open(path, encoding="utf-8-sig", errors="replace").read())
            for name, value in [*spans.items(), ("start", first or 0), ("rest", seconds * 1000 - (last or 0)),
                                ("total", seconds * 1000)]:
                figures.setdefault(name, []).append(value)
        print(f"a repair's phases, medians of {runs} traced runs (ms): " +
              ", ".join(f"{n} {statistics.median(v):.0f}" for n, v in figures.items()))

    def table(self):
        cell = lambda v, unit="s": (f"{statistics.median(v):.2f}{' ' + unit if unit else ''} "
                                    f"({min(v):.2f}–{max(v):.2f})")
        print("\n| | setup | NSIS peer | setup/peer |\n|---|---|---|---|")
        for name in ("fresh", "repair", "upgrade"):
            print(f"| {name} | {cell(self.times[name])} | {cell(self.times['nsis ' + name])} "
                  f"| {cell([a / b for a, b in zip(self.times[name], self.times['nsis ' + name])], '')} |")
        print(f"| repair/fresh | {cell(self.ratios['repair/fresh'], '')} | {cell(self.ratios['NSIS repair/NSIS fresh'], '')} | |")
        print(f"| upgrade/fresh | {cell(self.ratios['upgrade/fresh'], '')} | | |")
        for name, peaks in getattr(self, "peaks", {}).items():
            print(f"| peak private memory, {name} | {cell([p / 1024 for p in peaks], 'MiB')} | | |")
