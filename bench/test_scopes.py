"""The scope benchmark's end-state check: each wrong end state a run may leave is named, a
right one passes."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from scopes import ENTRY, end_state_problems  # noqa: E402

MACHINE = "C:\\Program Files\\Lumiscope"
USER = "C:\\users\\ann\\AppData\\Local\\Programs\\Lumiscope"
NOISE = "value HKLM\\software\\wine\\x\\y"


def run(hive, folder, *extra):
    """A difference as end_state.difference gives it for an installation into `folder`."""
    location = '"' + folder.replace("\\", "\\\\") + '\\\\"'
    diff = {f"key {hive}\\{ENTRY}": (False, True),
            f"value {hive}\\{ENTRY}\\installlocation": (None, location),
            "file " + folder[3:].replace("\\", "/") + "/lu_scp64.exe": (None, (10, 1, "ab")),
            NOISE: ("dword:00000001", "dword:00000002")}
    for item in extra:
        diff[item] = (None, (1, 1, "cd")) if item.startswith("file ") else (None, '"x"')
    return diff


def without(diff, *items):
    return {k: v for k, v in diff.items() if k not in items}


CASES = [  # (name, scope, diff, problem expected: a piece of its text, or None)
    ("machine as it should be", "machine", run("HKLM", MACHINE), None),
    ("user as it should be", "user", run("HKCU", USER), None),
    ("folder case and a trailing backslash do not matter", "user", run("HKCU", USER.upper()), None),
    ("user writes below HKLM", "user", run("HKCU", USER, "value HKLM\\software\\classes\\.png\\@"), "below HKLM"),
    ("user makes the machine's entry", "user", run("HKCU", USER, f"key HKLM\\{ENTRY}"), "other scope's uninstall"),
    ("machine makes the user's entry", "machine", run("HKLM", MACHINE, f"value HKCU\\{ENTRY}\\displayname"),
     "other scope's uninstall"),
    ("entry in the wrong hive", "user", run("HKLM", USER), "no uninstall entry HKCU"),
    ("entry names the other folder", "user",
     {**run("HKCU", USER), f"value HKCU\\{ENTRY}\\installlocation": (None, '"C:\\\\Program Files\\\\Lumiscope"')},
     "not C:\\users"),
    ("no viewer in the folder", "machine", without(run("HKLM", MACHINE), "file Program Files/Lumiscope/lu_scp64.exe"),
     "no lu_scp64.exe"),
    ("user's file in Program Files", "user", run("HKCU", USER, "file Program Files/Lumiscope/x.dll"),
     "other scope's folder"),
    ("machine's viewer deleted from the user's folder is no file made", "machine",
     {**run("HKLM", MACHINE), "file users/ann/AppData/Local/Programs/Lumiscope/old.dll": ((1, 1, "x"), None)}, None),
]


class EndStateProblems(unittest.TestCase):
    def test_cases(self):
        for name, scope, diff, expected in CASES:
            with self.subTest(name):
                folders = (MACHINE, USER) if scope == "machine" else (USER, MACHINE)
                problems = end_state_problems(scope, diff, *folders, noise={NOISE})
                if expected is None:
                    self.assertEqual(problems, [])
                else:
                    self.assertTrue(any(expected in p for p in problems), problems)

    def test_hklm_change_a_bare_process_makes_too_is_not_the_setups(self):
        self.assertEqual(end_state_problems("user", run("HKCU", USER), USER, MACHINE, noise=set()),
                         [f"a change below HKLM: {NOISE}"])


if __name__ == "__main__":
    unittest.main()
