#!/usr/bin/env python3
"""The installation benchmark against an NSIS peer (run it through scripts/bench).

Builds a peer installer that does what a silent run of the setup does (same payload with the
same times, settings file made UTF-16, same links, same registry values, from the setup's own
tables), checks that both leave the same end state, then times both and a bare process in
rounds from the same warm prefix state, rotating their order. Also reports the peak private
memory of each (sampled from the host in separate, untimed runs), the phases of a few traced
runs of each, the time until the wizard's first page is painted, and the sizes.

With --payload-mb N both carry a synthetic payload of N MiB instead of the product's own
(bench/synthetic_payload.py): the setup is the same program linked with that archive
(Lumiscope64Setup-big, bench/CMakeLists.txt), the peer is built from the same files.

With --scopes the setup is timed against itself instead: a fresh installation for all users
against one for the current user (bench/scopes.py).
"""
import argparse
import fcntl
import hashlib
import os
import statistics
import subprocess
import sys
import time

import end_state
import linkmap
import memory
import peer
import report
import scopes
import synthetic_payload
import upgrade
from wine_prefix import WINE64, Prefix, windows_path

OPTIONS = "/silent /desktop=1 /thumbs=1 /group=1 /assoc=2"
TRACE_FOLDER = "bench-trace"


def parse_args():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--build", required=True, help="build folder")
    ap.add_argument("--setup", help="the setup to measure (default: the build's)")
    ap.add_argument("--payload-mb", type=int, help="a synthetic payload of this many MiB instead of the product's")
    ap.add_argument("--rounds", type=int, default=9)
    ap.add_argument("--memory-runs", type=int, default=3, help="untimed runs of each whose memory is sampled")
    ap.add_argument("--trace-runs", type=int, default=3)
    ap.add_argument("--wizard-runs", type=int, default=15)
    ap.add_argument("--upgrade", action="store_true",
                    help="with --payload-mb: a fresh installation, a repair and a 1 %% upgrade, each against the peer")
    ap.add_argument("--options", default=OPTIONS, help="the setup's command line (default: %(default)s)")
    ap.add_argument("--scopes", action="store_true",
                    help="a fresh installation with /scope=machine against one with /scope=user, paired")
    ap.add_argument("--machine-folder", help="with --scopes: the /scope=machine run's /folder= (default: its own)")
    ap.add_argument("--user-folder", help="with --scopes: the /scope=user run's /folder= (default: its own)")
    args = ap.parse_args()
    if args.scopes and args.upgrade:
        ap.error("--scopes and --upgrade are separate benchmarks")
    if (args.machine_folder or args.user_folder) and not args.scopes:
        ap.error("--machine-folder and --user-folder go with --scopes")
    if args.scopes and any(o.lower().startswith(("/scope=", "/folder=")) for o in args.options.split()):
        ap.error("with --scopes the runs set /scope= and /folder= themselves")
    return args


class Bench:
    def __init__(self, args):
        self.source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
        self.build = os.path.abspath(args.build)
        self.dir = os.path.join(self.build, "bench", "run")
        self.tool = os.path.join(self.build, "bench", "bench_tool.exe")
        self.bare = os.path.join(self.build, "bench", "bench_bare.exe")
        self.payload_mb = args.payload_mb
        self.archive = os.path.join(self.build, "payload", "payload.zip")
        self.setup = os.path.abspath(args.setup or os.path.join(self.build, "Lumiscope64Setup.exe"))
        self.options = args.options.split()
        self.work = os.path.join(self.dir, "work")
        os.makedirs(self.work, exist_ok=True)
        self.prefix = Prefix(self.source, os.path.join(self.dir, "wine"), os.path.join(self.dir, "base"), self.tool)
        tag = f"-{self.payload_mb}mb" if self.payload_mb else ""
        self.peer_exe = os.path.join(self.dir, f"peer{tag}.exe")
        self.peer_traced = os.path.join(self.dir, f"peer{tag}-traced.exe")
        self.registry_tsv = os.path.join(self.dir, "registry.tsv")
        self.own_files_txt = os.path.join(self.dir, "setup-only.txt")
        self.started_ns = time.time_ns()
        self.setup_code = 0  # the setup's exit code in the check: not 0 when it refused the payload
        self.results = {}

    def big_payload(self, setup_given):
        """The synthetic archive (made when its inputs changed) and, unless another setup was
        named, the setup linked with it."""
        started = time.perf_counter()
        folder = os.path.join(self.build, "bench", f"payload-{self.payload_mb}mb")
        self.archive, summary = synthetic_payload.cached(self.archive, folder, self.payload_mb)
        print(f"payload: {synthetic_payload.describe(summary)}\n  ready in {time.perf_counter() - started:.0f} s")
        if setup_given:
            return
        started = time.perf_counter()
        self.setup = self.link_setup("LUMI_BENCH_PAYLOAD", self.archive, "Lumiscope64Setup-big")
        print(f"  the setup linked with it in {time.perf_counter() - started:.0f} s")

    def link_setup(self, variable, archive, target):
        """The setup linked with `archive` (named to the build by the cache `variable`)."""
        for command in (["cmake", f"-D{variable}={archive}", self.build],
                        ["cmake", "--build", self.build, "--target", target]):
            result = subprocess.run(command, capture_output=True, text=True)
            if result.returncode != 0:
                sys.exit(f"bench: linking {target} failed:\n" + result.stdout[-3000:] + result.stderr)
        return os.path.join(self.build, "bench", target + ".exe")

    def prepare(self):
        print("bench: preparing the prefix and the peer installer")
        script = self.prepare_prefix()
        folder = self.install_folder(script)
        self.peer_script, self.peer_folder = script, folder
        for exe, trace in ((self.peer_exe, None), (self.peer_traced, "C:\\%s\\peer.log" % TRACE_FOLDER)):
            self.build_peer(script, folder, exe, trace)

    def prepare_prefix(self):
        """The prefix, its base state and the setup's plan (the peer's script, the write list);
        returns the script's path."""
        self.prefix.create(os.path.join(self.build, "wine.template"))
        self.base = end_state.capture(self.prefix.base_dir)
        script = os.path.join(self.dir, "peer-script.nsh")
        self.prefix.start()
        result = self.prefix.wine(self.tool, "plan", windows_path(script), windows_path(self.registry_tsv),
                                  windows_path(self.own_files_txt), *self.options)
        self.prefix.stop()
        if result.returncode != 0:
            sys.exit("bench: the peer's script could not be made: " + result.stderr.strip())
        return script

    def build_peer(self, script, folder, exe, trace, archive=None):
        """makensis, unless the peer was built from the same script, payload and trace before
        (on a big payload it takes minutes)."""
        archive = archive or self.archive
        key = hashlib.sha256()
        for path in (script, os.path.join(self.source, "bench", "peer.nsi"), os.path.join(self.source, "bench", "peer.py"),
                     archive):
            with open(path, "rb") as f:
                for block in iter(lambda: f.read(1 << 24), b""):
                    key.update(block)
        key.update(f"{folder}\n{trace}".encode())
        stamp = exe + ".key"
        if os.path.exists(exe) and os.path.exists(stamp) and open(stamp).read() == key.hexdigest():
            return
        started = time.perf_counter()
        peer.build(self.source, script, archive, folder, os.path.join(self.dir, "peer"), exe, trace=trace)
        with open(stamp, "w") as f:
            f.write(key.hexdigest())
        print(f"  {os.path.basename(exe)} built by makensis in {time.perf_counter() - started:.0f} s")

    @staticmethod
    def install_folder(script):
        with open(script, encoding="utf-8-sig") as f:
            for line in f:
                if line.startswith("!define PEER_INSTALL_FOLDER "):
                    return line.split(" ", 2)[2].strip().strip('"')
        raise RuntimeError("no install folder in " + script)

    def run_once(self, command):
        self.prefix.reset(self.bare)
        return self.prefix.timed(*command, cwd=self.work)

    def end_state_after(self, command):
        _seconds, _cpu, code = self.run_once(command)
        self.prefix.stop()
        return code, end_state.capture(self.prefix.prefix)

    def verify(self):
        """Both installers once; the same end state, and every value of the setup's write list."""
        ours_code, ours = self.end_state_after([self.setup, *self.options])
        peer_code, theirs = self.end_state_after([self.peer_exe])
        if peer_code:
            sys.exit(f"bench: the peer ended with exit code {peer_code}")
        if ours_code:
            # Not a crash of the bench: the setup's answer, reported as such (a payload above
            # the engine's limit ends with 4, nothing unpacked). The peer is measured alone.
            self.setup_code = ours_code
            print(f"end state: the setup ended with exit code {ours_code} and installed nothing "
                  f"comparable; only the peer's figures follow, and the setup's memory up to its refusal")
            return
        ours_diff = end_state.difference(self.base, ours)
        peer_diff = end_state.difference(self.base, theirs)
        a = end_state.comparable(ours_diff, self.started_ns)
        b = end_state.comparable(peer_diff, self.started_ns)
        problems = []
        own = []  # the setup's own bookkeeping (its install record), which the peer has no need of
        with open(self.own_files_txt, encoding="utf-8") as f:
            for line in filter(None, (line.strip() for line in f)):
                item = "file " + line.split(":", 1)[1].lstrip("\\").replace("\\", "/")
                if item not in a:
                    problems.append(f"the setup made no {line}")
                    continue
                own.append(f"{line} ({a.pop(item)[1][0] / 1024:.1f} KiB)")
        # The record's proof in the uninstall entry goes with the record.
        for item in [i for i in a if i.startswith("value ") and i.endswith("\\installrecordsha256")]:
            a.pop(item)
            own.append(item[len("value "):])
        for item in sorted(set(a) | set(b)):
            if a.get(item) != b.get(item):
                problems.append(f"{item}: setup {a.get(item, (None, None))[1]!r}, peer {b.get(item, (None, None))[1]!r}")
        for who, state in (("setup", ours), ("peer", theirs)):
            problems += [f"{who} lacks {line}" for line in end_state.check_expected(state, self.registry_tsv)]
        files = sum(1 for item in a if item.startswith("file "))
        values = sum(1 for item in a if item.startswith("value "))
        print(f"end state: {files} files and {values} registry values changed by each installer", end="")
        if problems:
            print(", but they differ:")
            for p in problems[:40]:
                print("  " + p)
            sys.exit("bench: the peer does not do the same work as the setup")
        print(", identical, and every write of the setup's list is there")
        if own:
            print("  the setup also keeps for itself: " + ", ".join(own))

    def contenders(self):
        setup = [] if self.setup_code else [("setup", [self.setup, *self.options])]
        return setup + [("nsis", [self.peer_exe]), ("bare", [self.bare])]

    def rounds(self, count):
        contenders = self.contenders()
        times = {name: [] for name, _ in contenders}
        cpu = {name: [] for name, _ in contenders}
        for r in range(count):
            order = contenders[r % len(contenders):] + contenders[:r % len(contenders)]
            for name, command in order:
                seconds, cpu_seconds, code = self.run_once(command)
                if code != 0:
                    sys.exit(f"bench: {name} ended with {code} in round {r + 1}")
                times[name].append(seconds)
                cpu[name].append(cpu_seconds)
            print(f"  round {r + 1}: " + "  ".join(f"{n} {times[n][-1]:.3f} s ({cpu[n][-1]:.3f} s CPU)"
                                                    for n, _ in contenders), flush=True)
        print("wall time, seen from the host:")
        self.compare(times)
        print("CPU time of the installer, the Wine server and Wine's services (steadier on a busy machine):")
        self.compare(cpu)
        self.results["time"], self.results["cpu"] = times, cpu

    @staticmethod
    def compare(times):
        if "setup" in times:
            print(f"  setup (silent, every option): {report.summary(times['setup'])}")
        print(f"  NSIS peer:                    {report.summary(times['nsis'])}")
        print(f"  bare process start:           {report.summary(times['bare'])}")
        if "setup" not in times:
            return
        ratios = [s / n for s, n in zip(times["setup"], times["nsis"])]
        net = [(s - b) / (n - b) for s, n, b in zip(times["setup"], times["nsis"], times["bare"])]
        print(f"  ratio setup/NSIS per round:   median {statistics.median(ratios):.2f}  "
              f"(min {min(ratios):.2f}, max {max(ratios):.2f})")
        print(f"  the same above the bare start: median {statistics.median(net):.2f}")

    def memory(self, runs):
        """Peak private memory of each, in runs of their own (the sampling thread would take
        a little of the timed runs' CPU), then once what Wine's GetProcessMemoryInfo says."""
        contenders = [("setup", [self.setup, *self.options])] + self.contenders()[-2:]
        peaks = {name: [] for name, _ in contenders}
        for r in range(runs):
            for name, command in contenders:
                self.prefix.reset(self.bare)
                peak = memory.sample([WINE64, *command], self.prefix.env, cwd=self.work)
                peaks[name].append(peak)
        mib = lambda kib: f"{memory.mib(kib):.1f}"
        print(f"peak private memory (RssAnon + VmSwap of the Windows process, sampled every "
              f"{memory.INTERVAL * 1000:.0f} ms from the host; MiB, {runs} runs each):")
        for name, _command in contenders if runs else []:  # --memory-runs 0: none sampled
            values = [p.private for p in peaks[name]]
            codes = sorted({p.code for p in peaks[name]})
            print(f"  {name:>5}: median {mib(statistics.median(values))}  (min {mib(min(values))}, max {mib(max(values))})"
                  f"; file-backed at the peak {mib(statistics.median(p.file_at_peak for p in peaks[name]))}, "
                  f"VmHWM {mib(statistics.median(p.hwm for p in peaks[name]))}, smaps_rollup Anonymous "
                  f"{mib(statistics.median(p.rollup_anonymous for p in peaks[name]))}; "
                  f"{statistics.median(p.samples for p in peaks[name]):.0f} samples in "
                  f"{statistics.median(p.seconds for p in peaks[name]):.2f} s"
                  + ("" if codes == [0] else f"; exit code {', '.join(map(str, codes))}"))
        if runs:
            self.results["memory"] = {name: [p.private for p in peaks[name]] for name in peaks}
        # What the start costs before the engine does anything: a relative folder is refused
        # (exit code 2) before the payload is touched, so what remains is the program's image.
        self.prefix.reset(self.bare)
        early = memory.sample([WINE64, self.setup, "/silent", "/folder=Apps\\Bench"], self.prefix.env, cwd=self.work)
        print(f"  setup refusing a relative folder at once (exit code {early.code}, before its payload is read): "
              f"{mib(early.private)}: its start, image included")
        self.results["early"] = early
        seen = []
        for name, command in contenders[:2]:
            self.prefix.reset(self.bare)
            result = self.prefix.wine(self.tool, "memory", windows_path(command[0]), *command[1:], cwd=self.work)
            fields = result.stdout.split()
            if len(fields) == 6 and fields[0] == "memory":
                _code, private, pagefile, peak_pagefile, _peak_ws = map(int, fields[1:])
                seen.append(f"{name}: largest PagefileUsage {mib(pagefile)} MiB, PrivateUsage {mib(private)}, "
                            f"PeakPagefileUsage at the last look {mib(peak_pagefile)}")
        if seen:
            print("  Wine's GetProcessMemoryInfo of one more run each, read every millisecond from inside Wine: " +
                  "; ".join(seen))

    def traced(self, command, log_name):
        folder = self.prefix.drive_c(TRACE_FOLDER)
        self.prefix.reset(self.bare)
        os.makedirs(folder, exist_ok=True)
        seconds, _cpu, _code = self.prefix.timed(*command, cwd=self.work)
        path = os.path.join(folder, log_name)
        text = open(path, encoding="utf-8-sig", errors="replace").read() if os.path.exists(path) else ""
        return seconds, text

    def phases(self, runs):
        """Medians over `runs` traced runs of each; a phase that occurs twice counts once, summed."""
        log = "C:\\%s\\setup.log" % TRACE_FOLDER
        contenders = [("setup", [self.setup, *self.options, "/log=" + log], "setup.log"),
                      ("nsis", [self.peer_traced], "peer.log")]
        names = ["folder", "payload", "settings", "links", "registry", "notify", "record"]
        figures = {who: {} for who, _c, _l in contenders}
        for r in range(runs):
            for who, command, log_name in contenders[r % 2:] + contenders[:r % 2]:
                seconds, text = self.traced(command, log_name)
                spans, first, last = report.phases(text)
                if not spans:
                    continue
                for name, value in [*spans.items(), ("start", first), ("rest", seconds * 1000 - last),
                                    ("total", seconds * 1000)]:
                    figures[who].setdefault(name, []).append(value)
        print(f"phases, medians of {runs} traced runs each (ms):")
        columns = [*names, "start", "rest", "total"]
        print("  " + " ".join(f"{n:>9}" for n in ["", *columns]))
        for who, _c, _l in contenders:
            if not figures[who]:
                print(f"  {who:>9} no trace")
                continue
            cells = [f"{statistics.median(figures[who][n]):9.1f}" if n in figures[who] else f"{'-':>9}"
                     for n in columns]
            print(f"  {who:>9} " + " ".join(cells))
        print("  start: process start to the first step; rest: the last step to the end of the process as\n"
              "  the host sees it; the peer's tracing loads its System plug-in before the first step")

    def wizard(self, runs):
        self.prefix.reset(self.bare)
        result = self.prefix.wine(self.tool, "wizard-start", self.setup, str(runs))
        starts = [line.split()[1:] for line in result.stdout.splitlines() if line.startswith("wizard-start")]
        result = self.prefix.wine(self.tool, "process-life", self.bare, str(runs))
        bare = [float(line.split()[1]) for line in result.stdout.splitlines() if line.startswith("process-life")]
        if not starts:
            print("wizard: no first page seen")
            return
        painted = [float(s[0]) for s in starts]
        visible = [float(s[1]) for s in starts]
        print(f"wizard, start to first page painted: {report.summary(painted, 'ms', digits=1)}")
        print(f"        start to first page visible: {report.summary(visible, 'ms', digits=1)}")
        print(f"bare process, start to end:          {report.summary(bare, 'ms', digits=1)}")

    def sizes(self):
        ours = open(self.setup, "rb").read()
        payload = report.resource_size(ours, "ZIP", 1974)
        theirs = open(self.peer_exe, "rb").read()
        kb = lambda n: f"{n / (1 << 20):.1f} MiB" if n >= 10 << 20 else f"{n / 1024:.1f} KiB"
        print(f"sizes: setup {kb(len(ours))}, of which payload resource {kb(payload)}: "
              f"code and other resources {kb(len(ours) - payload)}")
        print(f"       NSIS peer {kb(len(theirs))}, of which the stub {kb(report.image_end(theirs))} "
              f"(the rest: compressed payload, script, System plug-in)")
        rsrc = [s for s in report.pe_sections(ours) if s[0] == ".rsrc"]
        if rsrc:
            offset = rsrc[0][1]
            print(f"       the setup's resources (.rsrc) start at file offset {offset:#x}: " +
                  ("on a page boundary, so Wine maps them from the file" if offset % 4096 == 0 else
                   "not on a page boundary, so Wine's loader reads them into private memory at the start"))
        link_map = os.path.splitext(self.setup)[0] + ".map"
        if os.path.exists(link_map):
            top = linkmap.contributors(link_map)[:8]
            print("       largest parts of the setup's code and data (bench/linkmap.py for more): " +
                  ", ".join(f"{name} {kb(sum(c.values()))}" for name, c in top))
        self.results["sizes"] = (len(ours), payload, len(theirs), report.image_end(theirs))

    def table(self, rounds):
        """The figures of this run as a Markdown table, for the README."""
        r = self.results
        payload = (f"{self.payload_mb} MiB synthetic payload" if self.payload_mb else "the product's payload")
        cell = lambda v, unit="s", f="{:.2f}": (f"{f.format(statistics.median(v))}{' ' + unit if unit else ''} "
                                                f"({f.format(min(v))}–{f.format(max(v))})")
        print(f"\nsummary ({payload}, {rounds} rounds; median, min–max):\n")
        print("| | setup | NSIS peer |\n|---|---|---|")
        t, c = r.get("time", {}), r.get("cpu", {})
        refused = f"exit code {self.setup_code}, not installed"
        if t:
            print(f"| silent installation, every option | {cell(t['setup']) if 'setup' in t else refused} "
                  f"| {cell(t['nsis'])} |")
            if "setup" in t:
                ratios = [a / b for a, b in zip(t["setup"], t["nsis"])]
                cpu = [a / b for a, b in zip(c["setup"], c["nsis"])]
                print(f"| ratio setup/NSIS per round | wall {cell(ratios, '')}; CPU {cell(cpu, '')} | |")
            print(f"| CPU time (installer, server, services) | {cell(c['setup']) if 'setup' in c else '–'} "
                  f"| {cell(c['nsis'])} |")
        m = r.get("memory", {})
        if m:
            mem = lambda v: cell([x / 1024 for x in v], "MiB", "{:.1f}")
            print(f"| peak private memory | {mem(m['setup'])}{' (until it ended, ' + refused + ')' if self.setup_code else ''} "
                  f"| {mem(m['nsis'])} |")
        if "early" in r:
            print(f"| private memory before the payload is read (exit code {r['early'].code}: a relative folder) "
                  f"| {r['early'].private / 1024:.1f} MiB | |")
        if "sizes" in r:
            ours, payload_bytes, theirs, stub = r["sizes"]
            mb = lambda n: f"{n / (1 << 20):.1f} MiB" if n >= 1 << 20 else f"{n / 1024:.1f} KiB"
            print(f"| executable | {mb(ours)} (payload resource {mb(payload_bytes)}) | {mb(theirs)} (stub {mb(stub)}) |")


def scope_bench(bench, args, started):
    """The two scopes' fresh installations against each other (no peer)."""
    runs = scopes.Scopes(bench, args.machine_folder, args.user_folder)
    try:
        print("bench: preparing the prefix")
        bench.prepare_prefix()
        runs.verify()
        print(f"timing {args.rounds} rounds of a fresh installation in each scope "
              f"(each run from the reset, warm prefix; order rotated)")
        runs.rounds(args.rounds)
        runs.phases(args.trace_runs)
    finally:
        bench.prefix.stop()
        bench.prefix.empty_trash()
    runs.table(args.rounds)
    print(f"\nbench: {time.perf_counter() - started:.0f} s in all")
    return 0


def main():
    args = parse_args()
    started = time.perf_counter()
    load = os.getloadavg()[0]
    if load > 1.0:
        print(f"bench: the machine is busy (load {load:.1f}): expect a wide spread, or run more rounds")
    bench = Bench(args)
    # Two benchmarks in one build folder would reset each other's prefix mid-run.
    lock = open(os.path.join(bench.dir, ".lock"), "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        sys.exit(f"bench: another benchmark is running in {bench.dir}")
    if args.payload_mb:
        bench.big_payload(args.setup is not None)
    elif args.upgrade:
        sys.exit("bench: --upgrade needs --payload-mb")
    if args.scopes:
        return scope_bench(bench, args, started)
    try:
        bench.prepare()
        bench.sizes()
        bench.verify()
        if args.upgrade:
            runs = upgrade.Upgrade(bench)
            runs.prepare()
            print(f"timing {args.rounds} rounds of fresh, repair and upgrade runs of each (order rotated)")
            runs.rounds(args.rounds)
            runs.memory(args.memory_runs)
            runs.phases(args.trace_runs)
            bench.memory(args.memory_runs)
            bench.prefix.stop()
            bench.table(0)
            runs.table()
            print(f"\nbench: {time.perf_counter() - started:.0f} s in all")
            return 0
        print(f"timing {args.rounds} rounds (each run from the reset, warm prefix; order rotated)")
        bench.rounds(args.rounds)
        bench.memory(args.memory_runs)
        if args.trace_runs and not bench.setup_code:
            bench.phases(args.trace_runs)
        bench.wizard(args.wizard_runs)
    finally:
        bench.prefix.stop()
        bench.prefix.empty_trash()
    bench.table(args.rounds)
    print(f"\nbench: {time.perf_counter() - started:.0f} s in all")
    if bench.setup_code:
        print(f"bench: the setup refused this payload (exit code {bench.setup_code}); only the peer was timed")
        return 3
    return 0


if __name__ == "__main__":
    sys.exit(main())
