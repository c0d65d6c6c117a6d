"""Peak private memory of a Windows process under Wine, sampled from the host.

The process that `wine64 program.exe` starts is the Windows process itself, so its
/proc/<pid>/status tells what it holds. Private memory in the Windows sense (what a process
commits that no file backs: its heap, stacks, and sections of its image that the loader had to
copy) is its anonymous memory, RssAnon, plus what of it was swapped out, VmSwap. The pages of
an image or a file mapped straight from its file are RssFile and do not count. The kernel keeps
no peak of RssAnon (VmHWM is the peak of all resident memory, files included), so a host
thread reads status every few milliseconds and keeps the largest sum; memory that an
installer holds for its work is held far longer than that. Wine's own GetProcessMemoryInfo
reads the same two lines (see bench_tool memory).
"""
import os
import subprocess
import threading
import time

INTERVAL = 0.002


def _fields(path, wanted):
    """{field: KiB} of the wanted lines of a /proc file ("State" as its letter); None once the
    process is gone."""
    try:
        with open(path, "rb") as f:
            text = f.read()
    except OSError:
        return None
    fields = {}
    for line in text.split(b"\n"):
        name, _, rest = line.partition(b":")
        if name in wanted:
            fields[name.decode()] = rest.split()[0] if name == b"State" else int(rest.split()[0])
    return fields


def _status(pid):
    return _fields(f"/proc/{pid}/status", (b"RssAnon", b"RssFile", b"VmSwap", b"VmHWM", b"VmRSS", b"State"))


def _rollup(pid):
    return _fields(f"/proc/{pid}/smaps_rollup", (b"Anonymous", b"Private_Dirty", b"Private_Clean", b"Rss"))


class Peak:
    """Figures of one sampled run, in KiB: the peak of RssAnon + VmSwap, RssFile at that
    moment, VmHWM at the end, and the peak of smaps_rollup's Anonymous (sampled more rarely:
    reading it walks every mapping)."""

    def __init__(self):
        self.private = 0
        self.file_at_peak = 0
        self.hwm = 0
        self.rollup_anonymous = 0
        self.samples = 0
        self.rollups = 0
        self.seconds = 0.0
        self.code = None


def sample(command, env, cwd=None, interval=INTERVAL, rollup_every=10):
    """Runs `command` (a wine64 command line) to its end and returns a Peak."""
    peak = Peak()
    start = time.perf_counter()
    process = subprocess.Popen(command, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    done = threading.Event()

    def watch():
        n = 0
        while not done.is_set():
            status = _status(process.pid)
            if status is None or status.get("State") == b"Z":
                break
            private = status.get("RssAnon", 0) + status.get("VmSwap", 0)
            if private > peak.private:
                peak.private = private
                peak.file_at_peak = status.get("RssFile", 0)
            peak.hwm = max(peak.hwm, status.get("VmHWM", 0))
            peak.samples += 1
            n += 1
            if n % rollup_every == 0:
                rollup = _rollup(process.pid)
                if rollup:
                    peak.rollup_anonymous = max(peak.rollup_anonymous, rollup.get("Anonymous", 0))
                    peak.rollups += 1
            time.sleep(interval)

    watcher = threading.Thread(target=watch, daemon=True)
    watcher.start()
    peak.code = process.wait()
    peak.seconds = time.perf_counter() - start
    done.set()
    watcher.join()
    return peak


def mib(kib):
    return kib / 1024.0
