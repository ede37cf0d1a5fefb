// The window's menu bar in HTML, built item by item from the program's menu, with the roles of a
// menu bar for screen readers. It works as the desktop's do: a press on a bar item opens its
// pop-up, and a release on an item chooses it, after a click or a drag; F10 (which the program passes on) highlights the bar, Down or Return opens the pop-up on
// its first item, Up and Down move, Left and Right go to the next bar item, Return chooses and
// Escape closes one level. While the menu has the keyboard, the program gets no keys.

var MenuBar = {
    bar: null,
    nodes: [null], // by number; 0 is the bar itself
    active: false,
    path: [], // numbers of the highlighted item at each open level, the bar item first

    Start: function (bar) {
        MenuBar.bar = bar;
        MenuBar.nodes = [{element: bar, list: bar, children: []}];
        document.addEventListener('mousedown', function (event) {
            if (MenuBar.active && !MenuBar.bar.contains(event.target))
                MenuBar.Close();
        });
    },

    // Adds an item under node `parent` and returns its number. Win32 marks a mnemonic with & and
    // writes && for the character itself; text after a tab is an accelerator's name.
    Add: function (parent, id, text, popup) {
        var owner = MenuBar.nodes[parent], onBar = parent == 0;
        var parts = text.split('\t'), label = parts[0].replace(/&(&?)/g, '$1');
        var holder = document.createElement('li'), number = MenuBar.nodes.length;
        var node = {id: id, parent: parent, popup: popup, children: [], holder: holder};
        if (!popup && label == '') {
            holder.setAttribute('role', 'separator');
            owner.list.appendChild(holder);
            return number; // not one of the items the keys move to
        }
        // A bar item, or an item with a pop-up, sits in its holder beside its pop-up's list.
        var wrapped = onBar || popup;
        var element = onBar ? document.createElement('button')
                            : wrapped ? document.createElement('div') : holder;
        if (wrapped) {
            holder.setAttribute('role', 'none');
            holder.appendChild(element);
        }
        element.setAttribute('role', 'menuitem');
        element.tabIndex = -1;
        element.textContent = label;
        if (parts.length > 1) {
            var accelerator = document.createElement('span');
            accelerator.className = 'accelerator';
            accelerator.textContent = parts[1];
            element.appendChild(accelerator);
        }
        node.element = element;
        if (popup) {
            var list = document.createElement('ul');
            list.setAttribute('role', 'menu');
            list.setAttribute('aria-label', label);
            list.hidden = true;
            element.setAttribute('aria-haspopup', 'menu');
            element.setAttribute('aria-expanded', 'false');
            holder.appendChild(list);
            node.list = list;
        }
        owner.list.appendChild(holder);
        owner.children.push(number);
        MenuBar.nodes.push(node);
        MenuBar.Listen(node, number);
        return number;
    },

    Listen: function (node, number) {
        node.element.addEventListener('mousedown', function (event) {
            event.preventDefault(); // the canvas keeps the focus
            if (node.parent == 0 && MenuBar.active && MenuBar.path[0] == number)
                MenuBar.Close();
            else if (node.parent == 0)
                MenuBar.Show([number], node.popup, false);
        });
        node.element.addEventListener('mouseenter', function () {
            if (!MenuBar.active)
                return;
            if (node.parent == 0 && MenuBar.path.length > 1)
                MenuBar.Show([number], true, false);
            else if (node.parent != 0)
                MenuBar.Show(MenuBar.PathTo(number), node.popup, false);
        });
        // An item is chosen where the button comes up, also at the end of a drag from the bar; a
        // click without a button (a screen reader's) chooses it too, and only once.
        function Chosen() {
            if (MenuBar.active && node.parent != 0 && !node.popup)
                MenuBar.Choose(node);
        }
        node.element.addEventListener('mouseup', Chosen);
        node.element.addEventListener('click', Chosen);
    },

    PathTo: function (number) {
        var path = [];
        for (var n = number; n != 0; n = MenuBar.nodes[n].parent)
            path.unshift(n);
        return path;
    },

    // Highlights the items on `path`, with the last one's pop-up open if `open`; `keyboard` puts
    // the focus on the last item, for screen readers, and opens a pop-up on its first item.
    Show: function (path, open, keyboard) {
        var last = MenuBar.nodes[path[path.length - 1]];
        if (open && last.popup && keyboard && last.children.length > 0)
            path = path.concat([last.children[0]]);
        MenuBar.active = true;
        MenuBar.path = path;
        for (var n = 1; n < MenuBar.nodes.length; n++) {
            var node = MenuBar.nodes[n], on = path.indexOf(n) >= 0;
            node.element.classList.toggle('highlighted', on);
            if (node.popup) {
                var at = path.indexOf(n), expanded = at >= 0 && (at < path.length - 1 || open);
                node.list.hidden = !expanded;
                node.element.setAttribute('aria-expanded', expanded ? 'true' : 'false');
            }
        }
        if (keyboard)
            MenuBar.nodes[path[path.length - 1]].element.focus({preventScroll: true});
    },

    Close: function () {
        MenuBar.active = false;
        MenuBar.path = [];
        for (var n = 1; n < MenuBar.nodes.length; n++) {
            var node = MenuBar.nodes[n];
            node.element.classList.remove('highlighted');
            if (node.popup) {
                node.list.hidden = true;
                node.element.setAttribute('aria-expanded', 'false');
            }
        }
        if (WebHost.canvas)
            WebHost.canvas.focus({preventScroll: true});
    },

    Choose: function (node) {
        MenuBar.Close();
        WebHost.Post([EVENT_COMMAND, node.id]);
    },

    OpenByKeyboard: function () {
        var first = MenuBar.nodes[0].children[0];
        if (first !== undefined && !MenuBar.active)
            MenuBar.Show([first], false, true);
    },

    // The neighbour of item `number` among its siblings, `step` away, round the end.
    Sibling: function (number, step) {
        var siblings = MenuBar.nodes[MenuBar.nodes[number].parent].children;
        var at = siblings.indexOf(number);
        return siblings[(at + step + siblings.length) % siblings.length];
    },

    // Whether the open menu takes this key, held without Ctrl, Alt or Meta.
    OwnKey: function (event) {
        return ['Escape', 'F10', 'Alt', 'ArrowDown', 'ArrowUp', 'ArrowLeft', 'ArrowRight', 'Enter',
                ' '].indexOf(event.key) >= 0;
    },

    OnKey: function (event) {
        var path = MenuBar.path, last = path[path.length - 1], node = MenuBar.nodes[last];
        var popupOpen = node.popup && !node.list.hidden;
        // A held key's repeats do not toggle the bar.
        if (event.repeat && (event.key == 'F10' || event.key == 'Alt'))
            return;
        switch (event.key) {
        case 'Escape':
            if (path.length > 1)
                MenuBar.Show(path.slice(0, -1), false, true);
            else
                MenuBar.Close();
            break;
        case 'F10':
        case 'Alt':
            MenuBar.Close();
            break;
        case 'ArrowDown':
        case 'ArrowUp':
            var step = event.key == 'ArrowDown' ? 1 : -1;
            if (path.length == 1) {
                MenuBar.Show(path, true, true);
                if (step < 0 && MenuBar.path.length > 1)
                    MenuBar.Show(path.concat([MenuBar.Sibling(MenuBar.path[1], -1)]), true, true);
            } else {
                MenuBar.Show(path.slice(0, -1).concat([MenuBar.Sibling(last, step)]), false, true);
            }
            break;
        case 'ArrowLeft':
        case 'ArrowRight':
            var right = event.key == 'ArrowRight';
            if (right && node.popup && path.length > 1)
                MenuBar.Show(path, true, true);
            else if (!right && path.length > 2)
                MenuBar.Show(path.slice(0, -1), false, true);
            else
                MenuBar.Show([MenuBar.Sibling(path[0], right ? 1 : -1)], path.length > 1, true);
            break;
        case 'Enter':
        case ' ':
            if (node.popup && !popupOpen)
                MenuBar.Show(path, true, true);
            else if (!node.popup)
                MenuBar.Choose(node);
            break;
        default:
            break;
        }
    },

    Remove: function () {
        MenuBar.Close();
        if (MenuBar.bar)
            MenuBar.bar.textContent = '';
        MenuBar.nodes = [{element: MenuBar.bar, list: MenuBar.bar, children: []}];
    },
};
