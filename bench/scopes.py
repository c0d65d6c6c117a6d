"""The benchmark of the two scopes (scripts/bench --scopes): a fresh silent installation for all
users (/scope=machine) and one for the current user alone (/scope=user), each into its own
default folder or one given, timed in paired rounds from the same warm prefix state with their
order rotated. Before the rounds each runs once and must have left its own scope's end state and
nothing in the other's; a mismatch ends the benchmark, it is never timed."""
import statistics
import sys

import end_state
import report

ENTRY = "software\\microsoft\\windows\\currentversion\\uninstall\\lumiscope64"
VIEWER = "lu_scp64.exe"
GOAL = 1.0  # user/machine, the median of the per-round ratios
SCOPES = ("machine", "user")


def drive_c_folder(windows_folder):
    """The folder of a C: path as end_state names files below drive_c: '/'-separated, lower
    case, no slash at either end; None for a path on another drive."""
    drive, colon, rest = windows_folder.partition(":")
    if not colon or drive.upper() != "C":
        return None
    return rest.replace("\\", "/").strip("/").lower()


def subject(item):
    """'HKLM\\key' or 'HKLM\\key\\value' of a registry item of a difference; None for a file."""
    kind, _, name = item.partition(" ")
    return name if kind in ("key", "value") else None


def end_state_problems(scope, diff, folder, other_folder, noise=frozenset()):
    """What a fresh run of `scope` left that does not belong to it, from its difference against
    the base state (end_state.difference): its uninstall entry missing from its hive or naming
    another folder than `folder` (a C: path), the other scope's entry made, no viewer in `folder`,
    a file made below `other_folder`; after a user's run also any change below HKLM that a
    process doing nothing makes no less (`noise`: items of its difference)."""
    hive, other = ("HKLM", "HKCU") if scope == "machine" else ("HKCU", "HKLM")
    problems = []
    location = (diff.get(f"value {hive}\\{ENTRY}\\installlocation") or (None, None))[1]
    if location is None:
        problems.append(f"no uninstall entry {hive}\\{ENTRY} with an InstallLocation")
    elif not location.startswith('"') or drive_c_folder(end_state.unescape(location[1:-1])) != drive_c_folder(folder):
        problems.append(f"the uninstall entry names {location}, not {folder}")
    for item in sorted(diff):
        name = subject(item)
        if name is None:
            continue
        lower = name.lower()
        if lower == f"{other.lower()}\\{ENTRY}" or lower.startswith(f"{other.lower()}\\{ENTRY}\\"):
            problems.append(f"the other scope's uninstall entry: {item}")
        elif scope == "user" and name.startswith("HKLM\\") and item not in noise:
            problems.append(f"a change below HKLM: {item}")
    made = {item[5:].lower() for item, (_before, after) in diff.items() if item.startswith("file ") and after is not None}
    if f"{drive_c_folder(folder)}/{VIEWER}" not in made:
        problems.append(f"no {VIEWER} in {folder}")
    below = drive_c_folder(other_folder) + "/"
    problems += [f"a file in the other scope's folder: {path}" for path in sorted(made) if path.startswith(below)]
    return problems


def goal_line(ratios):
    median = statistics.median(ratios)
    verdict = "met" if median <= GOAL else "not met"
    return (f"goal: user/machine <= {GOAL:.1f} (paired): {verdict} (median of the per-round ratios "
            f"{median:.3f}; min {min(ratios):.2f}, max {max(ratios):.2f})")


class Scopes:
    def __init__(self, bench, machine_folder=None, user_folder=None):
        self.bench = bench
        self.prefix = bench.prefix
        self.given = {"machine": machine_folder, "user": user_folder}
        self.options = list(bench.options)
        if machine_folder:  # the write list of the plan must name the folder the run uses
            bench.options = self.options + ["/folder=" + machine_folder]

    def command(self, scope):
        folder = self.given[scope]
        return [self.bench.setup, *self.options, *(["/folder=" + folder] if folder else []), "/scope=" + scope]

    def default_folders(self):
        """Each scope's default folder as this prefix names it."""
        self.prefix.start()
        result = self.prefix.wine("cmd", "/c", "echo %LOCALAPPDATA%")
        self.prefix.stop()
        local = result.stdout.strip()
        if result.returncode != 0 or drive_c_folder(local) is None:
            sys.exit(f"bench: the user's local application data is {local!r}, not on C:")
        return {"machine": "C:\\Program Files\\Lumiscope", "user": local + "\\Programs\\Lumiscope"}

    def verify(self):
        """Each scope once, checked against its end state; the machine's also against the
        setup's write list."""
        b = self.bench
        defaults = self.default_folders()
        self.folders = {scope: self.given[scope] or defaults[scope] for scope in SCOPES}
        for scope, folder in self.folders.items():
            if drive_c_folder(folder) is None:
                sys.exit(f"bench: the {scope} folder {folder} is not on C:")
        machine, user = (drive_c_folder(self.folders[s]) + "/" for s in SCOPES)
        if machine.startswith(user) or user.startswith(machine):
            sys.exit("bench: each scope needs a folder of its own, neither below the other")
        _code, bare = b.end_state_after([b.bare])
        noise = set(end_state.difference(b.base, bare))
        problems = []
        for scope, other in zip(SCOPES, reversed(SCOPES)):
            code, state = b.end_state_after(self.command(scope))
            if code != 0:
                sys.exit(f"bench: the /scope={scope} installation ended with exit code {code}")
            diff = end_state.difference(b.base, state)
            found = end_state_problems(scope, diff, self.folders[scope], self.folders[other], noise)
            if scope == "machine":
                found += [f"lacks {line}" for line in end_state.check_expected(state, b.registry_tsv)]
            problems += [f"/scope={scope}: {p}" for p in found]
            files = sum(1 for item in diff if item.startswith("file ") and diff[item][1] is not None)
            print(f"end state, /scope={scope}: {files} files made or changed, uninstall entry in "
                  f"{'HKLM' if scope == 'machine' else 'HKCU'}, program in {self.folders[scope]}")
        if problems:
            for p in problems[:40]:
                print("  " + p)
            sys.exit("bench: an installation did not leave its scope's end state")
        print("  each as its scope has it; the per-user run changed nothing below HKLM that a bare process does not")

    def rounds(self, count):
        runs = [(scope, self.command(scope)) for scope in SCOPES]
        times = {scope: [] for scope in SCOPES}
        cpu = {scope: [] for scope in SCOPES}
        for r in range(count):
            for scope, command in runs[r % 2:] + runs[:r % 2]:
                seconds, cpu_seconds, code = self.bench.run_once(command)
                if code != 0:
                    sys.exit(f"bench: the /scope={scope} installation ended with {code} in round {r + 1}")
                times[scope].append(seconds)
                cpu[scope].append(cpu_seconds)
            print(f"  round {r + 1}: " + "  ".join(f"{s} {times[s][-1]:.3f} s ({cpu[s][-1]:.3f} s CPU)"
                                                    for s in SCOPES), flush=True)
        for title, figures in (("wall time, seen from the host:", times),
                               ("CPU time of the installer, the Wine server and Wine's services:", cpu)):
            print(title)
            for scope in SCOPES:
                print(f"  /scope={scope + ':':<8} {report.summary(figures[scope])}")
            ratios = [u / m for u, m in zip(figures["user"], figures["machine"])]
            print(f"  ratio user/machine per round: median {statistics.median(ratios):.2f}  "
                  f"(min {min(ratios):.2f}, max {max(ratios):.2f})")
        self.times, self.cpu = times, cpu
        print(goal_line([u / m for u, m in zip(times["user"], times["machine"])]))

    def phases(self, runs):
        """Where each scope's time goes: the step log's phases, medians of `runs` traced runs
        of each (order rotated), and per phase the user's median less the machine's."""
        figures = {scope: {} for scope in SCOPES}
        for r in range(runs):
            for scope in SCOPES[r % 2:] + SCOPES[:r % 2]:
                log = f"{scope}.log"
                seconds, text = self.bench.traced([*self.command(scope), f"/log=C:\\bench-trace\\{log}"], log)
                spans, first, last = report.phases(text)
                for name, value in [*spans.items(), ("start", first or 0), ("rest", seconds * 1000 - (last or 0)),
                                    ("total", seconds * 1000)]:
                    figures[scope].setdefault(name, []).append(value)
        if not runs:
            return
        print(f"phases, medians of {runs} traced runs each (ms):")
        names = list(dict.fromkeys([*figures["machine"], *figures["user"]]))
        median = lambda scope, name: statistics.median(figures[scope].get(name) or [0])
        print("  " + " ".join(f"{n:>9}" for n in ["", *names]))
        for scope in SCOPES:
            print(f"  {scope:>9} " + " ".join(f"{median(scope, n):9.1f}" for n in names))
        print(f"  {'user-mach':>9} " + " ".join(f"{median('user', n) - median('machine', n):9.1f}" for n in names))

    def table(self, rounds):
        cell = lambda v, unit=" s": f"{statistics.median(v):.2f}{unit} ({min(v):.2f}–{max(v):.2f})"
        payload = (f"{self.bench.payload_mb} MiB synthetic payload" if self.bench.payload_mb
                   else "the product's payload")
        ratio = lambda f: [u / m for u, m in zip(f["user"], f["machine"])]
        print(f"\nsummary ({payload}, {rounds} rounds; median, min–max):\n")
        print("| | /scope=machine | /scope=user | user/machine per round |\n|---|---|---|---|")
        print(f"| fresh silent installation | {cell(self.times['machine'])} | {cell(self.times['user'])} "
              f"| {cell(ratio(self.times), '')} |")
        print(f"| CPU time (installer, server, services) | {cell(self.cpu['machine'])} | {cell(self.cpu['user'])} "
              f"| {cell(ratio(self.cpu), '')} |")
