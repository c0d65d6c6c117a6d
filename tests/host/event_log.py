#!/usr/bin/env python3
"""The one Application log entry of each run, as the programs hand it to the system: Wine 8
keeps no event log, but its advapi32 traces what ReportEventW is given (source, type, id and
the text) on the "eventlog" and "advapi" debug channels (an error as "err", a warning as "warn"). A successful installation, a refused
one and the uninstallation are run with that trace on; the event source's registration comes
and goes with the installation.
    event_log.py BUILD_DIR WINE_DIR"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

build, wine_dir = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
here = os.path.dirname(os.path.abspath(__file__))
wine_env = os.path.join(here, "..", "..", "scripts", "wine-env")
drive_c = os.path.join(wine_dir, "prefix", "drive_c")
source_key = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Lumiscope64 Setup"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def traced(work, *args):
    """Runs a Windows program with the event log's trace on; its exit code and its events as
    (source, type, id, text). The trace goes to a file: a pipe would wait for Wine's services."""
    trace = os.path.join(work, "trace.txt")
    script = '. "$1" "$2"; shift 2; export WINEDEBUG=-all,+eventlog,fixme+advapi,err+virtual; exec "$wine64" "$@"'
    # Once more only when Wine's loader could not start the program (as scripts/wine-exec does).
    for attempt in (1, 2):
        with open(trace, "wb") as out:
            code = subprocess.run(["bash", "-c", script, "wine", wine_env, wine_dir, *args], cwd=work,
                                  stdout=subprocess.DEVNULL, stderr=out, timeout=90).returncode
        with open(trace, encoding="utf-8", errors="replace") as f:
            text = f.read()
        if code == 0 or "failed to map the shared user data" not in text:
            break
        print("event_log: Wine could not start the program; starting it once more")
    return code, events(text)


def unescape(text):
    return re.sub(r"\\(.)", lambda m: {"r": "\r", "n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), text)


def events(trace):
    found, source, header = [], None, None
    for line in trace.splitlines():
        m = re.search(r'RegisterEventSourceW \(\(null\),L"(.*)"\)', line)
        if m:
            source = unescape(m.group(1))
        m = re.search(r"ReportEventW \(\w+,0x(\w+),0x\w+,0x(\w+),", line)
        if m:
            header = (int(m.group(1), 16), int(m.group(2), 16))
        m = re.search(r'(?:trace|warn|err):eventlog:ReportEventW L"(.*)"$', line)
        if m and header:
            found.append((source, header[0], header[1], unescape(m.group(1))))
    return found


def source_values(work):
    """The registered source's values as `reg query` prints them ("" when the key is missing)."""
    script = '. "$1" "$2"; shift 2; exec "$wine64" reg query "$@"'
    run = subprocess.run(["bash", "-c", script, "wine", wine_env, wine_dir, source_key], cwd=work,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60)
    return run.stdout.decode("utf-8", "replace") if run.returncode == 0 else ""


def expect_one(label, runs, code, source, kind, event_id, *words):
    run_code, found = runs
    check(run_code == code, f"{label}: exit code {run_code}, expected {code}")
    check(len(found) == 1, f"{label}: {len(found)} events, expected one: {found}")
    if not found:
        return
    got_source, got_kind, got_id, text = found[0]
    check((got_source, got_kind, got_id) == (source, kind, event_id),
          f"{label}: source, type, id {(got_source, got_kind, got_id)}")
    for word in ("Lumiscope 4.70 (64-bit)", "scope: machine", f"exit code {code}: ") + words:
        check(word in text, f"{label}: {word!r} not in {text!r}")


def main():
    root = tempfile.mkdtemp(prefix="lumi_event_", dir=drive_c)
    target = "C:\\" + os.path.basename(root) + "\\Lumiscope"
    work = os.path.join(root, "work")
    os.makedirs(work)
    setup = os.path.join(build, "Lumiscope64Setup.exe")
    step_log = "C:\\" + os.path.basename(root) + "\\work\\steps.log"
    try:
        # Another test in this prefix may have left the key itself behind: the uninstallation
        # must leave it as this installation found it.
        found_before = source_values(work)
        expect_one("installed", traced(work, setup, "/silent", "/folder=" + target, "/log=" + step_log), 0,
                   "Lumiscope64 Setup", 4, 1000, "exit code 0: installed", "log: " + step_log)
        values = source_values(work)
        check(target + "\\lm_uninstall.exe" in values and "0x7" in values, f"source not registered: {values!r}")
        expect_one("refused", traced(work, setup, "/silent", "/folder=Relative\\Lumiscope"), 2,
                   "Lumiscope64 Setup", 1, 1001, "not installed: invalid target folder")
        uninstaller = os.path.join(root, "Lumiscope", "lm_uninstall.exe")
        expect_one("removed", traced(work, uninstaller, "/silent"), 0, "Lumiscope64 Setup", 4, 1010,
                   "exit code 0: removed", "log: ")
        check(source_values(work) == found_before, "the event source stays after the uninstallation")
    finally:
        shutil.rmtree(root, ignore_errors=True)
    for failure in failures:
        print("event_log:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
