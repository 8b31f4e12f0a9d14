// The seam between the portable game and a front end. A front end (Windows, SDL2, the browser,
// the headless one of the tests) defines every function of the first half of this header and
// calls the second half; nothing else of the game needs porting. docs/porting.md has the same
// list as a table, with what each front end does for each call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kokurin {

namespace net {
class Transport;
}
struct OnlineRequest;

// ---- The game's vocabulary ----------------------------------------------------------------

// 0xAARRGGBB: alpha in the top byte.
using Colour = std::uint32_t;

// Result of the calls that can fail: 0 on success, resultFailed otherwise.
using ResultCode = std::int32_t;
constexpr ResultCode resultOk = 0;
constexpr ResultCode resultFailed = static_cast<ResultCode>(0x80004005u);

// The back buffer every coordinate refers to: x to the right, y downwards, (0, 0) top left.
constexpr int screenWidth = 640;
constexpr int screenHeight = 480;

enum class PrimitiveKind {
    // Pairs of vertices, one 1-pixel line each.
    LineList,
    // n + 2 vertices for n triangles; only clockwise triangles are drawn.
    TriangleStrip,
};

// A screen-space vertex: pixel position, depth 0..1 (the game uses 0), reciprocal w (always 1).
struct ColourVertex {
    float x;
    float y;
    float z;
    float rhw;
    Colour colour;
};

// The same with texture coordinates (1.0 = the picture's full width or height).
struct TexturedVertex {
    float x;
    float y;
    float z;
    float rhw;
    Colour colour;
    float u;
    float v;
};

// Where a text is placed: its top-left corner at (x, y), or centred on x.
using TextFormat = std::uint32_t;
constexpr TextFormat textLeftTop = 0;
constexpr TextFormat textCentre = 1;

// Key numbers of the key table. A front end reports its keys under these numbers; the numbers
// are the game's own and never change. They are DirectInput's scan-code numbers, so that the
// Windows front end reports its keyboard buffer as it is; every key here may be bound to a seat's
// action (input/key_bindings.h) except the ones the game keeps for itself.
enum Key : int {
    keyEscape = 1,
    key1 = 2,
    key2 = 3,
    key3 = 4,
    key4 = 5,
    key5 = 6,
    key6 = 7,
    key7 = 8,
    key8 = 9,
    key9 = 10,
    key0 = 11,
    keyMinus = 12,
    keyEquals = 13,
    keyBackspace = 14,
    keyTab = 15,
    keyQ = 16,
    keyW = 17,
    keyE = 18,
    keyR = 19,
    keyT = 20,
    keyY = 21,
    keyU = 22,
    keyI = 23,
    keyO = 24,
    keyP = 25,
    keyLeftBracket = 26,
    keyRightBracket = 27,
    keyReturn = 28,
    keyLeftControl = 29,
    keyA = 30,
    keyS = 31,
    keyD = 32,
    keyF = 33,
    keyG = 34,
    keyH = 35,
    keyJ = 36,
    keyK = 37,
    keyL = 38,
    keySemicolon = 39,
    keyApostrophe = 40,
    keyGrave = 41,
    keyLeftShift = 42,
    keyBackslash = 43,
    keyZ = 44,
    keyX = 45,
    keyC = 46,
    keyV = 47,
    keyB = 48,
    keyN = 49,
    keyM = 50,
    keyComma = 51,
    keyPeriod = 52,
    keySlash = 53,
    keyRightShift = 54,
    keyPadMultiply = 55,
    keyLeftAlt = 56,
    keySpace = 57,
    keyCapsLock = 58,
    keyF1 = 59,
    keyF2 = 60,
    keyF3 = 61,
    keyF4 = 62,
    keyF5 = 63,
    keyF6 = 64,
    keyF7 = 65,
    keyF8 = 66,
    keyF9 = 67,
    keyF10 = 68,
    keyNumLock = 69,
    keyScrollLock = 70,
    keyPad7 = 71,
    keyPad8 = 72,
    keyPad9 = 73,
    keyPadMinus = 74,
    keyPad4 = 75,
    keyPad5 = 76,
    keyPad6 = 77,
    keyPadPlus = 78,
    keyPad1 = 79,
    keyPad2 = 80,
    keyPad3 = 81,
    keyPad0 = 82,
    keyPadPeriod = 83,
    keyNonUsBackslash = 86,
    keyF11 = 87,
    keyF12 = 88,
    keyPadEnter = 156,
    keyRightControl = 157,
    keyPadDivide = 181,
    keyRightAlt = 184,
    keyHome = 199,
    keyUp = 200,
    keyPageUp = 201,
    keyLeft = 203,
    keyRight = 205,
    keyEnd = 207,
    keyDown = 208,
    keyPageDown = 209,
    keyInsert = 210,
    keyDelete = 211,
};
// Numbers a front end may report down: 0 .. keyboardKeys - 1.
constexpr int keyboardKeys = 256;

// A pad's buttons, as bits of DeviceReading::padButtons. Which seat a pad plays and what its
// buttons mean are the game's (input/frame_input.h); a front end only reports them.
enum PadButton : int {
    padUp = 0,
    padDown,
    padLeft,
    padRight,
    padConfirm,
    padBack,
    padHint,
};
constexpr int devicePads = 2;

// One poll of the local devices. A key both pressed and let go since the last poll is reported
// in tapped (and not in down); a front end that only sees snapshots reports no taps.
struct DeviceReading {
    bool down[keyboardKeys];
    bool tapped[keyboardKeys];
    // The first two pads, in the order they came: bit PadButton set while held.
    std::uint8_t padButtons[devicePads];
    // A mouse button or a touch pressed since the last poll, at that press's place on the
    // 640 x 480 screen (the window's scaling and bars undone); x and y mean nothing otherwise.
    struct Pointer {
        int x;
        int y;
        bool pressed;
    } pointer;
};

// Files the game reads, relative to the executable's folder.
extern const char* const gameFontFile;

// ---- Provided by every front end ----------------------------------------------------------

// Start-up and shutdown. runGame calls them in this order; a front end may leave any of them
// empty where its platform has nothing to do.

// True when no other copy of the game runs; false when one does (runGame then shows
// "多重起動ですよ！" and ends with exit code 0 before anything else is set up).
bool claimSingleInstance();
// Makes the executable's folder the current one, so that data/ is found from anywhere.
void enterExecutableFolder();
// Opens the window and everything drawing needs. 0 when the game can be shown; otherwise the
// process exit code, after the front end has told the player why (a box, stderr).
int openDisplay();
// The player's window settings, before openDisplay: fullscreen, and a whole-number scale of
// the 640 x 480 screen (0: the front end's own choice). Front ends without windows ignore it.
void setWindowPreferences(bool fullscreen, int scale);
// Makes gameFontFile's typeface available for drawText. True only when this process added it,
// so that unregisterGameFont never takes away a font another program added.
bool registerGameFont();
void unregisterGameFont();
// Opens the keyboard (and pads); without them the game runs and no key is ever down.
void openInput();
// Opens the sound device; false without one (the game then stays silent, nothing else changes).
bool openSound();
// A millisecond clock: seeds the random generator and times the sound schedule.
std::uint32_t clockMilliseconds();
// Begins the first frame, so that every screen draws into a begun frame.
void beginFirstFrame();
// Closes what openDisplay opened, after the first screen has returned.
void closeDisplay();

// Drawing, between two frame pumps. Text and formats are UTF-8.

// Draws text with its top-left at (x, y) (or centred on x with textCentre) in a font of the
// given pixel height and face, the cache of fonts being the front end's.
void drawText(int x, int y, const char* text, Colour colour, int height, const char* faceName,
              TextFormat format);
// Replaces the one picture by the file's contents: resultOk when it loaded, resultFailed
// otherwise; a failed load leaves no picture.
ResultCode loadBackground(const char* fileName);
// Draws the picture's top-left 128 x 128 texels as a quad (nothing without a picture): corner
// (x, y) before scaling and turning, pivot as a fraction of the square, angle in radians
// (clockwise on screen), a scaleY of 0 meaning scaleX. fillBackgroundQuad gives the corners.
void drawBackground(int x, int y, float scaleX, float scaleY, float pivotX, float pivotY,
                    float angle, float depth);
// Untextured primitives straight from the caller's array: alpha-blended, counter-clockwise
// triangles culled.
void drawColourPrimitive(PrimitiveKind kind, unsigned primitiveCount, const ColourVertex* vertices);

// The frame pump's platform parts. The core's pumpFrame calls them once a frame in this order:
// presentDrawnFrame, paceWait, handleWindowEvents, (the sound tick), beginNextFrame, readDevices.

// Shows the frame drawn since the last beginNextFrame (or beginFirstFrame).
void presentDrawnFrame();
// Ends that frame without showing it (fast playback draws frames nobody sees).
void discardDrawnFrame();
// The clock the frames are paced by: now, in ticks, and its ticks per second.
std::int64_t paceClockNow();
std::int64_t paceClockRate();
// Waits that many ticks (nothing for 0 or less, but the browser always yields once).
void paceWait(std::int64_t ticks);
// Handles the platform's pending events (window, devices coming and going, a hidden tab);
// true when the player closed the game.
bool handleWindowEvents();
// Begins the next frame, cleared to opaque black.
void beginNextFrame();
// What the local keyboard and pads report at this poll.
void readDevices(DeviceReading& reading);

// A modal box with the text and an OK button; returns when the player has closed it.
void showMessageBox(const char* text);

// Sound slots 1 .. soundSlots - 1 each hold one sound: mono 16-bit samples at soundSampleRate,
// made by the game. A slot plays through eight copies in turn, so up to eight of its sounds
// overlap and a ninth restarts the oldest.
constexpr int soundSlots = 256;
constexpr int soundSampleRate = 44100;
constexpr int soundVoicesPerSlot = 8;
// Gives a slot its sound (the samples are copied), replacing what it held; without a sound
// device it does nothing.
void loadSoundSlot(int slot, const std::int16_t* samples, int count);
// Starts the next of a sound slot's playing copies; resultFailed when the slot holds no sound.
ResultCode playSoundSlot(int slot);
// While muted nothing is heard: what plays falls silent at once, what starts stays silent.
void setSoundMuted(bool muted);
// The loudness of everything played, 0 (silent) .. 100 (the sounds as made); 100 until set.
void setSoundVolume(int percent);

// The language the player asked for where the front end takes it (the SDL game's --lang, the
// page's ?lang=): "ja", "en", or "" for none.
std::string requestedLanguage();
// The system's language for the game's choice ("ja_JP.UTF-8", "en-US", ...; "" when unknown).
std::string systemLanguage();

// The player's settings as text (app/settings.h reads and writes it), kept where the platform
// keeps such things: a file, the browser's storage, memory. Missing: nothing stored yet;
// Unreadable: something is stored but cannot be read (the game then uses its defaults).
enum class StoredText { Read, Missing, Unreadable };
StoredText readSettingsText(std::string& text);
// Replaces the stored text as a whole; false when it could not be written, the old text then
// being left as it was. Where it went, for the player's messages ("" when nowhere).
bool writeSettingsText(const std::string& text);
std::string settingsLocation();

// Saved replays (replay/replay_library.h decides what is kept): files in the folder of the
// user's data where the platform has one ($XDG_DATA_HOME/kokurin/replays, kokurin/replays in
// %APPDATA%), the browser's storage otherwise. Names are the game's own (letters, digits, '-',
// '.'); a write replaces the old data whole or leaves it as it was.
bool writeReplayData(const std::string& name, const std::string& bytes);
// False when there is no such replay or it cannot be read; at most maxBytes are read (a larger
// one is reported with maxBytes + 1 bytes, so that the reader can refuse it).
bool readReplayData(const std::string& name, std::size_t maxBytes, std::string& bytes);
void listReplayData(std::vector<std::string>& names);
void removeReplayData(const std::string& name);
// Where replays go, for the player's messages ("" when nowhere).
std::string replayLocation();
// How a watched replay ended, in the game's words: the page shows it, the desktop prints it
// (and `kokurin --replay` exits with it).
void replayWatched(bool ok, const char* text);

// Online play: a new WebSocket connection (net/transport.h) for each visit to the lobby; null
// where the front end has no network, and the lobby then says so.
std::unique_ptr<net::Transport> openOnlineTransport();
// The online room the game is in (empty code: none), so that the page can offer a link that
// joins it; the desktop has nothing to do.
void announceOnlineRoom(const std::string& serverUrl, const std::string& roomCode);
// Fills bytes from the system's cryptographic random source (a player key for ranked play is
// made from it); false when there is none.
bool fillSystemRandom(std::uint8_t* bytes, std::size_t count);

// ---- Provided by the core, for front ends ---------------------------------------------------

// The whole game from start-up to shutdown (the title screen when firstScreen is null); returns
// the process exit code. The first screen is given the run's session (screens/title_screen.h:
// the series of matches, seeded from the clock).
// online (screens/online_request.h) names a server, and may send the title straight to its
// lobby, a room or the quick-match queue.
struct PlaySession;
using ScreenRun = bool (*)(PlaySession& session);
int runGame(ScreenRun firstScreen = nullptr);
int runGame(ScreenRun firstScreen, const OnlineRequest& online);

// Ends the frame drawn since the last call: presents it, waits for the next 1/60 s, handles the
// platform's events, calls soundTick, begins the next frame and makes the frame's input, which
// advances the key table. True when the screens must return at once without drawing or pumping
// again: the player closed the game (every later call says so too), or what feeds the frames
// (a replay, the network) has ended them.
bool pumpFrame();
// After a wait of the platform's own (a lost device, a hidden tab): the frame deadlines start
// afresh from the next frame.
void restartFramePacing();

// One tick of the sound schedule: plays every row due since the last tick. Once a frame.
void soundTick();

// Draws the scene on screen again (a running match's frame) into the frame being drawn, for a
// modal box a front end draws itself over it; false, drawing nothing, where no screen offers one.
bool redrawScene();

} // namespace kokurin
