// The page's side of the web front end, defined in library_kokurin.js: drawing a frame's
// command list on the canvas, the keyboard and pads, the hint box, Web Audio, the clock and
// the page's own states. Only the web front end includes this.
#pragma once

#include <cstdint>

extern "C" {

// 0 when the canvas can be drawn on; otherwise the page already says why.
int kokurin_page_open_canvas();
// Whether the game's font (data/ZUDEV.woff2, data/ZUDEV.TTF cut to the game's texts, loaded by
// the page before the game started) is usable; registering adds it to the document's fonts.
int kokurin_page_register_font();
void kokurin_page_unregister_font();
// A font of the given line height and face: its number (1 ..) or 0.
int kokurin_page_make_font(int height, const char* faceName);
void kokurin_page_release_font(int font);
// Makes the picture of that file the current one: 1 and its size, or 0 (no such picture). The
// page may still be fetching it; frames leave it out until it has arrived.
int kokurin_page_load_picture(const char* fileName, int* width, int* height);
// Draws one frame's command list (see draw_list.h) on the canvas, from opaque black.
void kokurin_page_present(const std::int32_t* words, int wordCount, const char* text);

// Milliseconds for the seed and the sound schedule (the page's ?seed=N gives the first one).
std::uint32_t kokurin_page_clock_ms();
// A monotonic clock in microseconds, for the frame deadlines.
double kokurin_page_now_us();
// Whether the tab is hidden (the game then waits).
int kokurin_page_hidden();
// Writes 256 bytes of keys held now, 256 of keys pressed since the last poll (a touch button
// counts as a key pressed there), one byte of pad buttons (bits in PadButton order) for each of
// the first two pads, and four ints: the last pointer press's x and y on the 640 x 480 screen,
// 1 when there was one since the last poll, and 1 while the page's help button is on.
void kokurin_page_poll_devices(bool* down, bool* tapped, std::uint8_t* pads, std::int32_t* pointer);
// The game's language, "ja" or "en", for the page's own texts.
void kokurin_page_set_language(const char* code);
// The keys as bound, for the page's key line: lines "NAME\tBOUND" for each default key name the
// line may use ("WASD", "SPACE", "矢印", "arrows", "ENTER"); "" with the default bindings.
void kokurin_page_set_key_names(const char* names);

// Opens the modal hint box with the text; then 1 while it is open.
void kokurin_page_open_box(const char* text);
int kokurin_page_box_open();

// Web Audio: whether the browser has it; slot sounds; muting.
int kokurin_page_sound_available();
void kokurin_page_load_sound(int slot, const std::int16_t* samples, int count);
int kokurin_page_play_sound(int slot);
void kokurin_page_set_muted(int muted);

void kokurin_page_set_volume(int percent);

// The settings text in the site's localStorage: its UTF-8 length (-1: none, -2: unreadable);
// reading fills buffer (size bytes with the terminating zero), 1 when it could; writing
// replaces it whole, 1 when it could.
int kokurin_page_settings_length();
int kokurin_page_read_settings(char* buffer, int size);
int kokurin_page_write_settings(const char* text);

// Replays kept in the browser's storage (replays.js): write whole (1) or not at all (0); read
// at most max + 1 bytes, giving the length or -1; the names, one a line, as UTF-8 (the full
// length returned); remove; and how a watched replay ended.
int kokurin_page_replay_write(const char* name, const std::uint8_t* bytes, int size);
int kokurin_page_replay_read(const char* name, std::uint8_t* buffer, int max);
int kokurin_page_replay_list(char* buffer, int size);
void kokurin_page_replay_remove(const char* name);
void kokurin_page_replay_watched(int ok, const char* text);

// The replay the page's #/match/ID link fetched from its server (ranked_views.js), taken once:
// at most max + 1 bytes copied, its length returned, or -1 when there is none.
int kokurin_page_served_replay(std::uint8_t* buffer, int max);

// Online play (online_link.js): what the page's address asks for ("server", "room", "watch") or
// the server that served the page ("served"): its UTF-8 length (at most size - 1 bytes copied
// with the terminating zero), or -1 when there is none.
int kokurin_page_online_value(const char* name, char* buffer, int size);
// 1 when the browser's WebSocket takes the address; otherwise 0 and why, in plain words.
int kokurin_page_websocket_address_ok(const char* url, char* why, int size);
// The room the game is in (empty code: none), for the page's button that copies its link.
void kokurin_page_announce_room(const char* server, const char* code);
// The seat of the match being played (the token in decimal; "0": none any more), kept for the
// tab's session so that the page loaded again takes it back; read back as the values
// "resumeServer", "resumeRoom" and "resumeToken" while the server would still hold it.
void kokurin_page_keep_seat(const char* server, const char* room, const char* token);

// The game has returned: the page says so and offers to start again.
void kokurin_page_game_ended(int exitCode);
}
