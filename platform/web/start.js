// The page's start, before the program's script: it loads the program's WebAssembly, has the site
// kept for play without a network (service-worker.js), and when the program cannot start it says
// so in one line, with what to do, instead of leaving the page blank.

var PageStart = {
    // The page's one line when the program cannot start, in the place where an ended program
    // says that it has ended.
    failed: false,
    Fail: function (text) {
        PageStart.failed = true;
        function Show() {
            document.getElementById('window').hidden = true;
            document.getElementById('pad').hidden = true;
            document.getElementById('ended-text').textContent = text;
            document.getElementById('ended').hidden = false;
            var again = document.getElementById('again');
            again.onclick = function () { location.reload(); };
            again.focus();
        }
        if (document.readyState == 'loading')
            document.addEventListener('DOMContentLoaded', Show);
        else
            Show();
    },

    NotLoaded: function (file, reason) {
        var title = document.title;
        if (location.protocol == 'file:')
            PageStart.Fail(title + ' cannot start from a file on the disk, where browsers do not ' +
                           'load its WebAssembly: serve its folder over HTTP and open that address.');
        else if (!navigator.onLine)
            PageStart.Fail(title + ' could not be loaded: this device is offline and the browser ' +
                           'holds no copy of it yet. Connect to the network, then start again.');
        else
            PageStart.Fail(title + ' could not be loaded (' + file + ': ' + reason + '). Start ' +
                           'again; if it fails again, the site or a setting or extension of this ' +
                           'browser blocks that file.');
    },

    // The file arrived but is not WebAssembly that compiles: cut short, or changed on the way.
    Damaged: function (file) {
        PageStart.Fail(document.title + ' could not be started: its file ' + file + ' is damaged. ' +
                       'Reload the page; if it fails again, the copy on the site is damaged and ' +
                       'must be installed again.');
    },

    NoWebAssembly: function () {
        PageStart.Fail(document.title + ' needs WebAssembly, which this browser lacks or has ' +
                       'turned off: open the page in a browser that runs WebAssembly.');
    },
};

var Module = {
    // The program's WebAssembly, fetched as the page's preload link asked for it, so that the
    // preloaded download is the one used.
    instantiateWasm: function (imports, receive) {
        var file = document.querySelector('link[rel=preload][as=fetch]').getAttribute('href');
        fetch(file, {credentials: 'same-origin'}).catch(function (error) {
            PageStart.NotLoaded(file, error.message);
            return null;
        }).then(function (response) {
            if (!response)
                return null;
            if (!response.ok) {
                PageStart.NotLoaded(file, response.status + ' ' + response.statusText);
                return null;
            }
            // Compiled while it downloads where the host says what it is.
            var streams = WebAssembly.instantiateStreaming &&
                          /^application\/wasm\b/.test(response.headers.get('Content-Type') || '');
            var made = streams ? WebAssembly.instantiateStreaming(response, imports)
                               : response.arrayBuffer().then(function (bytes) {
                                     return WebAssembly.instantiate(bytes, imports);
                                 });
            return made.catch(function (error) {
                if (error instanceof WebAssembly.CompileError)
                    PageStart.Damaged(file);
                else
                    PageStart.NotLoaded(file, error.name + ': ' + error.message);
                return null;
            });
        }).then(function (made) {
            if (made)
                receive(made.instance, made.module);
        });
        return {};
    },
};

// The program's script or the page's style sheet that did not arrive (offline, blocked, missing on
// the host): without its style the page cannot show the window as it is meant to be. The page
// loads this script before both, so that it hears of either.
addEventListener('error', function (event) {
    if (event.target instanceof HTMLScriptElement)
        PageStart.NotLoaded(event.target.getAttribute('src'), 'not loaded');
    else if (event.target instanceof HTMLLinkElement && event.target.rel == 'stylesheet')
        PageStart.NotLoaded(event.target.getAttribute('href'), 'not loaded');
}, true);

// The program's script runs before this: without WebAssembly it stops at once.
document.addEventListener('DOMContentLoaded', function () {
    if (typeof WebAssembly != 'object')
        PageStart.NoWebAssembly();
});

// Where service workers are missing (some private windows) the page plays online only. After the
// first load the worker answers from its cache; at each later load the browser is asked to look
// for a new build, which then takes over at the next one. Both wait until the program's window
// is on the page and drawn, so that its start shares the machine with neither.
function KeepSite() {
    var controlled = navigator.serviceWorker.controller;
    navigator.serviceWorker.register('service-worker.js').then(function (registration) {
        return controlled && registration.update();
    }).catch(function () {}); // offline, or storage refused: the page plays on as it is
}

if ('serviceWorker' in navigator) {
    document.addEventListener('DOMContentLoaded', function () {
        var shown = document.getElementById('window');
        function Drawn() {
            requestAnimationFrame(function () { setTimeout(KeepSite); });
        }
        if (!shown.hidden)
            return Drawn();
        new MutationObserver(function (changes, observer) {
            if (!shown.hidden) {
                observer.disconnect();
                Drawn();
            }
        }).observe(shown, {attributes: true, attributeFilter: ['hidden']});
    });
}
