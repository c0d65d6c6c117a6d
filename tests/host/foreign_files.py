#!/usr/bin/env python3
"""What an ordinary process of the same user could do to an administrator's setup and
uninstaller, done from the host under Wine:
- every file either program closes in the prefix's temporary folder is replaced the moment it is
  closed (inotify on its Unix path): an archive by another archive, anything else by a copy of a
  program that does nothing and ends with 0. The setup must install its own payload and the
  uninstaller must really remove it when it reports 0;
- the logs' names are made links (symbolic and hard) to a "system file": a failing silent setup
  (its install log and its step log) and an uninstaller with its default log in the temporary
  folder must leave that file as it was, and keep their exit codes.
    foreign_files.py BUILD_DIR WINE_DIR"""
import ctypes
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import zipfile

build, wine_dir = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
here = os.path.dirname(os.path.abspath(__file__))
wine_exec = os.path.join(here, "..", "..", "scripts", "wine-exec")
drive_c = os.path.join(wine_dir, "prefix", "drive_c")
failures = []

IN_CLOSE_WRITE, IN_CREATE, IN_ISDIR, IN_NONBLOCK = 0x8, 0x100, 0x40000000, 0x800


def check(condition, what):
    if not condition:
        failures.append(what)


def wine(*args, cwd):
    return subprocess.run([wine_exec, wine_dir, *args], cwd=cwd, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=90).returncode


def windows_path(path):
    return "C:\\" + os.path.relpath(path, drive_c).replace("/", "\\")


def temp_folder():
    users = [u for u in os.listdir(os.path.join(drive_c, "users")) if u != "Public"]
    return os.path.join(drive_c, "users", users[0], "Temp")


class Swapper(threading.Thread):
    """Replaces every file closed after writing below `folder` (and its new folders)."""

    def __init__(self, folder, archive, program):
        super().__init__(daemon=True)
        self.libc = ctypes.CDLL(None, use_errno=True)
        self.fd = self.libc.inotify_init1(IN_NONBLOCK)
        self.watches = {}
        self.archive, self.program = archive, program
        self.mine = set()  # our own writes cause events too
        self.swapped = []
        self.stopping = False
        self.watch(folder)

    def watch(self, folder):
        wd = self.libc.inotify_add_watch(self.fd, folder.encode(), IN_CLOSE_WRITE | IN_CREATE)
        self.watches[wd] = folder

    def swap(self, path):
        if path in self.mine:
            self.mine.discard(path)
            return
        self.mine.add(path)
        shutil.copy(self.archive if path.lower().endswith(".zip") else self.program, path)
        self.swapped.append(path)

    def run(self):
        while not self.stopping:
            try:
                data = os.read(self.fd, 65536)
            except BlockingIOError:
                threading.Event().wait(0.001)
                continue
            at = 0
            while at < len(data):
                wd, mask, _, length = struct.unpack_from("iIII", data, at)
                name = data[at + 16:at + 16 + length].rstrip(b"\0").decode(errors="replace")
                at += 16 + length
                path = os.path.join(self.watches.get(wd, ""), name)
                if mask & IN_CREATE and mask & IN_ISDIR:
                    self.watch(path)
                elif mask & IN_CLOSE_WRITE:
                    self.swap(path)


def other_archive(work):
    """The payload with one file's content changed, as an attacker would offer it."""
    archive = os.path.join(work, "other.zip")
    with zipfile.ZipFile(os.path.join(build, "payload", "payload.zip")) as old, \
            zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as new:
        for info in old.infolist():
            new.writestr(info, b"planted\r\n" if info.filename == "l_about.txt" else old.read(info))
    return archive


def swapped_temporary_files(root, work):
    target = os.path.join(root, "Swapped")
    swapper = Swapper(temp_folder(), other_archive(work), os.path.join(build, "bench", "bench_bare.exe"))
    swapper.start()
    try:
        code = wine(os.path.join(build, "Lumiscope64Setup.exe"), "/silent", "/folder=" + windows_path(target),
                    cwd=work)
        with zipfile.ZipFile(os.path.join(build, "payload", "payload.zip")) as payload:
            own = payload.read("l_about.txt")
        if code == 0:
            installed = open(os.path.join(target, "l_about.txt"), "rb").read()
            check(installed == own, "the setup installed a file it did not carry")
        else:
            check(code == 4, f"the setup ended with {code}, neither 0 nor 4")
        if code != 0:
            return
        code = wine(os.path.join(target, "lm_uninstall.exe"), "/silent", "/purge", cwd=work)
        check(code != 0 or not os.path.exists(os.path.join(target, "lu_scp64.exe")),
              "the uninstaller reported 0 for a removal it did not do")
        check(code == 0, f"the uninstaller ended with {code}")
    finally:
        swapper.stopping = True
        swapper.join()
    if swapper.swapped:
        print("foreign_files: replaced", swapper.swapped)


def linked_logs(root, work):
    victim = os.path.join(root, "system.dll")
    other = os.path.join(root, "other.dll")
    for path in (victim, other):
        open(path, "wb").write(b"a system file\r\n")
    os.symlink(victim, os.path.join(work, "Lumiscope_Install.log"))
    os.symlink(other, os.path.join(work, "steps.log"))
    # A relative folder fails at once with a log entry: a failure any process can provoke.
    code = wine(os.path.join(build, "Lumiscope64Setup.exe"), "/silent", "/folder=Relative",
                "/log=" + windows_path(os.path.join(work, "steps.log")), cwd=work)
    check(code == 2, f"linked logs: the setup ended with {code}, not 2")
    os.remove(os.path.join(work, "Lumiscope_Install.log"))
    os.link(victim, os.path.join(work, "Lumiscope_Install.log"))
    check(wine(os.path.join(build, "Lumiscope64Setup.exe"), "/silent", "/folder=Relative", cwd=work) == 2,
          "linked logs: the setup's code changed with a hard-linked log")
    target = os.path.join(root, "Linked")
    check(wine(os.path.join(build, "Lumiscope64Setup.exe"), "/silent", "/folder=" + windows_path(target),
               cwd=work) == 0, "linked logs: the installation failed")
    default_log = os.path.join(temp_folder(), "Lumiscope_Uninstall.log")
    if os.path.lexists(default_log):
        os.remove(default_log)
    os.symlink(victim, default_log)
    try:
        code = wine(os.path.join(target, "lm_uninstall.exe"), "/silent", "/purge", cwd=work)
        check(code == 0, f"linked logs: the uninstaller ended with {code}, not 0")
    finally:
        os.remove(default_log)
    for path in (victim, other):
        check(open(path, "rb").read() == b"a system file\r\n", f"linked logs: {path} was written through a link")


def main():
    root = tempfile.mkdtemp(prefix="lumi_foreign_", dir=drive_c)
    work, logs = os.path.join(root, "work"), os.path.join(root, "logs")
    os.makedirs(work)
    os.makedirs(logs)
    try:
        swapped_temporary_files(root, work)
        linked_logs(root, logs)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    for failure in failures:
        print("foreign_files:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
