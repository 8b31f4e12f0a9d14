// The game in headless Chromium, played with keys as a player plays it and judged by the
// canvas's pixels with the same screen checks as the Windows build, and by what kokurin-sim's
// rules give for the same seed.
"use strict";

const assert = require("node:assert/strict");
const { execFileSync } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { test, before, after } = require("node:test");
const session = require("./browser_session");

const SEED = 1234;
const SIM =
    process.env.KOKURIN_SIM || path.join(session.ROOT, "build", "native", "tools", "sim", "kokurin-sim");

// kokurin-sim's first board and first hint for the seed, against entry 1 with H at poll 30.
function simulatedStart(seed) {
    const keys = path.join(os.tmpdir(), "kokurin-hint-" + process.pid + ".keys");
    fs.writeFileSync(keys, "30 35\n");
    try {
        const out = execFileSync(
            SIM,
            ["--seed", String(seed), "--opponent", "1", "--keys", keys, "--max-polls", "60"],
            { timeout: 30000, encoding: "utf8" }
        );
        const events = out.trim().split("\n").map((line) => JSON.parse(line));
        return {
            board: events.find((e) => e.ev === "start").board,
            hint: events.find((e) => e.ev === "hint").text,
        };
    } finally {
        fs.rmSync(keys, { force: true });
    }
}

let server;
let browser;

before(async () => {
    server = await session.startServer();
    browser = await session.launchBrowser({ width: 800, height: 400 });
});

after(async () => {
    if (browser) {
        await browser.close();
    }
    if (server) {
        await server.stop();
    }
});

async function timerBytes(page) {
    const frame = await session.readCanvas(page);
    const rows = [];
    for (let y = 22; y < 46; y++) {
        rows.push(frame.subarray((y * 640 + 276) * 3, (y * 640 + 393) * 3));
    }
    return Buffer.concat(rows);
}

test("the page: title, font before the first frame, portraits after it, keys line, crisp whole-number scaling", async () => {
    const { page } = browser;
    await page.goto(server.url + "index.html?seed=" + SEED);
    await session.waitForFrames(page, 3);
    assert.equal(await page.title(), "剋輪闘");
    // The shown portrait first, then the others in the background.
    await page.waitForFunction(() => window.kokurinPage.pictures.size === 15, null, { timeout: 10000 });
    const loaded = await page.evaluate(() => ({
        font: window.kokurinPage.fontAdded,
        pictures: window.kokurinPage.pictures.size,
        keys: document.getElementById("keys").textContent,
        rendering: getComputedStyle(document.getElementById("screen")).imageRendering,
        background: getComputedStyle(document.body).backgroundColor,
    }));
    assert.equal(loaded.font, true, "the game's font is registered");
    assert.equal(loaded.pictures, 15, "every portrait has arrived");
    assert.match(loaded.keys, /WASD.*SPACE.*矢印.*ENTER/);
    assert.equal(loaded.rendering, "pixelated");
    assert.equal(loaded.background, "rgb(0, 0, 0)");

    await session.waitForScreen(page, "title", 0);
    // W and S move the selection, wrapping at both ends.
    for (const [key, selected] of [["KeyS", 1], ["KeyW", 0], ["KeyW", 15], ["KeyS", 0]]) {
        await page.keyboard.press(key);
        await session.waitForScreen(page, "title", selected);
    }

    // The page is taller than the window here, but SPACE's and the arrows' scrolling is the
    // game's: the page stays put. (The arrows do nothing on the title screen.)
    const scrollable = await page.evaluate(
        () => document.scrollingElement.scrollHeight > window.innerHeight
    );
    assert.ok(scrollable, "the page can scroll at this window size");
    await page.keyboard.press("ArrowDown");
    await page.keyboard.press("ArrowDown");
    assert.equal(await page.evaluate(() => window.scrollY), 0);

    // Whole-number scaling to the window.
    for (const [width, height, scale] of [[1400, 1100, 2], [700, 540, 1], [2000, 1600, 3]]) {
        await page.setViewportSize({ width, height });
        await page.waitForFunction(
            (w) => document.getElementById("screen").style.width === w + "px",
            640 * scale,
            { timeout: 5000 }
        );
        const box = await page.locator("#screen").boundingBox();
        assert.equal(box.height, 480 * scale);
    }
    await page.setViewportSize({ width: 800, height: 400 });
});

test("a match against entry 1: the seed's board, both bars, the hint box, a hidden tab, ESC back and ESC to the end", async () => {
    const { page } = browser;
    const expected = simulatedStart(SEED);
    await page.goto(server.url + "index.html?seed=" + SEED);
    await session.waitForScreen(page, "title", 0);
    await page.keyboard.press("KeyS");
    await session.waitForScreen(page, "title", 1);
    // The first key started Web Audio, the game's sounds were made at start-up, and entry 1's
    // tone (slot 21) has a voice playing; M silences it all and M brings it back.
    const sound = () =>
        page.evaluate(() => {
            const a = window.kokurinPage.audio;
            return {
                state: a.context && a.context.state,
                loaded: a.slots.filter((slot) => slot).length,
                rosterVoices: a.slots[21] ? a.slots[21].voices.length : 0,
                gain: a.master ? a.master.gain.value : null,
            };
        });
    await page.waitForFunction(() => {
        const a = window.kokurinPage.audio;
        return a.context && a.context.state === "running" && a.slots[21] && a.slots[21].voices.length > 0;
    }, null, { timeout: 10000 });
    const heard = await sound();
    assert.ok(heard.loaded >= 80, "the sounds are loaded (" + heard.loaded + " slots)");
    assert.equal(heard.gain, 1);
    await page.keyboard.press("KeyM");
    await page.waitForFunction(() => window.kokurinPage.audio.master.gain.value === 0, null, { timeout: 5000 });
    await page.keyboard.press("KeyM");
    await page.waitForFunction(() => window.kokurinPage.audio.master.gain.value === 1, null, { timeout: 5000 });
    await page.keyboard.press("Space");
    const match = await session.waitForScreen(page, "match", 1);
    assert.equal(match.board, expected.board, "the board is the one the seed gives");
    assert.deepEqual(match.marks, { "0,0": "orange" }, "the cursor starts top left");

    // The hint box: the rules' best exchange; the game waits while it is open.
    await page.keyboard.press("KeyH");
    const box = page.locator("#hint-box");
    await box.waitFor({ state: "visible", timeout: 10000 });
    assert.equal(await page.locator("#hint-text").textContent(), expected.hint);
    const framesWithBox = await session.frames(page);
    await page.waitForTimeout(300);
    assert.equal(await session.frames(page), framesWithBox, "no frame while the box is open");
    for (const closing of ["Enter", "Space", "Escape"]) {
        if (!(await box.isVisible())) {
            await page.keyboard.press("KeyH");
            await box.waitFor({ state: "visible", timeout: 10000 });
        }
        await page.keyboard.press(closing);
        await box.waitFor({ state: "hidden", timeout: 5000 });
        // H held over the box would read as held on, not pressed anew: let a frame pass.
        await session.waitForFrames(page, (await session.frames(page)) + 2);
    }
    // The closing keys stayed in the box: still player 1's turn, nothing selected.
    const after = await session.waitForScreen(page, "match", 1);
    assert.deepEqual(after.marks, { "0,0": "orange" });

    // A hidden tab waits where it is, and goes on when shown again.
    await page.evaluate(() => {
        Object.defineProperty(document, "hidden", { configurable: true, get: () => true });
    });
    await page.waitForTimeout(200);
    const pausedAt = await session.frames(page);
    const pausedTimer = await timerBytes(page);
    await page.waitForTimeout(600);
    assert.ok((await session.frames(page)) <= pausedAt + 1, "no frames while hidden");
    assert.ok(pausedTimer.equals(await timerBytes(page)), "the timer stands while hidden");
    await page.evaluate(() => {
        delete document.hidden;
    });
    await session.waitForFrames(page, pausedAt + 20);
    await session.waitForScreen(page, "match", 1);

    // ESC returns to the title with the same entry, ESC there ends the game. On a slow machine
    // player 1's five seconds may have run out by now: ESC in the computer's turn or in the
    // clash ends only that step, so it is pressed again until a human turn takes it.
    for (let attempt = 1; ; ++attempt) {
        await page.keyboard.press("Escape");
        try {
            await session.waitForScreen(page, "title", 1, 3000);
            break;
        } catch (error) {
            if (attempt === 10) {
                throw error;
            }
        }
    }
    await page.keyboard.press("Escape");
    await page.locator("#ended").waitFor({ state: "visible", timeout: 10000 });
    assert.match(await page.locator("#ended").textContent(), /ゲームは終了しました/);
    assert.equal(await page.locator("#screen").isVisible(), false);

    // The button starts the game again from the title screen, on the entry last played.
    await page.locator("#restart").click();
    await session.waitForScreen(page, "title", 1);
    assert.deepEqual(browser.errors, [], "no script errors");
});

test("a whole match: player 1 never moves, クイルマーシュ wins, SPACE goes back to the title", async () => {
    const { page } = browser;
    // The title starts on the entry last played: forget the one the test before chose.
    await page.evaluate(() => window.localStorage.removeItem("kokurin.settings"));
    await page.goto(server.url + "index.html?seed=" + SEED);
    await session.waitForScreen(page, "title", 0);
    await page.keyboard.press("KeyW");
    await session.waitForScreen(page, "title", 15);
    await page.keyboard.press("KeyW");
    await session.waitForScreen(page, "title", 14);
    await page.keyboard.press("Space");
    await session.waitForScreen(page, "match", 14);
    // Every turn of player 1 runs out; the computer's stock strikes it down.
    await session.waitForScreen(page, "winner", 14, 200000, 1000);
    await page.waitForTimeout(500);
    await session.waitForScreen(page, "winner", 14, 1000);
    await page.keyboard.press("Space");
    await session.waitForScreen(page, "title", 14);
    assert.deepEqual(browser.errors, [], "no script errors");
});
