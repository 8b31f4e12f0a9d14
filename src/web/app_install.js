// The page as an installable app that plays offline: after the first frame (so that it takes
// nothing from the first visit's start) the service worker is registered, and it keeps this
// build's files for the next visit (src/web/service_worker.js).

(function () {
    "use strict";

    if (!("serviceWorker" in navigator) || !window.isSecureContext) {
        return;
    }
    window.addEventListener("kokurin-first-frame", function () {
        navigator.serviceWorker.register("service_worker.js").catch(function (error) {
            console.warn("kokurin: no offline copy (" + error + ")");
        });
    });
})();
