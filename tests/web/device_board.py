"""The board as the page shows it at any device scale, whole or fractional:
where the canvas lies on the screen in device pixels, and the board that the
layer's rule draws there (each logical edge x at floor(x * scale / 120 + 1/2),
every outline at least one device pixel wide)."""

import subprocess

from web_driver import Browser  # noqa: F401,I001 (puts the desktop tests on the path)
from game_driver import BLACK, CELL_SIZE, FILL, GRID_HEIGHT, GRID_WIDTH, Frame, Image

PALETTE = {BLACK} | set(FILL.values())

# The canvas's box in CSS pixels, its store, the device pixel ratio, and the
# device box as the browser itself counts it (device-pixel-content-box; not
# under Chromium's emulation of a phone, where it gives CSS pixels).
CANVAS = """
const done = arguments[arguments.length - 1], canvas = document.getElementById('client');
const box = canvas.getBoundingClientRect();
new ResizeObserver((entries, observer) => {
    observer.disconnect();
    const size = entries[0].devicePixelContentBoxSize[0];
    done({left: box.left, top: box.top, right: box.right, bottom: box.bottom, store: [canvas.width, canvas.height],
          device: [size.inlineSize, size.blockSize], ratio: devicePixelRatio});
}).observe(canvas, {box: 'device-pixel-content-box'});
"""


def DevicePixels(logical, scale):
    """The layer's rule: logical x scale (in 120ths), rounded half up."""
    return (logical * scale + 60) // 120


def Canvas(browser):
    return browser.execute_async_script(CANVAS)


class ScaledFrame(Frame):
    """A screenshot with the board's device origin in it, read at `scale`
    (in 120ths): board pixel x, y is device pixel DevicePixels(x), DevicePixels(y)."""

    def __init__(self, image, origin, scale):
        super().__init__(image, origin, 0, scale / 120)
        self.units = scale

    def Pixel(self, x, y):
        return self.DevicePixel(DevicePixels(x, self.units), DevicePixels(y, self.units))

    def Differences(self, board):
        """Device pixels (x, y) from the origin that differ from `board` drawn by the rule."""
        s, black = self.units, bytes(BLACK)
        width, height = DevicePixels(GRID_WIDTH * CELL_SIZE, s), DevicePixels(GRID_HEIGHT * CELL_SIZE, s)

        def Bands(length):
            """For each device pixel along the board: its cell and whether it is outline."""
            out = []
            for cell in range(length):
                near, far = cell * CELL_SIZE, cell * CELL_SIZE + CELL_SIZE
                first, last = DevicePixels(near, s), DevicePixels(far, s)
                inner = (max(DevicePixels(near + 1, s), first + 1), min(DevicePixels(far - 1, s), last - 1))
                out += [(cell, not inner[0] <= d < inner[1]) for d in range(first, last)]
            return out

        columns, rows = Bands(GRID_WIDTH), Bands(GRID_HEIGHT)
        differences = []
        for y, (row, edge) in enumerate(rows):
            expected = black * width if edge else b"".join(black if outline else bytes(FILL.get(board[row][cell], (1, 2, 3))) for cell, outline in columns)
            actual = self.image.Row(self.origin[0], self.origin[1] + y, width)
            if actual != expected:
                differences += [(x, y) for x in range(width) if actual[3 * x : 3 * x + 3] != expected[3 * x : 3 * x + 3]]
        return differences

    def Colours(self):
        """Every colour in the board's device box."""
        s = self.units
        width, height = DevicePixels(GRID_WIDTH * CELL_SIZE, s), DevicePixels(GRID_HEIGHT * CELL_SIZE, s)
        seen = set()
        for y in range(height):
            row = self.image.Row(self.origin[0], self.origin[1] + y, width)
            seen |= {row[i : i + 3] for i in range(0, len(row), 3)}
        return {tuple(c) for c in seen}


def Capture(browser, scale, canvas):
    """A ScaledFrame of the screen, the board's origin at the canvas's device corner."""
    png = browser.get_screenshot_as_png()
    ppm = subprocess.run(["convert", "png:-", "-depth", "8", "ppm:-"], input=png, capture_output=True, check=True).stdout
    ratio = canvas["ratio"]
    return ScaledFrame(Image(ppm), (round(canvas["left"] * ratio), round(canvas["top"] * ratio)), scale)
