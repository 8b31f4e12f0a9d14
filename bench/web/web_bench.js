// Benchmark of the web build in headless Chromium (not a test: it only measures and prints):
// frames per second and script time per frame on the title and match screens, what ASYNCIFY's
// unwinding and rewinding take of it, the main thread's busy time per frame, and the bytes the
// page downloads. Run by bench/web/run-web-bench.sh after the web build.
"use strict";

const session = require("../../tests/web/browser_session");

const SECONDS = Number(process.env.KOKURIN_BENCH_SECONDS || 5);

// Wraps the four ASYNCIFY entry points: a frame's script runs from the rewind's start (the
// timer woke the game) to the unwind's end (the game yields again).
function instrument() {
    const t = { work: 0, unwind: 0, rewind: 0, frames: 0, longest: 0 };
    let unwindStart = 0;
    let rewindStart = 0;
    let wake = null;
    const wrap = (name, around) => {
        const original = Module[name];
        Module[name] = function () {
            return around(original, arguments);
        };
    };
    wrap("_asyncify_start_unwind", (f, a) => {
        unwindStart = performance.now();
        return f.apply(null, a);
    });
    wrap("_asyncify_stop_unwind", (f, a) => {
        const result = f.apply(null, a);
        const now = performance.now();
        t.unwind += now - unwindStart;
        if (wake !== null) {
            t.work += now - wake;
            t.longest = Math.max(t.longest, now - wake);
            t.frames++;
        }
        return result;
    });
    wrap("_asyncify_start_rewind", (f, a) => {
        wake = rewindStart = performance.now();
        return f.apply(null, a);
    });
    wrap("_asyncify_stop_rewind", (f, a) => {
        const result = f.apply(null, a);
        t.rewind += performance.now() - rewindStart;
        return result;
    });
    window.kokurinBench = t;
}

async function taskSeconds(cdp) {
    const { metrics } = await cdp.send("Performance.getMetrics");
    return metrics.find((m) => m.name === "TaskDuration").value;
}

async function measure(page, cdp, label) {
    await page.evaluate(() => {
        Object.assign(window.kokurinBench, { work: 0, unwind: 0, rewind: 0, frames: 0, longest: 0 });
    });
    const frames0 = await session.frames(page);
    const task0 = await taskSeconds(cdp);
    const start = Date.now();
    await page.waitForTimeout(SECONDS * 1000);
    const elapsed = (Date.now() - start) / 1000;
    const frames = (await session.frames(page)) - frames0;
    const task = (await taskSeconds(cdp)) - task0;
    const t = await page.evaluate(() => window.kokurinBench);
    const per = (ms) => (ms / Math.max(t.frames, 1)).toFixed(3);
    return {
        screen: label,
        fps: (frames / elapsed).toFixed(1),
        scriptMsPerFrame: per(t.work),
        longestScriptMs: t.longest.toFixed(2),
        asyncifyUnwindMsPerFrame: per(t.unwind),
        asyncifyRewindMsPerFrame: per(t.rewind),
        mainThreadMsPerFrame: ((task * 1000) / Math.max(frames, 1)).toFixed(3),
    };
}

async function main() {
    const server = await session.startServer();
    const browser = await session.launchBrowser({ width: 800, height: 600 });
    try {
        const { page, context } = browser;
        // Every response, so that a file fetched twice counts twice.
        const sizes = [];
        page.on("response", async (response) => {
            try {
                sizes.push([response.url(), (await response.body()).length, response.status()]);
            } catch (error) {
                // Redirects and aborted requests have no body.
            }
        });
        const cdp = await context.newCDPSession(page);
        await cdp.send("Performance.enable");
        await page.goto(server.url + "index.html?seed=1234");
        await session.waitForScreen(page, "title", 0);
        await page.evaluate(instrument);
        const rows = [await measure(page, cdp, "title")];
        await page.keyboard.press("KeyS");
        await page.keyboard.press("Space");
        await session.waitForScreen(page, "match", 1);
        rows.push(await measure(page, cdp, "match"));
        let total = 0;
        for (const [, bytes] of sizes) {
            total += bytes;
        }
        console.log(JSON.stringify({ seconds: SECONDS, screens: rows }, null, 2));
        console.log("download: %d responses, %d bytes", sizes.length, total);
        for (const [url, bytes, status] of sizes.sort((a, b) => b[1] - a[1])) {
            console.log("  %s %d (HTTP %d)", url.replace(server.url, ""), bytes, status);
        }
    } finally {
        await browser.close();
        await server.stop();
    }
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});
