#!/usr/bin/env python3
"""What an ordinary process of the same user could do to an administrator's setup and
uninstaller, done from the host under Wine:
- every file either program closes in the prefix's temporary folder is replaced the moment it is
  closed (inotify on its Unix path): an archive by another archive, anything else by a copy of a
  program that does nothing and ends with 0. The setup must install its own payload and the
  uninstaller must really remove it when it reports 0;
- the logs' names are made links (symbolic and hard) to a "system file": a failing silent setup
  (its install log and its step log) and an uninstaller with its default log in the temporary
  folder must leave that file as it was, and keep their exit codes;
- in a program folder that others may write, every staged file closed under its staged name is
  rewritten, and a staged folder is swapped for a link to another folder the moment it is made;
- the settings file, the settings folder, the start-menu group folder and the temporary folder
  are links to other places: nothing there is read, written or deleted.
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


class Watcher(threading.Thread):
    """Calls `act(path, mask)` for every file closed after writing and every folder made below
    `folder` (new folders are watched too)."""

    def __init__(self, folder, act=None):
        super().__init__(daemon=True)
        self.libc = ctypes.CDLL(None, use_errno=True)
        self.fd = self.libc.inotify_init1(IN_NONBLOCK)
        self.watches = {}
        self.act = act
        self.stopping = False
        self.watch(folder)

    def watch(self, folder):
        wd = self.libc.inotify_add_watch(self.fd, folder.encode(), IN_CLOSE_WRITE | IN_CREATE)
        self.watches[wd] = folder

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
                try:
                    self.act(path, mask)
                except OSError:
                    pass  # the program was quicker: nothing to change there any more

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stopping = True
        self.join()


class Swapper(Watcher):
    """Replaces every file closed after writing below `folder` (and its new folders)."""

    def __init__(self, folder, archive, program):
        super().__init__(folder)
        self.archive, self.program = archive, program
        self.mine = set()  # our own writes cause events too
        self.swapped = []
        self.act = lambda path, mask: mask & IN_CLOSE_WRITE and not mask & IN_ISDIR and self.swap(path)

    def swap(self, path):
        if path in self.mine:
            self.mine.discard(path)
            return
        self.mine.add(path)
        shutil.copy(self.archive if path.lower().endswith(".zip") else self.program, path)
        self.swapped.append(path)


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


def payload_files():
    with zipfile.ZipFile(os.path.join(build, "payload", "payload.zip")) as payload:
        return {i.filename: payload.read(i) for i in payload.infolist() if not i.is_dir()}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def install(target, work, *options):
    return wine(os.path.join(build, "Lumiscope64Setup.exe"), "/silent", "/folder=" + windows_path(target),
                *options, cwd=work)


def is_staged(path):
    return any(level.endswith(".lm-new") for level in path.split(os.sep))


def swapped_staged_files(root, work):
    """Staged files rewritten once closed under their staged names: what is installed is the
    payload, or the run fails."""
    target = os.path.join(root, "StagedFiles")
    os.makedirs(target)
    rewritten = []

    def rewrite(path, mask):
        if mask & IN_CLOSE_WRITE and is_staged(path) and os.path.isfile(path) and path not in rewritten:
            rewritten.append(path)  # once: our own write is closed too
            open(path, "wb").write(b"planted\r\n")

    with Watcher(target, rewrite):
        code = install(target, work)
    check(code in (0, 4), f"staged files: the setup ended with {code}")
    if code == 0:
        for name, data in payload_files().items():
            check(read(os.path.join(target, name)) == data, f"staged files: {name} is not the payload's")
    if rewritten:
        print("foreign_files: rewritten", rewritten)


def swapped_staged_folder(root, work):
    """A staged folder swapped for a link to another folder the moment it is made: nothing is
    written there, and no link is put in place."""
    target, victim = os.path.join(root, "StagedFolder"), os.path.join(root, "victim")
    os.makedirs(target)
    os.makedirs(victim)
    open(os.path.join(victim, "liesmich.txt"), "wb").write(b"the victim's own\r\n")

    def swap(path, mask):
        if mask & IN_CREATE and mask & IN_ISDIR and path.endswith(".lm-new") and not os.path.islink(path):
            os.rename(path, path + ".away")
            os.symlink(victim, path)

    with Watcher(target, swap):
        code = install(target, work)
    check(code in (0, 4), f"staged folder: the setup ended with {code}")
    check(os.path.isdir(victim) and os.listdir(victim) == ["liesmich.txt"] and
          read(os.path.join(victim, "liesmich.txt")) == b"the victim's own\r\n",
          "staged folder: the setup wrote into the linked folder, or removed from it")
    for folder in ("Help", "Html"):
        check(not os.path.islink(os.path.join(target, folder)), f"staged folder: a link was put in place as {folder}")
    if code == 0:
        check(read(os.path.join(target, "Help", "liesmich.txt")) == payload_files()["Help/liesmich.txt"],
              "staged folder: the installed help is not the payload's")


def user_folder(*levels):
    users = [u for u in os.listdir(os.path.join(drive_c, "users")) if u != "Public"]
    return os.path.join(drive_c, "users", users[0], *levels)


def linked_places(root, work):
    """The settings file, then the settings folder, the group folder and earlier uninstaller
    copies in the temporary folder, as links to other programs' places."""
    admin = os.path.join(root, "adminonly")
    os.makedirs(admin)
    service = os.path.join(admin, "service.ini")
    open(service, "wb").write(b"[Service]\r\nSecret=1\r\n")
    settings = os.path.join(root, "UserSettings")
    os.makedirs(settings)
    os.symlink(service, os.path.join(settings, "lu_scp64.ini"))
    target = os.path.join(root, "LinkedPlaces")
    code = install(target, work, "/ini=" + windows_path(settings))
    check(code == 0, f"linked settings file: the setup ended with {code}")
    check(read(service) == b"[Service]\r\nSecret=1\r\n", "linked settings file: written through the link")
    for name in os.listdir(settings):
        path = os.path.join(settings, name)
        check(os.path.islink(path) or b"S\0e\0c\0r\0e\0t" not in read(path) and b"Secret" not in read(path),
              f"linked settings file: {name} holds what the link leads to")

    # The settings folder, the start-menu group and an earlier copy's folder as links.
    other = os.path.join(root, "OtherProgram")
    os.makedirs(other)
    for name in ("lu_scp64.ini", "Lumiscope 64 4.67.lnk", "lm_uninstall.exe"):
        open(os.path.join(other, name), "wb").write(b"another program's\r\n")
    group = user_folder("AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs", "Lumiscope 64")
    os.makedirs(os.path.dirname(group), exist_ok=True)
    linked_settings = os.path.join(root, "LinkedSettings")
    copy = os.path.join(temp_folder(), "Lumiscope_Uninstall_7")
    made = [linked_settings, group, copy]
    for link in made:
        os.symlink(other, link)
    try:
        target = os.path.join(root, "LinkedGroup")
        code = install(target, work, "/ini=" + windows_path(linked_settings), "/group=1")
        check(code == 0, f"linked group: the setup ended with {code}")
        if code == 0:
            code = wine(os.path.join(target, "lm_uninstall.exe"), "/silent", "/purge", cwd=work)
            check(code == 0, f"linked settings folder: the uninstaller ended with {code}")
    finally:
        for link in made:
            os.remove(link)
    check(sorted(os.listdir(other)) == ["Lumiscope 64 4.67.lnk", "lm_uninstall.exe", "lu_scp64.ini"],
          f"linked places: the other program's folder changed: {sorted(os.listdir(other))}")
    for name in os.listdir(other):
        check(read(os.path.join(other, name)) == b"another program's\r\n", f"linked places: {name} was changed")


def linked_temporary_folder(root, work):
    """The temporary folder itself a link: the uninstaller writes no log there and removes
    nothing of what it leads to, and its own result stands."""
    target = os.path.join(root, "LinkedTemp")
    check(install(target, work) == 0, "linked temporary folder: the installation failed")
    temp, elsewhere = temp_folder(), os.path.join(root, "elsewhere")
    os.makedirs(os.path.join(elsewhere, "Lumiscope_Uninstall_3"))
    open(os.path.join(elsewhere, "Lumiscope_Uninstall_3", "lm_uninstall.exe"), "wb").write(b"kept\r\n")
    os.rename(temp, temp + ".real")
    os.symlink(elsewhere, temp)
    try:
        code = wine(os.path.join(target, "lm_uninstall.exe"), "/silent", cwd=work)
    finally:
        os.remove(temp)
        os.rename(temp + ".real", temp)
    check(code == 0, f"linked temporary folder: the uninstaller ended with {code}")
    check(sorted(os.listdir(elsewhere)) == ["Lumiscope_Uninstall_3"] and
          read(os.path.join(elsewhere, "Lumiscope_Uninstall_3", "lm_uninstall.exe")) == b"kept\r\n",
          f"linked temporary folder: changed: {os.listdir(elsewhere)}")


def reg_value(key, name=""):
    """The data of a registry value (the default one for "") as `reg query` prints it; None when
    it is missing."""
    out = subprocess.run([wine_exec, wine_dir, "reg", "query", key, *(["/v", name] if name else ["/ve"])],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60).stdout.decode(errors="replace")
    for line in out.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) == 3 and parts[0] == (name or "(Default)") and parts[1].startswith("REG_"):
            return parts[2]
    return None


def hex_sz(text):
    return "1:" + (text + "\0").encode("utf-16-le").hex()


def forged_record(root, work):
    """A user rewrites the record in a program folder he may write: the state before of the
    viewer's open command becomes his program and the line that says the key was made goes;
    a settings file and folder line name an administrator's empty folder. The uninstaller puts
    nothing back from it and deletes nothing that is not surely the product's."""
    target, admin = os.path.join(root, "Forged"), os.path.join(root, "AdminEmpty")
    os.makedirs(admin)
    check(install(target, work, "/assoc=1") == 0, "forged record: the installation failed")
    command_key = "SOFTWARE\\\\Classes\\\\Lumiscope\\\\shell\\\\open\\\\command"
    evil = 'C:\\Users\\Public\\evil.exe "%1"'
    lines = []
    for line in read(os.path.join(target, "lm_install.rec")).decode("utf-8").split("\r\n"):
        f = line.split("\t")
        if f[0] == "key" and f[2].lower().startswith("software\\\\classes\\\\lumiscope") and \
                not f[2].lower().startswith("software\\\\classes\\\\lumiscope."):
            continue
        if f[0] == "value" and f[2] == command_key and f[3] == "":
            f[4] = hex_sz(evil)
        lines.append("\t".join(f))
    escaped = windows_path(admin).replace("\\", "\\\\")
    lines.insert(2, "folder\t" + escaped)
    lines.insert(3, "settings\t" + escaped + "\\\\lu_scp64.ini")
    open(os.path.join(target, "lm_install.rec"), "wb").write("\r\n".join(lines).encode("utf-8"))
    code = wine(os.path.join(target, "lm_uninstall.exe"), "/silent", "/purge", cwd=work)
    check(code == 12, f"forged record: the uninstaller ended with {code}, not 12")
    planted = reg_value("HKLM\\SOFTWARE\\Classes\\Lumiscope\\shell\\open\\command")
    check(planted is None or "evil" not in planted, f"forged record: the open command was put back as {planted}")
    check(os.path.isdir(admin), "forged record: the administrator's folder was deleted")
    check(not os.path.exists(os.path.join(target, "lu_scp64.exe")), "forged record: the viewer stayed")


def main():
    root = tempfile.mkdtemp(prefix="lumi_foreign_", dir=drive_c)
    work, logs = os.path.join(root, "work"), os.path.join(root, "logs")
    os.makedirs(work)
    os.makedirs(logs)
    try:
        swapped_temporary_files(root, work)
        linked_logs(root, logs)
        swapped_staged_files(root, work)
        swapped_staged_folder(root, work)
        linked_places(root, work)
        linked_temporary_folder(root, work)
        forged_record(root, work)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    for failure in failures:
        print("foreign_files:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
