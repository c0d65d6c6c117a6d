"""The benchmark's Wine prefix: a saved base state, a reset to it between runs (server stopped,
files restored), a warm start (server, system processes and the shell's link services up, as
on a running Windows), and timed runs of Windows programs."""
import os
import subprocess
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

    def reset(self, bare):
        """Back to the base state, then warm: the same starting point for every run. After a
        start of the server the first processes are slow, the first link very slow, and Wine's
        desktop process comes and goes with the windows (Windows keeps its shell running)."""
        self.stop()
        self.rsync(self.base_dir, self.prefix)
        self.start()
        subprocess.Popen([WINE64, self.tool, "hold"], env=self.env, stdin=subprocess.DEVNULL,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        self.wine(self.tool, "warm-up", check=True)
        for _ in range(2):
            self.wine(bare, check=True)

    def wine(self, *args, check=False, cwd=None):
        return subprocess.run([WINE64, *args], env=self.env, cwd=cwd, check=check, capture_output=True, text=True)

    def timed(self, *args, cwd=None):
        """Seconds the whole process took, seen from the host, and its exit code."""
        start = time.perf_counter()
        result = subprocess.run([WINE64, *args], env=self.env, cwd=cwd, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return time.perf_counter() - start, result.returncode

    def drive_c(self, *parts):
        return os.path.join(self.prefix, "drive_c", *parts)


def windows_path(unix_path):
    """The Z: path under which Wine sees a host file."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")
