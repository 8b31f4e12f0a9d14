// Mouse and touch presses on the canvas, as the game's pointer: the press's place in CSS pixels
// turned into the 640 x 480 screen (the canvas's scaled size and the bars of its contained
// picture undone), kept until the game's next poll, where it counts once as a key press does.
/* exported kokurinPointer */
var kokurinPointer = (function () {
    "use strict";

    var WIDTH = 640;
    var HEIGHT = 480;

    var pointer = { x: 0, y: 0, pressed: false };

    // The game's pixel under a point of the window, or null off the picture (on its bars or
    // outside the canvas).
    pointer.toGame = function (box, clientX, clientY) {
        if (!(box.width > 0 && box.height > 0)) {
            return null;
        }
        // object-fit: contain centres the picture in the box at the smaller of the two scales.
        var scale = Math.min(box.width / WIDTH, box.height / HEIGHT);
        var left = box.left + (box.width - WIDTH * scale) / 2;
        var top = box.top + (box.height - HEIGHT * scale) / 2;
        var x = Math.floor((clientX - left) / scale);
        var y = Math.floor((clientY - top) / scale);
        if (x < 0 || y < 0 || x >= WIDTH || y >= HEIGHT) {
            return null;
        }
        return { x: x, y: y };
    };

    // The primary button of a mouse, a touch, a pen: the last press before a poll counts.
    pointer.attach = function (canvas) {
        canvas.addEventListener("pointerdown", function (event) {
            if (event.button !== 0) {
                return;
            }
            var place = pointer.toGame(canvas.getBoundingClientRect(), event.clientX, event.clientY);
            if (place !== null) {
                pointer.x = place.x;
                pointer.y = place.y;
                pointer.pressed = true;
            }
        });
    };

    // Four ints at the address: x, y, 1 when pressed since the last poll, and the extra word the
    // caller gives (the help button's state); the press is then spent.
    pointer.poll = function (heap32, address, extra) {
        var at = address >> 2;
        heap32[at] = pointer.x;
        heap32[at + 1] = pointer.y;
        heap32[at + 2] = pointer.pressed ? 1 : 0;
        heap32[at + 3] = extra;
        pointer.pressed = false;
    };

    return pointer;
})();
