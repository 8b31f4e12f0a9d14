// Online play in the page against the desktop's client, through a real kokurin-server that also
// serves the page: a link to a room joins it, a native kokurin-sim plays the other seat and a
// second one watches, the page's clicks are its moves, and the match's four replays (server,
// player, spectator, the page's own storage) are the same bytes; a page loaded again takes its
// seat back. Also: the page served by the server offers N on the title, the
// room's link button, and a server that does not answer.
"use strict";

const assert = require("node:assert/strict");
const { spawn } = require("node:child_process");
const fs = require("node:fs");
const http = require("node:http");
const net = require("node:net");
const os = require("node:os");
const path = require("node:path");
const { test, before, after } = require("node:test");
const session = require("./browser_session");

const NATIVE = path.join(session.ROOT, "build", "native");
const SERVER =
    process.env.KOKURIN_SERVER || path.join(NATIVE, "src", "server", "kokurin-server");
const SIM = process.env.KOKURIN_SIM || path.join(NATIVE, "tools", "sim", "kokurin-sim");
const ROOM = "WEBPLAY";

let work;
let server;
let browser;
const children = [];

// kokurin-server on a free loopback port, serving the web build and saving replays in a folder
// of work that it makes.
// With certs ({cert, key}) it speaks TLS: https:// and wss://.
function startGameServer(certs = null, replays = "replays", extra = []) {
    const tls = certs ? ["--tls-cert", certs.cert, "--tls-key", certs.key, ...extra] : extra;
    return new Promise((resolve, reject) => {
        const child = spawn(
            SERVER,
            ["--port", "0", "--host", "127.0.0.1", "--web", session.WEB_DIR, "--replays",
             path.join(work, replays), ...tls],
            { stdio: ["ignore", "pipe", "pipe"] }
        );
        children.push(child);
        const timer = setTimeout(() => reject(new Error("kokurin-server did not start")), 10000);
        let output = "";
        child.stdout.on("data", (chunk) => {
            output += chunk;
            const found = /listening on port (\d+)/.exec(output);
            if (found) {
                clearTimeout(timer);
                resolve({
                    port: Number(found[1]),
                    url: (certs ? "https" : "http") + "://127.0.0.1:" + found[1] + "/",
                    ws: (certs ? "wss" : "ws") + "://127.0.0.1:" + found[1] + "/",
                    log: child.log,
                });
            }
        });
        let log = "";
        child.stderr.on("data", (chunk) => (log += chunk));
        child.log = () => log;
        child.on("exit", (code) => reject(new Error("kokurin-server exited with " + code)));
    });
}

// A kokurin-sim online client; done resolves with its exit code and output.
function startSim(args) {
    const child = spawn(SIM, args, { stdio: ["ignore", "pipe", "pipe"] });
    children.push(child);
    const run = { stdout: "", stderr: "" };
    child.stdout.on("data", (chunk) => (run.stdout += chunk));
    child.stderr.on("data", (chunk) => (run.stderr += chunk));
    run.done = new Promise((resolve) => child.on("exit", (code) => resolve(code)));
    return run;
}

function get(port, file, host) {
    return new Promise((resolve, reject) => {
        const request = http.get(
            { host: "127.0.0.1", port, path: file, headers: host ? { Host: host } : {} },
            (response) => {
                let body = "";
                response.on("data", (chunk) => (body += chunk));
                response.on("end", () => resolve({ status: response.statusCode, body }));
            }
        );
        request.on("error", reject);
        request.setTimeout(5000, () => request.destroy(new Error("no answer from " + file)));
    });
}

// The server's replay of a room's first match: it keeps the match with its replay a moment after
// the verdict, as match-ID.kkr in its replay folder (the row names which).
async function serverReplay(folder, room, port) {
    const deadline = Date.now() + 20000;
    for (;;) {
        if (port) {
            const list = JSON.parse((await get(port, "/api/matches?limit=100")).body);
            const found = list.matches.filter((m) => m.room === room && m.replay).pop();
            if (found) {
                return fs.readFileSync(path.join(folder, "match-" + found.id + ".kkr"));
            }
        } else if (fs.existsSync(path.join(folder, "match-1.kkr"))) {
            return fs.readFileSync(path.join(folder, "match-1.kkr"));
        }
        if (Date.now() > deadline) {
            throw new Error("the server kept no replay of room " + room);
        }
        await new Promise((resolve) => setTimeout(resolve, 50));
    }
}

// A loopback port nothing listens on.
function closedPort() {
    return new Promise((resolve) => {
        const probe = net.createServer().listen(0, "127.0.0.1", () => {
            const port = probe.address().port;
            probe.close(() => resolve(port));
        });
    });
}

// From now on the page keeps the texts of the last frame it drew in window.frameTexts.
async function watchTexts(page) {
    await page.waitForFunction(() => window.kokurinPage && typeof window.UTF8ToString === "function");
    await page.evaluate(() => {
        const present = window.kokurinPage.present;
        window.frameTexts = [];
        window.kokurinPage.present = function (wordsPointer, count, text) {
            // The command list of draw_list.h: rectangles, texts, the picture.
            const words = window.HEAP32;
            const texts = [];
            let p = wordsPointer >> 2;
            while (p < (wordsPointer >> 2) + count) {
                const op = words[p];
                if (op === 2) {
                    texts.push(window.UTF8ToString(text + words[p + 6], words[p + 7]));
                }
                p += op === 1 ? 6 : op === 2 ? 12 : op === 3 ? 11 : count;
            }
            window.frameTexts = texts;
            return present.apply(this, arguments);
        };
    });
}

async function waitForText(page, text, timeoutMs = 15000) {
    try {
        await page.waitForFunction((t) => window.frameTexts.some((line) => line.includes(t)), text, {
            timeout: timeoutMs,
        });
    } catch (error) {
        const shown = await page.evaluate(() => window.frameTexts.join(" | "));
        throw new Error("'" + text + "' not drawn within " + timeoutMs + " ms; the frame: " + shown);
    }
}

// A click on the screen's point (x, y) of 640 x 480, wherever the page has put it.
async function clickGame(page, x, y) {
    const box = await page.locator("#screen").boundingBox();
    await page.mouse.click(box.x + ((x + 0.5) * box.width) / 640, box.y + ((y + 0.5) * box.height) / 480);
}

// The page's player: H on its own turn shows the hint line "(c,r)-(c,r)" over the online
// match, and the two cells are clicked (the board's cells are 48 pixels from (176, 96)). A
// hint is shown for three seconds: the next turn waits for a fresh one. Returns the exchanges
// clicked, as cell numbers (row * 6 + column).
async function playHints(page, until) {
    let shown = null;
    const clicked = [];
    while (!until(clicked)) {
        await page.keyboard.press("KeyH");
        await page.waitForTimeout(150);
        const line = await page.evaluate(() => window.frameTexts.find((t) => /^\(\d,\d\)-\(\d,\d\)$/.test(t)) || null);
        if (line === null) {
            shown = null;
            continue;
        }
        if (line === shown) {
            continue;
        }
        shown = line;
        const [c1, r1, c2, r2] = line.match(/\d/g).map(Number);
        await clickGame(page, 176 + 48 * (c1 - 1) + 24, 96 + 48 * (r1 - 1) + 24);
        await clickGame(page, 176 + 48 * (c2 - 1) + 24, 96 + 48 * (r2 - 1) + 24);
        clicked.push({ swap: [(r1 - 1) * 6 + c1 - 1, (r2 - 1) * 6 + c2 - 1], at: Date.now() });
    }
    return clicked;
}

// Plays the hints until the page has clicked an exchange and the match has had three seconds
// to play it (and at least minimumMs in all, at most 45 s), or the match is over.
async function playAnExchange(page, isOver, minimumMs) {
    const from = Date.now();
    return playHints(page, (clicked) => {
        const now = Date.now();
        const played = clicked.length > 0 && now - clicked[clicked.length - 1].at > 3000;
        return isOver() || now - from > 45000 || (played && now - from > minimumMs);
    });
}

// ESC until the page has left the match: an ESC during a clash ends only the clash.
async function leaveMatch(page, isOver) {
    for (let attempt = 0; attempt < 20 && !isOver(); attempt++) {
        await page.keyboard.press("Escape");
        const left = await page
            .waitForFunction(() => window.frameTexts.some((t) => t.includes("ESC: lobby")), null, { timeout: 1500 })
            .then(() => true, () => false);
        if (left) {
            return;
        }
    }
}

// The moves of a seat that exchanged cells, from a kokurin-sim transcript.
function exchangesOf(transcript, player) {
    return transcript
        .split("\n")
        .filter((line) => line.startsWith("{"))
        .map((line) => JSON.parse(line))
        .filter((event) => event.ev === "move" && event.player === player && event.swap !== null)
        .map((event) => event.swap);
}

// Whether one of the clicked exchanges is among those the other player's game saw made.
function clickedExchangeSeen(clicked, seen) {
    return clicked.some((c) => seen.some((s) => s[0] === c.swap[0] && s[1] === c.swap[1]));
}

// The page opens a link to the room a kokurin-sim player makes. The room exists once the
// player's client has been welcomed; a page that came first and found no such room is loaded
// again. The player says "seat 0" when the match starts.
async function joinByLink(page, player, link) {
    for (let attempt = 0; ; attempt++) {
        await page.goto(link);
        await watchTexts(page);
        const deadline = Date.now() + 5000;
        while (!player.stderr.includes("seat 0") && Date.now() < deadline) {
            await page.waitForTimeout(100);
        }
        if (player.stderr.includes("seat 0") || attempt === 2) {
            break;
        }
    }
}

before(async () => {
    work = fs.mkdtempSync(path.join(os.tmpdir(), "kokurin-web-online."));
    server = await startGameServer();
    browser = await session.launchBrowser({ width: 800, height: 700 });
    await browser.context.grantPermissions(["clipboard-read", "clipboard-write"], {
        origin: "http://127.0.0.1:" + server.port,
    });
});

after(async () => {
    if (browser) {
        await browser.close();
    }
    for (const child of children) {
        if (child.exitCode === null && child.signalCode === null) {
            child.kill("SIGKILL");
        }
    }
    fs.rmSync(work, { recursive: true, force: true });
});

test("the server says where it is; its page offers online play on the title and installs", async () => {
    const answer = await get(server.port, "/online.json");
    assert.equal(answer.status, 200);
    assert.deepEqual(JSON.parse(answer.body), { server: server.ws });
    assert.equal((await get(server.port, "/online.json", 'x"}, "server": "ws://elsewhere')).status, 400);
    assert.equal((await get(server.port, "/data")).status, 404, "a folder is no file");

    const { page } = browser;
    await page.goto(server.url + "?lang=en&seed=5");
    await watchTexts(page);
    await waitForText(page, "N: Play online");
    // The offline copy works from the server's root too.
    const scope = await page.evaluate(async () => (await navigator.serviceWorker.ready).scope);
    assert.equal(scope, server.url);
    assert.deepEqual(browser.errors, []);
});

test("a link to a room plays a match against kokurin-sim to its end (ESC after 12 s), watched by another", async () => {
    const { page } = browser;
    const simReplay = path.join(work, "sim.kkr");
    const watcherReplay = path.join(work, "watcher.kkr");
    const started = Date.now();
    // The native player makes the room (1P); the page's link joins it (2P).
    const player = startSim(["--online", server.ws, "--room", ROOM, "--novice", "--name", "sim",
                             "--record", simReplay]);
    const spectator = startSim(["--online", server.ws, "--room", ROOM, "--spectate", "--name",
                                "watcher", "--record", watcherReplay]);
    await joinByLink(page, player, server.url + "?lang=en&server=" + encodeURIComponent(server.ws) +
        "&room=" + ROOM.toLowerCase() + "&seed=9");
    assert.match(player.stderr, /room WEBPLAY, seat 0/);

    // The page offers the room's link (its language kept, its test seed not) and copies it.
    const expected = server.url + "?lang=en&server=" + encodeURIComponent(server.ws) + "&room=" + ROOM;
    const button = page.locator("#room-link-copy");
    await button.waitFor({ state: "visible" });
    assert.equal(await button.textContent(), "Copy a link to this room");
    assert.equal(await page.evaluate(() => window.kokurinOnline.link), expected);
    await button.click();
    await page.waitForFunction(() => document.getElementById("room-link-status").textContent !== "");
    assert.equal(await page.evaluate(() => navigator.clipboard.readText()), expected);

    // The page's player takes the hint's exchange on every turn, by clicks; a match still on
    // once one has been played and 12 seconds have passed (a whole one takes one to two
    // minutes) is left with ESC, and the native player wins.
    let over = false;
    const both = Promise.all([player.done, spectator.done]).then((codes) => {
        over = true;
        return codes;
    });
    const clicked = await playAnExchange(page, () => over, 12000);
    await leaveMatch(page, () => over);
    let timer;
    const codes = await Promise.race([both, new Promise((resolve) => (timer = setTimeout(resolve, 30000)))]);
    clearTimeout(timer);
    const seconds = ((Date.now() - started) / 1000).toFixed(1);
    assert.deepEqual(codes, [0, 0], player.stderr + spectator.stderr);
    const verdict = /match over after \d+ frames: (won|left), winner (1P|2P)/.exec(player.stderr);
    assert.ok(verdict, player.stderr);
    console.log("online match in the page: " + seconds + " s, " + verdict[0]);
    const end = JSON.parse(player.stdout.trim().split("\n").pop());
    assert.equal(end.reason, verdict[1] === "won" ? "winner" : "escape");
    assert.equal(spectator.stdout, player.stdout, "the spectator saw the player's match");
    // The clicks were the page's moves: the native player's game saw the exchange made.
    assert.ok(clicked.length > 0, "the page was shown a hint to click");
    assert.ok(clickedExchangeSeen(clicked, exchangesOf(player.stdout, 1)),
        "clicked " + JSON.stringify(clicked) + ", seen " + JSON.stringify(exchangesOf(player.stdout, 1)));

    const saved = await serverReplay(path.join(work, "replays"), ROOM, server.port);
    assert.deepEqual(fs.readFileSync(simReplay), saved);
    assert.deepEqual(fs.readFileSync(watcherReplay), saved);
    await page.waitForFunction(() => window.kokurinReplays.list().length === 1, null, { timeout: 15000 });
    const own = await page.evaluate(() => {
        const name = window.kokurinReplays.list()[0];
        return Array.from(window.kokurinReplays.read(name));
    });
    assert.deepEqual(Buffer.from(own), saved, "the page kept the same replay");

    // Back in the lobby the game is in no room, and the button goes.
    await waitForText(page, "ESC: lobby");
    await page.keyboard.press("Escape");
    await button.waitFor({ state: "hidden" });
    assert.deepEqual(browser.errors, []);
});

test("over TLS: the page served over https finds the wss:// server and plays a match there", async () => {
    // The test's own authority and certificate; Chromium trusts exactly that key.
    const made = spawn("python3", [path.join(session.ROOT, "tests", "online", "test_certs.py"),
                                   path.join(work, "certs")]);
    let json = "";
    made.stdout.on("data", (chunk) => (json += chunk));
    assert.equal(await new Promise((resolve) => made.on("exit", resolve)), 0);
    const certs = JSON.parse(json);
    const secure = await startGameServer(certs, "secure-replays", ["--log-level", "debug"]);
    const tlsBrowser = await session.launchBrowser({ width: 800, height: 700 }, {},
        ["--ignore-certificate-errors-spki-list=" + certs.spki]);
    try {
        const { page } = tlsBrowser;
        const room = "SECURE";
        const simReplay = path.join(work, "secure-sim.kkr");
        const watcherReplay = path.join(work, "secure-watcher.kkr");
        const trust = ["--ca-file", certs.ca];
        const player = startSim(["--online", secure.ws, "--room", room, "--novice", "--name", "sim",
                                 "--record", simReplay, ...trust]);
        const spectator = startSim(["--online", secure.ws, "--room", room, "--spectate", "--name",
                                    "watcher", "--record", watcherReplay, ...trust]);
        // The page asks the server that served it, which names its wss:// address; the room's
        // link then takes the page there.
        await page.goto(secure.url + "?lang=en").catch((error) => {
            throw new Error(error.message + "\nthe server's log:\n" + secure.log());
        });
        await watchTexts(page);
        await waitForText(page, "N: Play online");
        assert.equal(await page.evaluate(() => window.kokurinOnline.value("served")), secure.ws);
        const link = secure.url + "?lang=en&server=" + encodeURIComponent(secure.ws) + "&room=" +
            room + "&seed=9";
        for (let attempt = 0; ; attempt++) {
            await page.goto(link);
            await watchTexts(page);
            const deadline = Date.now() + 5000;
            while (!player.stderr.includes("seat 0") && Date.now() < deadline) {
                await page.waitForTimeout(100);
            }
            if (player.stderr.includes("seat 0") || attempt === 2) {
                break;
            }
        }
        // The match shows both names; the page's player leaves it, and the native one wins.
        await waitForText(page, "1P sim  2P");
        // The keys go to the game once it has the focus; ESC until the match is over (the
        // first may come before the match takes keys).
        await clickGame(page, 8, 8);
        let over = false;
        const both = Promise.all([player.done, spectator.done]).then((codes) => {
            over = true;
            return codes;
        });
        for (const until = Date.now() + 30000; !over && Date.now() < until;) {
            await page.keyboard.press("Escape");
            await page.waitForTimeout(500);
        }
        let timer;
        const codes = await Promise.race([both, new Promise((resolve) => (timer = setTimeout(resolve, 30000)))]);
        clearTimeout(timer);
        assert.deepEqual(codes, [0, 0], player.stderr + spectator.stderr);
        assert.match(player.stderr, /left, winner 1P/);
        assert.equal(spectator.stdout, player.stdout, "the spectator saw the player's match");
        // A server of its own (TLS): this is its first match.
        const saved = await serverReplay(path.join(work, "secure-replays"), room);
        assert.deepEqual(fs.readFileSync(simReplay), saved);
        assert.deepEqual(fs.readFileSync(watcherReplay), saved);
        await page.waitForFunction(() => window.kokurinReplays.list().length === 1, null, { timeout: 15000 });
        const own = await page.evaluate(() => Array.from(window.kokurinReplays.read(window.kokurinReplays.list()[0])));
        assert.deepEqual(Buffer.from(own), saved, "the page kept the same replay");
        assert.deepEqual(tlsBrowser.errors, []);
    } finally {
        await tlsBrowser.close();
    }
});

test("a page loaded again during its match takes its seat back and plays on", async () => {
    const { page } = browser;
    const room = "RESUME";
    const simReplay = path.join(work, "resume-sim.kkr");
    const player = startSim(["--online", server.ws, "--room", room, "--novice", "--name", "sim",
                             "--record", simReplay]);
    let over = false;
    player.done.then(() => (over = true));
    await joinByLink(page, player, server.url + "?lang=en&server=" + encodeURIComponent(server.ws) +
        "&room=" + room);
    assert.match(player.stderr, /room RESUME, seat 0/);
    await waitForText(page, "1P sim");
    const kept = await page.evaluate(() => JSON.parse(sessionStorage.getItem("kokurin.seat")));
    assert.equal(kept.room, room);
    assert.match(kept.token, /^[1-9][0-9]*$/);

    // Loaded again without the room in its address: only the kept seat can bring it back.
    const before = await page.evaluate(() => window.kokurinReplays.list().length);
    await page.goto(server.url + "?lang=en&server=" + encodeURIComponent(server.ws));
    await watchTexts(page);
    await waitForText(page, "1P sim", 20000);
    const clicked = await playAnExchange(page, () => over, 0);
    await leaveMatch(page, () => over);
    let timer;
    const code = await Promise.race([player.done, new Promise((resolve) => (timer = setTimeout(resolve, 30000)))]);
    clearTimeout(timer);
    assert.equal(code, 0, player.stderr);
    assert.ok(clickedExchangeSeen(clicked, exchangesOf(player.stdout, 1)),
        "after the reload the page's clicks still play: " + JSON.stringify(clicked));
    // The whole match, from its first frame, is the page's replay as it is the server's.
    const saved = await serverReplay(path.join(work, "replays"), room, server.port);
    assert.deepEqual(fs.readFileSync(simReplay), saved);
    await page.waitForFunction((n) => window.kokurinReplays.list().length === n + 1, before, { timeout: 15000 });
    const own = await page.evaluate(() => {
        const names = window.kokurinReplays.list();
        return Array.from(window.kokurinReplays.read(names[names.length - 1]));
    });
    assert.deepEqual(Buffer.from(own), saved, "the page kept the whole match");
    await waitForText(page, "ESC: lobby");
    assert.equal(await page.evaluate(() => sessionStorage.getItem("kokurin.seat")), null,
        "a match over leaves no seat to come back to");
    await page.keyboard.press("Escape");
    assert.deepEqual(browser.errors, []);
});

test("a server that does not answer: the lobby says so, ESC returns to the title", async () => {
    const { page } = browser;
    const port = await closedPort();
    await page.goto(server.url + "?lang=en&server=127.0.0.1:" + port);
    await watchTexts(page);
    await waitForText(page, "Cannot reach the server");
    await page.keyboard.press("Escape");
    await waitForText(page, "N: Play online");
    assert.deepEqual(browser.errors, []);
});

test("on a phone, in Japanese: a room made in the lobby offers its link, and a tap copies it", async () => {
    const phone = await session.launchBrowser({ width: 844, height: 390 }, { isMobile: true, hasTouch: true });
    try {
        await phone.context.grantPermissions(["clipboard-read", "clipboard-write"], {
            origin: "http://127.0.0.1:" + server.port,
        });
        const { page } = phone;
        await page.goto(server.url + "?server=" + encodeURIComponent(server.ws));
        await watchTexts(page);
        await waitForText(page, "ルームを作る");
        // The lobby's second line makes a room; the server picks its code.
        const box = await page.locator("#screen").boundingBox();
        await page.touchscreen.tap(box.x + (100 * box.width) / 640, box.y + (126 * box.height) / 480);
        const button = page.locator("#room-link-copy");
        await button.waitFor({ state: "visible" });
        assert.equal(await button.textContent(), "このルームへのリンクをコピー");
        const link = await page.evaluate(() => window.kokurinOnline.link);
        assert.match(link, new RegExp("^" + server.url + "\\?server=ws%3A%2F%2F127\\.0\\.0\\.1%3A" +
            server.port + "%2F&room=[A-Z0-9]+$"));
        await button.tap();
        await page.waitForFunction(() => document.getElementById("room-link-status").textContent !== "");
        assert.equal(await page.evaluate(() => navigator.clipboard.readText()), link);
        assert.deepEqual(phone.errors, []);
    } finally {
        await phone.close();
    }
});
