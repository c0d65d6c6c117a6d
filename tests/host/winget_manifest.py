#!/usr/bin/env python3
"""The package manager's manifest in release/, checked against the rules of its manifest schema
1.10.0 (the client's own validator runs only on Windows): each of the three files has its schema
header, its type, the fields the schema requires, only fields the schema knows, values from the
schema's lists, and a version that a YAML 1.1 reader keeps as text ("4.70", not 4.7). Every exit
code the setup can end with (the ExitCode table of src/app/the_app.h) is mapped to a response,
and the deployment notes list each of them. The templates are filled as scripts/release fills them.
    winget_manifest.py SOURCE_DIR"""
import os
import re
import sys

import yaml

SCHEMA = "https://aka.ms/winget-manifest.{}.1.10.0.schema.json"

# From the public manifest schema 1.10.0: per manifest type, the required fields and every field
# the root may hold.
ROOT_FIELDS = {
    "version": {
        "required": {"PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"},
        "known": set(),
    },
    "defaultLocale": {
        "required": {"PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName", "License",
                     "ShortDescription", "ManifestType", "ManifestVersion"},
        "known": {"PublisherUrl", "PublisherSupportUrl", "PrivacyUrl", "Author", "PackageUrl", "LicenseUrl",
                  "Copyright", "CopyrightUrl", "Description", "Moniker", "Tags", "Agreements", "ReleaseNotes",
                  "ReleaseNotesUrl", "PurchaseUrl", "InstallationNotes", "Documentations", "Icons"},
    },
    "installer": {
        "required": {"PackageIdentifier", "PackageVersion", "Installers", "ManifestType", "ManifestVersion"},
        "known": {"Channel", "InstallerLocale", "Platform", "MinimumOSVersion", "InstallerType", "NestedInstallerType",
                  "NestedInstallerFiles", "Scope", "InstallModes", "InstallerSwitches", "InstallerSuccessCodes",
                  "ExpectedReturnCodes", "UpgradeBehavior", "Commands", "Protocols", "FileExtensions", "Dependencies",
                  "PackageFamilyName", "ProductCode", "Capabilities", "RestrictedCapabilities", "Markets",
                  "InstallerAbortsTerminal", "ReleaseDate", "InstallLocationRequired", "RequireExplicitUpgrade",
                  "DisplayInstallWarnings", "UnsupportedOSArchitectures", "UnsupportedArguments",
                  "AppsAndFeaturesEntries", "ElevationRequirement", "InstallationMetadata",
                  "DownloadCommandProhibited", "RepairBehavior", "ArchiveBinariesDependOnPath"},
    },
}
INSTALLER_REQUIRED = {"Architecture", "InstallerUrl", "InstallerSha256"}
INSTALLER_KNOWN = INSTALLER_REQUIRED | ROOT_FIELDS["installer"]["known"] - {"Channel"} | {"SignatureSha256"}
SWITCHES = {"Silent", "SilentWithProgress", "Interactive", "InstallLocation", "Log", "Upgrade", "Custom", "Repair"}
ARP_FIELDS = {"DisplayName", "Publisher", "DisplayVersion", "ProductCode", "UpgradeCode", "InstallerType"}
ENUMS = {
    "InstallerType": {"msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn", "pwa", "portable",
                      "advinstExe", "advinstMsi"},
    "Scope": {"user", "machine"},
    "UpgradeBehavior": {"install", "uninstallPrevious", "deny"},
    "ElevationRequirement": {"elevationRequired", "elevationProhibited", "elevatesSelf"},
    "Architecture": {"x86", "x64", "arm", "arm64", "neutral"},
    "InstallModes": {"interactive", "silent", "silentWithProgress"},
    "ReturnResponse": {"packageInUse", "packageInUseByApplication", "installInProgress", "fileInUse",
                       "missingDependency", "diskFull", "insufficientMemory", "invalidParameter", "noNetwork",
                       "contactSupport", "rebootRequiredToFinish", "rebootRequiredForInstall", "rebootInitiated",
                       "cancelledByUser", "alreadyInstalled", "downgrade", "blockedByPolicy", "systemNotSupported",
                       "custom"},
}
PATTERNS = {
    "PackageIdentifier": r"^[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}){1,7}$",
    "PackageVersion": r"^[^\\/:*?\"<>|\x01-\x1f]+$",
    "ManifestVersion": r"^1\.10\.0$",
    "InstallerSha256": r"^[A-Fa-f0-9]{64}$",
    "InstallerUrl": r"^[Hh][Tt][Tt][Pp][Ss]?://.+$",
}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def check_fields(where, data, required, known):
    check(isinstance(data, dict), where + " is not a mapping")
    if not isinstance(data, dict):
        return
    for field in sorted(required - set(data)):
        check(False, "%s lacks the required %s" % (where, field))
    for field in sorted(set(data) - required - known):
        check(False, "%s holds %s, which the schema does not know" % (where, field))
    for field, value in data.items():
        if field in ENUMS:
            for item in value if isinstance(value, list) else [value]:
                check(item in ENUMS[field], "%s: %s is not one of the schema's %s values" % (where, item, field))
        if field in PATTERNS:
            check(isinstance(value, str) and re.match(PATTERNS[field], value),
                  "%s: %s %r is not text of the schema's form" % (where, field, value))


def exit_codes(source, *header):
    """The kExit... constants of a header, by name."""
    text = open(os.path.join(source, *header)).read()
    return {name: int(code) for name, code in re.findall(r"^\s*(?:constexpr int )?(kExit\w+)\s*=\s*(\d+)", text, re.M)}


def setup_exit_codes(source):
    return set(exit_codes(source, "src", "app", "the_app.h").values())


def check_deployment_notes(source, setup):
    """The deployment notes' two code tables hold exactly the codes the programs end with, and
    the prose names the code that the programs give for a log naming foreign places."""
    deployment = open(os.path.join(source, "docs", "deployment.md")).read()
    uninstaller = exit_codes(source, "src", "uninstall", "undo_report.h")
    for title, codes in (("setup", set(setup.values())), ("uninstaller", set(uninstaller.values()))):
        start = deployment.find("### Exit codes of the " + title)
        table = deployment[start:deployment.find("\n#", start + 1)]
        listed = {int(code) for code in re.findall(r"^\| (\d+) \|", table, re.M)}
        check(start >= 0 and listed == codes, "docs/deployment.md lists the %s's codes %s, the code has %s" %
              (title, sorted(listed), sorted(codes)))
    refused = {setup.get("kExitLogRefused"), uninstaller.get("kExitLogRefused")}
    for said in re.findall(r"both programs end with code (\d+)", deployment):
        check(refused == {int(said)}, "docs/deployment.md says both programs end with %s for a foreign log, the code "
              "gives %s" % (said, sorted(refused)))


def check_installer(data, codes):
    for k, installer in enumerate(data.get("Installers") or []):
        check_fields("Installers[%d]" % k, installer, INSTALLER_REQUIRED, INSTALLER_KNOWN)
    nodes = [data] + list(data.get("Installers") or [])
    for node in nodes:
        check(set(node.get("InstallerSwitches", {})) <= SWITCHES, "InstallerSwitches holds a switch the schema does not know")
    # A package manager upgrades while the user's viewer is open: the silent runs close it.
    for node in (n for n in nodes if "InstallerSwitches" in n):
        for mode in ("Silent", "SilentWithProgress"):
            words = str(node["InstallerSwitches"].get(mode, "")).split()
            check("/silent" in words and "/closeviewer=1" in words, "%s lacks /silent or /closeviewer=1" % mode)
    for entry in data.get("AppsAndFeaturesEntries") or []:
        check(set(entry) <= ARP_FIELDS, "an AppsAndFeaturesEntries item holds a field the schema does not know")
        check(isinstance(entry.get("DisplayVersion"), str), "DisplayVersion is not text")
    mapped = {}
    for entry in data.get("ExpectedReturnCodes") or []:
        check(set(entry) <= {"InstallerReturnCode", "ReturnResponse", "ReturnResponseUrl"} and
              {"InstallerReturnCode", "ReturnResponse"} <= set(entry), "an ExpectedReturnCodes item is malformed")
        code = entry.get("InstallerReturnCode")
        check(isinstance(code, int) and code != 0, "InstallerReturnCode %r is not a nonzero integer" % code)
        check(code not in mapped, "exit code %r is mapped twice" % code)
        check(entry.get("ReturnResponse") in ENUMS["ReturnResponse"], "%r is not a ReturnResponse" % entry.get("ReturnResponse"))
        mapped[code] = entry.get("ReturnResponse")
    for code in sorted(codes - {0}):
        check(code in mapped, "the setup's exit code %d is not under ExpectedReturnCodes" % code)
    check(mapped.get(7) == "downgrade" and mapped.get(6) == "installInProgress" and mapped.get(5) == "cancelledByUser",
          "a newer installation, another run and a cancelled wizard do not have their own responses")


def main():
    source = sys.argv[1]
    folder = os.path.join(source, "release")
    codes = setup_exit_codes(source)
    check({0, 1, 4, 6} <= codes, "src/app/the_app.h lists no exit codes")
    filled = {}
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".yaml.in"):
            continue
        text = open(os.path.join(folder, name)).read().replace("@PackageVersion@", "4.70") \
            .replace("@InstallerUrl@", "https://example.invalid/Lumiscope64Setup.exe").replace("@InstallerSha256@", "A" * 64)
        data = yaml.safe_load(text)  # YAML 1.1: an unquoted 4.70 would be the number 4.7
        kind = data.get("ManifestType") if isinstance(data, dict) else None
        check(kind in ROOT_FIELDS, name + ": ManifestType %r is none of version, defaultLocale, installer" % kind)
        if kind not in ROOT_FIELDS:
            continue
        check(kind not in filled, name + ": a second %s manifest" % kind)
        filled[kind] = data
        check(text.startswith("# yaml-language-server: $schema=" + SCHEMA.format(kind) + "\n"),
              name + ": the first line is not the schema header of its type")
        check_fields(name, data, ROOT_FIELDS[kind]["required"], ROOT_FIELDS[kind]["known"])
        check(data.get("PackageVersion") == "4.70", name + ": PackageVersion is not the text 4.70")
        if kind == "installer":
            check_installer(data, codes)
    check(set(filled) == set(ROOT_FIELDS), "release/ does not hold the version, defaultLocale and installer manifests")
    check(len({(d.get("PackageIdentifier"), d.get("PackageVersion")) for d in filled.values()}) == 1,
          "the three files name different packages or versions")
    if "version" in filled and "defaultLocale" in filled:
        check(filled["version"].get("DefaultLocale") == filled["defaultLocale"].get("PackageLocale"),
              "DefaultLocale is not the default-locale file's PackageLocale")
    check_deployment_notes(source, exit_codes(source, "src", "app", "the_app.h"))
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
