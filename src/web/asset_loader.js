// The page's downloads: the font the first frame waits for (with the loading bar), and the
// portraits, each fetched when the game first shows it and the rest in the background after
// the first frame, never holding the game back. kokurinWebFont and kokurinWebPictures are the
// build's lists (tools/web_assets); page.js asks here for the font and the pictures.
/* global kokurinWebFont, kokurinWebPictures, kokurinPageTexts */

var kokurinAssets = (function () {
    "use strict";

    // The pictures fetched at once in the background.
    var BACKGROUND_FETCHES = 2;
    // Tries for the picture on show before waiting for the game to ask again.
    var RETRIES = 4;

    var assets = {
        // data/NAME.bmp (the name the game asks for) -> { width, height, bitmap, pattern, ... }.
        pictures: new Map(),
        // The pictures that have arrived, by the game's name for them.
        loaded: new Map(),
        firstFrameShown: false,
        // The picture the game asked for last.
        shown: null,
        fontFile: typeof kokurinWebFont !== "undefined" ? kokurinWebFont.file : "data/ZUDEV.woff2",
        noticeShown: false,
    };

    (typeof kokurinWebPictures !== "undefined" ? kokurinWebPictures : []).forEach(function (p) {
        assets.pictures.set("data/" + p.name, {
            file: p.file,
            width: p.width,
            height: p.height,
            bitmap: null,
            pattern: null,
            fetching: null,
        });
    });

    function element(id) {
        return document.getElementById(id);
    }

    function fetchOk(file) {
        return fetch(file).then(function (response) {
            if (!response.ok) {
                throw new Error(response.status + " " + response.statusText);
            }
            return response;
        });
    }

    // ---- The font and the loading bar ----

    function showProgress(received, total) {
        var bar = element("loading");
        if (!bar) {
            return;
        }
        if (total > 0 && received < total) {
            bar.max = total;
            bar.value = received;
        } else {
            // The font is in; the game's own code may still be coming.
            bar.removeAttribute("value");
        }
    }

    // The response's bytes, moving the bar as they arrive.
    function readWithProgress(response, total) {
        if (!response.body || typeof response.body.getReader !== "function") {
            return response.arrayBuffer();
        }
        var reader = response.body.getReader();
        var parts = [];
        var received = 0;
        function next() {
            return reader.read().then(function (step) {
                if (step.done) {
                    var all = new Uint8Array(received);
                    var at = 0;
                    parts.forEach(function (part) {
                        all.set(part, at);
                        at += part.length;
                    });
                    return all.buffer;
                }
                parts.push(step.value);
                received += step.value.length;
                showProgress(received, total);
                return next();
            });
        }
        return next();
    }

    // Says once, on the page, which file is missing and how to get it back.
    function showFontNotice(reason) {
        console.warn("kokurin: " + assets.fontFile + " not loaded (" + reason + ")");
        if (assets.noticeShown) {
            return;
        }
        assets.noticeShown = true;
        var notice = element("notice");
        if (notice) {
            kokurinPageTexts.show(notice, "fontMissing", assets.fontFile);
            notice.hidden = false;
        }
    }

    // Resolves to { face, pageFace, metrics } or, without the font, to null.
    assets.loadFont = function (canvasFamily, pageFamily) {
        if (typeof FontFace !== "function") {
            return Promise.resolve(null);
        }
        if (typeof kokurinWebFont === "undefined") {
            showFontNotice("the build made no web font");
            return Promise.resolve(null);
        }
        showProgress(0, kokurinWebFont.bytes);
        return fetchOk(kokurinWebFont.file)
            .then(function (response) {
                return readWithProgress(response, kokurinWebFont.bytes);
            })
            .then(function (buffer) {
                var face = new FontFace(canvasFamily, buffer);
                var pageFace = new FontFace(pageFamily, buffer);
                return Promise.all([face.load(), pageFace.load()]).then(function () {
                    return {
                        face: face,
                        pageFace: pageFace,
                        metrics: {
                            unitsPerEm: kokurinWebFont.unitsPerEm,
                            ascent: kokurinWebFont.ascent,
                            descent: kokurinWebFont.descent,
                        },
                    };
                });
            })
            .catch(function (error) {
                showFontNotice(String(error));
                return null;
            })
            .then(function (result) {
                showProgress(0, 0);
                return result;
            });
    };

    // ---- Pictures ----

    function isShown(picture) {
        return assets.shown === picture;
    }

    function fetchPicture(name, picture) {
        if (picture.fetching === null) {
            picture.fetching = fetchOk(picture.file)
                .then(function (response) {
                    return response.blob();
                })
                .then(function (blob) {
                    // The file's bytes as they are, as the desktop builds' textures hold them.
                    return createImageBitmap(blob, {
                        premultiplyAlpha: "none",
                        colorSpaceConversion: "none",
                    });
                })
                .then(function (bitmap) {
                    picture.bitmap = bitmap;
                    assets.loaded.set(name, picture);
                })
                .catch(function (error) {
                    console.warn("kokurin: " + picture.file + " not loaded (" + error + ")");
                    // Asked again later (a moment later while it is shown), fetched again.
                    picture.fetching = null;
                    picture.failures = (picture.failures || 0) + 1;
                    if (isShown(picture) && picture.failures < RETRIES) {
                        return new Promise(function (resolve) {
                            setTimeout(resolve, 500 * picture.failures);
                        }).then(function () {
                            return fetchPicture(name, picture);
                        });
                    }
                });
        }
        return picture.fetching;
    }

    // The picture the game asks for (data/NAME.bmp), fetched now if it is not yet here; null
    // when the build has no such picture. Until its bitmap arrives the game's frames leave it
    // out, and the game's next frame after that draws it.
    assets.picture = function (name) {
        var picture = assets.pictures.get(name);
        if (!picture) {
            return null;
        }
        assets.shown = picture;
        fetchPicture(name, picture);
        return picture;
    };

    function fetchTheRest() {
        var waiting = [];
        assets.pictures.forEach(function (picture, name) {
            if (picture.fetching === null) {
                waiting.push(name);
            }
        });
        function one() {
            var name = waiting.shift();
            if (name !== undefined) {
                fetchPicture(name, assets.pictures.get(name)).then(one);
            }
        }
        for (var i = 0; i < BACKGROUND_FETCHES; i++) {
            one();
        }
    }

    // After the first frame the other portraits come, behind those the game has asked for.
    window.addEventListener("kokurin-first-frame", function () {
        assets.firstFrameShown = true;
        var asked = [];
        assets.pictures.forEach(function (picture) {
            if (picture.fetching !== null) {
                asked.push(picture.fetching);
            }
        });
        Promise.all(asked).then(fetchTheRest);
    });

    return assets;
})();
