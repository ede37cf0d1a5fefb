"""The Windows installer under Wine, in a new prefix, as a user deploys it:
a silent install puts the program, its Start menu shortcut and its entry
among the installed programs in place, and the installed game shows its
board; the next version installs over it and leaves one entry, its own; the
older one over the newer is refused and changes nothing; a silent removal
leaves no file, shortcut or registry entry behind.

    python3 msi_test.py PACKAGE.msi NEXT.msi

NEXT.msi: the same files as the next version. The prefix is
build/msi-wineprefix, made anew by every run."""

import os
import pwd
import re
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from game_driver import FIRST_FOOD, SOURCE_DIR, BoardDifferences, BoundingBox, Display, DrawnBoard, Game, WineEnvironment  # noqa: E402

PREFIX = os.path.join(SOURCE_DIR, "build", "msi-wineprefix")
os.environ["SLITHER_WINEPREFIX"] = PREFIX  # for the driver's Game
PROFILE = os.path.join(PREFIX, "drive_c", "users", pwd.getpwuid(os.getuid()).pw_name)
PROGRAM_DIR = os.path.join(PROFILE, "AppData", "Local", "Programs", "Slithergrid")
SHORTCUT = os.path.join(PROFILE, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs", "Slithergrid.lnk")
ERROR_INSTALL_FAILURE = 1603


def Wine(*argv):
    """Runs a Wine program in the prefix, without a display, and waits for
    the prefix to settle; returns the exit code as Unix gives it (its low
    byte)."""
    env = WineEnvironment(dict(os.environ))
    env.pop("DISPLAY", None)
    code = subprocess.run(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120).returncode
    subprocess.run(["wineserver", "-w"], env=env, timeout=60)
    return code


def Property(msi, name):
    table = subprocess.run(["msiinfo", "export", msi, "Property"], capture_output=True, text=True, check=True).stdout
    return re.search(rf"^{name}\t(.*)$", table, re.M)[1]


def Packed(guid):
    """A GUID as Windows Installer keys the registry with it."""
    digits = guid.strip("{}").replace("-", "")
    return digits[7::-1] + digits[11:7:-1] + digits[15:11:-1] + "".join(digits[i + 1] + digits[i] for i in range(16, 32, 2))


def Registry():
    """Every key of the prefix's registry files: its path and its values."""
    keys = {}
    for hive in ("system.reg", "user.reg"):
        with open(os.path.join(PREFIX, hive), encoding="utf-8", errors="replace") as file:
            values = None
            for line in file:
                if line.startswith("["):
                    values = keys.setdefault(line[1 : line.index("]")].replace("\\\\", "\\"), {})
                elif values is not None and (match := re.match(r'"([^"]*)"=(?:str\(\d\):)?"(.*)"$', line.rstrip("\n"))):
                    values[match[1]] = match[2].replace("\\\\", "\\")
    return keys


def Entries():
    """The installed programs named Slithergrid as product code, version and
    publisher: those of the Uninstall keys, and of the Installer's own
    records (by packed product code)."""
    entries = set()
    for key, values in Registry().items():
        if values.get("DisplayName") == "Slithergrid":
            code = key.rsplit("\\", 2)[-2 if key.endswith("InstallProperties") else -1]
            entries.add((code, values.get("DisplayVersion"), values.get("Publisher")))
    return entries


def Files():
    """The prefix's files and folders, left out the temporary ones and
    Windows Installer's own folders (not what it leaves in them)."""
    temporary = {os.path.join(PREFIX, "drive_c", "windows", "temp"), os.path.join(PROFILE, "Temp")}
    found = set()
    for folder, subfolders, names in os.walk(os.path.join(PREFIX, "drive_c")):
        subfolders[:] = [name for name in subfolders if os.path.join(folder, name) not in temporary]
        found |= {os.path.relpath(os.path.join(folder, name), PREFIX) for name in subfolders + names if name != "Installer"}
    return found


class MsiTest(unittest.TestCase):
    def test_install_upgrade_refusal_and_removal(self):
        package, later = sys.argv[1:3]
        version, laterVersion = Property(package, "ProductVersion"), Property(later, "ProductVersion")
        code, laterCode = Property(package, "ProductCode"), Property(later, "ProductCode")
        self.assertNotEqual(code, laterCode, "two versions share one ProductCode")
        self.assertEqual(Property(package, "UpgradeCode"), Property(later, "UpgradeCode"))
        publisher = "The Slithergrid developers"
        entry = lambda code, version: {(code, version, publisher), (Packed(code), version, publisher)}

        shutil.rmtree(PREFIX, ignore_errors=True)
        self.assertEqual(Wine("wineboot", "-i"), 0, "wineboot")
        before = Files()

        self.assertEqual(Wine("wine", "msiexec", "/i", package, "/qn"), 0, "the silent install")
        self.assertEqual(sorted(os.listdir(PROGRAM_DIR)), ["LICENSE.txt", "Slithergrid.exe"])
        with open(SHORTCUT, "rb") as file:
            self.assertIn("Slithergrid.exe".encode("utf-16-le"), file.read(), "the shortcut's target")
        self.assertEqual(Entries(), entry(code, version), "the installed programs")
        icons = [values["ProductIcon"] for key, values in Registry().items() if key.endswith(Packed(code)) and "ProductIcon" in values]
        self.assertEqual(len(icons), 1, "the installed program's icon")
        self.assertTrue(os.path.isfile(os.path.join(PREFIX, "drive_c", icons[0][3:].replace("\\", "/"))), f"no icon at {icons[0]}")

        os.environ["SLITHER_EXE"] = os.path.join(PROGRAM_DIR, "Slithergrid.exe")
        with Display() as display, Game(display, "wine") as game:
            food = FIRST_FOOD["wine"]
            frame = game.WaitForFrame(lambda frame: frame.Cells("F") == {food}, 20, "the installed game's board")
            box = BoundingBox(BoardDifferences(frame, DrawnBoard(frame.Cells("S"), food)))
            self.assertTrue(box is None or (box[2] <= 160 and box[3] <= 20), f"board pixels differ within {box}")
            game.PressCloseBox()
            self.assertEqual(game.WaitForExit(), 0, "exit code after the close box")

        self.assertEqual(Wine("wine", "msiexec", "/i", later, "/qn"), 0, f"the install of {laterVersion} over {version}")
        self.assertEqual(Entries(), entry(laterCode, laterVersion), "the installed programs after the upgrade")
        installed = {name: os.stat(os.path.join(PROGRAM_DIR, name)).st_mtime_ns for name in os.listdir(PROGRAM_DIR)}

        # Refused by the launch condition that says "A newer version of Slithergrid is already
        # installed."; Wine does not log that text.
        self.assertEqual(Wine("wine", "msiexec", "/i", package, "/qn"), ERROR_INSTALL_FAILURE & 0xFF, f"{version} over {laterVersion}")
        self.assertEqual(Entries(), entry(laterCode, laterVersion), "the installed programs after the refusal")
        self.assertEqual({name: os.stat(os.path.join(PROGRAM_DIR, name)).st_mtime_ns for name in os.listdir(PROGRAM_DIR)}, installed)

        self.assertEqual(Wine("wine", "msiexec", "/x", laterCode, "/qn"), 0, "the silent removal")
        self.assertEqual(Files() - before, set(), "files left behind")
        traces = ["slithergrid"] + [form.lower() for guid in (code, laterCode, Property(package, "UpgradeCode")) for form in (guid, Packed(guid))]
        for hive in ("system.reg", "user.reg"):
            with open(os.path.join(PREFIX, hive), encoding="utf-8", errors="replace") as file:
                left = [line.strip() for line in file if any(trace in line.lower() for trace in traces)]
            self.assertEqual(left, [], f"left behind in {hive}")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
