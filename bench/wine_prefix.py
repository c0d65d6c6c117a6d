"""The benchmark's Wine prefix: a saved base state, a reset to it between runs (server stopped,
files restored), a warm start (server, system processes and the shell's link services up, as
on a running Windows), and timed runs of Windows programs."""
import os
import resource
import shutil
import subprocess
import tempfile
import time

WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"
TRASH_ROOM = 4 << 30  # below this much free space the trash is emptied, and then waited out
INODE_QUARANTINE = 65  # seconds in which ext4 without a journal skips a freed inode (60 once written)


class Prefix:
    def __init__(self, source_dir, wine_dir, base_dir, tool):
        self.source_dir = source_dir
        self.wine_dir = wine_dir
        self.prefix = os.path.join(wine_dir, "prefix")
        self.base_dir = base_dir
        self.tool = tool
        self.trash = os.path.join(os.path.dirname(base_dir), "trash")
        self.trash_count = 0
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
        """A new prefix from the tests' template, with what a Windows has and Wine lacks. The
        last one is moved aside, not deleted (see rsync)."""
        self.stop()
        if os.path.lexists(self.wine_dir):
            self.move_aside(self.wine_dir)
        self.script("fresh", self.wine_dir, template)
        self.start()
        self.wine("reg", "add", r"HKLM\Software\RegisteredApplications", "/f")
        self.stop()
        self.rsync(self.prefix, self.base_dir)

    def rsync(self, source, target):
        """`target` made the same as `source` without freeing an inode: what would be deleted or
        rewritten is moved aside first. On an ext4 volume without a journal (this machine's), a
        new file skips, one by one, every inode freed in the last minute. A reset that deleted
        the last run's ~900 files made the next run's file creation search past them: 43 % of the
        server's time in a fresh installation, which took 1.0, 1.2, 1.5 and 1.8 s in four rounds
        in a row, and the peer as much more."""
        changes = subprocess.run(["rsync", "-a", "--delete", "--dry-run", "--out-format=%i %n",
                                  source + "/", target + "/"], capture_output=True, text=True, check=True)
        gone = []
        for line in changes.stdout.splitlines():
            flags, _, name = line.partition(" ")
            name = name.lstrip(" ").rstrip("/")  # a deletion's flags are padded
            if flags == "*deleting" or (flags.startswith(">f") and "+" not in flags):
                gone.append(name)
        if gone and shutil.disk_usage(target).free < TRASH_ROOM:
            self.empty_trash()
            os.sync()
            time.sleep(INODE_QUARANTINE)
        names = set(gone)
        for name in gone:
            if os.path.dirname(name) not in names and os.path.lexists(os.path.join(target, name)):
                self.move_aside(os.path.join(target, name))
        subprocess.run(["rsync", "-a", "--delete", source + "/", target + "/"], check=True)

    def move_aside(self, path):
        self.trash_count += 1
        os.makedirs(self.trash, exist_ok=True)
        os.rename(path, os.path.join(self.trash, f"{os.getpid()}-{self.trash_count}"))

    def empty_trash(self):
        """Deletes what the resets moved aside (also what a killed benchmark left): at the end of
        a benchmark, where no timed run follows within the minute in which freed inodes are skipped."""
        shutil.rmtree(self.trash, ignore_errors=True)

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
