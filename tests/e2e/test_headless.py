"""Without a display the native program cannot create its window, and when
the display goes away under it the game cannot go on: either way it must end
at once with exit code 1, not with a signal, and say why in one line."""

import os
import subprocess
import unittest

from game_driver import Game, OpenDisplay, ProgramCommand


class HeadlessTest(unittest.TestCase):
    def test_no_display_exits_with_1(self):
        env = {name: value for name, value in os.environ.items() if name not in ("DISPLAY", "WAYLAND_DISPLAY")}
        # A program that waited for a display would run into the timeout.
        result = subprocess.run(ProgramCommand("native"), env=env, capture_output=True, timeout=30)
        self.assertEqual(result.returncode, 1, f"exit code without a display; stderr: {result.stderr[-500:]!r}")

    def test_losing_the_display_exits_with_1_and_says_why(self):
        display = OpenDisplay()
        display.env["NO_AT_BRIDGE"] = "1"  # no word from GTK's accessibility bridge on stderr
        try:
            with Game(display, "native") as game:
                game.WaitForFrame(lambda frame: True, 20, "a board")
                display.Close()  # the X server, or the compositor, ends
                self.assertEqual(game.WaitForExit(), 1, "exit code after the display went away")
                lines = game.ErrorOutput().strip().splitlines()
                self.assertEqual(len(lines), 1, f"not one line on stderr: {lines!r}")
                self.assertIn("lost the display", lines[0])
        finally:
            display.Close()


if __name__ == "__main__":
    unittest.main()
