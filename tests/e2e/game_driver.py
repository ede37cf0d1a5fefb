"""Drives the real Slithergrid programs on a private display.

Display starts Xvfb on a free display number (-displayfd) with openbox on it,
WaylandDisplay a headless sway, KWinDisplay and GnomeDisplay a headless KWin
or GNOME Shell, so a test never depends on the caller's display; Game
launches one program (the native build or the .exe under Wine), finds its
window and the board in it, reads cells from screenshots and sends keys the
way a player would. At a device scale of 2 every board pixel is two
by two screen pixels; at any scale a board edge lies where Device puts it. Everything started here is stopped on close, also when
a test fails.
"""

import ctypes
import fcntl
import json
import os
import re
import select
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

GRID_WIDTH, GRID_HEIGHT, CELL_SIZE = 16, 12, 50
BOARD_WIDTH, BOARD_HEIGHT = GRID_WIDTH * CELL_SIZE, GRID_HEIGHT * CELL_SIZE
BLACK, WHITE, GREEN, RED = (0, 0, 0), (255, 255, 255), (0, 255, 0), (255, 0, 0)
FILL = {".": WHITE, "S": GREEN, "F": RED}
KIND = {colour: kind for kind, colour in FILL.items()}

# Keyboard paths through the "Game" menu: F10 opens the bar, Down the pop-up
# on its first item.
MENU_ITEM = {"new": 1, "quit": 2, "faster": 3, "slower": 4}

# The first food is drawn before any seeding, from the C library's first two
# rand() values: glibc 1804289383, 846930886; msvcrt 41, 18467; musl, which
# Emscripten builds the web version with, 0, 740882966.
FIRST_FOOD = {
    "native": (1804289383 % GRID_WIDTH, 846930886 % GRID_HEIGHT),
    "wine": (41 % GRID_WIDTH, 18467 % GRID_HEIGHT),
    "web": (0 % GRID_WIDTH, 740882966 % GRID_HEIGHT),
}

PR_SET_PDEATHSIG = 1

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
# Where a failing test leaves what it saw: ctest names a folder for each test.
EVIDENCE = os.environ.get("SLITHER_EVIDENCE") or os.path.join(tempfile.gettempdir(), "slithergrid-evidence")


def WaitUntil(probe, timeout, what, interval=0.02):
    """Calls probe until it returns something true and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class Image:
    """An 8-bit RGB picture read from a binary PPM (P6)."""

    def __init__(self, ppm):
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
        if header is None:
            raise ValueError("not an 8-bit binary PPM")
        self.width, self.height = int(header[1]), int(header[2])
        self.data = ppm[header.end() :]
        if len(self.data) != 3 * self.width * self.height:
            raise ValueError("truncated PPM")

    def Pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i : i + 3])

    def Row(self, x, y, length):
        i = 3 * (y * self.width + x)
        return self.data[i : i + 3 * length]

    def Ppm(self):
        return b"P6\n%d %d\n255\n" % (self.width, self.height) + self.data


def KeepEvidence(name, data):
    """Writes what a failing test saw into its evidence folder; the path."""
    os.makedirs(EVIDENCE, exist_ok=True)
    path = os.path.join(EVIDENCE, name)
    with open(path, "wb") as file:
        file.write(data)
    return path


def Seen(frame, image):
    """What the last look found, for a failure's message."""
    if frame is not None:
        return "the board read " + " ".join(frame.Board())
    return "no board in the last screenshot" if image is not None else "no screenshot could be taken"


def Device(logical, scale):
    """Where a logical board coordinate lies in device pixels at this scale:
    logical x scale rounded half up, the scale counted in 120ths as Wayland
    does (1.25 is 150)."""
    units = round(scale * 120)
    return (logical * units + 60) // 120


def Logical(device, scale):
    """The board pixel that holds this device pixel."""
    return device * 120 // round(scale * 120)


def IsDark(pixel):
    return max(pixel) < 96  # glyphs and outlines, not the green or red fills


class Frame:
    """One screenshot of the game window with the board's origin in it, at a
    device scale of `scale` screen pixels a side for each board pixel."""

    def __init__(self, image, origin, taken, scale=1):
        self.image, self.origin, self.taken, self.scale = image, origin, taken, scale

    def Pixel(self, x, y):
        """Pixel at board coordinates (the client area's origin is 0, 0): the
        top-left screen pixel of the board pixel."""
        return self.DevicePixel(Device(x, self.scale), Device(y, self.scale))

    def DevicePixel(self, x, y):
        """Screen pixel x, y from the board's origin."""
        return self.image.Pixel(self.origin[0] + x, self.origin[1] + y)

    def Kind(self, x, y):
        """'.', 'S' or 'F' for cell (x, y), '?' for any other colour. Read low
        in the cell, away from the two text lines over the top-left cells."""
        return KIND.get(self.Pixel(x * CELL_SIZE + 40, y * CELL_SIZE + 40), "?")

    def Board(self):
        """The board as 12 strings of 16 kinds, row 0 first."""
        return tuple("".join(self.Kind(x, y) for x in range(GRID_WIDTH)) for y in range(GRID_HEIGHT))

    def Cells(self, kind):
        return {(x, y) for y, row in enumerate(self.Board()) for x, k in enumerate(row) if k == kind}

    def DarkPixels(self, top, bottom):
        """Dark pixels inside cell (0, 0) between rows top and bottom: glyphs of
        the text lines, as the cell itself has only a black outline there."""
        return sum(IsDark(self.Pixel(x, y)) for y in range(top, bottom) for x in range(1, CELL_SIZE - 1))

    def ShowsGameOver(self):
        return self.DarkPixels(17, 32) > 20

    def ScoreGlyphs(self):
        """The dark pixels of the score line, off the cell outlines: equal for
        equal scores whatever the cells under the line hold."""
        return frozenset(
            (x, y) for y in range(1, 16) for x in range(1, 3 * CELL_SIZE) if x % CELL_SIZE not in (0, CELL_SIZE - 1) and IsDark(self.Pixel(x, y))
        )

    def MenuOpen(self):
        """Whether the menu bar above the board shows an item opened: its
        highlight is the only colour there, the bar's text and background
        being grey."""
        x, y = self.origin
        width = min(self.image.width - x, Device(BOARD_WIDTH, self.scale))
        return any(max(pixel) - min(pixel) > 60 for row in range(y) for pixel in zip(*[iter(self.image.Row(x, row, width))] * 3))

    def BoardBytes(self):
        width = Device(BOARD_WIDTH, self.scale)
        return b"".join(self.image.Row(self.origin[0], self.origin[1] + y, width) for y in range(Device(BOARD_HEIGHT, self.scale)))


def DrawnBoard(snake=(), food=None):
    """The board, as Frame.Board gives it, for the given snake cells and food."""
    rows = [["."] * GRID_WIDTH for _ in range(GRID_HEIGHT)]
    for x, y in snake:
        rows[y][x] = "S"
    if food is not None:
        rows[food[1]][food[0]] = "F"
    return tuple("".join(row) for row in rows)


def BoundingBox(points):
    """(left, top, right, bottom), right and bottom exclusive, or None."""
    if not points:
        return None
    xs, ys = [x for x, _ in points], [y for _, y in points]
    return min(xs), min(ys), max(xs) + 1, max(ys) + 1


def CellSpan(i, scale):
    """Cell i's device pixels along a line: where it starts, its first
    outline's width, its fill's and its second outline's. An outline covers
    its board pixel's device pixels, never fewer than one."""
    start, end = Device(i * CELL_SIZE, scale), Device((i + 1) * CELL_SIZE, scale)
    first = max(1, Device(i * CELL_SIZE + 1, scale) - start)
    last = max(1, end - Device((i + 1) * CELL_SIZE - 1, scale))
    return start, first, end - start - first - last, last


def ExpectedRow(board, y, scale=1):
    """What screen row y of the board must hold: every cell is a 50-pixel
    square with a 1-pixel black outline on its outermost pixels and its
    kind's fill, at the given device scale."""
    black = bytes(BLACK)
    row = next(r for r in range(GRID_HEIGHT) if y < Device((r + 1) * CELL_SIZE, scale))
    top, first, fill, _ = CellSpan(row, scale)
    edge = not top + first <= y < top + first + fill
    cells = []
    for x, kind in enumerate(board[row]):
        _, first, fill, last = CellSpan(x, scale)
        cells.append(black * (first + fill + last) if edge else black * first + bytes(FILL[kind]) * fill + black * last)
    return b"".join(cells)


def BoardDifferences(frame, board):
    """Board pixels that differ from the drawing of the given board, as a
    sorted list of board coordinates (x, y). Rows that match are skipped as a
    whole."""
    differences, s = set(), frame.scale
    width = Device(BOARD_WIDTH, s)
    for y in range(Device(BOARD_HEIGHT, s)):
        expected = ExpectedRow(board, y, s)
        actual = frame.image.Row(frame.origin[0], frame.origin[1] + y, width)
        if actual != expected:
            differences |= {(Logical(x, s), Logical(y, s)) for x in range(width) if actual[3 * x : 3 * x + 3] != expected[3 * x : 3 * x + 3]}
    return sorted(differences)


def CellMismatches(first, second, swap, text):
    """Board pixels where two frames differ, as (cell x, cell y, dx, dy), with
    the cells of `swap` (cell: cell) held against each other instead of
    themselves, and the box `text` (right, bottom, from the board's origin)
    left out."""
    mismatches = []
    for cellY in range(GRID_HEIGHT):
        for cellX in range(GRID_WIDTH):
            otherX, otherY = swap.get((cellX, cellY), (cellX, cellY))
            for dy in range(CELL_SIZE):
                for dx in range(CELL_SIZE):
                    x, y = cellX * CELL_SIZE + dx, cellY * CELL_SIZE + dy
                    if x < text[0] and y < text[1]:
                        continue
                    if first.Pixel(x, y) != second.Pixel(otherX * CELL_SIZE + dx, otherY * CELL_SIZE + dy):
                        mismatches.append((cellX, cellY, dx, dy))
    return mismatches


def FindGridStart(isBlack, length, cell=CELL_SIZE):
    """First index of a board edge along a line crossing the board: a black
    outline pixel, the next cell's outline one cell less a pixel and one cell
    on, and no outline between them (which rules out a line along an
    outline)."""
    for i in range(length - cell):
        if isBlack(i) and isBlack(i + cell - 1) and isBlack(i + cell) and not isBlack(i + cell // 2):
            return i
    return None


def FindBoard(image, scale=1):
    """Top-left outline pixel of the board in a window image, or None."""
    black = lambda x, y: 0 <= x < image.width and 0 <= y < image.height and image.Pixel(x, y) == BLACK
    cell = Device(CELL_SIZE, scale)
    for y in range(image.height // 2, image.height, 7):  # any row across the cells
        left = FindGridStart(lambda x: black(x, y), image.width, cell)
        if left is None:
            continue
        # Column 8 is away from the text lines over the top-left cells.
        column = left + Device(8 * CELL_SIZE + CELL_SIZE // 2, scale)
        top = FindGridStart(lambda y: black(column, y), image.height, cell)
        if top is not None:
            return left, top
    return None


class Session:
    """What both kinds of display share: the programs started on it, its
    environment and its device scale; a context manager."""

    name = None

    def __init__(self, width, height, scale):
        self.size, self.scale = (width, height), scale
        self.processes = []
        self.env = dict(os.environ)

    def __enter__(self):
        # Servers that pick their display number at the same moment can end up
        # unreachable, so this suite starts one at a time, and tries again if
        # someone else's server got in the way.
        with open(os.path.join(tempfile.gettempdir(), "slithergrid-e2e-display.lock"), "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            for attempt in range(3):
                try:
                    self.Start()
                    return self
                except BaseException as error:
                    self.Close()
                    if attempt == 2 or not isinstance(error, RuntimeError):
                        raise

    def __exit__(self, *error):
        self.Close()

    def Spawn(self, argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **options):
        process = subprocess.Popen(argv, env=self.env, stdin=stdin, stdout=stdout, stderr=stderr, start_new_session=True, preexec_fn=DieWithTest, **options)
        self.processes.append(process)
        return process

    def Run(self, *argv, check=True, timeout=30):
        result = subprocess.run(argv, env=self.env, capture_output=True, timeout=timeout)
        if check and result.returncode != 0:
            raise RuntimeError(f"{' '.join(argv)} failed: {result.stderr.decode(errors='replace').strip()}")
        return result

    def Command(self, argv):
        """The command line that runs a program on this display."""
        return argv

    def Logs(self):
        """What the display's own programs wrote, by file name, for a failing test's evidence."""
        return {}

    def Close(self):
        for process in reversed(self.processes):
            Stop(process)
        self.processes = []


class Display(Session):
    """Xvfb on a free display with openbox; GTK programs at GDK_SCALE=scale."""

    name = "x11"

    def __init__(self, width=1280, height=1024, scale=1):
        super().__init__(width, height, scale)
        if scale != 1:
            self.env["GDK_SCALE"] = str(scale)

    def Start(self):
        readEnd, writeEnd = os.pipe()
        width, height = self.size
        self.Spawn(["Xvfb", "-displayfd", str(writeEnd), "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp"], pass_fds=(writeEnd,))
        os.close(writeEnd)
        with os.fdopen(readEnd) as pipe:
            number = pipe.readline().strip()  # written once the server listens
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.env["DISPLAY"] = f":{number}"
        self.env.pop("WAYLAND_DISPLAY", None)
        log = tempfile.TemporaryFile()
        windowManager = self.Spawn(["openbox", "--sm-disable"], stdout=log, stderr=log)

        def Ready():
            if windowManager.poll() is not None:
                log.seek(0)
                raise RuntimeError(f"openbox on {self.env['DISPLAY']} ended with {windowManager.returncode}: {log.read()[-1000:]!r}")
            return self.Run("wmctrl", "-m", check=False).returncode == 0

        try:
            WaitUntil(Ready, 30, "openbox")
        except AssertionError as error:
            raise RuntimeError(str(error))
        finally:
            log.close()

    def FindWindow(self, title="Slithergrid"):
        found = self.Run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$", check=False)
        ids = found.stdout.split()
        return int(ids[0]) if ids else None

    def Geometry(self, window):
        """Absolute x, y, width and height of the window."""
        info = self.Run("xwininfo", "-id", str(window)).stdout.decode()
        value = lambda label: int(info.split(label)[1].split()[0])
        return value("Absolute upper-left X:"), value("Absolute upper-left Y:"), value("Width:"), value("Height:")

    def Screenshot(self, window="root"):
        return Image(self.Run("import", "-window", str(window), "-depth", "8", "ppm:-", timeout=30).stdout)

    def Activate(self, window):
        self.Run("xdotool", "windowactivate", "--sync", str(window))

    def Keys(self, *keys):
        self.Run("xdotool", "key", "--delay", "30", *keys)

    def CloseWindow(self, window):
        self.Run("wmctrl", "-c", "Slithergrid")  # as the close box does


UNPRIVILEGED = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--pdeathsig=KILL"]


class WaylandDisplay(Session):
    """A headless sway at this output size and scale, its windows floating
    and without borders. sway refuses to run as root, so a root test runs it
    and the programs as nobody, from a fresh runtime folder of nobody's."""

    name = "wayland"
    RESCALES = True

    def __init__(self, width=1280, height=1024, scale=1):
        super().__init__(width, height, scale)
        self.runtime, self.copies = None, {}

    def Start(self):
        self.runtime = tempfile.mkdtemp(prefix="slithergrid-wayland-")  # mode 0700
        config = os.path.join(self.runtime, "config")
        with open(config, "w") as file:
            width, height = self.size
            file.write(
                "xwayland disable\n"
                f"output HEADLESS-1 resolution {width}x{height} position 0 0 scale {self.scale}\n"
                "default_border none\ndefault_floating_border none\n"
                'for_window [title=".*"] floating enable\n'
            )
        self.root = os.geteuid() == 0
        if self.root:
            for path in (self.runtime, config):
                os.chown(path, 65534, 65534)
        self.env = {name: value for name, value in os.environ.items() if name not in ("DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK")}
        self.env.update(HOME=self.runtime, XDG_RUNTIME_DIR=self.runtime, WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman", GDK_BACKEND="wayland")
        log = tempfile.TemporaryFile()
        sway = self.Spawn(self.Command(["sway", "-c", config]), stdout=log, stderr=log)

        def Ready():
            if sway.poll() is not None:
                log.seek(0)
                raise RuntimeError(f"sway ended with {sway.returncode}: {log.read()[-1000:]!r}")
            names = os.listdir(self.runtime)
            sockets = [n for n in names if n.startswith("wayland-") and not n.endswith(".lock")]
            ipc = [n for n in names if n.startswith("sway-ipc.")]
            if sockets and ipc:
                self.env.update(WAYLAND_DISPLAY=sockets[0], SWAYSOCK=os.path.join(self.runtime, ipc[0]))
                return self.Run("swaymsg", "-t", "get_version", check=False).returncode == 0

        def HasKeyboard():
            seats = json.loads(self.Run("swaymsg", "-t", "get_seats").stdout)
            return any(seat["capabilities"] & 2 for seat in seats)

        try:
            WaitUntil(Ready, 30, "sway")
            # The seat has no keyboard of its own. Each wtype would add one and
            # take it away again, and GTK, still binding the new keyboard,
            # would miss its keys; one wtype that waits a day keeps a keyboard
            # on the seat meanwhile.
            self.Spawn(["wtype", "-s", "86400000"])
            WaitUntil(HasKeyboard, 20, "a keyboard on sway's seat")
        except AssertionError as error:
            raise RuntimeError(str(error))
        finally:
            log.close()

    def Command(self, argv):
        if not self.root:
            return argv
        if os.path.isfile(argv[0]):
            # nobody may not reach a build folder under root's home: a copy of
            # the program in the runtime folder, one for each program of that
            # name (two builds of the game are both "slithergrid").
            copies = self.copies
            if argv[0] not in copies:
                name = os.path.basename(argv[0])
                copies[argv[0]] = program = os.path.join(self.runtime, f"{name}-{len(copies)}" if os.path.exists(os.path.join(self.runtime, name)) else name)
                shutil.copy(argv[0], program)
                os.chown(program, 65534, 65534)
            argv = [copies[argv[0]]] + argv[1:]
        return UNPRIVILEGED + argv

    def SetScale(self, scale):
        """Changes the output's scale under the running programs and puts
        their windows back in the middle of its new logical size."""
        self.Run("swaymsg", "output", "HEADLESS-1", "scale", str(scale))
        self.Run("swaymsg", '[title=".*"]', "move", "position", "center")
        self.scale = scale

    def Node(self, window, title="Slithergrid"):
        """The window's node in sway's tree (None: the one with this title), or None."""
        def Walk(node):
            if node.get("id") == window or (window is None and node.get("name") == title and node.get("pid")):
                yield node
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                yield from Walk(child)

        tree = json.loads(self.Run("swaymsg", "-t", "get_tree").stdout)
        return next(Walk(tree), None)

    def AppId(self, window):
        return self.Node(window)["app_id"]

    def FindWindow(self, title="Slithergrid"):
        node = self.Node(None, title)
        return node["id"] if node and node.get("visible") and node["window_rect"]["width"] > 0 else None

    def Geometry(self, window):
        """Logical x, y, width and height of the window's content."""
        node = self.Node(window)
        outer, inner = node["rect"], node["window_rect"]
        return outer["x"] + inner["x"], outer["y"] + inner["y"], inner["width"], inner["height"]

    def Screenshot(self, window):
        x, y, width, height = self.Geometry(window)
        return Image(self.Run("grim", "-t", "ppm", "-g", f"{x},{y} {width}x{height}", "-", timeout=30).stdout)

    def Activate(self, window):
        self.Run("swaymsg", f"[con_id={window}]", "focus")

    def Keys(self, *keys):
        argv = ["wtype"]
        for key in keys:
            argv += ["-k", key, "-s", "30"]
        self.Run(*argv)

    def CloseWindow(self, window):
        self.Run("swaymsg", f"[con_id={window}]", "kill")  # as a close button does

    def Close(self):
        super().Close()
        if self.runtime is not None:
            shutil.rmtree(self.runtime, ignore_errors=True)
            self.runtime, self.copies = None, {}


class DesktopDisplay(WaylandDisplay):
    """A headless desktop whose windows, screenshots and keys are reached over
    D-Bus, from inside the desktop's own session bus: desktop_session.py runs
    the compositor there as the desktop's user and answers this driver over a
    pipe. Its windows are the ones the desktop places, as a player sees them."""

    FILES = ()  # programs the desktop's user runs, copied into the runtime folder

    def Start(self):
        self.runtime = tempfile.mkdtemp(prefix=f"slithergrid-{self.name}-")
        self.root = os.geteuid() == 0
        for path in (os.path.join(HERE, "desktop_session.py"),) + self.FILES:
            shutil.copy(path, self.runtime)
        if self.root:
            for name in [""] + os.listdir(self.runtime):
                os.chown(os.path.join(self.runtime, name), 65534, 65534)
        home = dict(HOME=self.runtime, XDG_RUNTIME_DIR=self.runtime, PATH="/usr/bin:/bin", LANG="C.UTF-8")
        width, height = self.size
        # Answers come on a pipe of their own: the session's bus daemon keeps
        # the standard output it was given for the services it starts.
        reading, writing = os.pipe()
        helper = [os.path.join(self.runtime, "desktop_session.py"), self.name, self.runtime, str(width), str(height), str(self.scale), str(writing)]
        # A clean environment: the caller's session bus, display or desktop
        # must not leak into the desktop's.
        argv = ["env", "-i"] + [f"{name}={value}" for name, value in home.items()] + ["dbus-run-session", "--", "/usr/bin/python3"] + helper
        self.log = tempfile.TemporaryFile()
        self.helper = self.Spawn(self.Command(argv), stdin=subprocess.PIPE, stdout=self.log, stderr=self.log, pass_fds=(writing,))
        os.close(writing)
        self.answers, self.pending = os.fdopen(reading, "rb", buffering=0), b""
        try:
            ready = json.loads(self.Read(timeout=90))
        except AssertionError as error:
            raise RuntimeError(str(error))
        if "error" in ready:
            raise RuntimeError(f"{self.name} did not start: {ready['error']}")
        self.env = {name: value for name, value in os.environ.items() if name not in ("DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK", "DBUS_SESSION_BUS_ADDRESS")}
        self.env.update(home, PATH=os.environ.get("PATH", home["PATH"]), WAYLAND_DISPLAY=ready["display"], DBUS_SESSION_BUS_ADDRESS=ready["bus"], GDK_BACKEND="wayland")
        self.scale = ready["scale"]

    def Read(self, size=None, timeout=45):
        """A line from the helper, or size bytes."""
        deadline = time.monotonic() + timeout
        while (b"\n" not in self.pending) if size is None else (len(self.pending) < size):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.answers], [], [], left)[0]:
                raise AssertionError(f"the {self.name} helper gave no answer within {timeout} s")
            chunk = self.answers.read(1 << 20)
            if not chunk:
                self.log.seek(0)
                raise AssertionError(f"the {self.name} helper ended with {self.helper.wait()}: {self.log.read()[-1500:].decode(errors='replace')}")
            self.pending += chunk
        if size is None:
            line, _, self.pending = self.pending.partition(b"\n")
            return line
        data, self.pending = self.pending[:size], self.pending[size:]
        return data

    def Ask(self, **request):
        """The helper's answer to one request; what it could not do is a
        RuntimeError, as from the other displays' tools."""
        self.helper.stdin.write(json.dumps(request).encode() + b"\n")
        self.helper.stdin.flush()
        reply = json.loads(self.Read())
        if "error" in reply:
            raise RuntimeError(f"{request['do']} on {self.name}: {reply['error']}")
        return self.Read(reply["bytes"]) if "bytes" in reply else reply

    def Window(self, window, title="Slithergrid"):
        for found in self.Ask(do="windows")["windows"]:
            if found["id"] == window or (window is None and found["title"] == title and found["rect"][2] > 0):
                return found
        return None

    def FindWindow(self, title="Slithergrid"):
        found = self.Window(None, title)
        return found and found["id"]

    def Geometry(self, window):
        """x, y, width and height of the window, as the desktop has placed
        it (at scale 1: sway's and KWin's logical pixels are GNOME's screen
        pixels)."""
        return tuple(self.Window(window)["rect"])

    def AppId(self, window):
        return self.Window(window)["appId"]

    def Screenshot(self, window):
        return Image(self.Ask(do="shot", window=window))

    def Activate(self, window):
        self.Ask(do="activate", window=window)

    def Keys(self, *keys):
        self.Ask(do="keys", keys=keys)

    def CloseWindow(self, window):
        self.Ask(do="close", window=window)  # as a close button does

    def Logs(self):
        logs = {}
        if getattr(self, "helper", None) is not None:
            self.log.seek(0)
            logs[f"{self.name}-session.txt"] = self.log.read()
            try:
                with open(os.path.join(self.runtime, "compositor.log"), "rb") as log:
                    logs[f"{self.name}-compositor.txt"] = log.read()
            except OSError:
                pass
        return logs

    def Close(self):
        if getattr(self, "helper", None) is not None and self.helper.poll() is None:
            try:
                self.helper.stdin.close()  # the helper stops its compositor
                self.helper.wait(5)
            except (OSError, subprocess.TimeoutExpired):
                pass
        super().Close()
        if getattr(self, "helper", None) is not None:
            self.answers.close()
            self.log.close()
            self.helper = None


class KWinDisplay(DesktopDisplay):
    """kwin_wayland's virtual output, at its scale from the start."""

    name = "kwin"
    RESCALES = False

    def Move(self, window, x, y):
        """Puts the window's own surface at logical x, y: KWin may place a new
        window on a fraction of a device pixel, and then resamples it."""
        self.Ask(do="move", window=window, to=[x, y])
    # A plain copy of the compositor: the installed one carries a file
    # capability that a container cannot grant, so exec fails with EPERM.
    FILES = ("/usr/bin/kwin_wayland", os.environ.get("SLITHER_KWIN_KEYS", os.path.join(SOURCE_DIR, "build", "native", "tests", "e2e", "kwin_keys")))


class GnomeDisplay(DesktopDisplay):
    """gnome-shell's headless virtual monitor, set to its scale before any
    window opens."""

    name = "gnome"
    RESCALES = False


DISPLAYS = {kind.name: kind for kind in (Display, WaylandDisplay, KWinDisplay, GnomeDisplay)}


def DisplayKind(default="x11"):
    """The kind of display that SLITHER_DISPLAY names (x11, wayland for sway,
    kwin or gnome)."""
    return DISPLAYS[os.environ.get("SLITHER_DISPLAY") or default]


def OpenDisplay():
    """The display that SLITHER_DISPLAY names, started."""
    return DisplayKind()().__enter__()


def DieWithTest():
    """Runs in a child before exec: a test killed on its timeout takes the
    programs it started with it, although they run in sessions of their own."""
    ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


def Stop(process, grace=2.0):
    """Ends a process we started, and its process group, if still running."""
    if process.poll() is None:
        for sig in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(process.pid, sig)
            except ProcessLookupError:
                pass
            try:
                process.wait(grace)
                break
            except subprocess.TimeoutExpired:
                continue
    else:
        try:  # anything left in its group
            os.killpg(process.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass


def State(pid):
    with open(f"/proc/{pid}/stat") as stat:
        return stat.read().rsplit(")", 1)[1].split()[0]


def Stopped(pid):
    return State(pid) in "tT"


def ProgramCommand(program):
    """Command line of the native program or of the .exe under Wine. A
    native program of another architecture runs under the emulator that
    SLITHER_NATIVE_EMULATOR names (qemu-aarch64-static -L / for arm64)."""
    if program == "native":
        emulator = shlex.split(os.environ.get("SLITHER_NATIVE_EMULATOR", ""))
        return emulator + [os.environ.get("SLITHER_NATIVE", os.path.join(SOURCE_DIR, "build", "native", "slithergrid"))]
    exe = os.environ.get("SLITHER_EXE", os.path.join(SOURCE_DIR, "build", "windows", "Slithergrid.exe"))
    return ["wine", exe]


def WineEnvironment(env):
    """The tests' own prefix, never the caller's WINEPREFIX: Close ends every
    Wine process of the prefix it uses."""
    env["WINEPREFIX"] = os.environ.get("SLITHER_WINEPREFIX", os.path.join(SOURCE_DIR, "build", "e2e-wineprefix"))
    env["WINEDEBUG"] = "-all"
    env["WINEDLLOVERRIDES"] = "winemenubuilder.exe=d"  # no desktop entries
    return env


def BootWine(timeout=120):
    """Creates the Wine prefix once; later runs find it ready."""
    env = WineEnvironment(dict(os.environ))
    env.pop("DISPLAY", None)
    if os.path.exists(os.path.join(env["WINEPREFIX"], "system.reg")):
        return
    subprocess.run(["wineboot", "-i"], env=env, timeout=timeout, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, timeout=timeout)


class Game:
    """One run of a program on a Display; a context manager."""

    def __init__(self, display, program):
        self.display, self.program = display, program
        self.process = self.window = None
        self.lastImage = self.lastFrame = self.lastError = None

    def __enter__(self):
        try:
            self.Start()
        except BaseException:
            self.Close()
            raise
        return self

    def __exit__(self, kind, error, trace):
        if kind is not None and not issubclass(kind, unittest.SkipTest):
            self.KeepEvidence()
        self.Close()

    def Start(self):
        env = dict(self.display.env)
        if self.program == "wine":
            WineEnvironment(env)
        self.env = env
        command = ProgramCommand(self.program)
        if not os.path.exists(command[-1]):
            raise AssertionError(f"{command[-1]} is not built")
        command = self.display.Command(command)
        self.started = time.monotonic()
        self.errors = tempfile.TemporaryFile()
        self.process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=self.errors, start_new_session=True, preexec_fn=DieWithTest)
        self.window = WaitUntil(self.FindWindow, 30, "the window 'Slithergrid'", interval=0.01)
        self.mapped = time.monotonic()

    def FindWindow(self):
        if self.process.poll() is not None:
            raise AssertionError(f"{self.program} ended with {self.process.returncode} before showing a window:\n{self.ErrorOutput()}")
        return self.display.FindWindow()

    def ErrorOutput(self):
        self.errors.seek(0)
        return self.errors.read()[-2000:].decode(errors="replace")

    def Geometry(self):
        """Absolute x, y, width and height of the program's window."""
        return self.display.Geometry(self.window)

    def Capture(self):
        """A Frame of the window, or None while no board can be found in it.
        The board is looked for in every picture: a compositor may show a
        window shrunk, moved or half drawn before it shows it as it is, and
        where the board lay then says nothing of where it lies now."""
        taken = time.monotonic()
        try:
            image = self.display.Screenshot(self.window)
        except (RuntimeError, ValueError, subprocess.TimeoutExpired) as error:
            self.lastError = str(error)
            return None  # not viewable just now
        self.lastImage, self.lastError, scale = image, None, self.display.scale
        origin = FindBoard(image, scale)
        self.lastFrame = origin and Frame(image, origin, taken, scale)
        return self.lastFrame

    def WaitForFrame(self, probe, timeout, what):
        """Captures frames until probe(frame) holds; returns that frame."""
        def Next():
            frame = self.Capture()
            return frame if frame is not None and probe(frame) else None

        try:
            return WaitUntil(Next, timeout, what, interval=0)
        except AssertionError as error:
            raise AssertionError(f"{error}; {self.Seen()}") from None

    def Seen(self):
        seen = f"the last screenshot failed: {self.lastError}" if self.lastError else Seen(self.lastFrame, self.lastImage)
        return f"{seen}; evidence in {self.KeepEvidence()}"

    def KeepEvidence(self):
        """The last screenshot and what the program wrote on standard error,
        where a failing test's reader finds them."""
        if self.lastImage is not None:
            KeepEvidence(f"{self.program}-last.ppm", self.lastImage.Ppm())
        if self.process is not None:
            self.errors.seek(0)
            KeepEvidence(f"{self.program}-stderr.txt", self.errors.read())
        for name, data in self.display.Logs().items():
            KeepEvidence(name, data)
        return EVIDENCE

    def GamePid(self):
        return self.process.pid if self.program == "native" else self.ExePid()

    def StepUntil(self, probe, timeout, what, slice=0.005, then=None):
        """Lets the game run in slices of a few milliseconds and captures a
        frame while it is stopped in between, until probe(frame) holds; so
        no capture comes late, however busy the machine. Each slice lasts
        until the game waits again, so that a tick's frame has gone to the
        display before the next picture, and is otherwise short: a tick held
        back by a slow picture is followed by the next on time, and both in
        one slice would hide the first. `then`, if given, runs while the game
        is still stopped at that frame: keys sent there wait for the game's
        next look at its queue. Returns the frame and leaves the game
        running."""
        pid = self.GamePid()
        deadline = time.monotonic() + timeout
        try:
            while True:
                os.kill(pid, signal.SIGSTOP)
                WaitUntil(lambda: Stopped(pid), 10, "the game to stop", interval=0.001)
                frame = self.Capture()
                if frame is not None and probe(frame):
                    if then is not None:
                        then()
                    return frame
                if time.monotonic() > deadline:
                    raise AssertionError(f"timed out after {timeout} s waiting for {what}; {self.Seen()}")
                os.kill(pid, signal.SIGCONT)
                time.sleep(slice)
                # A tick's frame is on its way to the screen once the game
                # waits again.
                until = time.monotonic() + 0.05
                while State(pid) != "S" and time.monotonic() < until:
                    time.sleep(0.001)
        finally:
            os.kill(pid, signal.SIGCONT)

    def Activate(self):
        self.display.Activate(self.window)

    def Keys(self, *keys):
        self.display.Keys(*keys)

    def PressCloseBox(self):
        self.display.CloseWindow(self.window)

    def Menu(self, item):
        self.Keys("F10", "Down", *["Down"] * (MENU_ITEM[item] - 1), "Return")

    def Rss(self):
        """Resident memory of the game process in KiB (for Wine, the .exe)."""
        pid = self.GamePid()
        with open(f"/proc/{pid}/status") as status:
            fields = dict(line.rstrip("\n").split(":\t", 1) for line in status if ":\t" in line)
        if "VmRSS" not in fields:  # a zombie: the program has ended
            time.sleep(0.1)
            raise AssertionError(f"{self.program} ended with {self.process.poll()} ({fields.get('State')}):\n{self.ErrorOutput()}")
        return int(fields["VmRSS"].split()[0])

    def ExePid(self):
        """The Windows program's process: a descendant of our wine command
        whose name is the .exe's."""
        parents, names = {}, {}
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                try:
                    with open(f"/proc/{entry}/status") as status:
                        fields = dict(line.rstrip("\n").split(":\t", 1) for line in status if ":\t" in line)
                except OSError:
                    continue
                parents[int(entry)], names[int(entry)] = int(fields["PPid"]), fields["Name"]
        for pid, name in names.items():
            ancestor = pid
            while ancestor in parents and ancestor != self.process.pid:
                ancestor = parents[ancestor]
            if ancestor == self.process.pid and name.lower().startswith("slithergrid"):
                return pid
        raise AssertionError("the .exe's process is not found")

    def WaitForExit(self, timeout=10):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"{self.program} still runs {timeout} s after it was told to end")

    def Close(self):
        if self.process is not None:
            Stop(self.process)
            if self.program == "wine":
                # The Wine server and its services belong to this run's prefix.
                subprocess.run(["wineserver", "-k"], env=self.env, timeout=15, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.process = None
            self.errors.close()
        if self.window is not None:
            # GNOME lists a window for a moment after its program has ended:
            # the next game on this display must not take it for its own.
            WaitUntil(lambda: self.display.FindWindow() != self.window, 10, "the ended game's window to go", interval=0.01)
            self.window = None


if __name__ == "__main__" and sys.argv[1:] == ["boot-wine"]:
    BootWine()
