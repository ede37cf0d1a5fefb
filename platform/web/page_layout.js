// Where the window sits on the page, and the device scale of its client area. The window is fitted
// into the viewport, menu bar and all, shrunk when the viewport is small and never grown beyond
// one CSS pixel per logical pixel. The client area is then drawn at that fit times the device
// pixel ratio, so its canvas's store is exactly the box the canvas covers on the screen; every
// edge of that box lies on a whole device pixel, and the browser never resamples the store.
// Where it costs little, lengths are whole CSS pixels too: an engine that snaps boxes to CSS
// pixels before scaling them (Chromium when it emulates a phone) else resamples the store.
// On a coarse pointer the on-screen arrow keys sit beside the window in landscape, below it in
// portrait.

var PageLayout = {
    MARGIN: 16, // CSS px around the window when it fits at full size, else TIGHT_MARGIN
    TIGHT_MARGIN: 4,
    BAR: 25, // the menu bar's height in CSS px for a mouse, and for a finger
    COARSE_BAR: 40,
    PAD: 168, // the arrow pad's side in CSS px (page.css)
    GAP: 8, // between the window and the pad
    width: 0, // the client area in logical pixels
    height: 0,
    coarse: null, // matches while the main pointer is a finger
    placed: '', // the inputs of the last arrangement, to skip repeating it

    Start: function (width, height) {
        PageLayout.width = width;
        PageLayout.height = height;
        PageLayout.coarse = matchMedia('(pointer: coarse)');
    },

    Ratio: function () {
        return window.devicePixelRatio || 1;
    },

    // The store's side at `scale` (in 120ths) for a logical length: the core's rule, round half up.
    DevicePixels: function (logical, scale) {
        return Math.floor((logical * scale + 60) / 120);
    },

    // The fewest device pixels that are also whole CSS pixels, if that is at most four CSS
    // pixels (2 at ratio 2, 5 at 1.25), else 1; every edge and length is a multiple of it.
    Grain: function (ratio) {
        for (var css = 1; css <= 4; css++) {
            if (Math.abs(css * ratio - Math.round(css * ratio)) < 1e-6)
                return Math.round(css * ratio);
        }
        return 1;
    },

    // Fits and places the window and the arrow pad; returns the client area's device scale in
    // 120ths, as the core counts scales.
    Arrange: function () {
        var ratio = PageLayout.Ratio(), coarse = PageLayout.coarse.matches;
        var root = document.documentElement, viewWidth = root.clientWidth;
        var viewHeight = root.clientHeight, width = PageLayout.width, height = PageLayout.height;
        var bar = coarse ? PageLayout.COARSE_BAR : PageLayout.BAR;
        var pad = coarse ? PageLayout.PAD + PageLayout.GAP : 0, beside = viewWidth > viewHeight;
        function Fit(margin) {
            var room = [viewWidth - 2 * margin - (beside ? pad : 0),
                        viewHeight - 2 * margin - bar - (beside ? 0 : pad)];
            return Math.min(1, room[0] / width, room[1] / height);
        }
        var margin = PageLayout.MARGIN, fit = Fit(margin);
        if (fit < 1)
            fit = Fit((margin = PageLayout.TIGHT_MARGIN));
        // The largest scale in 120ths whose store fits: at full size the ratio itself where it is
        // a whole number of 120ths, else a hair smaller (at 1.5625, 187/120), so that the store
        // never exceeds its box and is never resampled; smaller, whole in grains if that costs
        // at most a sixteenth.
        var grain = PageLayout.Grain(ratio), Whole = function (device) {
            return Math.round(device / grain) * grain;
        };
        var fitted = Math.floor(Math.min(fit, 1) * ratio * 120 + 1e-6);
        var scale = Math.min(960, Math.max(60, fitted));
        for (var whole = scale; fit < 1 && whole > scale * 15 / 16 && whole >= 60; whole--) {
            if (PageLayout.DevicePixels(width, whole) % grain == 0 &&
                PageLayout.DevicePixels(height, whole) % grain == 0) {
                scale = whole;
                break;
            }
        }
        var key = [ratio, coarse, viewWidth, viewHeight, width, height].join();
        if (key == PageLayout.placed)
            return scale;
        PageLayout.placed = key;

        // The store in device pixels; every box in CSS pixels that are whole grains.
        var storeWidth = PageLayout.DevicePixels(width, scale);
        var storeHeight = PageLayout.DevicePixels(height, scale);
        var cssWidth = storeWidth / ratio, cssHeight = storeHeight / ratio;
        if (fitted < 60) { // below the least scale: resampled
            cssWidth = Math.max(fit, 0) * width;
            cssHeight = Math.max(fit, 0) * height;
        }
        var barHeight = Whole(bar * ratio) / ratio;
        var all = [cssWidth + (beside ? pad : 0), barHeight + cssHeight + (beside ? 0 : pad)];
        var left = Math.max(Whole(margin * ratio), Whole((viewWidth - all[0]) / 2 * ratio)) / ratio;
        var top = Whole(margin * ratio) / ratio;

        var frame = document.getElementById('window').style;
        frame.left = left + 'px';
        frame.top = top + 'px';
        frame.width = cssWidth + 'px';
        document.getElementById('menubar').style.height = barHeight + 'px';
        var canvas = WebHost.canvas.style;
        canvas.width = cssWidth + 'px';
        canvas.height = cssHeight + 'px';
        var arrows = document.getElementById('pad').style;
        arrows.left = (beside ? left + cssWidth + PageLayout.GAP
                              : (viewWidth - PageLayout.PAD) / 2) + 'px';
        arrows.top = (beside ? top + (barHeight + cssHeight - PageLayout.PAD) / 2
                             : top + barHeight + cssHeight + PageLayout.GAP) + 'px';
        return scale;
    },
};
