#!/usr/bin/env python3
"""The installation benchmark against an NSIS peer (run it through scripts/bench).

Builds a peer installer that does what a silent run of the setup does (same payload with the
same times, settings file made UTF-16, same links, same registry values, from the setup's own
tables), checks that both leave the same end state, then times both and a bare process in
rounds from the same warm prefix state, rotating their order. Also reports the phases of a few
traced runs of each, the time until the wizard's first page is painted, and the sizes.
"""
import argparse
import os
import statistics
import sys
import time

import end_state
import linkmap
import peer
import report
from wine_prefix import Prefix, windows_path

OPTIONS = "/silent /desktop=1 /thumbs=1 /group=1 /assoc=2"
TRACE_FOLDER = "bench-trace"


def parse_args():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--build", required=True, help="build folder")
    ap.add_argument("--setup", help="the setup to measure (default: the build's)")
    ap.add_argument("--rounds", type=int, default=9)
    ap.add_argument("--trace-runs", type=int, default=3)
    ap.add_argument("--wizard-runs", type=int, default=15)
    ap.add_argument("--options", default=OPTIONS, help="the setup's command line (default: %(default)s)")
    return ap.parse_args()


class Bench:
    def __init__(self, args):
        self.source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
        self.build = os.path.abspath(args.build)
        self.dir = os.path.join(self.build, "bench", "run")
        self.tool = os.path.join(self.build, "bench", "bench_tool.exe")
        self.bare = os.path.join(self.build, "bench", "bench_bare.exe")
        self.setup = os.path.abspath(args.setup or os.path.join(self.build, "Lumiscope64Setup.exe"))
        self.options = args.options.split()
        self.work = os.path.join(self.dir, "work")
        os.makedirs(self.work, exist_ok=True)
        self.prefix = Prefix(self.source, os.path.join(self.dir, "wine"), os.path.join(self.dir, "base"), self.tool)
        self.peer_exe = os.path.join(self.dir, "peer.exe")
        self.peer_traced = os.path.join(self.dir, "peer-traced.exe")
        self.registry_tsv = os.path.join(self.dir, "registry.tsv")
        self.own_files_txt = os.path.join(self.dir, "setup-only.txt")
        self.started_ns = time.time_ns()

    def prepare(self):
        print("bench: preparing the prefix and the peer installer")
        self.prefix.create(os.path.join(self.build, "wine.template"))
        self.base = end_state.capture(self.prefix.base_dir)
        script = os.path.join(self.dir, "peer-script.nsh")
        self.prefix.start()
        result = self.prefix.wine(self.tool, "plan", windows_path(script), windows_path(self.registry_tsv),
                                  windows_path(self.own_files_txt), *self.options)
        self.prefix.stop()
        if result.returncode != 0:
            sys.exit("bench: the peer's script could not be made: " + result.stderr.strip())
        archive = os.path.join(self.build, "payload", "payload.zip")
        folder = self.install_folder(script)
        peer.build(self.source, script, archive, folder, os.path.join(self.dir, "peer"), self.peer_exe)
        peer.build(self.source, script, archive, folder, os.path.join(self.dir, "peer"), self.peer_traced,
                   trace="C:\\%s\\peer.log" % TRACE_FOLDER)

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
        ours_diff = end_state.difference(self.base, ours)
        peer_diff = end_state.difference(self.base, theirs)
        a = end_state.comparable(ours_diff, self.started_ns)
        b = end_state.comparable(peer_diff, self.started_ns)
        problems = [f"exit codes {ours_code} (setup) and {peer_code} (peer)"] if ours_code or peer_code else []
        own = []  # the setup's own bookkeeping (its install record), which the peer has no need of
        with open(self.own_files_txt, encoding="utf-8") as f:
            for line in filter(None, (line.strip() for line in f)):
                item = "file " + line.split(":", 1)[1].lstrip("\\").replace("\\", "/")
                if item not in a:
                    problems.append(f"the setup made no {line}")
                    continue
                own.append(f"{line} ({a.pop(item)[1][0] / 1024:.1f} KiB)")
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

    def rounds(self, count):
        contenders = [("setup", [self.setup, *self.options]), ("nsis", [self.peer_exe]), ("bare", [self.bare])]
        times = {name: [] for name, _ in contenders}
        cpu = {name: [] for name, _ in contenders}
        for r in range(count):
            order = contenders[r % 3:] + contenders[:r % 3]
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

    @staticmethod
    def compare(times):
        ratios = [s / n for s, n in zip(times["setup"], times["nsis"])]
        net = [(s - b) / (n - b) for s, n, b in zip(times["setup"], times["nsis"], times["bare"])]
        print(f"  setup (silent, every option): {report.summary(times['setup'])}")
        print(f"  NSIS peer:                    {report.summary(times['nsis'])}")
        print(f"  bare process start:           {report.summary(times['bare'])}")
        print(f"  ratio setup/NSIS per round:   median {statistics.median(ratios):.2f}  "
              f"(min {min(ratios):.2f}, max {max(ratios):.2f})")
        print(f"  the same above the bare start: median {statistics.median(net):.2f}")

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
        kb = lambda n: f"{n / 1024:.1f} KiB"
        print(f"sizes: setup {kb(len(ours))}, of which payload resource {kb(payload)}: "
              f"code and other resources {kb(len(ours) - payload)}")
        print(f"       NSIS peer {kb(len(theirs))}, of which the stub {kb(report.image_end(theirs))} "
              f"(the rest: compressed payload, script, System plug-in)")
        link_map = os.path.splitext(self.setup)[0] + ".map"
        if os.path.exists(link_map):
            top = linkmap.contributors(link_map)[:8]
            print("       largest parts of the setup's code and data (bench/linkmap.py for more): " +
                  ", ".join(f"{name} {kb(sum(c.values()))}" for name, c in top))


def main():
    args = parse_args()
    load = os.getloadavg()[0]
    if load > 1.0:
        print(f"bench: the machine is busy (load {load:.1f}): expect a wide spread, or run more rounds")
    bench = Bench(args)
    try:
        bench.prepare()
        bench.sizes()
        bench.verify()
        print(f"timing {args.rounds} rounds (each run from the reset, warm prefix; order rotated)")
        bench.rounds(args.rounds)
        bench.phases(args.trace_runs)
        bench.wizard(args.wizard_runs)
    finally:
        bench.prefix.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
