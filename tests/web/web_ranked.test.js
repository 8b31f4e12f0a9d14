// The page's ranked views against a small server that serves the web build and the ranked API
// (RankedApi's own answers over a real store, through kokurin_ranked_api_tool, filled with
// players and matches whose replay kokurin-sim recorded): the leaderboard, a player's page with
// the rating's history plotted, a match's link watched in the game to its end, the matches
// filtered by a typed name (which the game does not hear), the live matches' spectating links,
// the texts in English; and a page without the API (another host, or offline) as it always was.
// Then the same over kokurin-server itself, after two ranked matches between kokurin-sim players:
// the leaderboard, a player's plotted history, and a match's replay, streamed by the server,
// watched to its end.
"use strict";

const assert = require("node:assert/strict");
const { execFileSync, spawn } = require("node:child_process");
const fs = require("node:fs");
const http = require("node:http");
const os = require("node:os");
const path = require("node:path");
const readline = require("node:readline");
const { test, before, after } = require("node:test");
const session = require("./browser_session");

const NATIVE = path.join(session.ROOT, "build", "native");
const SIM = process.env.KOKURIN_SIM || path.join(NATIVE, "tools", "sim", "kokurin-sim");
const TOOL =
    process.env.KOKURIN_RANKED_API_TOOL ||
    path.join(NATIVE, "tests", "server_ranked", "kokurin_ranked_api_tool");
const TYPES = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript",
    ".wasm": "application/wasm",
    ".css": "text/css",
    ".png": "image/png",
    ".woff2": "font/woff2",
    ".ttf": "font/ttf",
    ".webmanifest": "application/manifest+json",
};

let work;
let tool;
let server;
let browser;

// The API tool answers one target a line, in order.
function startTool(dir) {
    const child = spawn(TOOL, ["serve", dir], { stdio: ["pipe", "pipe", "inherit"] });
    const waiting = [];
    readline.createInterface({ input: child.stdout }).on("line", (line) => waiting.shift()(JSON.parse(line)));
    return {
        ask: (target) => new Promise((resolve) => {
            waiting.push(resolve);
            child.stdin.write(target + "\n");
        }),
        stop: () => child.kill(),
    };
}

// The web build's files, online.json naming this server, and /api/ through the tool.
function startServer() {
    const web = http.createServer(async (request, response) => {
        const target = request.url;
        if (target.startsWith("/api/")) {
            const answer = await tool.ask(target);
            response.writeHead(answer.status, { "Content-Type": answer.type, "Cache-Control": "no-cache" });
            response.end(answer.file ? fs.readFileSync(answer.file) : answer.body);
            return;
        }
        if (target === "/online.json") {
            response.writeHead(200, { "Content-Type": "application/json" });
            response.end(JSON.stringify({ server: "ws://127.0.0.1:" + web.address().port + "/" }));
            return;
        }
        const file = path.join(session.WEB_DIR, decodeURIComponent(target.split("?")[0]).replace(/^\/$/, "/index.html"));
        if (!file.startsWith(session.WEB_DIR + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
            response.writeHead(404, { "Content-Type": "text/plain" });
            response.end("not found\n");
            return;
        }
        response.writeHead(200, { "Content-Type": TYPES[path.extname(file)] || "application/octet-stream",
                                  "Cache-Control": "no-cache" });
        response.end(fs.readFileSync(file));
    });
    return new Promise((resolve) => web.listen(0, "127.0.0.1", () => resolve({
        url: "http://127.0.0.1:" + web.address().port + "/",
        stop: () => new Promise((done) => web.close(done)),
    })));
}

before(async () => {
    work = fs.mkdtempSync(path.join(os.tmpdir(), "kokurin-web-ranked."));
    const replay = path.join(work, "sim.kkr");
    execFileSync(SIM, ["--seed", "3", "--opponent", "6", "--max-polls", "900", "--record", replay], {
        timeout: 30000,
    });
    execFileSync(TOOL, ["fill", path.join(work, "store"), replay], { timeout: 30000 });
    tool = startTool(path.join(work, "store"));
    server = await startServer();
    browser = await session.launchBrowser({ width: 900, height: 800 });
});

after(async () => {
    if (browser) {
        await browser.close();
    }
    if (server) {
        await server.stop();
    }
    if (tool) {
        tool.stop();
    }
    fs.rmSync(work, { recursive: true, force: true });
});

function viewShown(page, view) {
    return page.waitForSelector("#ranked-view[data-view='" + view + "']", { timeout: 20000 });
}

test("the leaderboard leads to a player's plotted history, and a match's link plays its replay to the end", async () => {
    const { page } = browser;
    await page.goto(server.url + "index.html?seed=77#/leaderboard");
    await viewShown(page, "leaderboard");
    const rows = await page.$$eval("#ranked-view tr", (trs) => trs.slice(1).map((tr) => tr.cells[1].textContent));
    assert.equal(rows.length, 4, rows.join(", "));
    assert.equal(rows[0], "Ann");
    // A name that looks like markup is shown as its letters.
    assert.ok(rows.includes("<b>bold</b>"), rows.join(", "));
    assert.equal(await page.$$eval("#ranked-view b", (nodes) => nodes.length), 0);
    // The game under the views draws its title as ever.
    await session.waitForScreen(page, "title", 0);

    await page.click("#ranked-view a[href='#/player/Ann']");
    await viewShown(page, "player");
    assert.equal(await page.evaluate(() => window.location.hash), "#/player/Ann");
    const points = await page.$eval("#ranked-view .ranked-line", (line) => line.getAttribute("points").split(" "));
    assert.equal(points.length, 7, "one point for each of Ann's rated matches");
    const ys = points.map((p) => Number(p.split(",")[1]));
    assert.ok(new Set(ys).size > 1, "the line follows the rating");
    const opponents = await page.$$eval("#ranked-view table:last-of-type tr", (trs) =>
        trs.slice(1).map((tr) => Array.from(tr.cells, (c) => c.textContent)));
    assert.deepEqual(opponents.find((row) => row[0] === "Bob"), ["Bob", "3", "2", "1", "67%"]);

    // A match's link: the page starts again at it and the game watches that replay first.
    const watch = await page.$eval("#ranked-view a.ranked-watch", (a) => a.getAttribute("href"));
    assert.match(watch, /^#\/match\/[0-9]+$/);
    await Promise.all([page.waitForEvent("load"), page.click("#ranked-view a.ranked-watch")]);
    assert.equal(await page.evaluate(() => window.location.hash), watch);
    await session.waitForFrames(page, 10);
    for (let i = 0; i < 3; i++) {
        await session.waitForFrames(page, (await session.frames(page)) + 3);
        await page.keyboard.press("ArrowUp");
    }
    await page.waitForFunction(() => window.kokurinReplays.lastWatched !== null, null, { timeout: 60000 });
    const watched = await page.evaluate(() => window.kokurinReplays.lastWatched);
    assert.equal(watched.ok, true, watched.text);
    await viewShown(page, "match");
    // Then the game goes on to its title.
    await session.waitForScreen(page, "title", 0, 30000);
    assert.deepEqual(browser.errors, []);
});

test("matches by a typed name the game does not hear, spectating links, and English", async () => {
    const { page } = browser;
    await page.goto(server.url + "index.html?seed=78#/matches");
    await viewShown(page, "matches");
    await session.waitForScreen(page, "title", 0);
    // S in the field is the name's, not the game's (which would move the title's choice).
    await page.focus("#ranked-view input[name=player]");
    await page.keyboard.type("zoë $&");
    await page.keyboard.press("s");
    await page.keyboard.press("Backspace");
    await page.keyboard.press("Enter");
    await page.waitForFunction(() => window.location.hash === "#/matches?player=zo%C3%AB%20%24%26");
    await viewShown(page, "matches");
    const rows = await page.$$eval("#ranked-view tr", (trs) =>
        trs.slice(1).map((tr) => Array.from(tr.cells, (cell) => cell.textContent)));
    assert.equal(rows.length, 3);
    assert.ok(rows.every((row) => (row[1] + row[2]).includes("Zoë $&")), rows.join("; "));
    // The name is put in its text as it is ("$&" is no pattern).
    assert.ok(rows.some((row) => row[3] === "Zoë $& の勝ち"), rows.join("; "));
    await session.waitForScreen(page, "title", 0);

    await page.goto(server.url + "index.html?seed=78&lang=en#/live");
    await viewShown(page, "live");
    assert.equal(await page.textContent("#ranked-links a[href='#/leaderboard']"), "Leaderboard");
    assert.equal(await page.textContent("#ranked-view h2"), "Playing now");
    const links = await page.$$eval("#ranked-view a.ranked-spectate", (as) => as.map((a) => a.href));
    assert.equal(links.length, 2);
    const spectate = new URL(links[0]);
    assert.equal(spectate.searchParams.get("server"), server.url.replace("http:", "ws:"));
    assert.equal(spectate.searchParams.get("watch"), "LIVE1");
    assert.equal(spectate.searchParams.get("lang"), "en");
    assert.deepEqual(browser.errors, []);
});

test("without the API (another host, or offline) the page is as it always was", async () => {
    const plain = await session.startServer();
    try {
        const { page } = browser;
        await page.goto(plain.url + "index.html?seed=77#/leaderboard");
        await session.waitForScreen(page, "title", 0);
        await page.waitForFunction(() => window.kokurinRanked.probed === true);
        assert.equal(await page.isHidden("#ranked"), true);
    } finally {
        await plain.stop();
    }
    // The ranked server's page offline, from the copy its service worker keeps: the game, and
    // no view, since the API is never answered from that copy.
    const { page } = browser;
    await page.goto(server.url + "index.html?seed=79");
    await session.waitForScreen(page, "title", 0);
    // Active once it has kept the build's files; the next visit is its.
    await page.evaluate(async () => {
        await navigator.serviceWorker.ready;
    });
    await browser.context.setOffline(true);
    try {
        await page.goto(server.url + "index.html?seed=80#/leaderboard");
        await session.waitForScreen(page, "title", 0);
        await page.waitForFunction(() => window.kokurinRanked.probed === true);
        assert.equal(await page.isHidden("#ranked"), true);
        assert.equal(await page.evaluate(() => fetch("api/live").then(() => "answered", () => "failed")), "failed");
    } finally {
        await browser.context.setOffline(false);
    }
});

// ---- The same views over a real kokurin-server, after ranked matches between kokurin-sim players ----

const SERVER =
    process.env.KOKURIN_SERVER || path.join(NATIVE, "src", "server", "kokurin-server");

function startGameServer(replays) {
    return new Promise((resolve, reject) => {
        const child = spawn(SERVER, ["--port", "0", "--host", "127.0.0.1", "--web", session.WEB_DIR,
                                     "--replays", replays], { stdio: ["ignore", "pipe", "pipe"] });
        const timer = setTimeout(() => reject(new Error("kokurin-server did not start")), 10000);
        let output = "";
        child.log = "";
        child.stderr.on("data", (chunk) => (child.log += chunk));
        child.stdout.on("data", (chunk) => {
            output += chunk;
            const found = /listening on port (\d+)/.exec(output);
            if (found) {
                clearTimeout(timer);
                resolve({ child, port: Number(found[1]), url: "http://127.0.0.1:" + found[1] + "/" });
            }
        });
        child.on("exit", (code) => reject(new Error("kokurin-server exited with " + code)));
    });
}

// A ranked kokurin-sim as NAME (its key in work/NAME.key); done resolves with its exit code.
function rankedSim(port, name, extra = []) {
    const child = spawn(SIM, ["--online", "ws://127.0.0.1:" + port + "/", "--ranked", "--name", name,
                              "--key-file", path.join(work, name + ".key"), ...extra],
                        { stdio: ["ignore", "ignore", "pipe"] });
    const run = { child, stderr: "" };
    child.stderr.on("data", (chunk) => (run.stderr += chunk));
    run.done = new Promise((resolve) => child.on("exit", (code) => resolve(code)));
    return run;
}

// Two players, one leaving after 11.7 s: a rated match.
async function rankedMatch(port, leaver, stayer) {
    const keys = path.join(work, "leave.keys");
    fs.writeFileSync(keys, "700 1\n");
    const sims = [rankedSim(port, leaver, ["--keys", keys]), rankedSim(port, stayer)];
    let timer;
    const codes = await Promise.race([
        Promise.all(sims.map((s) => s.done)),
        new Promise((resolve) => (timer = setTimeout(() => resolve("timeout"), 90000))),
    ]);
    clearTimeout(timer);
    sims.forEach((s) => s.child.kill());
    assert.deepEqual(codes, [0, 0], sims[0].stderr + sims[1].stderr);
    assert.match(sims[1].stderr, /ranked match rated/);
}

test("on kokurin-server after two ranked matches: the leaderboard, a player's plotted history and a match watched to its end", async () => {
    const real = await startGameServer(path.join(work, "live-replays"));
    try {
        await rankedMatch(real.port, "ann", "bob");
        await rankedMatch(real.port, "cy", "ann");
        const { page } = browser;
        await page.goto(real.url + "index.html?seed=81#/leaderboard");
        await viewShown(page, "leaderboard");
        const rows = await page.$$eval("#ranked-view tr", (trs) => trs.slice(1).map((tr) => tr.cells[1].textContent));
        assert.deepEqual(rows.slice().sort(), ["ann", "bob", "cy"]);
        await session.waitForScreen(page, "title", 0);

        await page.click("#ranked-view a[href='#/player/ann']");
        await viewShown(page, "player");
        const points = await page.$eval("#ranked-view .ranked-line", (line) => line.getAttribute("points").split(" "));
        assert.equal(points.length, 2, "one point for each of ann's rated matches");
        assert.notEqual(points[0].split(",")[1], points[1].split(",")[1], "she lost, then won");

        // Her first match: the page starts again at its link and the game watches the replay the
        // server streams.
        const watch = await page.$$eval("#ranked-view a.ranked-watch", (as) => as.map((a) => a.getAttribute("href")));
        assert.equal(watch.length, 2);
        const first = watch[watch.length - 1];
        await Promise.all([page.waitForEvent("load"), page.click("#ranked-view a.ranked-watch[href='" + first + "']")]);
        assert.equal(await page.evaluate(() => window.location.hash), first);
        await session.waitForFrames(page, 10);
        for (let i = 0; i < 3; i++) {
            await session.waitForFrames(page, (await session.frames(page)) + 3);
            await page.keyboard.press("ArrowUp");
        }
        await page.waitForFunction(() => window.kokurinReplays.lastWatched !== null, null, { timeout: 90000 });
        const watched = await page.evaluate(() => window.kokurinReplays.lastWatched);
        assert.equal(watched.ok, true, watched.text);
        await viewShown(page, "match");
        await session.waitForScreen(page, "title", 0, 30000);
        assert.deepEqual(browser.errors, []);
    } finally {
        real.child.kill();
    }
});
