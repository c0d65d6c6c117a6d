"""The benchmark's Wine prefix: a saved base state, a reset to it between runs (server stopped,
files restored), a warm start (server, system processes and the shell's link services up, as
on a running Windows), and timed runs of Windows programs."""
import os
import resource
import subprocess
import tempfile
import time

WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"


class Prefix:
    def __init__(self, source_dir, wine_dir, base_dir, tool):
        self.source_dir = source_dir
        self.wine_dir = wine_dir
        self.prefix = os.path.join(wine_dir, "prefix")
        self.base_dir = base_dir
        self.tool = tool
        self.env = dict(os.environ,
                        WINEPREFIX=self.prefix,
                        HOME=os.path.join(wine_dir, "home"),
                        WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
                        WINEARCH="win64")

    def script(self, *args):
        subprocess.run([os.path.join(self.source_dir, "scripts", "wine-prefix"), *args], check=True,
                       stdout=subprocess.DEVNULL)

    def create(self, template):
        """A new prefix from the tests' template, with what a Windows has and Wine lacks."""
        self.script("fresh", self.wine_dir, template)
        self.start()
        self.wine("reg", "add", r"HKLM\Software\RegisteredApplications", "/f")
        self.stop()
        self.rsync(self.prefix, self.base_dir)

    def rsync(self, source, target):
        subprocess.run(["rsync", "-a", "--delete", source + "/", target + "/"], check=True)

    def stop(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=self.env, stderr=subprocess.DEVNULL)

    def start(self):
        self.script("start", self.wine_dir)

    def reset(self, bare, base=None):
        """Back to the base state, then warm: the same starting point for every run. After a
        start of the server the first processes are slow, the first link very slow, and Wine's
        desktop process comes and goes with the windows (Windows keeps its shell running). `base`:
        another saved state (one with an installation, say) instead of the base."""
        self.stop()
        self.rsync(base or self.base_dir, self.prefix)
        # The restored files are written back to the disk now, not during the timed run, whose
        # own writes would otherwise wait behind them (a repair took 0.8 s or 1.4 s by that alone).
        os.sync()
        self.start()
        subprocess.Popen([WINE64, self.tool, "hold"], env=self.env, stdin=subprocess.DEVNULL,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        self.wine(self.tool, "warm-up", check=True)
        for _ in range(2):
            self.wine(bare, check=True)

    def wine(self, *args, check=False, cwd=None):
        """Runs a Windows program to its end; its output comes back as .stdout and .stderr.
        Through files, not pipes: system processes that a program starts inherit its handles,
        and a pipe would stay open as long as they live."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run([WINE64, *args], env=self.env, cwd=cwd, stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=err)
            out.seek(0)
            err.seek(0)
            result.stdout = out.read().decode(errors="replace")
            result.stderr = err.read().decode(errors="replace")
        if check and result.returncode != 0:
            raise RuntimeError(f"{' '.join(args)} ended with {result.returncode}: {result.stderr.strip()}")
        return result

    def timed(self, *args, cwd=None):
        """Seconds the whole process took, seen from the host; the CPU seconds that it, the
        server and Wine's own processes of this prefix used meanwhile (much less disturbed
        by other work on the machine); and its exit code."""
        cpu_before = self.cpu_seconds()
        start = time.perf_counter()
        result = subprocess.run([WINE64, *args], env=self.env, cwd=cwd, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        seconds = time.perf_counter() - start
        return seconds, self.cpu_seconds() - cpu_before, result.returncode

    def cpu_seconds(self):
        """CPU seconds of the finished child processes and of the running processes of this
        prefix (the server, Wine's services)."""
        children = resource.getrusage(resource.RUSAGE_CHILDREN)
        ticks = 0
        marker = b"\0WINEPREFIX=" + self.prefix.encode() + b"\0"
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/environ", "rb") as f:
                    if marker not in b"\0" + f.read():
                        continue
                with open(f"/proc/{pid}/stat") as f:
                    fields = f.read().rsplit(")", 1)[1].split()
                ticks += int(fields[11]) + int(fields[12])  # utime and stime
            except OSError:
                continue
        return children.ru_utime + children.ru_stime + ticks / os.sysconf("SC_CLK_TCK")

    def drive_c(self, *parts):
        return os.path.join(self.prefix, "drive_c", *parts)


def windows_path(unix_path):
    """The Z: path under which Wine sees a host file."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")
