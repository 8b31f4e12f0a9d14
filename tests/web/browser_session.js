// What the browser tests and the benchmark share: a local server for build/web, Debian's
// Chromium driven headless by playwright-core (never a downloaded browser), the canvas read
// out as RGB bytes, and the Python screen checks run on them. Every wait has a time limit;
// the server and the browser are stopped by their own handles.
"use strict";

const { spawn, execFileSync } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { chromium } = require("playwright-core");

const ROOT = path.resolve(__dirname, "..", "..");
const WEB_DIR = process.env.KOKURIN_WEB_DIR || path.join(ROOT, "build", "web");
const CHROMIUM = process.env.KOKURIN_CHROMIUM || "/usr/bin/chromium";
const PYTHON = process.env.KOKURIN_PYTHON || "python3";

// tools/web_server.py (the play command's server, with gzip) on 127.0.0.1, on a port the
// system picks, serving build/web or the given folder.
function startServer(timeoutMs = 15000, directory = WEB_DIR) {
    return new Promise((resolve, reject) => {
        const server = spawn(
            PYTHON,
            ["-u", path.join(ROOT, "tools", "web_server.py"), "0", "--bind", "127.0.0.1",
             "--directory", directory],
            { stdio: ["ignore", "pipe", "pipe"] }
        );
        const timer = setTimeout(() => {
            server.kill();
            reject(new Error("the web server did not start within " + timeoutMs + " ms"));
        }, timeoutMs);
        let output = "";
        server.stdout.on("data", (chunk) => {
            output += chunk;
            const found = /port (\d+)/.exec(output);
            if (found) {
                clearTimeout(timer);
                resolve({
                    url: "http://127.0.0.1:" + found[1] + "/",
                    stop: () => stopProcess(server),
                });
            }
        });
        if (process.env.KOKURIN_SERVER_LOG) {
            server.stderr.pipe(process.stderr);
        } else {
            server.stderr.resume();
        }
        server.on("exit", (code) => {
            clearTimeout(timer);
            reject(new Error("the web server exited with " + code));
        });
    });
}

function stopProcess(child) {
    return new Promise((resolve) => {
        if (child.exitCode !== null || child.signalCode !== null) {
            resolve();
            return;
        }
        const timer = setTimeout(() => child.kill("SIGKILL"), 5000);
        child.once("exit", () => {
            clearTimeout(timer);
            resolve();
        });
        child.kill("SIGTERM");
    });
}

// A fresh profile each time, removed at the end. The browser's language is Japanese unless
// device says otherwise; device may also emulate a phone (isMobile, hasTouch, locale). args: more
// of Chromium's switches.
async function launchBrowser(viewport = { width: 800, height: 600 }, device = {}, args = []) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), "kokurin-chromium-"));
    const context = await chromium.launchPersistentContext(profile, {
        executablePath: CHROMIUM,
        headless: true,
        viewport,
        locale: "ja-JP",
        ...device,
        timeout: 30000,
        args: [
            "--headless",
            "--no-sandbox",
            "--disable-gpu",
            "--disable-quic",
            "--no-first-run",
            "--disable-background-networking",
            "--disable-component-update",
            "--disable-sync",
            ...args,
        ],
    });
    context.setDefaultTimeout(20000);
    const page = context.pages()[0] || (await context.newPage());
    const errors = [];
    page.on("pageerror", (error) => errors.push(error.message));
    return {
        context,
        page,
        errors,
        close: async () => {
            await context.close().catch(() => {});
            fs.rmSync(profile, { recursive: true, force: true });
        },
    };
}

// The canvas's 640 x 480 pixels as RGB bytes.
async function readCanvas(page) {
    const encoded = await page.evaluate(() => {
        const canvas = document.getElementById("screen");
        const rgba = canvas.getContext("2d").getImageData(0, 0, 640, 480).data;
        const parts = [];
        for (let start = 0; start < rgba.length; start += 4 * 8192) {
            let chunk = "";
            const end = Math.min(rgba.length, start + 4 * 8192);
            for (let i = start; i < end; i += 4) {
                chunk += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
            }
            parts.push(chunk);
        }
        return btoa(parts.join(""));
    });
    return Buffer.from(encoded, "base64");
}

// Runs tests/web/web_checks.py on the frame; its JSON answer.
function checkScreen(frame, screen, selected) {
    const file = path.join(os.tmpdir(), "kokurin-frame-" + process.pid + ".rgb");
    fs.writeFileSync(file, frame);
    try {
        const out = execFileSync(
            PYTHON,
            ["-B", path.join(__dirname, "web_checks.py"), screen, file,
             "--data", path.join(WEB_DIR, "data"), "--selected", String(selected)],
            { timeout: 30000, encoding: "utf8" }
        );
        return JSON.parse(out);
    } finally {
        fs.rmSync(file, { force: true });
    }
}

// Reads the canvas until the screen checks find nothing wrong; fails with the last problems.
async function waitForScreen(page, screen, selected, timeoutMs = 15000, pollMs = 100) {
    const deadline = Date.now() + timeoutMs;
    let result;
    for (;;) {
        result = checkScreen(await readCanvas(page), screen, selected);
        if (result.problems.length === 0) {
            return result;
        }
        if (Date.now() > deadline) {
            throw new Error(screen + " screen (entry " + selected + ") not seen within " +
                timeoutMs + " ms: " + result.problems.slice(0, 8).join("; "));
        }
        await page.waitForTimeout(pollMs);
    }
}

// The frames the page has drawn so far.
function frames(page) {
    return page.evaluate(() => window.kokurinPage.frames);
}

async function waitForFrames(page, count, timeoutMs = 20000) {
    await page.waitForFunction(
        (n) => window.kokurinPage && window.kokurinPage.frames >= n,
        count,
        { timeout: timeoutMs }
    );
}

module.exports = {
    ROOT,
    WEB_DIR,
    startServer,
    launchBrowser,
    readCanvas,
    checkScreen,
    waitForScreen,
    frames,
    waitForFrames,
};
