// Benchmark of the page's start in headless Chromium (not a test: it only measures and
// prints): a first visit over an emulated 10 Mbit/s, 40 ms connection (DevTools protocol
// network emulation) - the bytes transferred before the first frame, the time to the first
// frame and to the first portrait, everything the page fetched in the end - then a second
// visit with the network cut, served by the service worker. Run by
// bench/web/run-first-visit.sh after the web build.
"use strict";

const session = require("../../tests/web/browser_session");

const CONNECTION = {
    offline: false,
    latency: 40,
    downloadThroughput: 10e6 / 8,
    uploadThroughput: 10e6 / 8,
};

// In the page, from its first script on: when the first frame and the first portrait came,
// and the bytes of every response finished by the first frame.
function watchStart() {
    window.kokurinStart = {};
    const bytesSoFar = () =>
        performance
            .getEntriesByType("navigation")
            .concat(performance.getEntriesByType("resource"))
            .filter((e) => e.responseEnd > 0 && e.responseEnd <= performance.now())
            .reduce((sum, e) => sum + e.transferSize, 0);
    window.addEventListener("kokurin-first-frame", () => {
        window.kokurinStart.firstFrameMs = performance.now();
        window.kokurinStart.bytesBeforeFirstFrame = bytesSoFar();
        window.kokurinStart.files = performance
            .getEntriesByType("resource")
            .filter((e) => e.responseEnd <= performance.now())
            .map((e) => e.name.replace(location.origin + "/", "") + " " + e.transferSize);
        const portrait = () => {
            if (window.kokurinAssets.loaded.size > 0) {
                window.kokurinStart.firstPortraitMs = performance.now();
            } else {
                requestAnimationFrame(portrait);
            }
        };
        portrait();
    });
}

async function visit(page, url) {
    await page.goto(url);
    await page.waitForFunction(() => window.kokurinStart && window.kokurinStart.firstPortraitMs, null, {
        timeout: 60000,
    });
    await session.waitForScreen(page, "title", 0, 30000);
    return page.evaluate(() => window.kokurinStart);
}

async function main() {
    const server = await session.startServer();
    const browser = await session.launchBrowser({ width: 800, height: 600 });
    try {
        const { page, context } = browser;
        await context.addInitScript(watchStart);
        const cdp = await context.newCDPSession(page);
        await cdp.send("Network.enable");
        await cdp.send("Network.emulateNetworkConditions", CONNECTION);
        let allBytes = 0;
        cdp.on("Network.loadingFinished", (event) => {
            allBytes += event.encodedDataLength;
        });

        const first = await visit(page, server.url + "index.html");
        // The service worker's copy is complete once it is active.
        const cached = await page.evaluate(async () => {
            const registration = await navigator.serviceWorker.ready;
            const cache = await caches.open((await caches.keys())[0]);
            return { state: registration.active.state, files: (await cache.keys()).length };
        });
        await page.waitForTimeout(500);

        await cdp.send("Network.emulateNetworkConditions", Object.assign({}, CONNECTION, { offline: true }));
        await context.setOffline(true);
        const second = await visit(page, server.url + "index.html");
        const report = {
            connection: "10 Mbit/s, 40 ms latency (DevTools network emulation)",
            firstVisit: {
                bytesBeforeFirstFrame: first.bytesBeforeFirstFrame,
                firstFrameMs: Math.round(first.firstFrameMs),
                firstPortraitMs: Math.round(first.firstPortraitMs),
                bytesPageFetchedInAll: allBytes, // not the service worker's own downloads
                filesBeforeFirstFrame: first.files,
            },
            offlineCopy: cached,
            secondVisitOffline: {
                titleScreenDrawn: true,
                firstFrameMs: Math.round(second.firstFrameMs),
                firstPortraitMs: Math.round(second.firstPortraitMs),
            },
        };
        console.log(JSON.stringify(report, null, 2));
    } finally {
        await browser.close();
        await server.stop();
    }
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});
