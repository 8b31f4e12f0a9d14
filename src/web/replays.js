// The page's replays: kept in the browser's storage (base64 under "kokurin.replay.NAME"), listed
// with a download link each, and added from a file opened with the picker or dropped on the page.
/* exported kokurinReplays */
/* global kokurinPageTexts */
var kokurinReplays = (function () {
    "use strict";

    var PREFIX = "kokurin.replay.";
    var NAME = /^[A-Za-z0-9_][A-Za-z0-9_.-]{0,75}\.kkr$/;
    var MAX_BYTES = 1 << 20;

    function storage() {
        try {
            return window.localStorage;
        } catch (error) {
            return null;
        }
    }

    function toBase64(bytes) {
        var text = "";
        for (var i = 0; i < bytes.length; i += 0x8000) {
            text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
        }
        return btoa(text);
    }

    function fromBase64(text) {
        var raw = atob(text);
        var bytes = new Uint8Array(raw.length);
        for (var i = 0; i < raw.length; i++) {
            bytes[i] = raw.charCodeAt(i);
        }
        return bytes;
    }

    var replays = {
        write: function (name, bytes) {
            var store = storage();
            if (!store || !NAME.test(name)) {
                return false;
            }
            try {
                store.setItem(PREFIX + name, toBase64(bytes));
            } catch (error) {
                return false;
            }
            replays.showList();
            return true;
        },
        read: function (name) {
            var store = storage();
            if (!store || !NAME.test(name)) {
                return null;
            }
            try {
                var text = store.getItem(PREFIX + name);
                return text === null ? null : fromBase64(text);
            } catch (error) {
                return null;
            }
        },
        list: function () {
            var store = storage();
            var names = [];
            if (!store) {
                return names;
            }
            for (var i = 0; i < store.length; i++) {
                var key = store.key(i);
                if (key && key.indexOf(PREFIX) === 0 && NAME.test(key.slice(PREFIX.length))) {
                    names.push(key.slice(PREFIX.length));
                }
            }
            return names.sort();
        },
        remove: function (name) {
            var store = storage();
            if (store && NAME.test(name)) {
                store.removeItem(PREFIX + name);
                replays.showList();
            }
        },
        // A file the player opened: kept under a name of its own, to be watched from the title
        // screen's list (R).
        add: function (fileName, bytes) {
            if (bytes.length > MAX_BYTES) {
                return replays.say("replayTooLarge", fileName);
            }
            var stamp = new Date().toISOString().replace(/[-:]/g, "").replace("T", "-").slice(0, 15);
            var base = stamp + "-opened";
            var name = base + ".kkr";
            for (var n = 1; replays.read(name) !== null; n++) {
                name = base + n + ".kkr";
            }
            if (!replays.write(name, bytes)) {
                return replays.say("replayStorageFull", fileName);
            }
            replays.say("replayAdded", fileName);
        },
        // How the last watched replay ended, for the page's line (and its tests).
        lastWatched: null,
        watched: function (ok, text) {
            replays.lastWatched = { ok: ok, text: text };
            var line = document.getElementById("replay-status");
            if (line) {
                // The game's own words, already in its language.
                line.removeAttribute("data-text");
                line.textContent = text;
            }
        },
        // One of the page's texts (page_texts.js) about a file.
        say: function (key, fileName) {
            var line = document.getElementById("replay-status");
            if (line) {
                kokurinPageTexts.show(line, key, fileName);
            }
        },
        showList: function () {
            var list = document.getElementById("replay-list");
            if (!list) {
                return;
            }
            while (list.firstChild) {
                list.removeChild(list.firstChild);
            }
            replays.list().reverse().forEach(function (name) {
                var item = document.createElement("li");
                var link = document.createElement("a");
                link.textContent = name;
                link.href = "#";
                link.addEventListener("click", function (event) {
                    event.preventDefault();
                    var bytes = replays.read(name);
                    if (bytes) {
                        var url = URL.createObjectURL(new Blob([bytes], { type: "application/octet-stream" }));
                        var a = document.createElement("a");
                        a.href = url;
                        a.download = name;
                        document.body.appendChild(a);
                        a.click();
                        a.remove();
                        setTimeout(function () { URL.revokeObjectURL(url); }, 1000);
                    }
                });
                item.appendChild(link);
                list.appendChild(item);
            });
        },
    };

    function openFiles(files) {
        Array.prototype.forEach.call(files, function (file) {
            if (file.size > MAX_BYTES) {
                replays.say("replayTooLarge", file.name);
                return;
            }
            file.arrayBuffer().then(function (buffer) {
                replays.add(file.name, new Uint8Array(buffer));
            });
        });
    }

    window.addEventListener("DOMContentLoaded", function () {
        var picker = document.getElementById("replay-open");
        if (picker) {
            picker.addEventListener("change", function () {
                openFiles(picker.files);
                picker.value = "";
            });
        }
        document.addEventListener("dragover", function (event) {
            event.preventDefault();
        });
        document.addEventListener("drop", function (event) {
            event.preventDefault();
            if (event.dataTransfer && event.dataTransfer.files) {
                openFiles(event.dataTransfer.files);
            }
        });
        replays.showList();
    });
    return replays;
})();
