"""Without a display the native program cannot create its window: it must
end at once with exit code 1, not with a signal."""

import os
import subprocess
import time
import unittest

from game_driver import ProgramCommand


class HeadlessTest(unittest.TestCase):
    def test_no_display_exits_with_1(self):
        env = {name: value for name, value in os.environ.items() if name not in ("DISPLAY", "WAYLAND_DISPLAY")}
        started = time.monotonic()
        result = subprocess.run(ProgramCommand("native"), env=env, capture_output=True, timeout=20)
        elapsed = time.monotonic() - started
        self.assertEqual(result.returncode, 1, f"exit code without a display; stderr: {result.stderr[-500:]!r}")
        self.assertLess(elapsed, 5, "took too long to give up")


if __name__ == "__main__":
    unittest.main()
