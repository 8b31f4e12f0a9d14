// The page's layout: the 640 x 480 canvas (its backing store never changes) scaled with CSS to
// fill the window, by a whole number when at least 1x fits, by the largest fraction that fits
// otherwise (a phone); the line or buttons under it go beside it when that leaves a larger game
// (a phone held sideways). On a touch screen the buttons replace the key line.
/* exported kokurinLayout */
var kokurinLayout = (function () {
    "use strict";

    var WIDTH = 640;
    var HEIGHT = 480;
    // Room between the game and its controls, in CSS pixels; the game itself may touch the
    // window's edges, so that 2x fills a window of exactly twice its height.
    var GAP = 8;

    var layout = { touch: false, side: false, scale: 1 };

    function element(id) {
        return document.getElementById(id);
    }

    // Crisp whole numbers from 1x up; below it every pixel counts.
    layout.scaleFor = function (width, height) {
        var scale = Math.min(width / WIDTH, height / HEIGHT);
        if (scale >= 1) {
            return Math.floor(scale);
        }
        return Math.max(scale, 0.1);
    };

    function hasTouch() {
        var coarse = window.matchMedia && window.matchMedia("(pointer: coarse)").matches;
        return coarse || navigator.maxTouchPoints > 0;
    }

    function sizeGame(scale) {
        var width = Math.floor(WIDTH * scale);
        var height = Math.floor(HEIGHT * scale);
        ["screen", "ended"].forEach(function (id) {
            var node = element(id);
            if (node) {
                node.style.width = width + "px";
                node.style.height = height + "px";
            }
        });
        layout.scale = scale;
    }

    // Lays the page out for the window as it is now: the controls under the game or beside it,
    // whichever leaves the larger game.
    layout.fit = function () {
        var body = document.body;
        var controls = element("controls");
        // The layout viewport, which a phone's browser does not widen to what overflows it
        // (innerWidth would follow a canvas still too wide, and never settle).
        var width = document.documentElement.clientWidth || window.innerWidth;
        var height = document.documentElement.clientHeight || window.innerHeight;
        body.classList.toggle("touch", layout.touch);
        body.classList.remove("side");
        var room = controls.offsetHeight > 0 ? controls.offsetHeight + GAP : 0;
        var below = layout.scaleFor(width, height - room);
        body.classList.add("side");
        room = controls.offsetWidth > 0 ? controls.offsetWidth + GAP : 0;
        var beside = layout.scaleFor(width - room, height);
        layout.side = beside > below;
        body.classList.toggle("side", layout.side);
        sizeGame(layout.side ? beside : below);
    };

    // A touch on a screen the browser did not call a touch screen brings the buttons too.
    layout.touched = function () {
        if (!layout.touch) {
            layout.touch = true;
            layout.fit();
        }
    };

    layout.start = function () {
        layout.touch = hasTouch();
        window.addEventListener("resize", layout.fit);
        window.addEventListener("orientationchange", layout.fit);
        // Other languages' lines have other heights.
        window.addEventListener("kokurin-language", layout.fit);
        layout.fit();
    };

    return layout;
})();
