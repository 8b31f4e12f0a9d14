// The game's offline copy: the service worker keeps every file of one build in a cache named by
// the build's hash and answers the page from it, so that a second visit needs no network. A new
// build's worker fills its own cache, takes over once no page of the old build is open, and
// then deletes the old cache: no page ever mixes files of two builds.
/* eslint-env serviceworker */
"use strict";

var BUILD = { version: "unbuilt", files: [] }; // tools/web_assets/app_files.py writes this line
var PREFIX = "kokurin-";
var CACHE = PREFIX + BUILD.version;

self.addEventListener("install", function (event) {
    event.waitUntil(
        caches.open(CACHE).then(function (cache) {
            // Past the browser's HTTP cache, which may still hold another build's files.
            return cache.addAll(
                BUILD.files.map(function (file) {
                    return new Request(file, { cache: "reload" });
                })
            );
        })
    );
});

self.addEventListener("activate", function (event) {
    event.waitUntil(
        caches.keys().then(function (names) {
            return Promise.all(
                names
                    .filter(function (name) {
                        return name.indexOf(PREFIX) === 0 && name !== CACHE;
                    })
                    .map(function (name) {
                        return caches.delete(name);
                    })
            );
        })
    );
});

function cachedAnswer(request) {
    var url = new URL(request.url);
    if (request.mode === "navigate" && url.pathname.slice(-1) === "/") {
        // The folder's address is its page.
        url.pathname += "index.html";
    }
    return caches.open(CACHE).then(function (cache) {
        // Only this build's cache: the page's ?seed= does not make it another page.
        return cache.match(url.href, { ignoreSearch: request.mode === "navigate" });
    });
}

// The server's answers (its API, online.json) are never kept: they are what is live now, and
// the browser asks the server for them itself.
function liveAnswer(url) {
    var scope = new URL(self.registration.scope);
    var path = url.pathname.indexOf(scope.pathname) === 0 ? url.pathname.slice(scope.pathname.length) : "";
    return path === "online.json" || path === "api" || path.indexOf("api/") === 0;
}

self.addEventListener("fetch", function (event) {
    var request = event.request;
    var url = new URL(request.url);
    if (request.method !== "GET" || url.origin !== self.location.origin || liveAnswer(url)) {
        return;
    }
    event.respondWith(
        cachedAnswer(request).then(function (answer) {
            return answer || fetch(request);
        })
    );
});
