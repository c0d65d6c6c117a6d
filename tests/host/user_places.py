#!/usr/bin/env python3
"""The places the user's own registry and environment name, pointed at a folder the user may
not write himself (its Unix mode 555: Wine then gives the user no right to add files there,
while the programs, running as root, still could): the desktop and the start menu
(HKCU ...\\Explorer\\User Shell Folders), a settings folder named through a variable of
HKCU\\Environment, and the temporary folder (HKCU\\Environment TEMP and TMP). A silent setup
with a desktop link and the group writes nothing there and says so in its step log; the
uninstaller writes no log there and leaves an earlier copy of itself there. Both end with 0.
    user_places.py BUILD_DIR WINE_DIR"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from foreign_files import build, check, drive_c, failures, install, read, temp_folder, wine, wine_exec, \
    wine_dir, windows_path  # noqa: E402

SHELL_FOLDERS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"
ENVIRONMENT = r"HKCU\Environment"
CHANGED = [(SHELL_FOLDERS, "Desktop"), (SHELL_FOLDERS, "Programs"), (ENVIRONMENT, "TEMP"),
           (ENVIRONMENT, "TMP"), (ENVIRONMENT, "LUMI_USER_PLACE")]


def reg(*args):
    return subprocess.run([wine_exec, wine_dir, "reg", *args], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          timeout=60, text=True, errors="replace")


def value_of(key, name):
    """(type, data) of a registry value, or None when it is missing."""
    out = reg("query", key, "/v", name)
    for line in out.stdout.splitlines():
        parts = line.strip().split(None, 2)
        if out.returncode == 0 and len(parts) >= 2 and parts[0].lower() == name.lower():
            return parts[1], parts[2] if len(parts) > 2 else ""
    return None


def set_value(key, name, kind, data):
    check(reg("add", key, "/v", name, "/t", kind, "/d", data, "/f").returncode == 0, f"reg add {key} {name}")


def restore(saved):
    for (key, name), before in saved.items():
        if before is None:
            reg("delete", key, "/v", name, "/f")
        else:
            set_value(key, name, *before)


def main():
    root = tempfile.mkdtemp(prefix="lumi_places_", dir=drive_c)
    work, admin = os.path.join(root, "work"), os.path.join(root, "admin")
    old_copy = os.path.join(admin, "Lumiscope_Uninstall_old")
    os.makedirs(work)
    os.makedirs(old_copy)
    open(os.path.join(old_copy, "lm_uninstall.exe"), "wb").write(b"an administrator's\r\n")
    own_log = os.path.join(temp_folder(), "Lumiscope_Uninstall.log")
    if os.path.exists(own_log):
        os.remove(own_log)
    saved = {place: value_of(*place) for place in CHANGED}
    try:
        for key, name in CHANGED:
            set_value(key, name, "REG_EXPAND_SZ" if key == SHELL_FOLDERS else "REG_SZ", windows_path(admin))
        os.chmod(admin, 0o555)
        target, steps = os.path.join(root, "Program"), os.path.join(work, "steps.log")
        code = install(target, work, "/desktop=1", "/group=1", r"/ini=%LUMI_USER_PLACE%\Lumiscope",
                       "/log=" + windows_path(steps))
        check(code == 0, f"the setup ended with {code}")
        check(sorted(os.listdir(admin)) == ["Lumiscope_Uninstall_old"], f"the setup wrote {sorted(os.listdir(admin))}")
        log = read(steps).decode("utf-8", "replace") if os.path.exists(steps) else ""
        for phase in ("links", "settings"):
            check(any(phase in line and "may not write there" in line and windows_path(admin) in line
                      for line in log.splitlines()), f"the step log does not name the skipped {phase} place")
        if code == 0:
            code = wine(os.path.join(target, "lm_uninstall.exe"), "/silent", cwd=work)
            check(code == 0, f"the uninstaller ended with {code}")
    finally:
        os.chmod(admin, 0o755)
        restore(saved)
    check(sorted(os.listdir(admin)) == ["Lumiscope_Uninstall_old"], f"the uninstaller wrote {sorted(os.listdir(admin))}")
    check(os.path.isdir(old_copy) and os.listdir(old_copy) == ["lm_uninstall.exe"], "the earlier copy was removed")
    # A log in the user's own temporary folder would mean that TEMP never led to the place.
    check(not os.path.exists(own_log), "the uninstaller's log went to the usual temporary folder")
    shutil.rmtree(root, ignore_errors=True)
    for failure in failures:
        print("user_places:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
