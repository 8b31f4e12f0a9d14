// The page on a phone (Chromium's device emulation) and in other window shapes and languages:
// the whole game in view, a two-human turn played by tapping cells and judged by what
// kokurin-sim's rules give for the same taps, the touch buttons, whole-number scaling where it
// fits, and the page's texts in the browser's language.
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
const PHONE = { isMobile: true, hasTouch: true };

// The centre of a board cell on the 640 x 480 screen (48-pixel cells from (176, 96)).
function cellCentre(cell) {
    return { x: 176 + 48 * (cell % 6) + 24, y: 96 + 48 * Math.floor(cell / 6) + 24 };
}

// kokurin-sim's two-human match for the seed with presses on the cells: its first board and
// the board once the first move has settled.
function simulatedTaps(seed, cells) {
    const keys = path.join(os.tmpdir(), "kokurin-taps-" + process.pid + ".keys");
    fs.writeFileSync(keys, cells.map((cell, i) => {
        const at = cellCentre(cell);
        return 5 * (i + 1) + " @" + at.x + "," + at.y + "\n";
    }).join(""));
    try {
        const out = execFileSync(
            SIM,
            ["--seed", String(seed), "--opponent", "0", "--keys", keys, "--max-polls", "400"],
            { timeout: 30000, encoding: "utf8" }
        );
        const events = out.trim().split("\n").map((line) => JSON.parse(line));
        return {
            start: events.find((e) => e.ev === "start").board,
            move: events.find((e) => e.ev === "move"),
            settled: events.find((e) => e.ev === "settled").board,
        };
    } finally {
        fs.rmSync(keys, { force: true });
    }
}

// A tap at a point of the game's 640 x 480 screen, wherever the page has put the canvas.
async function tapGame(page, x, y) {
    const box = await page.locator("#screen").boundingBox();
    await page.touchscreen.tap(box.x + ((x + 0.5) * box.width) / 640, box.y + ((y + 0.5) * box.height) / 480);
}

// Reads the match screen until what it shows passes the test.
async function waitForMatch(page, passes, what, timeoutMs = 15000) {
    const deadline = Date.now() + timeoutMs;
    for (;;) {
        const seen = session.checkScreen(await session.readCanvas(page), "match", 0);
        if (passes(seen)) {
            return seen;
        }
        assert.ok(Date.now() < deadline, what + " not seen: " + JSON.stringify(seen));
        await page.waitForTimeout(100);
    }
}

// The mean of the canvas's bytes: the help labels' dimmer lowers it.
async function brightness(page) {
    const frame = await session.readCanvas(page);
    let sum = 0;
    for (const byte of frame) {
        sum += byte;
    }
    return sum / frame.length;
}

let server;

before(async () => {
    server = await session.startServer();
});

after(async () => {
    if (server) {
        await server.stop();
    }
});

test("a phone: the whole game in view, tapped cells exchanged, the touch buttons", async () => {
    // Two cells side by side that hold different elements, so that exchanging them shows.
    const first = simulatedTaps(SEED, []).start;
    const left = [...Array(36).keys()].find((i) => i % 6 < 5 && first[i] !== first[i + 1]);
    const expected = simulatedTaps(SEED, [left, left + 1]);
    assert.deepEqual(expected.move.swap, [left, left + 1], "the simulated taps made the exchange");

    const browser = await session.launchBrowser({ width: 390, height: 844 }, PHONE);
    try {
        const { page } = browser;
        await page.goto(server.url + "index.html?seed=" + SEED);
        await session.waitForScreen(page, "title", 0);
        const shown = await page.evaluate(() => {
            const box = (id) => document.getElementById(id).getBoundingClientRect();
            return {
                canvas: box("screen").toJSON(),
                buttons: box("touch-buttons").toJSON(),
                keysShown: document.getElementById("keys").offsetParent !== null,
                touchAction: getComputedStyle(document.getElementById("screen")).touchAction,
                width: document.documentElement.clientWidth,
                height: document.documentElement.clientHeight,
            };
        });
        assert.equal(shown.width, 390, "the page is not wider than the phone");
        for (const box of [shown.canvas, shown.buttons]) {
            assert.ok(box.left >= 0 && box.top >= 0 && box.right <= 390 && box.bottom <= 844,
                JSON.stringify(box) + " lies in the window");
        }
        assert.ok(shown.canvas.width >= 389, "the game is as wide as the phone: " + shown.canvas.width);
        assert.ok(shown.buttons.height > 0, "the touch buttons are shown");
        assert.equal(shown.keysShown, false, "no key line on a touch screen");
        assert.equal(shown.touchAction, "none");

        // Entry 0 (2P) is selected: tapping it starts the two-human match.
        await tapGame(page, 140, 40);
        const match = await session.waitForScreen(page, "match", 0);
        assert.equal(match.board, expected.start);
        const a = cellCentre(left);
        await tapGame(page, a.x, a.y);
        const mark = (left % 6) + "," + Math.floor(left / 6);
        await waitForMatch(page, (seen) => seen.marks[mark] === "blue", "the tapped cell selected");
        const b = cellCentre(left + 1);
        await tapGame(page, b.x, b.y);
        await waitForMatch(page, (seen) => seen.board === expected.settled,
            "the board kokurin-sim settles on (" + expected.settled + ", from " + expected.start + ")");

        // Sound: a tap started Web Audio; the button is M.
        const gain = () => page.evaluate(() => window.kokurinPage.audio.master.gain.value);
        const soundButton = page.locator("#touch-buttons button[data-key='50']");
        await soundButton.tap();
        await page.waitForFunction(() => window.kokurinPage.audio.master.gain.value === 0, null, { timeout: 5000 });
        await soundButton.tap();
        await page.waitForFunction(() => window.kokurinPage.audio.master.gain.value === 1, null, { timeout: 5000 });
        assert.equal(await gain(), 1);

        // ESC leaves the match (a clash or the computer's step may take the first press).
        const back = page.locator("#touch-buttons button[data-key='1']");
        for (let attempt = 1; ; ++attempt) {
            await back.tap();
            try {
                await session.waitForScreen(page, "title", 0, 3000);
                break;
            } catch (error) {
                if (attempt === 10) {
                    throw error;
                }
            }
        }

        // Help stays on until pressed again: the labels dim the title screen while it is on.
        const plain = await brightness(page);
        const help = page.locator("#help-button");
        await help.tap();
        assert.equal(await help.getAttribute("aria-pressed"), "true");
        await page.waitForFunction(() => window.kokurinPage.frames > 0);
        let dimmed = plain;
        for (let i = 0; i < 50 && dimmed > plain * 0.8; i++) {
            await page.waitForTimeout(100);
            dimmed = await brightness(page);
        }
        assert.ok(dimmed < plain * 0.8, "help dims the screen: " + dimmed + " against " + plain);
        await page.waitForTimeout(300);
        assert.ok((await brightness(page)) < plain * 0.8, "and stays on without being held");
        await help.tap();
        assert.equal(await help.getAttribute("aria-pressed"), "false");
        await session.waitForScreen(page, "title", 0);

        // ESC on the title ends the game; the page says so in Japanese.
        await back.tap();
        await page.locator("#ended").waitFor({ state: "visible", timeout: 10000 });
        assert.match(await page.locator("#ended-text").textContent(), /ゲームは終了しました/);
        assert.deepEqual(browser.errors, [], "no script errors");
    } finally {
        await browser.close();
    }
});

test("window shapes: 2x in 1920 x 960, the largest fit on a phone held sideways; a mouse click is a pick", async () => {
    const browser = await session.launchBrowser({ width: 1920, height: 960 });
    try {
        const { page } = browser;
        await page.goto(server.url + "index.html?seed=" + SEED);
        await session.waitForScreen(page, "title", 0);
        let box = await page.locator("#screen").boundingBox();
        assert.deepEqual([box.width, box.height], [1280, 960], "whole-number 2x");
        assert.ok(box.x >= 0 && box.x + box.width <= 1920 && box.y >= 0 && box.y + box.height <= 960);
        // A click on the third roster entry selects it, at 2x as at 1x.
        await page.mouse.click(box.x + 140 * 2, box.y + (32 + 16 * 2 + 8) * 2);
        await session.waitForScreen(page, "title", 2);

        await page.setViewportSize({ width: 844, height: 390 });
        await page.waitForFunction(() => document.getElementById("screen").style.height === "390px", null,
            { timeout: 5000 });
        box = await page.locator("#screen").boundingBox();
        assert.deepEqual([box.width, box.height], [520, 390], "as large as the height allows");
        assert.ok(box.x >= 0 && box.x + box.width <= 844, "the key line beside it leaves it whole");
        // Off the picture (left of the canvas) is no pick; on it, after scaling, is.
        await page.mouse.click(box.x - 4, box.y + (32 + 16 * 5 + 8) * 390 / 480);
        await page.mouse.click(box.x + 140 * 520 / 640, box.y + (32 + 16 * 4 + 8) * 390 / 480);
        await session.waitForScreen(page, "title", 4);
        assert.deepEqual(browser.errors, [], "no script errors");
    } finally {
        await browser.close();
    }
});

// The key line under the canvas names the keys the settings bound, as the game's texts do.
test("the key line names the keys bound in the settings", async () => {
    const browser = await session.launchBrowser({ width: 800, height: 600 });
    try {
        const { page } = browser;
        await page.addInitScript(() => {
            window.localStorage.setItem("kokurin.settings",
                "1p_select = J\n2p_up = I\n2p_left = U\n2p_down = K\n2p_right = L\n2p_select = RSHIFT\n");
        });
        await page.goto(server.url + "index.html?seed=" + SEED);
        await session.waitForFrames(page, 3);
        await page.waitForFunction(() => document.getElementById("keys").textContent.includes("Jで決定"),
            null, { timeout: 5000 });
        assert.equal(await page.locator("#keys").textContent(),
            "1P操作： WASDで移動 Jで決定　2P操作： IUKLで移動 RSHIFTで決定　H：ヒント　ESC：もどる／おわる");
        assert.deepEqual(browser.errors, [], "no script errors");
    } finally {
        await browser.close();
    }
});

// The page's texts: the browser's language unless ?lang= or the settings say otherwise.
for (const [locale, query, language, restart, keys] of [
    ["en-US", "", "en", "Play again", /^1P: WASD to move/],
    ["ja", "", "ja", "もう一度はじめる", /^1P操作/],
    ["en-US", "&lang=ja", "ja", "もう一度はじめる", /^1P操作/],
]) {
    test("navigator.language " + locale + (query ? " with " + query.slice(1) : "") + ": the page in " + language, async () => {
        const browser = await session.launchBrowser({ width: 800, height: 600 }, { locale });
        try {
            const { page } = browser;
            await page.goto(server.url + "index.html?seed=" + SEED + query);
            await session.waitForFrames(page, 3);
            await page.waitForFunction((code) => document.documentElement.lang === code, language,
                { timeout: 5000 });
            assert.equal(await page.locator("#restart").textContent(), restart);
            assert.match(await page.locator("#keys").textContent(), keys);
            // The tab's title is the game's name in the page's language.
            assert.equal(await page.title(), language === "ja" ? "剋輪闘" : "Kokurin");
            if (language === "ja") {
                // The game chose Japanese too: the title screen's checks read its texts.
                await session.waitForScreen(page, "title", 0);
            } else {
                // The page follows the game: Japanese chosen in the settings (O, the sixth
                // row, D) turns the page Japanese.
                for (const key of ["KeyO", "KeyS", "KeyS", "KeyS", "KeyS", "KeyS", "KeyD"]) {
                    await page.keyboard.press(key);
                    await session.waitForFrames(page, (await session.frames(page)) + 3);
                }
                await page.waitForFunction(() => document.documentElement.lang === "ja", null,
                    { timeout: 5000 });
                assert.equal(await page.locator("#restart").textContent(), "もう一度はじめる");
                assert.equal(await page.title(), "剋輪闘");
            }
            assert.deepEqual(browser.errors, [], "no script errors");
        } finally {
            await browser.close();
        }
    });
}
