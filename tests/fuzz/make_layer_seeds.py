#!/usr/bin/python3
"""Writes layer_fuzz's seeds into layer_corpus/: the call sequences of the conformance programs
(windows, painting, queue_timers, keys_menus, and wsprintf_formats' formats) in the fuzzer's
encoding, so that it starts from
what a real program does. The operation and action numbers follow layer_fuzz.cpp's enums."""

import os
import struct

OPS = """REGISTER_CLASS CREATE_WINDOW DESTROY_WINDOW SHOW_WINDOW SET_TIMER KILL_TIMER INVALIDATE
UPDATE_WINDOW POST POST_QUIT GET_MESSAGE RUN_LOOP DISPATCH_FORGED BEGIN_PAINT END_PAINT DRAW
CREATE_BRUSH DELETE_OBJECT CREATE_MENU APPEND_MENU CHOOSE_MENU_ITEM PRESS_KEY CLOSE_BOX SET_SCALE
ADVANCE_CLOCK REACT WSPRINTF DEF_WINDOW_PROC HOST_EVENT SURFACE_DC LOOK""".split()
OP = {name: i for i, name in enumerate(OPS)}
ACTIONS = """DEFAULT DESTROY_SELF DESTROY_OTHER KILL_TIMER SET_TIMER POST POST_QUIT INVALIDATE
INVALIDATE_ALL_WINDOWS UPDATE PAINT LEAVE_INVALID REFUSE HIDE SHOW SCALE LOOP CREATE
DELETE_BRUSH""".split()
ACT = {name: i for i, name in enumerate(ACTIONS)}
REACTING = "CREATE DESTROY PAINT ERASEBKGND TIMER SHOWWINDOW CLOSE COMMAND KEYDOWN USER".split()
MESSAGES = """CREATE DESTROY PAINT CLOSE QUIT ERASEBKGND SHOWWINDOW KEYDOWN KEYUP COMMAND TIMER USER
USER1""".split()
SHOW = {"HIDE": 0, "SHOWNORMAL": 1, "SHOW": 2, "MINIMIZE": 3, "RESTORE": 4, "SHOWDEFAULT": 5}
INTERVALS = {0: 0, 1: 1, 10: 2, 16: 3, 100: 4, 1000: 5, 0x7FFFFFFF: 6, 0xFFFFFFFF: 7}
EXTREMES = {-(2**31): 0, 2**31 - 1: 1, -1: 2, 2**30: 4, -(2**30): 5, 32767: 6}
NULL = 8  # in a window or menu pick
COLOR_WINDOW_BRUSH = 9  # in a brush pick


def u32(value):
    return struct.pack("<I", value & 0xFFFFFFFF)


def coordinate(value):
    if value in EXTREMES:
        return bytes([next(c for c in range(0xF8, 0x100) if c % 7 == EXTREMES[value])])
    choice = max(0, (value + 300 - 255 + 1) // 2)
    assert 0 <= value + 300 - 2 * choice <= 255 and choice < 0xF8, value
    return bytes([choice, value + 300 - 2 * choice])


def rect(left, top, right, bottom):
    return b"".join(coordinate(v) for v in (left, top, right, bottom))


def text(s):
    data = s.encode("latin-1")
    return bytes([len(data)]) + data


def message(name):
    if name in MESSAGES:
        return bytes([MESSAGES.index(name)])
    return b"\xff" + u32(0x400 + int(name[4:]))  # USERn beyond the table


class Seed:
    def __init__(self):
        self.data = b""
        self.windows = 0  # the fuzzer's next window slot
        self.menus = 0

    def op(self, name, *parts):
        self.data += bytes([OP[name]]) + b"".join(
            bytes([p]) if isinstance(p, int) else p for p in parts)

    def register(self, refusing=False, class_index=0):
        self.op("REGISTER_CLASS", class_index | (4 if refusing else 0), COLOR_WINDOW_BRUSH, 0)

    def create(self, width=300, height=200, menu=None, class_index=0):
        b = class_index | (0x40 if menu is not None else 0)
        self.op("CREATE_WINDOW", b, *([menu] if menu is not None else []), coordinate(width),
                coordinate(height))
        self.windows += 1
        return (self.windows - 1) % 8

    def create_unknown(self):
        self.op("CREATE_WINDOW", 0x80, coordinate(10), coordinate(10))
        self.windows += 1

    def menu(self, popup=True):
        self.op("CREATE_MENU", 1 if popup else 0)
        self.menus += 1
        return (self.menus - 1) % 8

    def append(self, menu, item_id=None, popup=None, label="x", raw_popup=None):
        if popup is not None:
            self.op("APPEND_MENU", menu, 3, popup, text(label))
        elif raw_popup is not None:
            self.op("APPEND_MENU", menu, 2, raw_popup, text(label))
        else:
            self.op("APPEND_MENU", menu, 0, item_id, text(label))

    def show(self, window, command="SHOW"):
        self.op("SHOW_WINDOW", window, SHOW[command])

    def react(self, message_name, action, argument=0):
        self.op("REACT", REACTING.index(message_name), ACT[action], argument)

    def timer(self, window, timer_id, interval, callback=False):
        flags = 4 if callback else 0
        if window is None:
            self.op("SET_TIMER", 1 | flags, timer_id, INTERVALS[interval])
        else:
            self.op("SET_TIMER", flags, window, timer_id, INTERVALS[interval])

    def kill(self, window, timer_id):
        if window is None:
            self.op("KILL_TIMER", 1, timer_id)
        else:
            self.op("KILL_TIMER", 0, window, timer_id)

    def sleep(self, milliseconds):
        self.op("ADVANCE_CLOCK", 0, u32(milliseconds * 1000))

    def invalidate(self, window, area=None, erase=True):
        flags = (1 if window is None else 0) | (2 if area else 0) | (4 if erase else 0)
        self.op("INVALIDATE", flags, *([] if window is None else [window]),
                rect(*(area or (0, 0, 0, 0))))

    def post(self, window, name, wparam=0, lparam=0):
        self.op("POST", NULL if window is None else window, message(name), u32(wparam),
                u32(lparam))

    def loop(self, count, window=None, first=None, last=None):
        flags = (1 if window is not None else 0) | (2 if first else 0) | ((count - 1) << 3)
        parts = ([window] if window is not None else []) + (
            [message(first), message(last)] if first else [])
        self.op("RUN_LOOP", flags, *parts)

    def take(self, window=None, first=None, last=None):
        flags = (1 if window is not None else 0) | (2 if first else 0)
        parts = ([window] if window is not None else []) + (
            [message(first), message(last)] if first else [])
        self.op("GET_MESSAGE", flags, *parts)


def windows_seed():
    s = Seed()
    s.register()
    s.register()  # again: refused
    s.create_unknown()
    w = s.create()
    s.op("LOOK", w, rect(0, 0, 0, 0), 1, u32(0x00CA0000), 0, coordinate(0), coordinate(0),
         0, coordinate(0), coordinate(0), NULL, 0, 0)
    for command in ("SHOW", "SHOW", "HIDE", "HIDE", "SHOWNORMAL"):
        s.show(w, command)
    s.op("UPDATE_WINDOW", w)
    s.op("DEF_WINDOW_PROC", w, message("CLOSE"), 0, u32(0))
    s.op("DESTROY_WINDOW", w)
    s.show(w)
    s.op("UPDATE_WINDOW", w)
    s.invalidate(w)
    s.post(w, "USER")
    s.timer(w, 1, 10)
    w = s.create()
    for name in ("CREATE", "KEYDOWN", "KEYUP", "COMMAND", "TIMER", "USER"):
        s.op("DEF_WINDOW_PROC", w, message(name), 0, u32(0))
    s.op("DESTROY_WINDOW", w)
    s.register(refusing=True, class_index=2)
    s.create(class_index=2)
    s.react("CREATE", "REFUSE")
    s.create()
    s.react("CREATE", "DEFAULT")
    for _ in range(10):
        s.create(50, 50)
    for slot in range(8):
        s.op("DESTROY_WINDOW", slot)
    for _ in range(4):
        m = s.menu()
        for j in range(5):
            s.append(m, item_id=100 + j, label="m" * 40)
    return s.data


def painting_seed():
    s = Seed()
    s.register()
    s.react("PAINT", "PAINT", 0x20)
    w = s.create()
    s.invalidate(w)
    s.op("UPDATE_WINDOW", w)
    s.show(w)
    s.op("UPDATE_WINDOW", w)
    s.op("UPDATE_WINDOW", w)
    s.invalidate(w, (10, 10, 30, 20), erase=False)
    s.invalidate(w, (100, 40, 120, 60), erase=False)
    s.op("UPDATE_WINDOW", w)
    s.invalidate(w, (400, 400, 410, 410))
    s.op("UPDATE_WINDOW", w)
    s.invalidate(w)
    s.op("UPDATE_WINDOW", w)
    s.react("ERASEBKGND", "REFUSE")
    s.invalidate(w)
    s.op("UPDATE_WINDOW", w)
    s.react("ERASEBKGND", "DEFAULT")
    s.react("PAINT", "INVALIDATE", 0x01)
    s.invalidate(w, (10, 10, 30, 20), erase=False)
    s.op("UPDATE_WINDOW", w)
    s.op("UPDATE_WINDOW", w)
    # GDI inside a paint of its own: brush, rectangles (inverted, empty), texts, deleting twice.
    s.invalidate(w, erase=False)
    s.op("BEGIN_PAINT", w)
    s.op("CREATE_BRUSH", u32(0x1E140A))
    s.op("DRAW", 0, 0x07, 0, rect(1, 1, 20, 20))
    s.op("DRAW", 0, 0x04, rect(20, 20, 1, 1))
    s.op("DRAW", 0, 0x04, rect(5, 5, 5, 5))
    s.op("DRAW", 16, 0x04, rect(1, 1, 2, 2))
    s.op("DRAW", 0, 0x08, coordinate(2), coordinate(2), text("Text"))
    s.op("DRAW", 0, 0x08, coordinate(2), coordinate(2), text(""))
    s.op("DRAW", 0, 0x18, coordinate(2), coordinate(2), text(""))
    s.op("DELETE_OBJECT", 1, 0)
    s.op("DELETE_OBJECT", 1, 0)
    s.op("END_PAINT", 0)
    s.react("PAINT", "DEFAULT")
    s.invalidate(w, erase=False)
    s.op("UPDATE_WINDOW", w)
    s.invalidate(None)
    s.op("UPDATE_WINDOW", w)
    s.op("UPDATE_WINDOW", NULL)
    s.invalidate(w)
    s.react("PAINT", "LEAVE_INVALID")
    s.take(w, "PAINT", "PAINT")
    s.react("PAINT", "PAINT", 0x20)
    s.take(w, "PAINT", "PAINT")
    s.op("BEGIN_PAINT", NULL)
    s.show(w, "MINIMIZE")
    s.invalidate(w)
    s.op("UPDATE_WINDOW", w)
    s.show(w, "RESTORE")
    s.op("UPDATE_WINDOW", w)
    s.op("SET_SCALE", w, 60)  # scales in 30ths here: 2
    s.op("UPDATE_WINDOW", w)
    s.op("SET_SCALE", w, 45)  # 1.5
    s.op("UPDATE_WINDOW", w)
    s.show(w, "HIDE")
    s.invalidate(w)
    s.op("UPDATE_WINDOW", w)
    s.op("DESTROY_WINDOW", w)
    return s.data


def queue_timers_seed():
    s = Seed()
    s.register()
    s.react("PAINT", "PAINT", 0x20)
    w = s.create()
    s.show(w)
    s.timer(w, 1, 10)
    s.sleep(50)
    s.post(w, "USER1", 1)
    s.post(w, "USER2", 2)
    s.post(None, "USER3", 3)
    s.op("POST_QUIT", u32(7))
    s.loop(16)
    s.kill(w, 1)
    s.timer(w, 1, 10)
    s.sleep(30)
    s.invalidate(w, erase=False)
    s.post(w, "USER4", 4)
    s.loop(3)
    s.kill(w, 1)
    for name in ("USER5", "USER6", "USER7", "KEYDOWN", "USER8"):
        s.post(None if name == "USER6" else w, name)
    s.take(None, "USER6", "USER7")
    s.take(w)
    s.take(w, "KEYDOWN", "KEYUP")
    s.take(w, "USER8", "USER8")
    s.take(w)
    s.op("POST_QUIT", u32(4))
    s.take(w, "USER9", "USER9")
    s.timer(w, 5, 100)
    s.timer(w, 5, 16)
    s.kill(w, 5)
    s.kill(w, 5)
    s.kill(w, 55)
    s.timer(w, 0, 100)
    s.kill(w, 0)
    s.kill(None, 1)
    s.timer(None, 0, 10, callback=True)
    s.timer(w, 3, 100, callback=True)
    s.sleep(200)
    s.loop(8)
    s.timer(w, 4, 0)
    s.timer(w, 2, 0xFFFFFFFF)
    s.sleep(300)
    s.loop(16)
    s.kill(w, 4)
    s.kill(w, 2)
    s.timer(w, 1, 100)
    s.sleep(530)
    s.loop(4)
    s.kill(w, 1)
    other = s.create()
    s.timer(other, 1, 10)
    s.sleep(30)
    s.op("DESTROY_WINDOW", other)
    s.kill(other, 1)
    s.loop(4)
    s.op("DESTROY_WINDOW", w)
    return s.data


def keys_menus_seed():
    s = Seed()
    s.register()
    bar, game, help_menu = s.menu(popup=False), s.menu(), s.menu()
    s.append(game, 101, label="&New")
    s.append(game, 102, label="&Quit")
    s.append(help_menu, 103, label="&About")
    s.append(bar, popup=game, label="&Game")
    s.append(bar, popup=help_menu, label="&Help")
    s.append(NULL, 1)
    other = s.menu()
    s.append(other, raw_popup=0, label="x")
    s.append(other, raw_popup=0x34, label="x")
    s.react("DESTROY", "POST_QUIT", 3)
    w = s.create(menu=bar)
    s.show(w)
    s.op("UPDATE_WINDOW", w)
    for key in (0x25, 0x26, 0x27, 0x28, ord("A"), ord("Z"), ord("0"), ord("9"), 0x0D, 0x1B,
                0x20, 0x79):
        s.op("PRESS_KEY", w, key)
    for item in (101, 102, 103, 99):
        s.op("CHOOSE_MENU_ITEM", w, item)
    s.op("CLOSE_BOX", w)
    s.loop(16)
    s.loop(16)
    return s.data


def wsprintf_formats_seed():
    s = Seed()
    for line in ("%d|%i|%u", "[%5d][%-5d][%05d][%-05d]", "[%.3d][%5.3d][%-5.3d][%05.3d]",
                 "[%#x][%#X][%#5x][%#05x][%#x][%#o]", "[%ld][%lu][%lx][%hd][%hu][%hx]",
                 "[%I64d][%5I64d][%-12I64d][%012I64d]", "[%I32d][%Id][%Ix]",
                 "[%c][%3c][%hc][%lc][%wc][%C]", "[%s][%8s][%-8s][%.2s][%.0s][%5.1s]",
                 "[%hs][%ls][%ws][%S][%.2S][%6S]", "[%p][%#p][%12p]",
                 "[%%][%5%][%q][%y][%5][%-][%.]", "tail %", "tail %l", "[%e][%*d][%.*d]",
                 "[%2000d][%.2000d][%-+ #0lld]", "[%-#x][%-#06x][%-010d][%0-5d][%00d]"):
        s.op("WSPRINTF", text(line))
    return s.data


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "layer_corpus")
    os.makedirs(folder, exist_ok=True)
    seeds = {"windows": windows_seed(), "painting": painting_seed(),
             "queue_timers": queue_timers_seed(), "keys_menus": keys_menus_seed(),
             "wsprintf_formats": wsprintf_formats_seed()}
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
