// Replays in the browser: a replay kokurin-sim recorded is watched in the page to its end with
// every hash agreeing, and a match played in the page is saved in its storage, offered for
// download and played by kokurin-sim to the same end.
"use strict";

const assert = require("node:assert/strict");
const { execFileSync } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { test, before, after } = require("node:test");
const session = require("./browser_session");

const SIM =
    process.env.KOKURIN_SIM || path.join(session.ROOT, "build", "native", "tools", "sim", "kokurin-sim");

let server;
let browser;
let work;

before(async () => {
    work = fs.mkdtempSync(path.join(os.tmpdir(), "kokurin-web-replay."));
    server = await session.startServer();
    browser = await session.launchBrowser({ width: 800, height: 700 });
});

after(async () => {
    if (browser) {
        await browser.close();
    }
    if (server) {
        await server.stop();
    }
    fs.rmSync(work, { recursive: true, force: true });
});

test("a kokurin-sim replay watched in the page; the page's own match played by kokurin-sim", async () => {
    const { page } = browser;
    const recorded = path.join(work, "sim.kkr");
    execFileSync(SIM, ["--seed", "3", "--opponent", "6", "--max-polls", "900", "--record", recorded], {
        timeout: 30000,
    });
    // A player with no settings yet and one replay in the page's storage.
    await page.goto(server.url + "index.html?seed=77");
    await page.evaluate((b64) => {
        window.localStorage.clear();
        window.localStorage.setItem("kokurin.replay.20260101-000000-000.kkr", b64);
    }, fs.readFileSync(recorded).toString("base64"));
    await page.reload();
    await session.waitForScreen(page, "title", 0);

    // R opens the list (one replay), SPACE watches it, UP three times plays it 8 times as fast.
    await page.keyboard.press("KeyR");
    await session.waitForFrames(page, (await session.frames(page)) + 10);
    await page.keyboard.press("Space");
    for (let i = 0; i < 3; i++) {
        await session.waitForFrames(page, (await session.frames(page)) + 3);
        await page.keyboard.press("ArrowUp");
    }
    await page.waitForFunction(() => window.kokurinReplays.lastWatched !== null, null, {
        timeout: 60000,
    });
    const watched = await page.evaluate(() => window.kokurinReplays.lastWatched);
    assert.equal(watched.ok, true, watched.text);

    // Back on the title: a match against entry 1, left with ESC after a second, is saved.
    await page.keyboard.press("Escape");
    await session.waitForScreen(page, "title", 0);
    await page.keyboard.press("KeyS");
    await session.waitForScreen(page, "title", 1);
    await page.keyboard.press("Space");
    await session.waitForFrames(page, (await session.frames(page)) + 60);
    await page.keyboard.press("Escape");
    await session.waitForScreen(page, "title", 1);
    const saved = await page.evaluate(() => window.kokurinReplays.list());
    assert.equal(saved.length, 2, "the page's match was saved beside the opened one");
    const own = saved.find((name) => !name.startsWith("20260101"));

    // The list on the page offers it for download, byte for byte.
    await page.locator("#replays summary").click();
    const [download] = await Promise.all([
        page.waitForEvent("download"),
        page.locator("#replay-list a", { hasText: own }).click(),
    ]);
    const file = path.join(work, own);
    await download.saveAs(file);
    const stored = await page.evaluate((name) => Array.from(window.kokurinReplays.read(name)), own);
    assert.deepEqual([...fs.readFileSync(file)], stored);

    const transcript = execFileSync(SIM, ["--replay", file], { timeout: 30000, encoding: "utf8" });
    const end = JSON.parse(transcript.trim().split("\n").pop());
    assert.equal(end.reason, "escape");
    assert.equal(JSON.parse(transcript.split("\n")[0]).opponent, 1);
});
