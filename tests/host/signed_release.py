#!/usr/bin/env python3
"""A signed release as a publisher makes it and an administrator checks it: scripts/release signs
with a code-signing certificate of a throw-away authority made here, and then
- the setup and the uninstaller in its payload verify against that authority, and a setup with
  one byte of its payload flipped does not;
- removing the signatures gives back the release's unsigned files, the uninstaller as built, and
  without a certificate the release is the build's own setup;
- rebuilding with the published signatures attached gives the published file, and not a changed one;
- SHA256SUMS and the manifest's installer file name the file's hash, and the three manifest files
  of docs/deployment.md are the templates';
- the signed setup installs silently under Wine and its signed uninstaller removes it again.
Exits 77 (skipped) without osslsigncode or openssl.
    signed_release.py SOURCE_DIR BUILD_DIR WINE_DIR"""
import hashlib
import os
import re
import secrets
import shutil
import subprocess
import sys
import tempfile
import zipfile

source, build, wine_dir = (os.path.abspath(a) for a in sys.argv[1:4])
sys.path.insert(0, os.path.join(source, "scripts"))
import pe_image  # noqa: E402

wine_exec = os.path.join(source, "scripts", "wine-exec")
drive_c = os.path.join(wine_dir, "prefix", "drive_c")
uninstall_key = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Lumiscope64"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def run(*command, **options):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **options)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def make_authority(folder, password):
    """A CA and a code-signing certificate it issued, as a PFX; returns (ca.pem, signer.pfx)."""
    def openssl(*args):
        result = run("openssl", *args, cwd=folder)
        if result.returncode:
            raise SystemExit("openssl %s failed:\n%s" % (args[0], result.stdout))
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
            "-days", "2", "-subj", "/CN=Lumiscope Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "signer.key", "-out", "signer.csr",
            "-subj", "/CN=Brannholt Test Signer")
    with open(os.path.join(folder, "signer.ext"), "w") as f:
        f.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
    openssl("x509", "-req", "-in", "signer.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
            "-out", "signer.pem", "-days", "2", "-extfile", "signer.ext")
    openssl("pkcs12", "-export", "-out", "signer.pfx", "-inkey", "signer.key", "-in", "signer.pem",
            "-certfile", "ca.pem", "-passout", "env:LUMI_TEST_PFX_PASSWORD")
    return os.path.join(folder, "ca.pem"), os.path.join(folder, "signer.pfx")


def release(out, *options, password=None):
    env = dict(os.environ, LUMI_BUILD_DIR=build, TMPDIR=os.path.join(out + ".tmp"))
    env.pop("LUMI_SIGN_PASSWORD", None)
    if password is not None:
        env["LUMI_SIGN_PASSWORD"] = password
    os.makedirs(env["TMPDIR"])
    result = run(os.path.join(source, "scripts", "release"), "--out", out, *options, env=env)
    check(os.listdir(env["TMPDIR"]) == [], "release %s left files in its temporary folder" % (options,))
    return result


def verifies(path, ca):
    return run("osslsigncode", "verify", "-CAfile", ca, "-in", path).returncode == 0


def without_signature(path, folder):
    out = os.path.join(folder, "unsigned-" + os.path.basename(path))
    run("osslsigncode", "remove-signature", "-in", path, "-out", out)
    return read(out) if os.path.exists(out) else b""


def payload_of(setup_bytes):
    offset, size = pe_image.Image(setup_bytes).resource("ZIP", 1974)
    return offset, size


def check_signatures_and_bytes(work, ca, dist):
    setup = os.path.join(dist, "Lumiscope64Setup.exe")
    data = read(setup)
    offset, size = payload_of(data)
    uninstaller = os.path.join(work, "lm_uninstall.exe")
    with open(os.path.join(work, "payload.zip"), "wb") as f:
        f.write(data[offset:offset + size])
    with zipfile.ZipFile(os.path.join(work, "payload.zip")) as z, open(uninstaller, "wb") as f:
        f.write(z.read("lm_uninstall.exe"))

    check(verifies(setup, ca), "the signed setup does not verify against the test authority")
    check(verifies(uninstaller, ca), "the uninstaller in the signed setup does not verify")
    flipped = bytearray(data)
    flipped[offset + size // 2] ^= 0x01
    with open(os.path.join(work, "flipped.exe"), "wb") as f:
        f.write(flipped)
    check(not verifies(os.path.join(work, "flipped.exe"), ca), "a setup with a flipped payload byte verifies")

    built_uninstaller = read(os.path.join(build, "payload", "bin", "lm_uninstall.exe"))
    check(without_signature(setup, work) == read(os.path.join(dist, "unsigned", "Lumiscope64Setup.exe")),
          "the signed setup without its signature is not the release's unsigned setup")
    check(without_signature(uninstaller, work) == built_uninstaller,
          "the signed uninstaller without its signature is not the uninstaller as built")
    check(read(os.path.join(dist, "unsigned", "lm_uninstall.exe")) == built_uninstaller,
          "dist/unsigned/lm_uninstall.exe is not the uninstaller as built")
    return setup


def check_sums_and_manifest(dist):
    setup = os.path.join(dist, "Lumiscope64Setup.exe")
    digest = hashlib.sha256(read(setup)).hexdigest()
    check(run("sha256sum", "-c", "SHA256SUMS", cwd=dist).returncode == 0, "sha256sum -c SHA256SUMS fails")
    sums = open(os.path.join(dist, "SHA256SUMS")).read()
    templates = sorted(name for name in os.listdir(os.path.join(source, "release")) if name.endswith(".yaml.in"))
    check(len(templates) == 3, "the manifest is not the three files of version, default locale and installer")
    docs = open(os.path.join(source, "docs", "deployment.md")).read()
    shown = re.findall(r"```yaml\n(.*?)```", docs, re.S)
    for template_name in templates:
        name = template_name[:-len(".in")]
        manifest = open(os.path.join(dist, "manifest", name)).read()
        check("manifest/" + name in sums, "SHA256SUMS does not name manifest/" + name)
        check("@" not in manifest, name + " still holds a placeholder")
        version = re.search(r'^PackageVersion: "(\S+)"$', manifest, re.M).group(1)
        found = re.search(r"^\s*InstallerSha256: (\S+)$", manifest, re.M)
        if name.endswith(".installer.yaml"):
            check(found and found.group(1).lower() == digest, "the manifest's InstallerSha256 is not the setup's hash")
        template = open(os.path.join(source, "release", template_name)).read()
        example = template.replace("@PackageVersion@", version).replace("@InstallerSha256@", "0" * 64) \
            .replace("@InstallerUrl@", "https://example.invalid/Lumiscope64Setup.exe")
        check(example in shown, "docs/deployment.md does not show " + name + " as its template makes it")


def registered():
    return run(wine_exec, wine_dir, "reg", "query", uninstall_key).returncode == 0


SESSION_MANAGER = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Session Manager"


def pending_deletions():
    """The system's list of renames and deletions for the next restart, as (path, target) pairs."""
    exported = os.path.join(drive_c, "lumi_pending.reg")
    if run(wine_exec, wine_dir, "reg", "export", SESSION_MANAGER, r"C:\lumi_pending.reg", "/y").returncode:
        return []
    text = read(exported).decode("utf-16")
    os.remove(exported)
    found = re.search(r'"PendingFileRenameOperations"=hex\(7\):([0-9a-f,\\\s]*)', text)
    raw = bytes(int(b, 16) for b in re.findall(r"[0-9a-f]{2}", found.group(1))) if found else b""
    items = raw.decode("utf-16-le").split("\0")
    return [(path, target) for path, target in zip(items[0::2], items[1::2]) if path]


def set_pending_deletions(pairs):
    # reg add cannot write the empty strings that mark deletions; an imported file can.
    if not pairs:
        run(wine_exec, wine_dir, "reg", "delete", SESSION_MANAGER, "/v", "PendingFileRenameOperations", "/f")
        return
    data = "".join(path + "\0" + target + "\0" for path, target in pairs) + "\0"
    with open(os.path.join(drive_c, "lumi_pending.reg"), "w", encoding="utf-16", newline="\r\n") as f:
        f.write("Windows Registry Editor Version 5.00\n\n[%s]\n" % SESSION_MANAGER)
        f.write('"PendingFileRenameOperations"=hex(7):%s\n' % ",".join("%02x" % b for b in data.encode("utf-16-le")))
    run(wine_exec, wine_dir, "reg", "import", r"C:\lumi_pending.reg")
    os.remove(os.path.join(drive_c, "lumi_pending.reg"))


def complete_pending_deletions_below(folder_windows):
    """What a restart does for the deletions the uninstaller left for its own file and folder,
    for this folder only (the files go with the folder's removal)."""
    mine = ("\\??\\" + folder_windows).lower()
    pairs = pending_deletions()
    kept = [(path, target) for path, target in pairs
            if path.lower() != mine and not path.lower().startswith(mine + "\\")]
    if kept != pairs:
        set_pending_deletions(kept)


def check_install_and_removal(setup, ca):
    if not check(not registered(), "the prefix holds an installation already"):
        return
    name = "lumi_signed_%d" % os.getpid()
    folder, folder_windows = os.path.join(drive_c, name), "C:\\" + name
    work = tempfile.mkdtemp(prefix="lumi_signed_work_", dir=drive_c)
    try:
        code = run(wine_exec, wine_dir, setup, "/silent", "/folder=" + folder_windows, cwd=work, timeout=60).returncode
        check(code == 0, "the signed setup ended with %d, not 0" % code)
        installed = os.path.join(folder, "lm_uninstall.exe")
        check(os.path.exists(installed) and verifies(installed, ca), "the installed uninstaller is not the signed one")
        code = run(wine_exec, wine_dir, installed, "/silent", cwd=work, timeout=120).returncode
        check(code == 0, "the signed uninstaller ended with %d, not 0" % code)
        check(not registered(), "the uninstall entry is still there after the removal")
        # Without /purge the user's settings stay; earlier tests of the shared prefix may have
        # chosen the program folder for them.
        left = sorted(os.listdir(folder)) if os.path.exists(folder) else []
        check(set(left) <= {"lm_uninstall.exe", "lu_scp64.ini"},
              "the removal left files other than the uninstaller, which goes at the restart: %s" % left)
    finally:
        complete_pending_deletions_below(folder_windows)
        shutil.rmtree(folder, ignore_errors=True)
        shutil.rmtree(work, ignore_errors=True)


def main():
    for tool in ("osslsigncode", "openssl"):
        if not shutil.which(tool):
            print("signed_release: %s is missing; skipped" % tool)
            return 77
    work = tempfile.mkdtemp(prefix="lumi_release_", dir=build)
    try:
        password = secrets.token_hex(8)
        os.environ["LUMI_TEST_PFX_PASSWORD"] = password
        ca, pfx = make_authority(work, password)

        dist = os.path.join(work, "dist")
        result = release(dist, "--sign", pfx, password=password)
        if not check(result.returncode == 0, "signed release failed:\n" + result.stdout):
            return 1
        check(password not in result.stdout, "the release printed the password")
        setup = check_signatures_and_bytes(work, ca, dist)
        check_sums_and_manifest(dist)

        published = os.path.join(work, "published.exe")
        shutil.copy(setup, published)
        result = release(os.path.join(work, "attached"), "--attach-signatures", published, "--ca", ca)
        check(result.returncode == 0 and "identical" in result.stdout,
              "the rebuild with the published signatures is not the published setup:\n" + result.stdout)
        changed = bytearray(read(published))
        offset, size = payload_of(changed)
        changed[offset + 100] ^= 0x01
        with open(published, "wb") as f:
            f.write(changed)
        result = release(os.path.join(work, "attached-changed"), "--attach-signatures", published, "--ca", ca)
        check(result.returncode != 0, "a changed published setup passes as this commit's build")

        result = release(os.path.join(work, "plain"))
        check(result.returncode == 0 and read(os.path.join(work, "plain", "Lumiscope64Setup.exe")) ==
              read(os.path.join(build, "Lumiscope64Setup.exe")),
              "the unsigned release is not the build's setup:\n" + result.stdout)

        check_install_and_removal(setup, ca)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print("signed_release:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
