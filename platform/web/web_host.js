// The page's side of the web host: the queue of what happened, the wait, the client area's canvas,
// the device scale (page_layout.js fits the window and gives it) and the end of the program. The
// program runs only while the page is not in an event handler: handlers queue, and the program
// takes the queue when its wait resumes.

var EVENT_KEY = 1, EVENT_COMMAND = 2, EVENT_SCALE = 3;
// Keys whose default the page stops, held without Ctrl, Alt or Meta: the ones that would scroll
// it (left up right down, space, page up and down, home, end) and F10, the menu bar's. Every
// other key, and any key with Ctrl, Alt or Meta, keeps the browser's shortcuts: reload, back,
// zoom, the function keys.
var PAGE_KEYS = [0x25, 0x26, 0x27, 0x28, 0x20, 0x21, 0x22, 0x23, 0x24, 0x79];

var WebHost = {
    queue: [],
    wake: null, // ends the wait in progress
    running: true,
    scale: 120, // in 120ths
    canvas: null,
    context: null,
    images: new Map(), // ImageData by size, reused from tick to tick

    Post: function (event) {
        WebHost.queue.push(event);
        if (WebHost.wake)
            WebHost.wake();
    },

    // Resolves when an event is queued, or after timeoutMs (never when it is negative).
    Wait: function (timeoutMs) {
        return new Promise(function (resolve) {
            var timer = timeoutMs >= 0 ? setTimeout(Done, Math.ceil(timeoutMs)) : 0;
            function Done() {
                clearTimeout(timer);
                WebHost.wake = null;
                resolve();
            }
            WebHost.wake = Done;
        });
    },

    Sleep: function (timeoutMs) {
        return new Promise(function (resolve) { setTimeout(resolve, Math.ceil(timeoutMs)); });
    },

    // Kind of the oldest queued event, its fields written to the three ints at `fields`; 0 when
    // nothing is queued.
    NextEvent: function (fields) {
        var event = WebHost.queue.shift();
        if (!event)
            return 0;
        for (var i = 1; i < event.length; i++)
            HEAP32[(fields >> 2) + i - 1] = event[i];
        return event[0];
    },

    // The client area's device scale in 120ths, as the core counts scales: the device pixel
    // ratio, times the fit while the window is shrunk to fit the viewport.
    DeviceScale: function () {
        if (!PageLayout.width)
            return Math.min(960, Math.max(60, Math.round((window.devicePixelRatio || 1) * 120)));
        return PageLayout.Arrange();
    },

    CheckScale: function () {
        var scale = WebHost.DeviceScale();
        if (WebHost.running && scale != WebHost.scale) {
            WebHost.scale = scale;
            WebHost.Post([EVENT_SCALE, scale]);
        }
    },

    // A query that matches the present ratio stops matching when another monitor changes it;
    // then the next query is made for the new one. Zoom, a rotation and the browser's emulation
    // of other screens may only resize the page.
    WatchScale: function () {
        var query = matchMedia('(resolution: ' + (window.devicePixelRatio || 1) + 'dppx)');
        query.addEventListener('change', function () {
            WebHost.CheckScale();
            WebHost.WatchScale();
        }, {once: true});
    },

    CreateWindow: function (title, width, height) {
        document.title = title;
        document.getElementById('title').textContent = title;
        WebHost.canvas.setAttribute('aria-label', title);
        PageLayout.Start(width, height);
        WebHost.scale = WebHost.DeviceScale();
        WebHost.WatchScale();
        window.addEventListener('resize', WebHost.CheckScale);
        PageLayout.coarse.addEventListener('change', WebHost.CheckScale);
    },

    ShowWindow: function (visible) {
        document.getElementById('window').hidden = !visible;
        document.getElementById('pad').hidden = !visible;
        if (visible)
            WebHost.canvas.focus({preventScroll: true});
    },

    DestroyWindow: function () {
        MenuBar.Remove();
        document.getElementById('window').hidden = true;
        document.getElementById('pad').hidden = true;
    },

    SizeStore: function (width, height) {
        WebHost.canvas.width = width;
        WebHost.canvas.height = height;
        WebHost.context = WebHost.canvas.getContext('2d', {alpha: false});
        WebHost.images.clear();
    },

    // Pixels 0x00RRGGBB of the store's box left, top, right, bottom onto the canvas, whose
    // ImageData holds R, G, B, A bytes.
    ShowPixels: function (pixels, stride, left, top, right, bottom) {
        var width = right - left, height = bottom - top, key = width * 65536 + height;
        var image = WebHost.images.get(key);
        if (!image) {
            if (WebHost.images.size > 32)
                WebHost.images.clear();
            image = WebHost.context.createImageData(width, height);
            image.words = new Uint32Array(image.data.buffer);
            WebHost.images.set(key, image);
        }
        var words = image.words, heap = HEAPU32, i = 0;
        for (var y = top; y < bottom; y++) {
            var from = (pixels >> 2) + y * stride + left;
            for (var end = from + width; from < end; from++) {
                var c = heap[from];
                words[i++] = 0xFF000000 | (c & 0xFF) << 16 | c & 0xFF00 | c >>> 16 & 0xFF;
            }
        }
        WebHost.context.putImageData(image, left, top);
    },

    // The client area's lines of text: a paragraph each in the live region, only those that
    // changed replaced, so that a screen reader speaks just them.
    ShowText: function (text) {
        var lines = text ? text.replace(/\n$/, '').split('\n') : [];
        var region = document.getElementById('client-text'), shown = region.children;
        for (var i = 0; i < lines.length; i++) {
            if (i == shown.length)
                region.appendChild(document.createElement('p'));
            if (shown[i].textContent != lines[i])
                shown[i].textContent = lines[i];
        }
        while (shown.length > lines.length)
            region.removeChild(region.lastChild);
    },

    OnKey: function (event, pressed) {
        if (!WebHost.running)
            return;
        var plain = !event.ctrlKey && !event.metaKey && (!event.altKey || event.key == 'Alt');
        if (MenuBar.active) {
            // The menu has the keyboard; its own keys are the page's, the rest the browser's.
            if (plain && MenuBar.OwnKey(event)) {
                event.preventDefault();
                if (pressed)
                    MenuBar.OnKey(event);
            }
            return;
        }
        var key = DomKeys.Of(event);
        if (!key)
            return;
        if (plain && PAGE_KEYS.indexOf(key[0]) >= 0)
            event.preventDefault();
        // A held F10 opens the bar once: its repeats would toggle it.
        if (event.repeat && key[0] == 0x79)
            return;
        WebHost.Post([EVENT_KEY, key[0], key[1], pressed ? 1 : 0]);
    },

    // The program has returned from its entry, or stopped on an error.
    Ended: function (message) {
        WebHost.running = false;
        MenuBar.Remove();
        document.getElementById('window').hidden = true;
        document.getElementById('pad').hidden = true;
        document.getElementById('ended-text').textContent = message;
        document.getElementById('ended').hidden = false;
        document.getElementById('again').focus();
    },

    Start: function () {
        if (PageStart.failed)
            return; // the page says why it cannot start
        WebHost.canvas = document.getElementById('client');
        window.addEventListener('keydown', function (event) { WebHost.OnKey(event, true); });
        window.addEventListener('keyup', function (event) { WebHost.OnKey(event, false); });
        document.getElementById('again').addEventListener('click', function () {
            location.reload();
        });
        MenuBar.Start(document.getElementById('menubar'));
        TouchKeys.Start(WebHost.canvas, document.getElementById('pad'));
        ccall('main', 'number', ['number', 'number'], [0, 0], {async: true}).then(function (code) {
            WebHost.Ended(document.title + ' has ended' + (code ? ' (exit code ' + code + ').' : '.'));
        }, function (error) {
            WebHost.Ended(document.title + ' stopped on an error: ' + error);
        });
    },
};

Module['onRuntimeInitialized'] = WebHost.Start;
Module['onAbort'] = function (what) {
    WebHost.Ended(document.title + ' stopped on an error: ' + what);
};

// Text as the canvas draws it with the page's sans font, glyphs thresholded to solid black. The
// line box starts at the pen and is at most 16 logical pixels high; glyphs may reach past it, so
// they are drawn with a margin around the box.
var WebText = {
    fonts: [], // by scale: the font and its ascent and line height
    canvas: null,
    context: null,
    rendered: new Map(), // the last few texts drawn, by scale and text

    Context: function () {
        if (!WebText.context) {
            WebText.canvas = new OffscreenCanvas(1, 1);
            WebText.context = WebText.canvas.getContext('2d', {willReadFrequently: true});
        }
        return WebText.context;
    },

    // The largest size, in quarter pixels, whose line fits in 16 logical pixels at this scale (in
    // 120ths, by the core's rule for edges).
    Font: function (scale) {
        if (WebText.fonts[scale])
            return WebText.fonts[scale];
        var context = WebText.Context(), limit = PageLayout.DevicePixels(16, scale), font, metrics;
        for (var quarters = limit * 4; quarters > limit * 2; quarters--) {
            font = quarters / 4 + 'px sans-serif';
            context.font = font;
            metrics = context.measureText('Xg');
            var height = Math.ceil(metrics.fontBoundingBoxAscent) +
                         Math.ceil(metrics.fontBoundingBoxDescent);
            if (height <= limit)
                break;
        }
        var ascent = Math.ceil(metrics.fontBoundingBoxAscent);
        var line = Math.min(limit, ascent + Math.ceil(metrics.fontBoundingBoxDescent));
        return (WebText.fonts[scale] = {font: font, ascent: ascent, line: line});
    },

    // The line box's width and height, the ink's box relative to the pen, and which pixels are
    // ink, in a mask that starts `margin` pixels above and left of the pen.
    Render: function (text, scale) {
        var key = scale + '\n' + text, done = WebText.rendered.get(key);
        if (done)
            return done;
        var font = WebText.Font(scale), context = WebText.Context();
        context.font = font.font;
        var width = Math.ceil(context.measureText(text).width), margin = Math.ceil(scale / 30);
        var maskWidth = width + 2 * margin, maskHeight = font.line + 2 * margin;
        if (WebText.canvas.width < maskWidth || WebText.canvas.height < maskHeight) {
            WebText.canvas.width = Math.max(WebText.canvas.width, maskWidth);
            WebText.canvas.height = Math.max(WebText.canvas.height, maskHeight);
        }
        context.clearRect(0, 0, maskWidth, maskHeight);
        context.font = font.font;
        context.textBaseline = 'alphabetic';
        context.fillStyle = '#000';
        context.fillText(text, margin, margin + font.ascent);
        var alpha = context.getImageData(0, 0, maskWidth, maskHeight).data;
        var mask = new Uint8Array(maskWidth * maskHeight);
        var ink = [Infinity, Infinity, -Infinity, -Infinity];
        for (var y = 0; y < maskHeight; y++) {
            for (var x = 0; x < maskWidth; x++) {
                if (alpha[4 * (y * maskWidth + x) + 3] >= 128) {
                    mask[y * maskWidth + x] = 1;
                    ink = [Math.min(ink[0], x), Math.min(ink[1], y), Math.max(ink[2], x + 1),
                           Math.max(ink[3], y + 1)];
                }
            }
        }
        ink = ink[0] == Infinity ? [0, 0, 0, 0] : ink.map(function (v) { return v - margin; });
        done = {width: width, line: font.line, ink: ink, mask: mask, maskWidth: maskWidth,
                maskHeight: maskHeight, margin: margin};
        if (WebText.rendered.size >= 16)
            WebText.rendered.clear();
        WebText.rendered.set(key, done);
        return done;
    },

    // Ink's and line's left, top, right, bottom to the eight ints at `boxes`.
    Measure: function (text, scale, boxes) {
        var done = WebText.Render(text, scale);
        var values = done.ink.concat([0, 0, done.width, done.line]);
        for (var i = 0; i < 8; i++)
            HEAP32[(boxes >> 2) + i] = values[i];
    },

    Draw: function (text, scale, pixels, stride, x, y, clipLeft, clipTop, clipRight, clipBottom) {
        var done = WebText.Render(text, scale), heap = HEAPU32, base = pixels >> 2;
        var left = x - done.margin, top = y - done.margin;
        for (var my = 0; my < done.maskHeight; my++) {
            var row = top + my;
            if (row < clipTop || row >= clipBottom)
                continue;
            for (var mx = 0; mx < done.maskWidth; mx++) {
                var column = left + mx;
                if (done.mask[my * done.maskWidth + mx] && column >= clipLeft && column < clipRight)
                    heap[base + row * stride + column] = 0;
            }
        }
    },
};
