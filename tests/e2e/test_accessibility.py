"""The native program as a screen reader finds it through AT-SPI: its frame,
the "Game" menu and its items, and the client area's text, which tells the
score and the end of a game as they change; New Game and Quit chosen through
their accessible actions. Run inside a session bus of its own
(dbus-run-session), where this test launches the accessibility bus."""

import os
import subprocess
import unittest

import pyatspi  # Debian's python3-pyatspi
from gi.repository import GLib

from game_driver import Display, Game, WaitUntil

MENU = ["New Game", "Quit", "Increase Speed", "Decrease Speed"]


def Descendants(node):
    for child in node:
        if child is not None:
            yield child
            yield from Descendants(child)


def Pump():
    """Hands this process the events that came meanwhile."""
    while GLib.MainContext.default().iteration(False):
        pass


def Text(client):
    text = client.queryText()
    return text.getText(0, text.characterCount)


class AccessibilityTest(unittest.TestCase):
    def setUp(self):
        if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
            self.fail("no session bus of its own: run the test inside dbus-run-session")
        launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, start_new_session=True)
        self.addCleanup(lambda: (launcher.terminate(), launcher.wait(10)))
        WaitUntil(lambda: pyatspi.Registry.getDesktop(0) is not None, 30, "the accessibility registry")
        self.display = Display().__enter__()
        self.addCleanup(self.display.__exit__)
        self.inserted = []
        listener = lambda event: self.inserted.append(event.any_data)
        pyatspi.Registry.registerEventListener(listener, "object:text-changed:insert")
        self.addCleanup(pyatspi.Registry.deregisterEventListener, listener, "object:text-changed:insert")

    def Frame(self):
        for application in pyatspi.Registry.getDesktop(0):
            for frame in application or []:
                if frame is not None and frame.getRole() == pyatspi.ROLE_FRAME and frame.name == "Slithergrid":
                    return frame
        return None

    def WaitForText(self, client, probe, what):
        WaitUntil(lambda: Pump() or probe(Text(client)), 30, what)

    def test_frame_menu_and_text_through_at_spi(self):
        with Game(self.display, "native") as game:
            frame = WaitUntil(self.Frame, 30, "the frame 'Slithergrid' on the accessibility bus")
            nodes = list(Descendants(frame))
            [menu] = [node for node in nodes if node.getRole() == pyatspi.ROLE_MENU and node.name == "Game"]
            items = [item for item in menu if item.getRole() == pyatspi.ROLE_MENU_ITEM]
            self.assertEqual([item.name for item in items], MENU)
            [client] = [node for node in nodes if node.getRole() == pyatspi.ROLE_DRAWING_AREA]
            self.assertEqual(client.name, "Slithergrid")
            self.assertTrue(client.getState().contains(pyatspi.STATE_FOCUSABLE))

            # The snake heads right along the top row into the wall.
            self.WaitForText(client, lambda text: "Score: 0" in text, "'Score: 0' in the client area's text")
            self.WaitForText(client, lambda text: text == "Score: 0\nGame Over!\n", "'Game Over!' under the score")
            WaitUntil(lambda: Pump() or "Game Over!\n" in self.inserted, 20, "'Game Over!' alone told as inserted text")

            items[0].queryAction().doAction(0)
            self.WaitForText(client, lambda text: text == "Score: 0\n", "'Game Over!' gone after New Game")
            items[1].queryAction().doAction(0)
            self.assertEqual(game.WaitForExit(), 0, "exit code after Quit")


if __name__ == "__main__":
    unittest.main()
