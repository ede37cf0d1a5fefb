"""Runs a headless KWin or gnome-shell and serves the end-to-end driver.

game_driver.py starts this as the desktop's user inside a dbus-run-session of
its own, the only place from which the compositor's D-Bus services answer.
It starts the compositor, says {"ready": ...} and then
answers one JSON request a line from standard input on the file descriptor
the driver passed: windows, shot (followed by that many bytes of PPM), keys,
activate, close, move. Everything here runs as that user, in the folder
the driver made for the run (argv[2]).
"""

import json
import os
import signal
import subprocess
import sys
import threading
import time

import gi
from gi.repository import Gio, GLib

SOCKET = "wayland-slither"
KEYSYMS = {"Up": 0xFF52, "Down": 0xFF54, "Left": 0xFF51, "Right": 0xFF53, "Return": 0xFF0D, "Escape": 0xFF1B, "F10": 0xFFC7, "Shift_L": 0xFFE1}


def WaitFor(probe, timeout, what):
    deadline = time.monotonic() + timeout
    while not probe():
        if time.monotonic() > deadline:
            raise RuntimeError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.05)


class Desktop:
    def __init__(self, runtime, width, height, scale):
        self.runtime, self.size, self.scale = runtime, (width, height), scale
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        self.log = open(os.path.join(runtime, "compositor.log"), "wb")

    def Call(self, name, path, interface, method, args=None, reply=None, fds=None, timeout=30):
        if fds is None:
            result = self.bus.call_sync(name, path, interface, method, args, reply and GLib.VariantType(reply), 0, timeout * 1000, None)
        else:
            result, _ = self.bus.call_with_unix_fd_list_sync(name, path, interface, method, args, reply and GLib.VariantType(reply), 0, timeout * 1000, fds, None)
        return result.unpack() if result is not None else None

    def Owned(self, name):
        return self.Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner", GLib.Variant("(s)", (name,)), "(b)")[0]

    def Started(self, service, timeout=60):
        def Ready():
            if self.compositor.poll() is not None:
                self.log.flush()
                with open(self.log.name, "rb") as log:
                    raise RuntimeError(f"{self.compositor.args[0]} ended with {self.compositor.returncode}: {log.read()[-1500:]!r}")
            return os.path.exists(os.path.join(self.runtime, SOCKET)) and self.Owned(service)

        WaitFor(Ready, timeout, service)

    def Window(self, window):
        for found in self.Windows():
            if found["id"] == window:
                return found
        raise RuntimeError(f"no window {window}")

    def Stop(self):
        self.compositor.terminate()
        try:
            self.compositor.wait(3)
        except subprocess.TimeoutExpired:
            self.compositor.kill()
        # The bus too, with the services it started: if the driver was killed,
        # so was dbus-run-session, which would have ended it.
        bus = ("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus")
        [daemon] = self.Call(*bus, "GetConnectionUnixProcessID", GLib.Variant("(s)", ("org.freedesktop.DBus",)), "(u)")
        os.kill(daemon, signal.SIGTERM)


class KWin(Desktop):
    """kwin_wayland's virtual backend. Window questions go to KWin scripts,
    which print their answers on KWin's standard error."""

    def __init__(self, *args):
        super().__init__(*args)
        # No fading in of a new window, which takes a busy machine long
        # enough to miss the game's first ticks.
        Write(os.path.join(os.environ["HOME"], ".config", "kdeglobals"), "[KDE]\nAnimationDurationFactor=0\n")
        env = dict(os.environ, KWIN_WAYLAND_NO_PERMISSION_CHECKS="1", KWIN_SCREENSHOT_NO_PERMISSION_CHECKS="1", QT_LOGGING_RULES="kwin_scripting.debug=true")
        width, height = self.size
        # The driver's plain copy: the installed binary carries a file
        # capability that a container may not grant.
        argv = [os.path.join(self.runtime, "kwin_wayland"), "--virtual", "--width", str(width), "--height", str(height), "--scale", str(self.scale)]
        self.compositor = subprocess.Popen(argv + ["--socket", SOCKET, "--no-lockscreen"], env=env, stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.PIPE)
        self.answers, self.answered, self.scripts = {}, threading.Condition(), 0
        threading.Thread(target=self.ReadScriptOutput, daemon=True).start()
        self.Started("org.kde.KWin")
        env = dict(os.environ, WAYLAND_DISPLAY=SOCKET)
        self.keyboard = subprocess.Popen([os.path.join(self.runtime, "kwin_keys")], env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        if self.keyboard.stdout.readline().strip() != "ready":
            raise RuntimeError("kwin_keys did not start")

    def ReadScriptOutput(self):
        for line in self.compositor.stderr:
            self.log.write(line)
            text = line.decode(errors="replace")
            if text.startswith("js: SLITHER "):
                number, answer = text[len("js: SLITHER ") :].split(" ", 1)
                with self.answered:
                    self.answers[number] = json.loads(answer)
                    self.answered.notify_all()

    def Script(self, body):
        """Runs a KWin script whose last expression is the answer."""
        self.scripts += 1
        number, name = str(self.scripts), f"slither{self.scripts}"
        path = os.path.join(self.runtime, name + ".js")
        with open(path, "w") as file:
            file.write(f'print("SLITHER {number} " + JSON.stringify((function () {{ {body} }})()));\n')
        scripting = ("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting")
        self.Call(*scripting, "loadScript", GLib.Variant("(ss)", (path, name)), "(i)")
        try:
            self.Call(*scripting, "start")  # runs the scripts loaded and not yet running: this one
            with self.answered:
                if not self.answered.wait_for(lambda: number in self.answers, 30):
                    raise RuntimeError("a KWin script gave no answer")
                return self.answers.pop(number)
        finally:
            self.Call(*scripting, "unloadScript", GLib.Variant("(s)", (name,)), "(b)")
            os.remove(path)

    def Windows(self):
        return self.Script(
            "return workspace.clientList().filter(function (c) { return c.normalWindow; }).map(function (c) {"
            " var g = c.bufferGeometry;"
            " return {id: c.internalId.toString(), title: c.caption, appId: c.desktopFileName,"
            " focus: c === workspace.activeClient, rect: [g.x, g.y, g.width, g.height]}; });"
        )

    def OnWindow(self, window, action):
        found = self.Script(f"var c = workspace.clientList().filter(function (c) {{ return c.internalId.toString() == {json.dumps(window)}; }})[0]; if (c) {{ {action}; }} return !!c;")
        if not found:
            raise RuntimeError(f"no window {window}")

    def Activate(self, window):
        self.OnWindow(window, "workspace.activeClient = c")

    def Close(self, window):
        self.OnWindow(window, "c.closeWindow()")

    def Move(self, window, x, y):
        self.OnWindow(window, f"var g = c.bufferGeometry, f = c.frameGeometry; c.frameGeometry = {{x: f.x + {x} - g.x, y: f.y + {y} - g.y, width: f.width, height: f.height}}")

    def Keys(self, keys):
        self.keyboard.stdin.write(" ".join(keys) + "\n")
        self.keyboard.stdin.flush()
        answer = self.keyboard.stdout.readline().strip()
        if answer != "ok":
            raise RuntimeError(f"kwin_keys: {answer or 'ended'}")

    def Shot(self, window):
        """The window's content at the output's own resolution."""
        reading, writing = os.pipe()
        fds = Gio.UnixFDList.new_from_array([writing])  # owns writing from here on
        options = {"native-resolution": GLib.Variant("b", True)}
        try:
            [meta] = self.Call("org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureWindow", GLib.Variant("(sa{sv}h)", (window, options, 0)), "(a{sv})", fds)
        finally:
            del fds  # closes KWin's end here, so that the read below ends
        with os.fdopen(reading, "rb") as pipe:
            data = pipe.read()
        width, height, stride = meta["width"], meta["height"], meta["stride"]
        if meta.get("format") not in (4, 5, 6) or len(data) < stride * height:  # 32-bit (A)RGB, B G R A in memory
            raise RuntimeError(f"an unexpected screenshot: {meta}, {len(data)} bytes")
        rows = data if stride == 4 * width else b"".join(data[y * stride : y * stride + 4 * width] for y in range(height))
        return width, height, rows, (2, 1, 0)

    def Stop(self):
        self.keyboard.stdin.close()
        super().Stop()


class Gnome(Desktop):
    """gnome-shell's headless backend, in a session mode of its own: no
    overview (which would take the keys), no notifications (whose banners,
    about the missing screen lock or the unsafe mode, would cover the top of
    the window for seconds), and one small extension that sets the shell's
    unsafe mode, so that Eval and the screenshot service answer the tests."""

    MODE, EXTENSION = "slithergrid-tests", "unsafe-mode@tests.slithergrid.org"

    def __init__(self, *args):
        super().__init__(*args)
        share = os.path.join(self.runtime, "share")
        mode = {"parentMode": "user", "hasOverview": False, "hasNotifications": False, "enabledExtensions": [self.EXTENSION]}
        Write(os.path.join(share, "gnome-shell", "modes", self.MODE + ".json"), mode)
        extension = os.path.join(share, "gnome-shell", "extensions", self.EXTENSION)
        Write(os.path.join(extension, "metadata.json"), {"uuid": self.EXTENSION, "name": "Unsafe mode", "description": "Opens the shell's D-Bus services to the end-to-end tests", "shell-version": ["43"]})
        Write(os.path.join(extension, "extension.js"), "function init() {}\nfunction enable() { global.context.unsafe_mode = true; }\nfunction disable() {}\n")
        # A window fades and grows in as it opens, which takes a busy machine
        # long enough to miss the game's first ticks.
        Gio.Settings.new("org.gnome.desktop.interface").set_boolean("enable-animations", False)
        Gio.Settings.sync()
        env = dict(os.environ, XDG_DATA_DIRS=f"{share}:/usr/local/share:/usr/share", DBUS_SYSTEM_BUS_ADDRESS=os.environ["DBUS_SESSION_BUS_ADDRESS"])
        width, height = self.size
        argv = ["gnome-shell", "--headless", "--wayland", "--no-x11", "--virtual-monitor", f"{width}x{height}", f"--wayland-display={SOCKET}", f"--mode={self.MODE}"]
        self.compositor = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log)
        self.Started("org.gnome.Shell")
        WaitFor(self.Unsafe, 30, "the shell in unsafe mode")
        # The shell's start-up goes on for a moment after it answers. A window
        # opened meanwhile is placed as if there were no top bar, and its
        # screenshots came out black; a change of scale in that moment once
        # kept the start-up from ending for the whole of a test.
        WaitFor(self.StartedUp, 60, "the shell's start-up")
        if self.scale != 1:
            self.SetScale(self.scale)
        # One remote desktop session for the whole run: its very first key
        # goes astray, so a few harmless ones go first.
        mutter = "org.gnome.Mutter.RemoteDesktop"
        [self.session] = self.Call(mutter, "/org/gnome/Mutter/RemoteDesktop", mutter, "CreateSession", None, "(o)")
        self.Call(mutter, self.session, mutter + ".Session", "Start")
        self.Keys(["Shift_L"] * 3)

    def Unsafe(self):
        try:
            return self.Eval("global.context.unsafe_mode")
        except (GLib.Error, RuntimeError):  # the shell is still starting
            return False

    def StartedUp(self):
        return self.Eval("Main.layoutManager._startingUp === false")

    def Eval(self, code):
        ok, answer = self.Call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval", GLib.Variant("(s)", (code,)), "(bs)")
        if not ok:
            raise RuntimeError(f"the shell could not evaluate {code!r}: {answer}")
        return json.loads(answer) if answer else None

    def Windows(self):
        return self.Eval(
            "global.get_window_actors().map(a => a.meta_window).filter(w => w.get_window_type() == 0).map(w => {"
            " const r = w.get_frame_rect(), b = w.get_buffer_rect();"
            " return {id: String(w.get_id()), title: w.get_title(), appId: w.get_gtk_application_id() || w.get_wm_class(),"
            " focus: w.has_focus(), rect: [r.x, r.y, r.width, r.height], buffer: [b.x, b.y, b.width, b.height]}; })"
        )

    def OnWindow(self, window, action):
        found = self.Eval(f"(() => {{ const w = global.get_window_actors().map(a => a.meta_window).find(w => String(w.get_id()) == {json.dumps(window)}); if (w) w.{action}(global.get_current_time()); return !!w; }})()")
        if not found:
            raise RuntimeError(f"no window {window}")

    def Activate(self, window):
        self.OnWindow(window, "activate")

    def Close(self, window):
        self.OnWindow(window, "delete")

    def Keys(self, keys):
        session = "org.gnome.Mutter.RemoteDesktop.Session"
        for key in keys:
            if key not in KEYSYMS:
                raise RuntimeError(f"unknown key {key}")
            for pressed in (True, False):
                self.Call("org.gnome.Mutter.RemoteDesktop", self.session, session, "NotifyKeyboardKeysym", GLib.Variant("(ub)", (KEYSYMS[key], pressed)))
            time.sleep(0.03)

    def Shot(self, window):
        """The window's frame, at the monitor's own resolution: the shell
        takes the focused window with its shadows (quicker than an area of
        the screen, which waits for the whole screen to be painted), and the
        frame is cut out of that."""
        gi.require_version("GdkPixbuf", "2.0")
        from gi.repository import GdkPixbuf

        found = self.Window(window)
        if not found["focus"]:
            # The shell may leave a window that opened on a busy machine
            # without the focus; only the focused one can be taken.
            self.Activate(window)
            found = self.Window(window)
            if not found["focus"]:
                raise RuntimeError(f"window {window} does not take the focus")
        path = os.path.join(self.runtime, "shot.png")
        screenshot = ("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot", "org.gnome.Shell.Screenshot")
        ok, _ = self.Call(*screenshot, "ScreenshotWindow", GLib.Variant("(bbbs)", (False, False, False, path)), "(bs)")
        if not ok:
            raise RuntimeError("the shell took no screenshot")
        picture = GdkPixbuf.Pixbuf.new_from_file(path)
        (left, top, width, height), (outerLeft, outerTop, _, _) = found["rect"], found["buffer"]
        if picture.get_width() < left - outerLeft + width or picture.get_height() < top - outerTop + height:
            raise RuntimeError("the window changed its size")
        stride, channels, data = picture.get_rowstride(), picture.get_n_channels(), picture.get_pixels()
        start = (top - outerTop) * stride + (left - outerLeft) * channels
        rows = b"".join(data[start + y * stride : start + y * stride + channels * width] for y in range(height))
        return width, height, rows if channels == 4 else Rgba(rows), (0, 1, 2)

    def SetScale(self, scale):
        """Every monitor at this scale, until the session ends. The shell
        leaves windows where they were, so this comes before any window."""
        config = "org.gnome.Mutter.DisplayConfig"
        serial, monitors, logical, _ = self.Call(config, "/org/gnome/Mutter/DisplayConfig", config, "GetCurrentState", None, "(ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv})")
        modes = {connector[0]: next(mode[0] for mode in modes if mode[6].get("is-current")) for connector, modes, _ in monitors}
        layout, x = [], 0
        for _, _, _, transform, primary, connectors, _ in logical:
            layout.append((x, 0, float(scale), transform, primary, [(connector[0], modes[connector[0]], {}) for connector in connectors]))
        self.Call(config, "/org/gnome/Mutter/DisplayConfig", config, "ApplyMonitorsConfig", GLib.Variant("(uua(iiduba(ssa{sv}))a{sv})", (serial, 1, layout, {})))
        self.scale = scale


def Write(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as file:
        file.write(content if isinstance(content, str) else json.dumps(content))


def Rgba(rgb):
    out = bytearray(len(rgb) // 3 * 4)
    for channel in range(3):
        out[channel::4] = rgb[channel::3]
    return bytes(out)


def Ppm(width, height, pixels, order):
    """A binary PPM of 32-bit pixels whose red, green and blue bytes sit at
    the given offsets."""
    rgb = bytearray(3 * width * height)
    for channel, offset in enumerate(order):
        rgb[channel::3] = pixels[offset : 4 * width * height : 4]
    return b"P6\n%d %d\n255\n" % (width, height) + bytes(rgb)


def Serve(desktop, out):
    for line in sys.stdin:
        request, data = json.loads(line), b""
        try:
            what = request["do"]
            if what == "windows":
                reply = {"windows": desktop.Windows()}
            elif what == "shot":
                data = Ppm(*desktop.Shot(request["window"]))
                reply = {"bytes": len(data)}
            elif what == "keys":
                desktop.Keys(request["keys"])
                reply = {}
            elif what in ("activate", "close"):
                getattr(desktop, what.capitalize())(request["window"])
                reply = {}
            elif what == "move":
                desktop.Move(request["window"], *request["to"])
                reply = {}
            else:
                reply = {"error": f"unknown request {what}"}
        except (RuntimeError, GLib.Error) as error:
            reply, data = {"error": str(error)}, b""
        out.write(json.dumps(reply).encode() + b"\n" + data)
        out.flush()


def main():
    kind, runtime, width, height, scale, answers = sys.argv[1:7]
    with os.fdopen(int(answers), "wb") as out:
        try:
            scale = float(scale)  # KWin takes fractional scales (1.25, 1.5)
            desktop = {"kwin": KWin, "gnome": Gnome}[kind](runtime, int(width), int(height), int(scale) if scale.is_integer() else scale)
        except (RuntimeError, GLib.Error) as error:
            out.write(json.dumps({"error": str(error)}).encode() + b"\n")
            sys.exit(1)
        try:
            out.write(json.dumps({"ready": True, "display": SOCKET, "bus": os.environ["DBUS_SESSION_BUS_ADDRESS"], "scale": desktop.scale}).encode() + b"\n")
            out.flush()
            Serve(desktop, out)
        finally:
            desktop.Stop()


if __name__ == "__main__":
    main()
