// Arrow keys for touch screens. A swipe over the client area presses the arrow of its main
// direction as soon as the finger has gone SWIPE CSS pixels (about 4 mm on a phone: less than
// a thumb's flick, more than a tap's wobble); the same touch can turn again in another direction
// after SWIPE more. On a coarse pointer the page also shows four arrow buttons, which press their
// arrow while held. Either way the program gets what the keyboard's arrows give it, through the
// same queue: a key down, then a key up, with the arrow's virtual key and scan code.

var TouchKeys = {
    SWIPE: 24,
    touches: new Map(), // by pointer id: where the touch went down or last turned, and that arrow

    // Presses (or releases) the arrow whose DOM code is `code`, as the keyboard's would.
    Press: function (code, pressed) {
        if (!WebHost.running)
            return;
        if (MenuBar.active)
            MenuBar.Close();
        var key = DomKeys.Of({code: code, key: code});
        WebHost.Post([EVENT_KEY, key[0], key[1], pressed ? 1 : 0]);
    },

    Start: function (area, pad) {
        area.addEventListener('pointerdown', function (event) {
            if (event.pointerType != 'mouse')
                TouchKeys.touches.set(event.pointerId, {x: event.clientX, y: event.clientY});
        });
        area.addEventListener('pointermove', TouchKeys.OnMove);
        ['pointerup', 'pointercancel'].forEach(function (name) {
            area.addEventListener(name, function (event) {
                TouchKeys.touches.delete(event.pointerId);
            });
        });
        pad.querySelectorAll('button').forEach(TouchKeys.Listen);
        [area, pad].forEach(function (element) {
            element.addEventListener('contextmenu', function (event) { event.preventDefault(); });
        });
    },

    OnMove: function (event) {
        var touch = TouchKeys.touches.get(event.pointerId);
        if (!touch)
            return;
        var dx = event.clientX - touch.x, dy = event.clientY - touch.y;
        if (Math.max(Math.abs(dx), Math.abs(dy)) < TouchKeys.SWIPE)
            return;
        var code = Math.abs(dx) > Math.abs(dy) ? (dx > 0 ? 'ArrowRight' : 'ArrowLeft')
                                               : (dy > 0 ? 'ArrowDown' : 'ArrowUp');
        touch.x = event.clientX;
        touch.y = event.clientY;
        if (code == touch.code) // a long swipe is one press
            return;
        touch.code = code;
        TouchKeys.Press(code, true);
        TouchKeys.Press(code, false);
    },

    // A button presses its arrow from the finger's touch to its release; a click that no pointer
    // made (assistive technology) presses and releases it at once.
    Listen: function (button) {
        var code = button.dataset.code, held = false;
        button.addEventListener('pointerdown', function (event) {
            event.preventDefault(); // the canvas keeps the focus
            if (held)
                return;
            held = true;
            button.setPointerCapture(event.pointerId);
            TouchKeys.Press(code, true);
        });
        ['pointerup', 'pointercancel', 'lostpointercapture'].forEach(function (name) {
            button.addEventListener(name, function () {
                if (held)
                    TouchKeys.Press(code, false);
                held = false;
            });
        });
        button.addEventListener('click', function (event) {
            if (event.detail == 0) {
                TouchKeys.Press(code, true);
                TouchKeys.Press(code, false);
            }
        });
    },
};
