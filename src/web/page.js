// The page around the game, run before the game's module starts: it waits for the font
// (asset_loader.js fetches it and the pictures), then keeps the canvas, the keys and pads, the
// hint box, Web Audio and the ended screen; the pointer, the layout, the touch buttons and the
// page's texts have files of their own. library_kokurin.js hands the game's calls to kokurinPage.
/* global Module, HEAP32, HEAPF32, HEAP16, HEAPU8, UTF8ToString, addRunDependency,
   removeRunDependency, kokurinAssets, kokurinLayout, kokurinPageTexts, kokurinPointer,
   kokurinTouchButtons */

var kokurinPage = (function () {
    "use strict";

    // The canvas's font comes and goes with registerGameFont; the page's texts keep their own
    // face of the same file.
    var FONT_FAMILY = "kokurin-game";
    var PAGE_FONT_FAMILY = "kokurin-page";

    // KeyboardEvent.code (the key's place, whatever the layout) to the game's key numbers,
    // DirectInput's scan codes: every key the game numbers, so any of them can be bound. The
    // keypad's Enter is RETURN, as it always was.
    var KEY_NUMBERS = {
        Escape: 1,
        Digit1: 2,
        Digit2: 3,
        Digit3: 4,
        Digit4: 5,
        Digit5: 6,
        Digit6: 7,
        Digit7: 8,
        Digit8: 9,
        Digit9: 10,
        Digit0: 11,
        Minus: 12,
        Equal: 13,
        Backspace: 14,
        Tab: 15,
        KeyQ: 16,
        KeyW: 17,
        KeyE: 18,
        KeyR: 19,
        KeyT: 20,
        KeyY: 21,
        KeyU: 22,
        KeyI: 23,
        KeyO: 24,
        KeyP: 25,
        BracketLeft: 26,
        BracketRight: 27,
        Enter: 28,
        NumpadEnter: 28,
        ControlLeft: 29,
        KeyA: 30,
        KeyS: 31,
        KeyD: 32,
        KeyF: 33,
        KeyG: 34,
        KeyH: 35,
        KeyJ: 36,
        KeyK: 37,
        KeyL: 38,
        Semicolon: 39,
        Quote: 40,
        Backquote: 41,
        ShiftLeft: 42,
        Backslash: 43,
        KeyZ: 44,
        KeyX: 45,
        KeyC: 46,
        KeyV: 47,
        KeyB: 48,
        KeyN: 49,
        KeyM: 50,
        Comma: 51,
        Period: 52,
        Slash: 53,
        ShiftRight: 54,
        NumpadMultiply: 55,
        AltLeft: 56,
        Space: 57,
        CapsLock: 58,
        F1: 59,
        F2: 60,
        F3: 61,
        F4: 62,
        F5: 63,
        F6: 64,
        F7: 65,
        F8: 66,
        F9: 67,
        F10: 68,
        NumLock: 69,
        ScrollLock: 70,
        Numpad7: 71,
        Numpad8: 72,
        Numpad9: 73,
        NumpadSubtract: 74,
        Numpad4: 75,
        Numpad5: 76,
        Numpad6: 77,
        NumpadAdd: 78,
        Numpad1: 79,
        Numpad2: 80,
        Numpad3: 81,
        Numpad0: 82,
        NumpadDecimal: 83,
        IntlBackslash: 86,
        F11: 87,
        F12: 88,
        ControlRight: 157,
        NumpadDivide: 181,
        AltRight: 184,
        Home: 199,
        ArrowUp: 200,
        PageUp: 201,
        ArrowLeft: 203,
        ArrowRight: 205,
        End: 207,
        ArrowDown: 208,
        PageDown: 209,
        Insert: 210,
        Delete: 211,
    };
    // Standard gamepad buttons in the game's pad-button order (up, down, left, right, confirm,
    // back, hint); which seat a pad plays and what a button means are the game's.
    var PAD_BUTTONS = [12, 13, 14, 15, 0, 8, 3];
    // Buttons that close the hint box: A, B, Back.
    var PAD_BOX_CLOSE = [0, 1, 8];
    var BOX_KEYS = { Enter: 1, NumpadEnter: 1, Space: 1, Escape: 1 };
    var VOICES_PER_SLOT = 8;
    var SAMPLE_RATE = 44100;

    var page = {
        canvas: null,
        ctx: null,
        held: new Uint8Array(256),
        latched: new Uint8Array(256),
        fontFace: null,
        fontMetrics: null,
        fontAdded: false,
        fonts: [null],
        colours: new Map(),
        // The portraits that have arrived (asset_loader.js fills it).
        pictures: kokurinAssets.loaded,
        picture: null,
        frames: 0,
        boxOpen: false,
        boxPads: [],
        seed: null,
        clockStart: null,
        ended: false,
        audio: { available: false, context: null, master: null, slots: [], muted: false, volume: 1 },
    };

    function element(id) {
        return document.getElementById(id);
    }

    // ---- Loading, before the game starts ----

    // The first frame waits for the font only; asset_loader.js brings the pictures later.
    function loadFont() {
        return kokurinAssets.loadFont(FONT_FAMILY, PAGE_FONT_FAMILY).then(function (font) {
            if (font) {
                page.fontFace = font.face;
                page.fontMetrics = font.metrics;
                document.fonts.add(font.pageFace);
            }
        });
    }

    function readSeed() {
        var value = new URLSearchParams(window.location.search).get("seed");
        if (value !== null && /^[0-9]{1,10}$/.test(value) && Number(value) <= 4294967295) {
            page.seed = Number(value);
        }
    }

    // ---- Drawing ----

    function colourStyle(colour) {
        var style = page.colours.get(colour);
        if (style === undefined) {
            var c = colour >>> 0;
            style =
                "rgba(" +
                ((c >>> 16) & 255) +
                "," +
                ((c >>> 8) & 255) +
                "," +
                (c & 255) +
                "," +
                ((c >>> 24) & 255) / 255 +
                ")";
            page.colours.set(colour, style);
        }
        return style;
    }

    function drawText(ctx, words, p, text) {
        var font = page.fonts[words[p + 4]];
        if (!font) {
            return;
        }
        var string = UTF8ToString(text + words[p + 6], words[p + 7]);
        var x = words[p + 1];
        var y = words[p + 2];
        var left = words[p + 8];
        var top = words[p + 9];
        ctx.save();
        // The text's layout rectangle clips it, as Direct3D's DrawText does.
        ctx.beginPath();
        ctx.rect(left, top, words[p + 10] - left, words[p + 11] - top);
        ctx.clip();
        ctx.font = font.css;
        ctx.fillStyle = colourStyle(words[p + 3]);
        ctx.textAlign = (words[p + 5] & 1) !== 0 ? "center" : "left";
        ctx.textBaseline = "alphabetic";
        var lines = string.split("\n");
        for (var i = 0; i < lines.length; i++) {
            ctx.fillText(lines[i], x, y + i * font.height + font.ascent);
        }
        ctx.restore();
    }

    function drawPicture(ctx, words, floats, p) {
        var picture = page.picture;
        if (!picture || !picture.bitmap) {
            return;
        }
        // Corners: left-bottom, left-top, right-bottom, right-top.
        var x0 = floats[p + 1], y0 = floats[p + 2];
        var x1 = floats[p + 3], y1 = floats[p + 4];
        var x2 = floats[p + 5], y2 = floats[p + 6];
        var x3 = floats[p + 7], y3 = floats[p + 8];
        var mask = words[p + 9];
        ctx.save();
        if (mask !== 3) {
            // Only one triangle of the quad faces the viewer.
            ctx.beginPath();
            if ((mask & 1) !== 0) {
                ctx.moveTo(x0, y0);
                ctx.lineTo(x1, y1);
                ctx.lineTo(x2, y2);
                ctx.closePath();
            }
            if ((mask & 2) !== 0) {
                ctx.moveTo(x2, y2);
                ctx.lineTo(x1, y1);
                ctx.lineTo(x3, y3);
                ctx.closePath();
            }
            ctx.clip();
        }
        // Texel space (the top-left 128 x 128) onto the quad; the pattern repeats a smaller
        // picture as wrapped texture addressing does.
        ctx.setTransform((x3 - x1) / 128, (y3 - y1) / 128, (x0 - x1) / 128, (y0 - y1) / 128, x1, y1);
        ctx.imageSmoothingEnabled = words[p + 10] !== 0;
        if (picture.pattern === null) {
            picture.pattern = ctx.createPattern(picture.bitmap, "repeat");
        }
        ctx.fillStyle = picture.pattern;
        ctx.fillRect(0, 0, 128, 128);
        ctx.restore();
    }

    page.present = function (wordsPointer, count, text) {
        var ctx = page.ctx;
        if (!ctx) {
            return;
        }
        var words = HEAP32;
        var floats = HEAPF32;
        var p = wordsPointer >> 2;
        var end = p + count;
        ctx.setTransform(1, 0, 0, 1, 0, 0);
        ctx.imageSmoothingEnabled = false;
        ctx.fillStyle = "#000";
        ctx.fillRect(0, 0, 640, 480);
        while (p < end) {
            var op = words[p];
            if (op === 1) {
                ctx.fillStyle = colourStyle(words[p + 5]);
                ctx.fillRect(words[p + 1], words[p + 2], words[p + 3], words[p + 4]);
                p += 6;
            } else if (op === 2) {
                drawText(ctx, words, p, text);
                p += 12;
            } else if (op === 3) {
                drawPicture(ctx, words, floats, p);
                p += 11;
            } else {
                break;
            }
        }
        page.frames++;
        if (page.frames === 1) {
            window.dispatchEvent(new Event("kokurin-first-frame"));
        }
    };

    page.openCanvas = function () {
        var canvas = element("screen");
        var ctx = canvas && canvas.getContext ? canvas.getContext("2d") : null;
        element("status").hidden = true;
        if (!ctx) {
            kokurinPageTexts.show(element("ended-text"), "noCanvas");
            return 1;
        }
        page.canvas = canvas;
        page.ctx = ctx;
        ctx.fillStyle = "#000";
        ctx.fillRect(0, 0, 640, 480);
        canvas.addEventListener("pointerdown", function (event) {
            canvas.focus();
            startAudio();
            if (event.pointerType === "touch") {
                kokurinLayout.touched();
            }
        });
        kokurinPointer.attach(canvas);
        kokurinTouchButtons.attach(tapKey, function (event) {
            startAudio();
            if (event.pointerType === "touch") {
                kokurinLayout.touched();
            }
            canvas.focus();
        });
        // Without the loading line the game has more room.
        kokurinLayout.fit();
        canvas.focus();
        return 0;
    };

    // ---- Fonts and pictures ----

    page.registerFont = function () {
        if (!page.fontFace) {
            return 0;
        }
        document.fonts.add(page.fontFace);
        page.fontAdded = true;
        return 1;
    };

    page.unregisterFont = function () {
        if (page.fontAdded) {
            document.fonts.delete(page.fontFace);
            page.fontAdded = false;
        }
    };

    page.makeFont = function (height, faceName) {
        if (!(height > 0)) {
            return 0;
        }
        // Every face is drawn with the game's own font, so that the text looks the same on
        // every system; without it the browser's sans-serif stands in.
        var m = page.fontAdded ? page.fontMetrics : { unitsPerEm: 1, ascent: 0.88, descent: 0.12 };
        var cell = m.ascent + m.descent;
        var size = (height * m.unitsPerEm) / cell;
        page.fonts.push({
            css: size + 'px "' + FONT_FAMILY + '", sans-serif',
            height: height,
            ascent: Math.round((height * m.ascent) / cell),
            face: UTF8ToString(faceName),
        });
        return page.fonts.length - 1;
    };

    page.releaseFont = function (font) {
        if (font > 0 && font < page.fonts.length) {
            page.fonts[font] = null;
        }
    };

    page.loadPicture = function (fileName, widthPointer, heightPointer) {
        // Its size is known from the build before its bitmap has arrived.
        var picture = kokurinAssets.picture(UTF8ToString(fileName));
        page.picture = picture;
        if (!picture) {
            return 0;
        }
        HEAP32[widthPointer >> 2] = picture.width;
        HEAP32[heightPointer >> 2] = picture.height;
        return 1;
    };

    // ---- Clock ----

    page.clockMilliseconds = function () {
        if (page.seed !== null) {
            // Every reading before the first frame is the test seed (the game reads the clock
            // more than once while it starts, and seeds from the last of those); the clock runs
            // on from it once the first frame is shown.
            if (page.frames === 0) {
                return page.seed >>> 0;
            }
            if (page.clockStart === null) {
                page.clockStart = performance.now();
            }
            return (page.seed + Math.floor(performance.now() - page.clockStart)) >>> 0;
        }
        return Date.now() % 4294967296 >>> 0;
    };

    page.nowMicroseconds = function () {
        return Math.floor(performance.now() * 1000);
    };

    page.hidden = function () {
        return document.hidden ? 1 : 0;
    };

    // ---- Keys and pads ----

    function onKeyDown(event) {
        var key = KEY_NUMBERS[event.code];
        if (page.ended || page.boxOpen || key === undefined) {
            return;
        }
        // SPACE and the arrows would scroll the page; the browser's own shortcuts (function
        // keys, Ctrl, Alt, Meta) still work while the game hears them.
        if (!/^F[0-9]+$/.test(event.code) && !event.ctrlKey && !event.altKey && !event.metaKey) {
            event.preventDefault();
        }
        startAudio();
        page.held[key] = 1;
        if (!event.repeat) {
            // A key pressed and let go between two frames still counts once.
            page.latched[key] = 1;
        }
    }

    function onKeyUp(event) {
        var key = KEY_NUMBERS[event.code];
        if (key !== undefined) {
            page.held[key] = 0;
        }
    }

    function padPressed(pad, button) {
        var b = pad.buttons[button];
        return b !== undefined && (b.pressed || b.value > 0.5);
    }

    function connectedPads() {
        var all = navigator.getGamepads ? navigator.getGamepads() : [];
        var pads = [];
        for (var i = 0; i < all.length && pads.length < 2; i++) {
            if (all[i] && all[i].connected) {
                pads.push(all[i]);
            }
        }
        return pads;
    }

    // A touch button's key: pressed and let go before the next poll.
    function tapKey(key) {
        if (!page.ended && !page.boxOpen) {
            page.latched[key] = 1;
        }
    }

    // The game's language ("ja", "en"), which the page's own texts follow.
    page.setLanguage = function (code) {
        kokurinPageTexts.setLanguage(UTF8ToString(code));
    };

    // The keys as the game has them bound, which the page's key line names.
    page.setKeyNames = function (names) {
        kokurinPageTexts.setKeyNames(UTF8ToString(names));
    };

    page.pollDevices = function (downPointer, tappedPointer, padsPointer, pointerPointer) {
        for (var k = 0; k < 256; k++) {
            HEAPU8[downPointer + k] = page.held[k];
            HEAPU8[tappedPointer + k] = page.latched[k];
        }
        page.latched.fill(0);
        var pads = connectedPads();
        for (var seat = 0; seat < 2; seat++) {
            var bits = 0;
            for (var j = 0; seat < pads.length && j < PAD_BUTTONS.length; j++) {
                if (padPressed(pads[seat], PAD_BUTTONS[j])) {
                    bits |= 1 << j;
                }
            }
            HEAPU8[padsPointer + seat] = bits;
        }
        kokurinPointer.poll(HEAP32, pointerPointer, kokurinTouchButtons.helpOn ? 1 : 0);
    };

    // ---- The hint box ----

    function boxPadButtons() {
        return connectedPads().map(function (pad) {
            return PAD_BOX_CLOSE.map(function (button) {
                return padPressed(pad, button);
            });
        });
    }

    function closeBox() {
        var box = element("hint-box");
        if (box.open) {
            box.close();
        }
    }

    page.openBox = function (text) {
        var box = element("hint-box");
        element("hint-text").textContent = UTF8ToString(text);
        if (typeof box.showModal !== "function") {
            window.alert(UTF8ToString(text));
            return;
        }
        page.held.fill(0);
        page.boxPads = boxPadButtons();
        page.boxOpen = true;
        box.showModal();
        element("hint-ok").focus();
    };

    page.boxStillOpen = function () {
        if (!page.boxOpen) {
            return 0;
        }
        // A pad button that was up when the box opened and is down now closes it.
        var now = boxPadButtons();
        for (var i = 0; i < now.length; i++) {
            for (var j = 0; j < now[i].length; j++) {
                var before = page.boxPads[i] ? page.boxPads[i][j] : false;
                if (now[i][j] && !before) {
                    closeBox();
                    return page.boxOpen ? 1 : 0;
                }
            }
        }
        page.boxPads = now;
        return 1;
    };

    function setUpBox() {
        var box = element("hint-box");
        box.addEventListener("keydown", function (event) {
            if (BOX_KEYS[event.code]) {
                event.preventDefault();
                event.stopPropagation();
                closeBox();
            }
        });
        box.addEventListener("cancel", function (event) {
            event.preventDefault();
            closeBox();
        });
        box.addEventListener("close", function () {
            page.boxOpen = false;
            if (page.canvas) {
                page.canvas.focus();
            }
        });
    }

    // ---- Sound ----

    function makeBuffer(slot) {
        var a = page.audio;
        if (!a.context || slot.buffer !== null || slot.samples === null) {
            return;
        }
        slot.buffer = a.context.createBuffer(1, slot.samples.length, SAMPLE_RATE);
        slot.buffer.copyToChannel(slot.samples, 0);
    }

    // Browsers start no sound before the player has pressed something.
    function startAudio() {
        var a = page.audio;
        if (!a.available) {
            return;
        }
        if (!a.context) {
            try {
                var Context = window.AudioContext || window.webkitAudioContext;
                a.context = new Context();
                a.master = a.context.createGain();
                a.master.gain.value = a.muted ? 0 : a.volume;
                a.master.connect(a.context.destination);
            } catch (error) {
                a.available = false;
                a.context = null;
                return;
            }
            a.slots.forEach(function (slot) {
                if (slot) {
                    makeBuffer(slot);
                }
            });
        }
        if (a.context.state === "suspended") {
            a.context.resume().catch(function () {});
        }
    }

    page.soundAvailable = function () {
        page.audio.available = !!(window.AudioContext || window.webkitAudioContext);
        return page.audio.available ? 1 : 0;
    };

    page.loadSound = function (slotNumber, samples, count) {
        var a = page.audio;
        var old = a.slots[slotNumber];
        if (old) {
            stopVoices(old);
        }
        if (!a.available || count <= 0) {
            a.slots[slotNumber] = undefined;
            return;
        }
        var data = new Float32Array(count);
        var first = samples >> 1;
        for (var i = 0; i < count; i++) {
            data[i] = HEAP16[first + i] / 32768;
        }
        var slot = { samples: data, buffer: null, voices: [], next: 0 };
        a.slots[slotNumber] = slot;
        makeBuffer(slot);
    };

    function stopVoices(slot) {
        slot.voices.forEach(function (voice) {
            try {
                voice.stop();
            } catch (error) {
                // Already stopped.
            }
        });
        slot.voices = [];
        slot.next = 0;
    }

    page.playSound = function (slotNumber) {
        var a = page.audio;
        var slot = a.slots[slotNumber];
        if (!slot) {
            return 0;
        }
        if (!a.context || a.muted || a.context.state !== "running" || slot.buffer === null) {
            return 1;
        }
        // Eight voices in turn: a ninth sound restarts the oldest.
        var old = slot.voices[slot.next];
        if (old) {
            try {
                old.stop();
            } catch (error) {
                // Already ended.
            }
        }
        var voice = a.context.createBufferSource();
        voice.buffer = slot.buffer;
        voice.connect(a.master);
        voice.start();
        slot.voices[slot.next] = voice;
        slot.next = (slot.next + 1) % VOICES_PER_SLOT;
        return 1;
    };

    // The player's volume, 0 .. 100, on the master gain (as the mute is).
    page.setVolume = function (percent) {
        var a = page.audio;
        a.volume = Math.max(0, Math.min(100, percent)) / 100;
        if (a.master && !a.muted) {
            a.master.gain.value = a.volume;
        }
    };

    page.setMuted = function (muted) {
        var a = page.audio;
        a.muted = muted !== 0;
        if (a.master) {
            a.master.gain.value = a.muted ? 0 : a.volume;
        }
        if (a.muted) {
            a.slots.forEach(function (slot) {
                if (slot) {
                    stopVoices(slot);
                }
            });
        }
    };

    // ---- The end ----

    page.gameEnded = function (exitCode) {
        page.ended = true;
        page.held.fill(0);
        if (page.canvas) {
            page.canvas.hidden = true;
        }
        element("ended").hidden = false;
        element("restart").focus();
    };

    function start() {
        readSeed();
        // The loading page fits a phone too.
        kokurinLayout.start();
        window.addEventListener("keydown", onKeyDown);
        window.addEventListener("keyup", onKeyUp);
        window.addEventListener("blur", function () {
            page.held.fill(0);
        });
        element("restart").addEventListener("click", function () {
            window.location.reload();
        });
        setUpBox();
        Module.preRun = Module.preRun || [];
        Module.preRun.push(function () {
            // The first frame waits for the font.
            addRunDependency("kokurin-data");
            loadFont().then(function () {
                removeRunDependency("kokurin-data");
            });
        });
    }

    start();
    return page;
})();
