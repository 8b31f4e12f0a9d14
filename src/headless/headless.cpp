// The headless front end: defines the drawing calls, the frame pump's parts and the message box
// by recording and by replaying a key script, so that the real screen loops run in tests and tools.
#include "headless/headless.h"
#include "headless/headless_settings.h"
#include "input/key_bindings.h"

#include <cstring>
#include <utility>

#include "app/frame_pump.h"
#include "input/key_state.h"
#include "input/pick_targets.h"
#include "net/transport.h"
#include "screens/flash_options.h"
#include "screens/game_texts.h"
#include "screens/help_overlay.h"

namespace kokurin {
namespace headless {
namespace {

// The headless clock runs 60 ticks a second, one a poll: the pump never waits.
constexpr std::int64_t ticksPerSecond = 60;

struct FrontEnd {
    FramePump pump{ticksPerSecond};
    // The poll limit was reached in this pump: no frame was shown and the game closes.
    bool limitReached = false;
    // Saved replays by name; writes fail while the store is read-only.
    std::map<std::string, std::string> replays;
    bool replaysWritable = true;
    std::vector<WatchedReplay> watched;
    KeySource* keys = nullptr;
    long polls = 0;
    long maxPolls = 0;
    bool recording = true;
    std::string requestedLanguage;
    std::string systemLanguage = "ja";
    std::vector<DrawCall> current;
    std::vector<DrawCall> last;
    std::function<void(const std::vector<DrawCall>&, long)> frameHook;
    std::vector<std::string> loaded;
    std::string picture;
    std::set<std::string> missing;
    std::vector<std::string> messageLog;
    std::function<void(const char*)> messageHandler;
    StartUp startUp;
    std::vector<std::string> startUpLog;
    std::vector<PlayedSound> sounds;
    std::vector<MuteChange> muteChanges;
    int slotLengths[soundSlots] = {};
    bool muted = false;
};

FrontEnd& frontEnd() {
    static FrontEnd instance;
    // Its pump runs the frames from the first use on, whether or not a test resets first.
    static const bool pumpInstalled = (installFramePump(&instance.pump), true);
    (void)pumpInstalled;
    return instance;
}

} // namespace

void KeyScript::hold(long first, long last, int code) {
    for (long poll = first; poll <= last; ++poll) {
        press(poll, code);
    }
}

bool KeyScript::pointerPressed(long poll, int& x, int& y) {
    auto found = clicks_.find(poll);
    if (found == clicks_.end()) {
        return false;
    }
    x = found->second.first;
    y = found->second.second;
    return true;
}

void KeyScript::keysDown(long poll, bool down[256]) {
    auto found = downAt_.find(poll);
    if (found == downAt_.end()) {
        return;
    }
    for (int code : found->second) {
        if (code >= 0 && code < 256) {
            down[code] = true;
        }
    }
}

void reset() {
    frontEnd() = FrontEnd{};
    installFramePump(&frontEnd().pump);
    resetSettingsStore();
    setActiveKeyBindings(defaultKeyBindings());
    std::memset(keyState, 0, sizeof keyState);
    // What a run may have chosen: the game's own language and flashing, no help, no pick.
    setGameLanguage(Language::Japanese);
    setReduceFlashing(false);
    setHelpLatched(false);
    takeOfferedPicks();
    setFramePick(-1);
}

void setLanguages(const std::string& requested, const std::string& system) {
    frontEnd().requestedLanguage = requested;
    frontEnd().systemLanguage = system;
}

void setKeySource(KeySource* source) {
    frontEnd().keys = source;
}
void setPollLimit(long maxPolls) {
    // A new limit is a new run: a game closed by the last one opens again.
    frontEnd().maxPolls = maxPolls;
    frontEnd().limitReached = false;
    frontEnd().pump.reopen();
}
long pollCount() {
    return frontEnd().polls;
}
long quitCount() {
    return frontEnd().pump.quitReports();
}
void setRecording(bool on) {
    frontEnd().recording = on;
}
const std::vector<DrawCall>& currentFrame() {
    return frontEnd().current;
}
const std::vector<DrawCall>& lastFrame() {
    return frontEnd().last;
}

void setFrameHook(std::function<void(const std::vector<DrawCall>&, long)> hook) {
    frontEnd().frameHook = std::move(hook);
}

const std::vector<std::string>& loadedPictures() {
    return frontEnd().loaded;
}
const std::string& currentPicture() {
    return frontEnd().picture;
}
void setMissingPictures(std::set<std::string> names) {
    frontEnd().missing = std::move(names);
}
std::map<std::string, std::string>& storedReplays() {
    return frontEnd().replays;
}
void setReplayStoreWritable(bool writable) {
    frontEnd().replaysWritable = writable;
}
const std::vector<WatchedReplay>& watchedReplays() {
    return frontEnd().watched;
}

const std::vector<std::string>& messages() {
    return frontEnd().messageLog;
}

void setMessageHandler(std::function<void(const char*)> handler) {
    frontEnd().messageHandler = std::move(handler);
}

void setStartUp(const StartUp& startUp) {
    frontEnd().startUp = startUp;
}
const std::vector<std::string>& startUpLog() {
    return frontEnd().startUpLog;
}
const std::vector<PlayedSound>& soundsPlayed() {
    return frontEnd().sounds;
}
int soundSlotLength(int slot) {
    return frontEnd().slotLengths[slot];
}
bool soundMutedByGame() {
    return frontEnd().muted;
}
const std::vector<MuteChange>& muteChanges() {
    return frontEnd().muteChanges;
}

} // namespace headless

using headless::DrawCall;
using headless::frontEnd;

namespace {

void logStep(const char* step) {
    frontEnd().startUpLog.emplace_back(step);
}

} // namespace

bool claimSingleInstance() {
    logStep("claimSingleInstance");
    return frontEnd().startUp.singleInstance;
}

void enterExecutableFolder() {
    logStep("enterExecutableFolder");
}

int openDisplay() {
    logStep("openDisplay");
    return frontEnd().startUp.display;
}

bool registerGameFont() {
    logStep("registerGameFont");
    return frontEnd().startUp.fontAdded;
}

void unregisterGameFont() {
    logStep("unregisterGameFont");
}
void openInput() {
    logStep("openInput");
}

bool openSound() {
    logStep("openSound");
    return frontEnd().startUp.sound;
}

std::uint32_t clockMilliseconds() {
    // Sixty polls a second from the start value: the schedule keeps time with the frames.
    const auto& fe = frontEnd();
    return fe.startUp.clock + static_cast<std::uint32_t>(fe.polls * 1000 / 60);
}

void beginFirstFrame() {
    logStep("beginFirstFrame");
}
void closeDisplay() {
    logStep("closeDisplay");
}

void loadSoundSlot(int slot, const std::int16_t* samples, int count) {
    if (slot > 0 && slot < soundSlots) {
        frontEnd().slotLengths[slot] = samples != nullptr && count > 0 ? count : 0;
    }
}

ResultCode playSoundSlot(int slot) {
    auto& fe = frontEnd();
    if (slot <= 0 || slot >= soundSlots || fe.slotLengths[slot] == 0) {
        return resultFailed;
    }
    fe.sounds.push_back(headless::PlayedSound{fe.polls, slot, fe.muted});
    return resultOk;
}

void setSoundMuted(bool muted) {
    frontEnd().muted = muted;
    frontEnd().muteChanges.push_back(headless::MuteChange{frontEnd().polls, muted});
}

void drawText(int x, int y, const char* text, Colour colour, int height, const char* faceName,
              TextFormat format) {
    auto& fe = frontEnd();
    if (!fe.recording) {
        return;
    }
    DrawCall call;
    call.kind = DrawCall::Kind::Text;
    call.x = x;
    call.y = y;
    call.text = text;
    call.colour = colour;
    call.height = height;
    call.face = faceName;
    call.format = format;
    fe.current.push_back(std::move(call));
}

ResultCode loadBackground(const char* fileName) {
    auto& fe = frontEnd();
    fe.loaded.emplace_back(fileName);
    if (fe.missing.count(fileName) != 0) {
        fe.picture.clear();
        return resultFailed;
    }
    fe.picture = fileName;
    return resultOk;
}

void drawBackground(int x, int y, float scaleX, float scaleY, float pivotX, float pivotY,
                    float angle, float depth) {
    auto& fe = frontEnd();
    if (!fe.recording || fe.picture.empty()) {
        return;
    }
    DrawCall call;
    call.kind = DrawCall::Kind::Background;
    call.x = x;
    call.y = y;
    call.scaleX = scaleX;
    call.scaleY = scaleY;
    call.pivotX = pivotX;
    call.pivotY = pivotY;
    call.angle = angle;
    call.depth = depth;
    call.picture = fe.picture;
    fe.current.push_back(std::move(call));
}

void drawColourPrimitive(PrimitiveKind type, unsigned primitiveCount,
                         const ColourVertex* vertices) {
    auto& fe = frontEnd();
    if (!fe.recording) {
        return;
    }
    DrawCall call;
    call.kind = DrawCall::Kind::Primitive;
    call.primitive = type;
    call.primitiveCount = primitiveCount;
    unsigned vertexCount =
        type == PrimitiveKind::LineList ? 2 * primitiveCount : primitiveCount + 2;
    call.vertices.assign(vertices, vertices + vertexCount);
    fe.current.push_back(std::move(call));
}

void presentDrawnFrame() {
    auto& fe = frontEnd();
    if (fe.maxPolls > 0 && fe.polls + 1 > fe.maxPolls) {
        fe.limitReached = true;
        return;
    }
    ++fe.polls;
    // Present: the drawn frame becomes the last one; the next frame starts empty.
    std::swap(fe.last, fe.current);
    fe.current.clear();
    if (fe.frameHook) {
        fe.frameHook(fe.last, fe.polls);
    }
}

// Headless frames are all kept: a frame not shown still counts as a poll.
void discardDrawnFrame() {
    presentDrawnFrame();
}

std::int64_t paceClockNow() {
    return frontEnd().polls;
}
std::int64_t paceClockRate() {
    return headless::ticksPerSecond;
}
void paceWait(std::int64_t) {}

bool handleWindowEvents() {
    // The poll limit is the headless way of closing the game.
    return frontEnd().limitReached;
}

void beginNextFrame() {}

void readDevices(DeviceReading& reading) {
    auto& fe = frontEnd();
    for (int key = 0; key < keyboardKeys; ++key) {
        reading.down[key] = false;
        reading.tapped[key] = false;
    }
    reading.padButtons[0] = 0;
    reading.padButtons[1] = 0;
    reading.pointer = {0, 0, false};
    if (fe.keys != nullptr) {
        fe.keys->keysDown(fe.polls, reading.down);
        reading.pointer.pressed =
            fe.keys->pointerPressed(fe.polls, reading.pointer.x, reading.pointer.y);
    }
}

bool writeReplayData(const std::string& name, const std::string& bytes) {
    auto& fe = frontEnd();
    if (!fe.replaysWritable) {
        return false;
    }
    fe.replays[name] = bytes;
    return true;
}

bool readReplayData(const std::string& name, std::size_t maxBytes, std::string& bytes) {
    auto& fe = frontEnd();
    auto found = fe.replays.find(name);
    if (found == fe.replays.end()) {
        return false;
    }
    bytes = found->second.substr(0, maxBytes + 1);
    return true;
}

void listReplayData(std::vector<std::string>& names) {
    names.clear();
    for (const auto& entry : frontEnd().replays) {
        names.push_back(entry.first);
    }
}

void removeReplayData(const std::string& name) {
    frontEnd().replays.erase(name);
}

std::string replayLocation() {
    return "memory";
}

void replayWatched(bool ok, const char* text) {
    frontEnd().watched.push_back(headless::WatchedReplay{ok, text});
}

std::string requestedLanguage() {
    return frontEnd().requestedLanguage;
}

std::string systemLanguage() {
    return frontEnd().systemLanguage;
}

void showMessageBox(const char* text) {
    auto& fe = frontEnd();
    if (fe.messageHandler) {
        fe.messageHandler(text);
        return;
    }
    fe.messageLog.emplace_back(text);
}

// Online play: the transport is whatever the host installs (the simulator a real WebSocket
// client); the last room announced is kept for the tests.
namespace {

std::function<std::unique_ptr<net::Transport>()>& transportFactory() {
    static std::function<std::unique_ptr<net::Transport>()> factory;
    return factory;
}

std::string& announced() {
    static std::string room;
    return room;
}

} // namespace

void headless::setTransportFactory(std::function<std::unique_ptr<net::Transport>()> factory) {
    transportFactory() = std::move(factory);
}

const std::string& headless::announcedRoom() {
    return announced();
}

std::unique_ptr<net::Transport> openOnlineTransport() {
    return transportFactory() ? transportFactory()() : nullptr;
}

void announceOnlineRoom(const std::string& serverUrl, const std::string& roomCode) {
    announced() = roomCode.empty() ? std::string() : serverUrl + " " + roomCode;
}

} // namespace kokurin
