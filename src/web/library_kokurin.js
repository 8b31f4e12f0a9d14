// The functions page_bridge.h declares, as Emscripten library functions: each hands the game's
// call to the page (kokurinPage, page.js), which keeps the canvas, keys, hint box and sound.
/* global mergeInto, LibraryManager, kokurinPage, kokurinReplays, kokurinOnline, kokurinRanked */

mergeInto(LibraryManager.library, {
    kokurin_page_open_canvas: function () {
        return kokurinPage.openCanvas();
    },
    kokurin_page_register_font: function () {
        return kokurinPage.registerFont();
    },
    kokurin_page_unregister_font: function () {
        kokurinPage.unregisterFont();
    },
    kokurin_page_make_font: function (height, faceName) {
        return kokurinPage.makeFont(height, faceName);
    },
    kokurin_page_release_font: function (font) {
        kokurinPage.releaseFont(font);
    },
    kokurin_page_load_picture: function (fileName, width, height) {
        return kokurinPage.loadPicture(fileName, width, height);
    },
    kokurin_page_present: function (words, wordCount, text) {
        kokurinPage.present(words, wordCount, text);
    },
    kokurin_page_clock_ms: function () {
        return kokurinPage.clockMilliseconds();
    },
    kokurin_page_now_us: function () {
        return kokurinPage.nowMicroseconds();
    },
    kokurin_page_hidden: function () {
        return kokurinPage.hidden();
    },
    kokurin_page_poll_devices: function (down, tapped, pads, pointer) {
        kokurinPage.pollDevices(down, tapped, pads, pointer);
    },
    kokurin_page_set_language: function (code) {
        kokurinPage.setLanguage(code);
    },
    kokurin_page_set_key_names: function (names) {
        kokurinPage.setKeyNames(names);
    },
    kokurin_page_open_box: function (text) {
        kokurinPage.openBox(text);
    },
    kokurin_page_box_open: function () {
        return kokurinPage.boxStillOpen();
    },
    kokurin_page_sound_available: function () {
        return kokurinPage.soundAvailable();
    },
    kokurin_page_load_sound: function (slot, samples, count) {
        kokurinPage.loadSound(slot, samples, count);
    },
    kokurin_page_play_sound: function (slot) {
        return kokurinPage.playSound(slot);
    },
    kokurin_page_set_muted: function (muted) {
        kokurinPage.setMuted(muted);
    },
    kokurin_page_set_volume: function (percent) {
        kokurinPage.setVolume(percent);
    },
    // The settings text in the browser's storage for this site: its UTF-8 length, -1 when
    // nothing is stored, -2 when the storage cannot be read (blocked, private mode).
    kokurin_page_settings_length: function () {
        try {
            var text = window.localStorage.getItem("kokurin.settings");
            return text === null ? -1 : lengthBytesUTF8(text);
        } catch (error) {
            return -2;
        }
    },
    kokurin_page_read_settings: function (buffer, size) {
        try {
            var text = window.localStorage.getItem("kokurin.settings");
            stringToUTF8(text === null ? "" : text, buffer, size);
            return 1;
        } catch (error) {
            return 0;
        }
    },
    // setItem replaces the value whole or throws, leaving the old one.
    kokurin_page_write_settings: function (text) {
        try {
            window.localStorage.setItem("kokurin.settings", UTF8ToString(text));
            return 1;
        } catch (error) {
            return 0;
        }
    },
    // Replays in the browser's storage (replays.js).
    kokurin_page_replay_write: function (name, bytes, size) {
        return kokurinReplays.write(UTF8ToString(name), HEAPU8.slice(bytes, bytes + size)) ? 1 : 0;
    },
    // The replay's length (at most max + 1 bytes copied), or -1 when there is none.
    kokurin_page_replay_read: function (name, buffer, max) {
        var bytes = kokurinReplays.read(UTF8ToString(name));
        if (bytes === null) {
            return -1;
        }
        var count = Math.min(bytes.length, max + 1);
        HEAPU8.set(bytes.subarray(0, count), buffer);
        return count;
    },
    kokurin_page_replay_list: function (buffer, size) {
        var text = kokurinReplays.list().join("\n");
        stringToUTF8(text, buffer, size);
        return lengthBytesUTF8(text);
    },
    kokurin_page_replay_remove: function (name) {
        kokurinReplays.remove(UTF8ToString(name));
    },
    kokurin_page_replay_watched: function (ok, text) {
        kokurinReplays.watched(ok !== 0, UTF8ToString(text));
    },
    // A match's replay from the page's server (ranked_views.js).
    kokurin_page_served_replay: function (buffer, max) {
        return kokurinRanked.takeReplay(buffer, max);
    },
    // Online play (online_link.js).
    kokurin_page_online_value: function (name, buffer, size) {
        var value = kokurinOnline.value(UTF8ToString(name));
        if (value === null) {
            return -1;
        }
        stringToUTF8(value, buffer, size);
        return lengthBytesUTF8(value);
    },
    kokurin_page_websocket_address_ok: function (url, why, size) {
        var problem = kokurinOnline.addressProblem(UTF8ToString(url));
        stringToUTF8(problem, why, size);
        return problem === "" ? 1 : 0;
    },
    kokurin_page_announce_room: function (server, code) {
        kokurinOnline.announce(UTF8ToString(server), UTF8ToString(code));
    },
    kokurin_page_keep_seat: function (server, room, token) {
        kokurinOnline.keepSeat(UTF8ToString(server), UTF8ToString(room), UTF8ToString(token));
    },
    kokurin_page_game_ended: function (exitCode) {
        kokurinPage.gameEnded(exitCode);
    },
});
