"""Runs one conformance program built for Win32 (under Wine) and built against the layer, on one
private X server with openbox, and compares what the two print.

Lines that start with "metric ", "timing " or "differs " are shown but not compared. The keys
program is typed at with xdotool and closed by its close box while its menu is open; the start-up program gets
arguments that need quoting.

    compare_hosts.py NAME NATIVE_PROGRAM WINDOWS_PROGRAM
"""

import difflib
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from game_driver import BootWine, DieWithTest, Display, Stop, WaitUntil, WineEnvironment  # noqa: E402

EXEMPT = ("metric ", "timing ", "differs ")
ARGUMENTS = {"startup": ["plain", "two words", 'say "hi"', "tail\\", "", "a\\\\b c\\", "\\\"q"]}
KEYS = ["Left", "Up", "Right", "Down", "KP_Left", "KP_Up", "a", "z", "0", "9", "Return", "Escape", "space"]
TIMEOUT = 60


def Output(file):
    """What the program has written so far. pread leaves the file offset, which the program shares,
    where the program's next write expects it."""
    data = os.pread(file.fileno(), os.fstat(file.fileno()).st_size, 0)
    return data.decode(errors="replace").replace("\r\n", "\n")


def TypeAtWindow(display, process, output):
    """Keys, the menu through F10, then the close box of the window "Conformance keys", pressed
    with the menu open again: a desktop that ends the session asks open windows to close whatever
    they show."""
    def Alive(probe):
        if process.poll() is not None:
            raise AssertionError(f"the program ended early:\n{Output(output)}")
        return probe()

    WaitUntil(lambda: Alive(lambda: "ready\n" in Output(output)), TIMEOUT, "ready")
    search = ["xdotool", "search", "--onlyvisible", "--name", "^Conformance keys$"]
    window = WaitUntil(lambda: Alive(lambda: display.Run(*search, check=False).stdout.split()), TIMEOUT, "the window")[0]
    def Active():
        display.Run("xdotool", "windowactivate", "--sync", window, check=False)
        return display.Run("xdotool", "getactivewindow", check=False).stdout.strip() == window

    WaitUntil(lambda: Alive(Active), 20, "the window to become active", interval=0.5)
    time.sleep(0.5)  # the host takes the keyboard focus a moment after the window manager
    display.Run("xdotool", "key", "--delay", "40", *KEYS)
    for key in ("F10", "Down", "Return"):  # each once the menu has opened for the last
        time.sleep(0.5)
        display.Run("xdotool", "key", key)
    WaitUntil(lambda: Alive(lambda: "command 101\n" in Output(output)), 20, "the menu command")
    for key in ("F10", "Down"):
        time.sleep(0.5)
        display.Run("xdotool", "key", key)
    time.sleep(0.5)
    display.Run("wmctrl", "-i", "-c", window.decode())


def RunProgram(display, name, command, wine):
    env = dict(display.env)
    if wine:
        WineEnvironment(env)
        command = ["wine"] + command
    with tempfile.TemporaryFile() as output, tempfile.TemporaryFile() as errors:
        process = subprocess.Popen(command + ARGUMENTS.get(name, []), env=env, stdin=subprocess.DEVNULL, stdout=output, stderr=errors, start_new_session=True, preexec_fn=DieWithTest)
        try:
            if name == "keys_menus":
                TypeAtWindow(display, process, output)
            process.wait(TIMEOUT)
        except BaseException:
            print(f"{' '.join(command)} printed:\n{Output(output)}\nand on stderr:\n{Output(errors)[-2000:]}", file=sys.stderr)
            raise
        finally:
            Stop(process)
            if wine:
                subprocess.run(["wineserver", "-k"], env=env, timeout=15, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if process.returncode < 0:
            raise AssertionError(f"{command[-1]} ended with signal {-process.returncode}:\n{Output(errors)[-2000:]}")
        return Output(output).splitlines()


def Compared(lines):
    return [line for line in lines if not line.startswith(EXEMPT)]


def main(name, native, windows):
    for program in (native, windows):
        if not os.path.exists(program):
            sys.exit(f"{program} is not built")
    BootWine()
    with Display() as display:
        win32 = RunProgram(display, name, [windows], wine=True)
        layer = RunProgram(display, name, [native], wine=False)
    for host, lines in (("Win32 (Wine)", win32), ("layer", layer)):
        exempt = [line for line in lines if line.startswith(EXEMPT)]
        if exempt:
            print(f"not compared, {host}:\n  " + "\n  ".join(exempt))
    difference = list(difflib.unified_diff(Compared(win32), Compared(layer), "Win32 (Wine)", "layer", lineterm=""))
    if difference:
        print("\n".join(difference))
        sys.exit(f"{name}: the layer differs from Win32 in {sum(line[:1] in '+-' for line in difference[2:])} lines")
    print("\n".join(Compared(layer)))
    print(f"{name}: the {len(Compared(layer))} lines above are the same on Win32 (Wine) and on the layer")


if __name__ == "__main__":
    main(*sys.argv[1:])
