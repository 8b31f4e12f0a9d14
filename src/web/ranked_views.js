// The ranked views of a page served by kokurin-server (its JSON API, docs/api.md): the
// leaderboard, a player's page (the rating's history plotted, recent matches, the record against
// each opponent), recent matches (by player), and the matches being played. Each view has its
// own link (#/leaderboard, #/player/NAME, #/matches, #/match/ID, #/live). A match's link plays
// its replay in the game: the page fetches the replay before the game starts and the game
// watches it first (kokurin_page_served_replay), so a click on a match reloads the page at its
// link; a live match's link opens the page spectating it (?server=&watch=). A page whose host
// has no API shows none of this.
/* exported kokurinRanked */
/* global Module, HEAPU8, addRunDependency, removeRunDependency, kokurinPageTexts, kokurinOnline */
var kokurinRanked = (function () {
    "use strict";

    var FETCH_TIMEOUT_MS = 10000;
    var MAX_REPLAY_BYTES = 1 << 20;
    var PAGE_ROWS = 20;
    var BOARD_ROWS = 50;

    var ranked = {
        // The API answered: the views are shown.
        available: false,
        // The page's host has been asked (answered or not).
        probed: false,
        // The replay fetched for a #/match/ID link, until the game takes it.
        replay: null,
        // What the shown view was made from, to draw it again in another language.
        shown: null,
    };

    function element(id) {
        return document.getElementById(id);
    }

    // The view the address asks for, or null.
    ranked.route = function (hash) {
        var found;
        hash = hash === undefined ? window.location.hash : hash;
        if (hash === "#/leaderboard") {
            return { view: "leaderboard" };
        }
        if (hash === "#/live") {
            return { view: "live" };
        }
        found = /^#\/matches(?:\?player=(.*))?$/.exec(hash);
        if (found) {
            return { view: "matches", player: found[1] ? decodeName(found[1]) : "" };
        }
        found = /^#\/match\/([1-9][0-9]{0,17})$/.exec(hash);
        if (found) {
            return { view: "match", id: found[1] };
        }
        found = /^#\/player\/(.+)$/.exec(hash);
        if (found) {
            var name = decodeName(found[1]);
            return name ? { view: "player", name: name } : null;
        }
        return null;
    };

    function decodeName(text) {
        try {
            return decodeURIComponent(text);
        } catch (error) {
            return "";
        }
    }

    // The API's answer as JSON ({ status, json }); a failure or a timeout is status 0.
    function getJson(path) {
        var controller = typeof AbortController === "function" ? new AbortController() : null;
        var timer = setTimeout(function () {
            if (controller) {
                controller.abort();
            }
        }, FETCH_TIMEOUT_MS);
        return fetch(path, { cache: "no-store", signal: controller ? controller.signal : undefined })
            .then(function (response) {
                var type = response.headers.get("content-type") || "";
                if (type.indexOf("application/json") !== 0) {
                    return { status: 0, json: null };
                }
                return response.json().then(function (json) {
                    return { status: response.status, json: json };
                });
            })
            .catch(function () {
                return { status: 0, json: null };
            })
            .then(function (answer) {
                clearTimeout(timer);
                return answer;
            });
    }

    // ---- Building the views (text always as text, never as markup) ----

    function make(tag, className, text) {
        var node = document.createElement(tag);
        if (className) {
            node.className = className;
        }
        if (text !== undefined && text !== null) {
            node.textContent = String(text);
        }
        return node;
    }

    function said(tag, key, value) {
        var node = document.createElement(tag);
        kokurinPageTexts.show(node, key, value);
        return node;
    }

    function link(href, text) {
        var a = make("a", null, text);
        a.href = href;
        return a;
    }

    function playerLink(name) {
        return link("#/player/" + encodeURIComponent(name), name);
    }

    function table(headings, rows) {
        var t = make("table", "ranked-table");
        var head = make("tr");
        headings.forEach(function (key) {
            head.appendChild(key ? said("th", key) : make("th"));
        });
        t.appendChild(head);
        rows.forEach(function (cells) {
            var tr = make("tr");
            cells.forEach(function (cell) {
                var td = make("td");
                td.appendChild(typeof cell === "object" ? cell : document.createTextNode(String(cell)));
                tr.appendChild(td);
            });
            t.appendChild(tr);
        });
        return t;
    }

    function when(ms) {
        var locale = kokurinPageTexts.language === "ja" ? "ja-JP" : "en-GB";
        return new Date(ms).toLocaleString(locale, {
            year: "numeric", month: "2-digit", day: "2-digit", hour: "2-digit", minute: "2-digit",
        });
    }

    function length(frames) {
        var seconds = Math.floor(frames / 60);
        return Math.floor(seconds / 60) + ":" + String(seconds % 60).padStart(2, "0");
    }

    function signed(change) {
        if (change === null || change === undefined) {
            return "";
        }
        return (change > 0 ? "+" : "") + change.toFixed(1);
    }

    // A seat's name, linked to the player's page when the seat was a ranked player.
    function seatNode(seat) {
        var span = make("span", "ranked-seat");
        span.appendChild(seat.player ? playerLink(seat.player) : document.createTextNode(seat.name));
        if (seat.change !== null && seat.change !== undefined) {
            span.appendChild(make("span", seat.change >= 0 ? "ranked-up" : "ranked-down", " " + signed(seat.change)));
        }
        return span;
    }

    function resultNode(match) {
        if (match.winner === null) {
            return said("span", { diverged: "rankedVoid", toolong: "rankedTooLong" }[match.how] || "rankedNoWinner");
        }
        var winner = match.seats[match.winner];
        var key = { left: "rankedWonLeft", gone: "rankedWonGone" }[match.how] || "rankedWon";
        return said("span", key, winner.player || winner.name);
    }

    function matchRows(matches) {
        return matches.map(function (m) {
            var watch = make("span");
            if (m.replay) {
                watch = link("#/match/" + m.id);
                kokurinPageTexts.show(watch, "rankedWatch");
                watch.className = "ranked-watch";
            }
            var kind = said("span", m.rated ? "rankedRated" : "rankedCasual");
            return [when(m.finished), seatNode(m.seats[0]), seatNode(m.seats[1]), resultNode(m),
                    length(m.frames), kind, watch];
        });
    }

    function matchTable(matches) {
        if (matches.length === 0) {
            return said("p", "rankedNoMatches");
        }
        return table(["rankedWhen", "rankedFirst", "rankedSecond", "rankedResult", "rankedLength",
                      "rankedKind", "rankedReplay"], matchRows(matches));
    }

    // The rating after each rated match as a line (SVG), its deviation as a band around it.
    function historyPlot(history) {
        var ns = "http://www.w3.org/2000/svg";
        var width = 600;
        var height = 200;
        var pad = 40;
        var svg = document.createElementNS(ns, "svg");
        svg.setAttribute("class", "ranked-plot");
        svg.setAttribute("viewBox", "0 0 " + width + " " + height);
        svg.setAttribute("role", "img");
        svg.setAttribute("aria-label", kokurinPageTexts.text("rankedHistory"));
        if (history.length === 0) {
            return svg;
        }
        var low = Infinity;
        var high = -Infinity;
        history.forEach(function (p) {
            var d = p.deviation || 0;
            low = Math.min(low, p.rating - d);
            high = Math.max(high, p.rating + d);
        });
        if (high - low < 50) {
            high += 25;
            low -= 25;
        }
        function x(i) {
            return history.length === 1 ? width / 2 : pad + (i * (width - 2 * pad)) / (history.length - 1);
        }
        function y(r) {
            return height - pad / 2 - ((r - low) * (height - pad)) / (high - low);
        }
        var upper = [];
        var lower = [];
        var line = [];
        history.forEach(function (p, i) {
            var d = p.deviation || 0;
            upper.push(x(i).toFixed(1) + "," + y(p.rating + d).toFixed(1));
            lower.unshift(x(i).toFixed(1) + "," + y(p.rating - d).toFixed(1));
            line.push(x(i).toFixed(1) + "," + y(p.rating).toFixed(1));
        });
        var band = document.createElementNS(ns, "polygon");
        band.setAttribute("class", "ranked-band");
        band.setAttribute("points", upper.concat(lower).join(" "));
        svg.appendChild(band);
        var path = document.createElementNS(ns, "polyline");
        path.setAttribute("class", "ranked-line");
        path.setAttribute("points", line.join(" "));
        svg.appendChild(path);
        [[high, 12], [low, height - 4]].forEach(function (label) {
            var t = document.createElementNS(ns, "text");
            t.setAttribute("x", "2");
            t.setAttribute("y", String(label[1]));
            t.textContent = String(Math.round(label[0]));
            svg.appendChild(t);
        });
        return svg;
    }

    // ---- The views ----

    function heading(key, value) {
        return said("h2", key, value);
    }

    function more(onClick) {
        var button = said("button", "rankedMore");
        button.type = "button";
        button.addEventListener("click", function () {
            button.disabled = true;
            onClick(button);
        });
        return button;
    }

    function boardRows(players) {
        return players.map(function (p) {
            return [p.rank, playerLink(p.name), p.rating.toFixed(0) + " ± " + (2 * p.deviation).toFixed(0),
                    p.games, p.wins, p.losses];
        });
    }

    var views = {
        leaderboard: function (view, done) {
            getJson("api/leaderboard?limit=" + BOARD_ROWS).then(function (answer) {
                view.appendChild(heading("rankedLeaderboard"));
                if (!answer.json || answer.status !== 200) {
                    return done(failure(view, answer));
                }
                var board = answer.json;
                if (board.players.length === 0) {
                    view.appendChild(said("p", "rankedNoPlayers"));
                    return done();
                }
                var headings = ["rankedRank", "rankedPlayer", "rankedRating", "rankedGames", "rankedWins", "rankedLosses"];
                var t = table(headings, boardRows(board.players));
                view.appendChild(t);
                var shown = board.players.length;
                if (shown < board.total) {
                    view.appendChild(more(function pageOn(button) {
                        getJson("api/leaderboard?limit=" + BOARD_ROWS + "&offset=" + shown).then(function (next) {
                            if (next.json && next.status === 200) {
                                table(headings, boardRows(next.json.players)).querySelectorAll("tr:not(:first-child)")
                                    .forEach(function (row) { t.appendChild(row); });
                                shown += next.json.players.length;
                            }
                            button.disabled = false;
                            button.hidden = shown >= board.total || !next.json;
                        });
                    }));
                }
                done();
            });
        },

        player: function (view, done, route) {
            getJson("api/players/" + encodeURIComponent(route.name)).then(function (answer) {
                if (answer.status === 404) {
                    view.appendChild(heading("rankedPlayerTitle", route.name));
                    view.appendChild(said("p", "rankedNoSuchPlayer"));
                    return done();
                }
                if (!answer.json || answer.status !== 200) {
                    return done(failure(view, answer));
                }
                var p = answer.json;
                view.appendChild(heading("rankedPlayerTitle", p.name));
                view.appendChild(make("p", "ranked-summary",
                    p.rating.toFixed(0) + " ± " + (2 * p.deviation).toFixed(0) + "  (" + p.wins + " - " + p.losses + ")"));
                view.appendChild(said("h3", "rankedHistory"));
                view.appendChild(historyPlot(p.history));
                view.appendChild(said("h3", "rankedRecent"));
                view.appendChild(matchTable(p.recent));
                var all = link("#/matches?player=" + encodeURIComponent(p.name));
                kokurinPageTexts.show(all, "rankedAllMatches");
                view.appendChild(make("p")).appendChild(all);
                view.appendChild(said("h3", "rankedOpponents"));
                if (p.opponents.length === 0) {
                    view.appendChild(said("p", "rankedNoMatches"));
                } else {
                    view.appendChild(table(["rankedOpponent", "rankedGames", "rankedWins", "rankedLosses", "rankedWinRate"],
                        p.opponents.map(function (o) {
                            return [playerLink(o.name), o.games, o.wins, o.losses,
                                    Math.round((100 * o.wins) / Math.max(1, o.games)) + "%"];
                        })));
                }
                done();
            });
        },

        matches: function (view, done, route) {
            view.appendChild(heading("rankedMatches"));
            var form = make("form", "ranked-filter");
            var label = make("label");
            label.appendChild(said("span", "rankedFilter"));
            var input = make("input");
            input.type = "text";
            input.name = "player";
            input.maxLength = 64;
            input.value = route.player;
            label.appendChild(input);
            form.appendChild(label);
            // Typing here is not the game's.
            ["keydown", "keyup"].forEach(function (type) {
                input.addEventListener(type, function (event) {
                    event.stopPropagation();
                });
            });
            form.addEventListener("submit", function (event) {
                event.preventDefault();
                var name = input.value.trim();
                window.location.hash = name ? "#/matches?player=" + encodeURIComponent(name) : "#/matches";
            });
            view.appendChild(form);
            var base = "api/matches?limit=" + PAGE_ROWS + (route.player ? "&player=" + encodeURIComponent(route.player) : "");
            getJson(base).then(function (answer) {
                if (answer.status === 404) {
                    view.appendChild(said("p", "rankedNoSuchPlayer"));
                    return done();
                }
                if (!answer.json || answer.status !== 200) {
                    return done(failure(view, answer));
                }
                var shown = matchTable(answer.json.matches);
                view.appendChild(shown);
                var next = answer.json.next;
                if (next !== null) {
                    view.appendChild(more(function pageOn(button) {
                        getJson(base + "&before=" + next).then(function (page) {
                            if (page.json && page.status === 200) {
                                table([], matchRows(page.json.matches)).querySelectorAll("tr:not(:first-child)")
                                    .forEach(function (row) { shown.appendChild(row); });
                                next = page.json.next;
                            }
                            button.disabled = false;
                            button.hidden = next === null || !page.json;
                        });
                    }));
                }
                done();
            });
        },

        match: function (view, done, route) {
            getJson("api/matches/" + route.id).then(function (answer) {
                view.appendChild(heading("rankedMatchTitle", route.id));
                if (answer.status === 404) {
                    view.appendChild(said("p", "rankedNoSuchMatch"));
                    return done();
                }
                if (!answer.json || answer.status !== 200) {
                    return done(failure(view, answer));
                }
                var m = answer.json;
                var about = make("p", "ranked-match");
                about.appendChild(seatNode(m.seats[0]));
                about.appendChild(document.createTextNode(" – "));
                about.appendChild(seatNode(m.seats[1]));
                about.appendChild(document.createTextNode("  "));
                about.appendChild(resultNode(m));
                view.appendChild(about);
                view.appendChild(make("p", null, when(m.finished) + "  " + length(m.frames) + "  " + m.room));
                view.appendChild(said("p", m.replay ? "rankedWatching" : "rankedNoReplay"));
                if (m.replay) {
                    var file = link("api/replays/" + m.id + ".kkr");
                    kokurinPageTexts.show(file, "rankedDownload");
                    file.setAttribute("download", "kokurin-match-" + m.id + ".kkr");
                    view.appendChild(make("p")).appendChild(file);
                }
                done();
            });
        },

        live: function (view, done) {
            getJson("api/live").then(function (answer) {
                view.appendChild(heading("rankedLive"));
                if (!answer.json || answer.status !== 200) {
                    return done(failure(view, answer));
                }
                if (answer.json.matches.length === 0) {
                    view.appendChild(said("p", "rankedNoLive"));
                    return done();
                }
                view.appendChild(table(["rankedRoom", "rankedFirst", "rankedSecond", "rankedKind", "rankedSpectators", ""],
                    answer.json.matches.map(function (m) {
                        var watch = link(spectateLink(m.room));
                        kokurinPageTexts.show(watch, "rankedSpectate");
                        watch.className = "ranked-spectate";
                        return [m.room, m.names[0], m.names[1], said("span", m.rated ? "rankedRated" : "rankedCasual"),
                                m.spectators, watch];
                    })));
                done();
            });
        },
    };

    function failure(view) {
        view.appendChild(said("p", "rankedFailed"));
    }

    // This page watching the room on the server that served it.
    function spectateLink(room) {
        var server = kokurinOnline.value("served");
        if (!server) {
            server = (window.location.protocol === "https:" ? "wss://" : "ws://") + window.location.host + "/";
        }
        var url = new URL(window.location.href);
        var params = new URLSearchParams();
        var language = new URLSearchParams(window.location.search).get("lang");
        if (language !== null) {
            params.set("lang", language);
        }
        params.set("server", server);
        params.set("watch", room);
        url.search = params.toString();
        url.hash = "";
        return url.href;
    }

    // Draws the address's view (none: only the links to the views). A view is made apart and
    // shown whole once its answer is in, and only while it is still the one asked for.
    var drawing = 0;
    function render(scroll) {
        var view = element("ranked-view");
        var route = ranked.route();
        var turn = ++drawing;
        ranked.shown = route;
        if (!route) {
            view.replaceChildren();
            view.removeAttribute("data-view");
            return;
        }
        view.setAttribute("aria-busy", "true");
        var made = make("div");
        views[route.view](made, function () {
            if (turn !== drawing) {
                return;
            }
            view.replaceChildren(made);
            view.removeAttribute("aria-busy");
            // The tests and a reader wait for this.
            view.setAttribute("data-view", route.view);
            if (scroll) {
                element("ranked").scrollIntoView({ block: "start" });
            }
        }, route);
    }

    function start() {
        var section = element("ranked");
        if (!section) {
            return;
        }
        getJson("api/live").then(function (answer) {
            ranked.probed = true;
            if (!answer.json || answer.status !== 200 || !Array.isArray(answer.json.matches)) {
                return;
            }
            ranked.available = true;
            section.hidden = false;
            var route = ranked.route();
            render(route !== null && route.view !== "match");
            window.addEventListener("hashchange", function () {
                var next = ranked.route();
                // A match's replay is watched from the start: the page starts again at its link.
                if (next && next.view === "match") {
                    window.location.reload();
                    return;
                }
                render(true);
            });
            window.addEventListener("kokurin-language", function () {
                render(false);
            });
        });
    }

    // The replay a #/match/ID link asks for, fetched before the game starts; the game takes it
    // (length, or -1 when there is none) and watches it before its title screen.
    ranked.takeReplay = function (buffer, max) {
        var bytes = ranked.replay;
        ranked.replay = null;
        if (bytes === null) {
            return -1;
        }
        var count = Math.min(bytes.length, max + 1);
        HEAPU8.set(bytes.subarray(0, count), buffer);
        return count;
    };

    function fetchReplay(id) {
        var controller = typeof AbortController === "function" ? new AbortController() : null;
        var timer = setTimeout(function () {
            if (controller) {
                controller.abort();
            }
        }, FETCH_TIMEOUT_MS);
        return fetch("api/replays/" + id + ".kkr", { signal: controller ? controller.signal : undefined })
            .then(function (response) {
                return response.ok ? response.arrayBuffer() : null;
            })
            .then(function (buffer) {
                if (buffer && buffer.byteLength <= MAX_REPLAY_BYTES) {
                    ranked.replay = new Uint8Array(buffer);
                }
            })
            .catch(function () {
                ranked.replay = null;
            })
            .then(function () {
                clearTimeout(timer);
            });
    }

    var first = ranked.route();
    if (first && first.view === "match") {
        Module.preRun = Module.preRun || [];
        Module.preRun.push(function () {
            addRunDependency("kokurin-served-replay");
            fetchReplay(first.id).then(function () {
                removeRunDependency("kokurin-served-replay");
            });
        });
    }
    if (document.readyState === "loading") {
        document.addEventListener("DOMContentLoaded", start);
    } else {
        start();
    }
    return ranked;
})();
