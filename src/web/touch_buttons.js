// The buttons shown on touch screens for what has no place on the game's screen to tap: hint
// (H), back (ESC), sound (M) press their key for one poll, as a key pressed and let go does;
// help keeps the help labels on until it is pressed again.
/* exported kokurinTouchButtons */
var kokurinTouchButtons = (function () {
    "use strict";

    var buttons = { helpOn: false };

    // tap(key) presses a game key once; afterwards(event) gives the game back the keyboard's
    // focus, so that SPACE or ENTER does not press the button again.
    buttons.attach = function (tap, afterwards) {
        var bar = document.getElementById("touch-buttons");
        if (!bar) {
            return;
        }
        bar.querySelectorAll("button[data-key]").forEach(function (button) {
            var key = Number(button.getAttribute("data-key"));
            button.addEventListener("click", function (event) {
                tap(key);
                afterwards(event);
            });
        });
        var help = document.getElementById("help-button");
        help.addEventListener("click", function (event) {
            buttons.helpOn = !buttons.helpOn;
            help.setAttribute("aria-pressed", buttons.helpOn ? "true" : "false");
            afterwards(event);
        });
    };

    return buttons;
})();
