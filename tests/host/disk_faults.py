#!/usr/bin/env python3
"""Silent installations onto disks that refuse the payload, under Wine: a target folder where
nothing can be created (immutable, as root; Wine itself ignores read-only attributes for root)
and a full disk (a small tmpfs). Each must end with exit code 4, one log entry in the folder the
setup was started from, no uninstall entry, and no file cut short. Then an upgrade that does not
fit: an installation on a nearly full disk stays exactly as it was when a setup with a bigger
viewer fails, and the step log names the full disk; and an upgrade that changes one small file
succeeds there, since the files that did not change need no room. Needs root; exits 77 (skipped) without it.
    disk_faults.py BUILD_DIR WINE_DIR"""
import hashlib
import os
import random
import shutil
import subprocess
import sys
import tempfile
import zipfile

build, wine_dir = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
here = os.path.dirname(os.path.abspath(__file__))
wine_exec = os.path.join(here, "..", "..", "scripts", "wine-exec")
drive_c = os.path.join(wine_dir, "prefix", "drive_c")
uninstall_key = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Lumiscope64"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def registered():
    return subprocess.run([wine_exec, wine_dir, "reg", "query", uninstall_key],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def wine(*args, cwd=None):
    return subprocess.run([wine_exec, wine_dir, *args], cwd=cwd, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=60).returncode


def run_setup(work, target, setup=None, *options):
    return wine(setup or os.path.join(build, "Lumiscope64Setup.exe"), "/silent", "/folder=" + target, *options,
                cwd=work)


def check_failed_run(label, work, target_windows, code):
    check(code == 4, f"{label}: exit code {code}, not 4")
    log = os.path.join(work, "Lumiscope_Install.log")
    text = open(log, "rb").read() if os.path.exists(log) else b""
    check(text.count(b"-" * 48 + b"\r\n") == 1, f"{label}: not one log entry in the starting folder: {text!r}")
    check((target_windows.rstrip("\\") + "\\: Fehler beim Installieren!").encode("latin-1") in text,
          f"{label}: the entry does not name the folder and the error: {text!r}")
    check(not registered(), f"{label}: the uninstall entry was written")


def payload_sizes():
    with zipfile.ZipFile(os.path.join(build, "payload", "payload.zip")) as z:
        return {i.filename.replace("/", os.sep): i.file_size for i in z.infolist() if not i.is_dir()}


def immutable_target(root):
    target = os.path.join(root, "Locked")
    work = os.path.join(root, "work_locked")
    os.makedirs(target)
    os.makedirs(work)
    subprocess.run(["chattr", "+i", target], check=True)
    try:
        code = run_setup(work, r"C:\%s\Locked" % os.path.basename(root))
    finally:
        subprocess.run(["chattr", "-i", target])
    check_failed_run("no write rights", work, r"C:\%s\Locked" % os.path.basename(root), code)
    check(os.listdir(target) == [], "no write rights: something was created in the target")


def full_disk(root):
    disk = os.path.join(root, "Full")
    work = os.path.join(root, "work_full")
    os.makedirs(disk)
    os.makedirs(work)
    # A new tmpfs is writable by everyone (1777), which Wine reports as everyone's right to delete
    # what it holds: the setup would refuse it as a parent (exit 3). Only its owner writes here.
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=96k,mode=755", "tmpfs", disk], check=True)
    try:
        target = r"C:\%s\Full\Lumiscope" % os.path.basename(root)
        code = run_setup(work, target)
        check_failed_run("full disk", work, target, code)
        sizes = payload_sizes()
        for folder, _, files in os.walk(os.path.join(disk, "Lumiscope")):
            for name in files:
                relative = os.path.relpath(os.path.join(folder, name), os.path.join(disk, "Lumiscope"))
                actual = os.path.getsize(os.path.join(folder, name))
                check(sizes.get(relative) == actual, f"full disk: {relative} holds {actual} bytes, "
                                                     f"the payload {sizes.get(relative)}")
    finally:
        subprocess.run(["umount", disk])


def tree(folder):
    """Every file below `folder` with the SHA-256 of its bytes."""
    found = {}
    for parent, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(parent, name)
            found[os.path.relpath(path, folder)] = hashlib.sha256(open(path, "rb").read()).hexdigest()
    return found


def changed_setup(work, name, file_name, change):
    """A copy of the setup whose payload has one file changed: `change` maps its bytes to the new ones."""
    archive = os.path.join(work, name + ".zip")
    with zipfile.ZipFile(os.path.join(build, "payload", "payload.zip")) as old, \
            zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as new:
        for info in old.infolist():
            data = old.read(info)
            new.writestr(info, change(data) if info.filename == file_name else data)
    setup = os.path.join(work, name + ".exe")
    shutil.copy(os.path.join(build, "Lumiscope64Setup.exe"), setup)
    swap = os.path.join(build, "tests", "fixtures", "swap_payload.exe")
    if wine(swap, setup, archive) != 0:
        raise RuntimeError("the changed payload could not be swapped in")
    return setup


def nearly_full_upgrade(root, label, file_name, change, fits):
    """An installation on a disk with room for a little more (128 KiB), upgraded by a setup whose
    payload differs in one file: it either fits (the unchanged files need no room) or fails
    with the installation left exactly as it was."""
    disk = os.path.join(root, label)
    work = os.path.join(root, "work_" + label)
    os.makedirs(disk)
    os.makedirs(work)
    setup = changed_setup(work, label, file_name, change)
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=8m,mode=755", "tmpfs", disk], check=True)  # as above
    try:
        target = r"C:\%s\%s\Lumiscope" % (os.path.basename(root), label)
        check(run_setup(work, target) == 0, f"{label}: the first installation failed")
        installed = tree(disk)
        stat = os.statvfs(disk)
        used = (stat.f_blocks - stat.f_bfree) * stat.f_frsize
        subprocess.run(["mount", "-o", "remount,size=%d" % (used + 128 * 1024), disk], check=True)
        code = run_setup(work, target, setup, r"/log=C:\%s\work_%s\steps.log" % (os.path.basename(root), label))
        steps = open(os.path.join(work, "steps.log"), "rb").read()
        failed = [line for line in steps.splitlines() if b"failed" in line]
        if fits:
            check(code == 0, f"{label}: exit code {code}, not 0: {failed!r}")
            wanted = change(zipfile.ZipFile(os.path.join(build, "payload", "payload.zip")).read(file_name))
            check(open(os.path.join(disk, "Lumiscope", file_name), "rb").read() == wanted,
                  f"{label}: the changed file was not replaced")
        else:
            check(code == 4, f"{label}: exit code {code}, not 4")
            check(tree(disk) == installed, f"{label}: the installation did not stay as it was")
            check(registered(), f"{label}: the earlier installation lost its uninstall entry")
            check(b"Win32 error 112" in steps, f"{label}: the step log does not name the full disk (112): {failed!r}")
        subprocess.run(["mount", "-o", "remount,size=8m", disk], check=True)
        uninstaller = os.path.join(disk, "Lumiscope", "lm_uninstall.exe")
        check(wine(uninstaller, "/silent", "/purge", cwd=work) == 0, f"{label}: the uninstallation failed")
    finally:
        subprocess.run(["umount", disk])


def main():
    if os.geteuid() != 0:
        print("disk_faults: needs root for chattr and mount; skipped")
        return 77
    if registered():
        print("disk_faults: the prefix holds an installation already; cannot tell a new uninstall entry")
        return 1
    root = tempfile.mkdtemp(prefix="lumi_disk_", dir=drive_c)
    try:
        immutable_target(root)
        full_disk(root)
        # Not room for a 300 KB bigger viewer (data deflate cannot shrink) beside the old one.
        nearly_full_upgrade(root, "Upgrade", "lu_scp64.exe", lambda data: data + random.Random(4).randbytes(300 * 1024),
                            fits=False)
        # Room for one changed text, not for a second copy of the payload.
        nearly_full_upgrade(root, "Changed", "l_about.txt", lambda data: data + b"Version 4.71\r\n", fits=True)
    finally:
        subprocess.run(["rm", "-rf", root])
    for failure in failures:
        print("disk_faults:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
