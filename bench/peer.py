"""The peer installer: the setup's payload staged as plain files with the times the setup gives
them, the NSIS lines that install them, and makensis."""
import os
import shutil
import subprocess
import time
import zipfile


def nsis_quoted(text):
    """A double-quoted NSIS string standing for exactly `text`."""
    escaped = (text.replace("$", "$$").replace('"', '$\\"')
               .replace("\r", "$\\r").replace("\n", "$\\n").replace("\t", "$\\t"))
    return f'"{escaped}"'


def stage_payload(archive, stage, install_folder):
    """Unpacks `archive` into `stage` and returns the NSIS lines that install it, entry by
    entry in archive order. A file's time is its entry's DOS time read as local time, which
    is what the setup sets."""
    shutil.rmtree(stage, ignore_errors=True)
    os.makedirs(stage)
    lines = []
    out_dir = None
    with zipfile.ZipFile(archive) as z:
        for info in z.infolist():
            relative = info.filename.rstrip("/")
            target = install_folder + "\\" + relative.replace("/", "\\")
            if info.is_dir():
                os.makedirs(os.path.join(stage, relative), exist_ok=True)
                lines.append("CreateDirectory " + nsis_quoted(target))
                continue
            path = z.extract(info, stage)
            stamp = time.mktime(info.date_time + (0, 0, -1))
            os.utime(path, (stamp, stamp))
            folder = target.rsplit("\\", 1)[0]
            if folder != out_dir:
                lines.append("SetOutPath " + nsis_quoted(folder))
                out_dir = folder
            lines.append("File " + nsis_quoted(os.path.abspath(path)))
    return lines


def build(source_dir, script_nsh, archive, install_folder, work, out_exe, trace=None):
    """Builds the peer into `out_exe`; with `trace` (a Windows path) the traced variant."""
    payload_nsh = os.path.join(work, "payload.nsh")
    lines = stage_payload(archive, os.path.join(work, "stage"), install_folder)
    with open(payload_nsh, "w", encoding="utf-8-sig") as f:
        f.write("\n".join(lines) + "\n")
    command = ["makensis", "-V2", "-INPUTCHARSET", "UTF8",
               f"-DPEER_SCRIPT={script_nsh}", f"-DPEER_PAYLOAD={payload_nsh}", f"-DPEER_OUT={out_exe}"]
    if trace:
        command.append(f"-DPEER_TRACE={trace}")
    command.append(os.path.join(source_dir, "bench", "peer.nsi"))
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError("makensis failed:\n" + result.stdout + result.stderr)
