// The page's part in online play: what the address asks for (?server=, &room=, &watch=), or,
// without it, the server that served the page (its online.json), learnt before the game starts;
// the addresses the browser's WebSocket can take; and the button that copies a link to the room
// the game is in (the game announces it). The game itself checks every value it is given.
/* exported kokurinOnline */
/* global Module, addRunDependency, removeRunDependency, kokurinPageTexts, kokurinLayout */
var kokurinOnline = (function () {
    "use strict";

    // A page without a server must not wait long for the question.
    var ASK_TIMEOUT_MS = 3000;
    // Where the tab keeps the seat of the match it plays, and how long a server lets a seat be
    // silent before its player loses (kokurin-server's default stall timeout): a seat kept
    // longer ago than that is gone.
    var SEAT_KEY = "kokurin.seat";
    var STALL_MS = 20000;

    var query = new URLSearchParams(window.location.search);
    var online = {
        values: {
            server: query.get("server"),
            room: query.get("room"),
            watch: query.get("watch"),
            // The server that served this page, when it says so.
            served: null,
            // The seat this tab held when it was loaded again (the game checks each value).
            resumeServer: null,
            resumeRoom: null,
            resumeToken: null,
        },
        // The link the button copies ("" while the game is in no room).
        link: "",
    };

    function sessionStore() {
        try {
            return window.sessionStorage;
        } catch (error) {
            return null;
        }
    }

    // The seat kept for this tab while its server still holds it, or null.
    function keptSeat() {
        var store = sessionStore();
        var seat = null;
        try {
            seat = store ? JSON.parse(store.getItem(SEAT_KEY) || "null") : null;
        } catch (error) {
            seat = null;
        }
        if (!seat || typeof seat.server !== "string" || typeof seat.room !== "string" ||
            typeof seat.token !== "string" || typeof seat.at !== "number") {
            return null;
        }
        return Date.now() - seat.at <= STALL_MS ? seat : null;
    }

    var seat = keptSeat();
    if (seat) {
        online.values.resumeServer = seat.server;
        online.values.resumeRoom = seat.room;
        online.values.resumeToken = seat.token;
    }

    // The seat's time is the last moment the tab was seen playing: it is written again every
    // second and when the tab goes.
    var keptTimer = null;
    function writeSeat() {
        var store = sessionStore();
        if (!store || !online.seat) {
            return;
        }
        online.seat.at = Date.now();
        try {
            store.setItem(SEAT_KEY, JSON.stringify(online.seat));
        } catch (error) {
            // A tab without storage plays on; it cannot come back after a reload.
        }
    }
    online.seat = null;
    online.keepSeat = function (server, room, token) {
        var store = sessionStore();
        if (token === "0" || token === "") {
            online.seat = null;
            clearInterval(keptTimer);
            keptTimer = null;
            if (store) {
                store.removeItem(SEAT_KEY);
            }
            return;
        }
        online.seat = { server: server, room: room, token: token, at: 0 };
        writeSeat();
        if (keptTimer === null) {
            keptTimer = setInterval(writeSeat, 1000);
        }
    };
    window.addEventListener("pagehide", writeSeat);

    function element(id) {
        return document.getElementById(id);
    }

    // Asks the page's own host whether it is a kokurin server; anything else is no answer.
    function askServedServer() {
        var controller = typeof AbortController === "function" ? new AbortController() : null;
        var timer = setTimeout(function () {
            if (controller) {
                controller.abort();
            }
        }, ASK_TIMEOUT_MS);
        return fetch("online.json", { cache: "no-store", signal: controller ? controller.signal : undefined })
            .then(function (response) {
                return response.ok ? response.json() : null;
            })
            .then(function (answer) {
                var server = answer && typeof answer.server === "string" ? answer.server : null;
                // Behind https the same host is reached with wss.
                if (server && window.location.protocol === "https:") {
                    server = server.replace(/^ws:\/\//, "wss://");
                }
                online.values.served = server;
            })
            .catch(function () {
                online.values.served = null;
            })
            .then(function () {
                clearTimeout(timer);
            });
    }

    // One of the values above, or null.
    online.value = function (name) {
        var value = Object.prototype.hasOwnProperty.call(online.values, name) ? online.values[name] : null;
        return typeof value === "string" ? value : null;
    };

    // Why the browser's WebSocket would refuse the address ("" when it takes it): it throws for
    // an address it cannot parse, and a page over https may only reach wss:// servers.
    online.addressProblem = function (url) {
        var parsed;
        try {
            parsed = new URL(url);
        } catch (error) {
            return "'" + url + "' is not a server address (ws://host:port/)";
        }
        if (parsed.protocol !== "ws:" && parsed.protocol !== "wss:") {
            return "'" + url + "' is not a server address (ws://host:port/)";
        }
        if (parsed.protocol === "ws:" && window.location.protocol === "https:") {
            return "a page served over https can only reach wss:// servers";
        }
        return "";
    };

    // The page's own address asking for the room, in the page's language if it asked for one.
    online.linkTo = function (server, code) {
        var url = new URL(window.location.href);
        var params = new URLSearchParams();
        var language = query.get("lang");
        if (language !== null) {
            params.set("lang", language);
        }
        params.set("server", server);
        params.set("room", code);
        url.search = params.toString();
        url.hash = "";
        return url.href;
    };

    online.announce = function (server, code) {
        var row = element("room-link");
        online.link = code ? online.linkTo(server, code) : "";
        if (!row) {
            return;
        }
        var shown = !row.hidden;
        row.hidden = online.link === "";
        var status = element("room-link-status");
        status.removeAttribute("data-text");
        status.removeAttribute("data-value");
        status.textContent = "";
        if (shown !== !row.hidden) {
            kokurinLayout.fit();
        }
    };

    // The clipboard API needs a secure page; elsewhere a selected text field is copied.
    function copyText(text) {
        if (navigator.clipboard && window.isSecureContext) {
            return navigator.clipboard.writeText(text);
        }
        return new Promise(function (resolve, reject) {
            var field = document.createElement("textarea");
            field.value = text;
            field.setAttribute("readonly", "");
            field.style.position = "fixed";
            field.style.opacity = "0";
            document.body.appendChild(field);
            field.select();
            var copied = false;
            try {
                copied = document.execCommand("copy");
            } catch (error) {
                copied = false;
            }
            document.body.removeChild(field);
            (copied ? resolve : reject)();
        });
    }

    function setUpButton() {
        var button = element("room-link-copy");
        if (!button) {
            return;
        }
        button.addEventListener("click", function () {
            var link = online.link;
            var status = element("room-link-status");
            copyText(link).then(
                function () {
                    kokurinPageTexts.show(status, "roomLinkCopied");
                },
                function () {
                    // The link itself, to be copied by hand.
                    kokurinPageTexts.show(status, "roomLinkShown", link);
                }
            );
            // The keys go back to the game.
            var canvas = element("screen");
            if (canvas && !canvas.hidden) {
                canvas.focus();
            }
        });
    }

    if (document.readyState === "loading") {
        document.addEventListener("DOMContentLoaded", setUpButton);
    } else {
        setUpButton();
    }
    // Without ?server= the game starts once the page's host has answered (or not).
    if (online.values.server === null) {
        Module.preRun = Module.preRun || [];
        Module.preRun.push(function () {
            addRunDependency("kokurin-online");
            askServedServer().then(function () {
                removeRunDependency("kokurin-online");
            });
        });
    }
    return online;
})();
