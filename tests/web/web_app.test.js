// The page as a downloadable, installable app: its font holds every character of the game's
// texts (and the check says which is missing when one is), the page installs and starts with
// the network cut, a new build's files replace the old offline copy whole, and without its
// font file the page still draws its texts and says what is missing.
"use strict";

const assert = require("node:assert/strict");
const { spawnSync } = require("node:child_process");
const fs = require("node:fs");
const http = require("node:http");
const os = require("node:os");
const path = require("node:path");
const { test, after } = require("node:test");
const zlib = require("node:zlib");
const session = require("./browser_session");

const TOOLS = path.join(session.ROOT, "tools", "web_assets");
const DATA = path.join(session.WEB_DIR, "data");
const FONT = fs.readdirSync(DATA).find((name) => /\.woff2$|\.subset\.ttf$/.test(name));
const cleanups = [];

after(async () => {
    for (const cleanup of cleanups.reverse()) {
        await cleanup();
    }
});

function temporaryFolder() {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), "kokurin-web-app-"));
    cleanups.push(() => fs.rmSync(folder, { recursive: true, force: true }));
    return folder;
}

// The Python that has fontTools (the system's, when another Python comes first on the PATH).
function fontPython() {
    for (const candidate of [process.env.KOKURIN_PYTHON || "python3", "/usr/bin/python3"]) {
        if (spawnSync(candidate, ["-c", "import fontTools"]).status === 0) {
            return candidate;
        }
    }
    throw new Error("no Python with fontTools (python3-fonttools)");
}

function fontTool(...args) {
    return spawnSync(fontPython(), ["-B", path.join(TOOLS, "web_font.py"), ...args], {
        encoding: "utf8",
        timeout: 60000,
    });
}

// A copy of build/web to change as a new build would.
function copyOfBuild() {
    const folder = temporaryFolder();
    fs.cpSync(session.WEB_DIR, folder, {
        recursive: true,
        // Not the build's own files, nor the desktop builds' full font.
        filter: (from) => !/CMakeFiles|\.ninja|\.a$|ZUDEV\.TTF$/.test(from),
    });
    return folder;
}

function rebuildServiceWorker(folder) {
    const result = spawnSync(
        "python3",
        ["-B", path.join(TOOLS, "app_files.py"), "--web", folder, "--template",
         path.join(session.ROOT, "src", "web", "service_worker.js"),
         "index.html", "index.js", "index.wasm", "page.css", "manifest.webmanifest",
         "icons/*.png", "data/*.png", "data/*.woff2", "data/*.subset.ttf"],
        { encoding: "utf8", timeout: 30000 }
    );
    assert.equal(result.status, 0, result.stderr);
    return /"version": "([0-9a-f]+)"/.exec(fs.readFileSync(path.join(folder, "service_worker.js"), "utf8"))[1];
}

async function openBrowser(directory) {
    const server = await session.startServer(15000, directory);
    const browser = await session.launchBrowser({ width: 800, height: 600 });
    cleanups.push(() => server.stop());
    cleanups.push(() => browser.close());
    return { server, browser, page: browser.page };
}

// Polls an async predicate in the page (waitForFunction takes a promise for true).
async function until(page, predicate, arg, timeoutMs = 20000) {
    const deadline = Date.now() + timeoutMs;
    while (!(await page.evaluate(predicate, arg))) {
        assert.ok(Date.now() < deadline, "not seen within " + timeoutMs + " ms: " + predicate);
        await page.waitForTimeout(100);
    }
}

// The page's service worker once it is active, with the names of the caches it left.
function offlineCopy(page) {
    return page.evaluate(async () => {
        const registration = await navigator.serviceWorker.ready;
        return {
            script: registration.active.scriptURL,
            caches: await caches.keys(),
            files: (await (await caches.open((await caches.keys())[0])).keys()).length,
        };
    });
}

test("the page's font has every character of the game's texts, and the check names a missing one", () => {
    assert.ok(FONT, "build/web/data holds the page's font");
    const ok = fontTool("check", "--font", path.join(DATA, FONT), "--sources",
        path.join(session.ROOT, "src"));
    assert.equal(ok.status, 0, ok.stderr);

    // Planted: a new text in C++ and one in the page's script, and a character in a comment
    // only, which is never drawn.
    const tree = temporaryFolder();
    fs.cpSync(path.join(session.ROOT, "src"), path.join(tree, "src"), { recursive: true });
    fs.writeFileSync(path.join(tree, "src", "screens", "planted_texts.cpp"),
        '// 鬱 only in a comment\nconst char* const plantedText = "新しい\\u9F98";\n' +
        'const char* const rawText = R"x(")\u9F8E)x"; /* 鬱 */ const char c = \'"\';\n');
    // A quote in a regular expression starts no text (the comment after it stays a comment).
    fs.writeFileSync(path.join(tree, "src", "web", "planted.js"),
        "var r = /\"[']/; // 鬱\nvar s = `x${1}\u9F8D`;\n");
    const planted = fontTool("check", "--font", path.join(DATA, FONT), "--sources",
        path.join(tree, "src"), "--root", tree);
    assert.equal(planted.status, 1);
    assert.match(planted.stderr, /U\+9F98 '龘' \(CJK UNIFIED IDEOGRAPH-9F98\), used in src\/screens\/planted_texts.cpp:2/);
    assert.match(planted.stderr, /U\+9F8D .*used in src\/web\/planted.js:2/);
    assert.match(planted.stderr, /U\+9F8E .*used in src\/screens\/planted_texts.cpp:3/);
    assert.doesNotMatch(planted.stderr, /U\+9B31/);

    // A character the full font has not either stops the build's subset step.
    fs.writeFileSync(path.join(tree, "src", "screens", "planted_texts.cpp"), 'const char* t = "\\uE000";\n');
    const full = path.join(DATA, "ZUDEV.TTF");
    if (fs.existsSync(full)) {
        const out = temporaryFolder();
        const subset = fontTool("subset", "--font", full, "--sources", path.join(tree, "src"),
            "--root", tree, "--out", path.join(out, "f.woff2"), "--script", path.join(out, "f.js"));
        assert.equal(subset.status, 1);
        assert.match(subset.stderr, /U\+E000 .*used in src\/screens\/planted_texts.cpp:1/);
        assert.equal(fs.existsSync(path.join(out, "f.js")), false, "no font entry for the page");
    }
});

// One response of the server, as a browser asking for gzip gets it.
function get(url) {
    return new Promise((resolve, reject) => {
        http.get(url, { headers: { "Accept-Encoding": "gzip, br" } }, (response) => {
            const parts = [];
            response.on("data", (part) => parts.push(part));
            response.on("end", () => resolve({ headers: response.headers, body: Buffer.concat(parts) }));
        }).on("error", reject);
    });
}

test("installable, and a second visit starts with the network cut", async () => {
    const { server, browser, page } = await openBrowser(session.WEB_DIR);
    // Served as a static host should: compressed where it helps, with the right types.
    for (const [file, type, gzipped] of [["index.wasm", "application/wasm", true],
        ["index.js", "text/javascript", true], ["manifest.webmanifest", "application/manifest+json", true],
        ["data/mira.png", "image/png", false]]) {
        const { headers, body } = await get(server.url + file);
        assert.equal(headers["content-type"], type, file);
        assert.equal(headers["content-encoding"], gzipped ? "gzip" : undefined, file);
        const content = gzipped ? zlib.gunzipSync(body) : body;
        assert.ok(content.equals(fs.readFileSync(path.join(session.WEB_DIR, file))), file);
    }
    const cdp = await browser.context.newCDPSession(page);
    // What came before the first frame: not the whole font, no BMP, well under 400 KB.
    await browser.context.addInitScript(() => {
        window.addEventListener("kokurin-first-frame", () => {
            window.kokurinBeforeFirstFrame = performance
                .getEntriesByType("navigation")
                .concat(performance.getEntriesByType("resource"))
                .filter((e) => e.responseEnd > 0)
                .map((e) => [e.name, e.transferSize]);
        });
    });
    await page.goto(server.url + "index.html?seed=1234");
    await session.waitForScreen(page, "title", 0);
    const before = await page.evaluate(() => window.kokurinBeforeFirstFrame);
    assert.ok(before.some(([name]) => /ZUDEV\.(woff2|subset\.ttf)$/.test(name)), "the font came first");
    assert.ok(!before.some(([name]) => /\.(TTF|bmp)$/.test(name)), before.join(" "));
    assert.ok(before.reduce((sum, [, bytes]) => sum + bytes, 0) < 400 * 1024, before.join(" "));
    const copy = await offlineCopy(page);
    assert.match(copy.script, /service_worker\.js$/);
    assert.ok(copy.files >= 20, "the build's files are kept (" + copy.files + ")");
    const { installabilityErrors } = await cdp.send("Page.getInstallabilityErrors");
    assert.deepEqual(installabilityErrors, [], "Chromium can install the page");
    const manifest = JSON.parse((await cdp.send("Page.getAppManifest")).data);
    assert.equal(manifest.name, "剋輪闘");
    assert.deepEqual(manifest.icons.map((icon) => icon.sizes), ["192x192", "512x512"]);

    await browser.context.setOffline(true);
    await page.goto(server.url + "index.html?seed=1234");
    await session.waitForScreen(page, "title", 0);
    await page.keyboard.press("KeyS");
    await session.waitForScreen(page, "title", 1);
    assert.equal(await page.evaluate(() => window.kokurinPage.fontAdded), true);
    assert.deepEqual(browser.errors, []);
});

test("a new build's files replace the old offline copy whole, never mixed", async () => {
    const folder = copyOfBuild();
    const before = rebuildServiceWorker(folder);
    const { server, page } = await openBrowser(folder);
    const styleMark = () =>
        page.evaluate(async () => (await (await fetch("page.css")).text()).includes("new build"));
    await page.goto(server.url + "index.html");
    await session.waitForScreen(page, "title", 0);
    assert.deepEqual((await offlineCopy(page)).caches, ["kokurin-" + before]);

    fs.appendFileSync(path.join(folder, "page.css"), "/* new build */\n");
    const next = rebuildServiceWorker(folder);
    assert.notEqual(next, before);
    // The open build's worker still answers while the new one fills its own cache.
    await page.goto(server.url + "index.html");
    await until(page, async () => {
        const registration = await navigator.serviceWorker.getRegistration();
        return registration && registration.waiting !== null;
    });
    assert.equal(await styleMark(), false, "the old build's page keeps the old build's files");

    // Once no page of the old build is open, the new build takes over and the old cache goes.
    // The browser activates the waiting worker some time after the last old page has gone, so
    // the page is left and opened again until the new build answers (or the time is up).
    const onlyNewCache = async (name) => {
        const names = await caches.keys();
        return names.length === 1 && names[0] === name;
    };
    const deadline = Date.now() + 30000;
    for (;;) {
        await page.goto("about:blank");
        await page.waitForTimeout(500);
        await page.goto(server.url + "index.html");
        await session.waitForScreen(page, "title", 0);
        if ((await page.evaluate(onlyNewCache, "kokurin-" + next)) && (await styleMark())) {
            break;
        }
        assert.ok(Date.now() < deadline, "the new build never took over from the old one");
    }
});

test("without its font file the page draws its texts in sans-serif and says once what is missing", async () => {
    const folder = copyOfBuild();
    fs.rmSync(path.join(folder, "data", FONT));
    const { server, browser, page } = await openBrowser(folder);
    await page.goto(server.url + "index.html?seed=1234");
    // The roster and the help lines are drawn, white and grey as they should be.
    await session.waitForScreen(page, "title", 0);
    const notices = await page.locator("#notice:visible").allTextContents();
    assert.equal(notices.length, 1);
    assert.match(notices[0], new RegExp("data/" + FONT.replace(".", "\\.") + ".*cmake --build --preset web"));
    assert.equal(await page.evaluate(() => window.kokurinPage.fontAdded), false);
    assert.deepEqual(browser.errors, []);
});
