// The headless front end: the drawing calls are recorded instead of rendered, pumpFrame feeds
// scripted keys poll by poll and never sleeps, the message box is answered at once, and the
// start-up steps are logged. Linked by the tests and the developer tools; the smallest complete
// front end, and the one to copy when porting.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace kokurin {
namespace headless {

struct DrawCall {
    enum class Kind { Text, Primitive, Background };
    Kind kind = Kind::Text;
    // Text
    int x = 0;
    int y = 0;
    std::string text;
    std::uint32_t colour = 0;
    int height = 0;
    std::string face;
    std::uint32_t format = 0;
    // Primitive
    PrimitiveKind primitive = PrimitiveKind::TriangleStrip;
    unsigned primitiveCount = 0;
    std::vector<ColourVertex> vertices;
    // Background (x and y above are its corner)
    float scaleX = 0;
    float scaleY = 0;
    float pivotX = 0;
    float pivotY = 0;
    float angle = 0;
    float depth = 0;
    std::string picture;
};

// Which keys are down at a given poll (1-based count of pumpFrame calls).
class KeySource {
  public:
    virtual ~KeySource() = default;
    virtual void keysDown(long poll, bool down[256]) = 0;
    // A pointer press at a poll, at (x, y) on the 640 x 480 screen; false for none.
    virtual bool pointerPressed(long /*poll*/, int& /*x*/, int& /*y*/) { return false; }
};

// A script of key codes by poll number: the listed codes are down at exactly those polls.
class KeyScript : public KeySource {
  public:
    // Code is down at poll.
    void press(long poll, int code) { downAt_[poll].insert(code); }
    // Code is down at every poll of first .. last.
    void hold(long first, long last, int code);
    // A tap: down for one poll.
    void tap(long poll, int code) { press(poll, code); }
    // A pointer press at (x, y) at poll (the last one given for a poll counts).
    void click(long poll, int x, int y) { clicks_[poll] = {x, y}; }
    void keysDown(long poll, bool down[256]) override;
    bool pointerPressed(long poll, int& x, int& y) override;
    bool empty() const { return downAt_.empty() && clicks_.empty(); }

  private:
    std::map<long, std::set<int>> downAt_;
    std::map<long, std::pair<int, int>> clicks_;
};

// What requestedLanguage and systemLanguage answer ("" and "ja" after reset).
void setLanguages(const std::string& requested, const std::string& system);

// Restores the front end's start state: poll 0, key state cleared, no script, no hooks, no
// picture, recording on.
void reset();

// Keys come from this source from the next poll on (null: no key is ever down).
void setKeySource(KeySource* source);
// pumpFrame reports quit on the call that would make the poll count exceed maxPolls
// (0: never). The count does not advance on that call and no key is read.
void setPollLimit(long maxPolls);
// Calls of pumpFrame completed so far.
long pollCount();
// Calls of pumpFrame that reported quit (a loop that honours quit makes exactly one).
long quitCount();

// Records the draws of each frame (on by default). With recording off nothing is kept, for
// long runs.
void setRecording(bool on);
// Draws made since the last pumpFrame (the frame being drawn).
const std::vector<DrawCall>& currentFrame();
// The draws of the frame that the last pumpFrame presented.
const std::vector<DrawCall>& lastFrame();
// Called inside every pumpFrame that presents a frame, with its draws and the new poll count,
// before the keys of that poll are read.
void setFrameHook(std::function<void(const std::vector<DrawCall>& frame, long poll)> hook);

// What loadBackground was asked for, in order; and the picture now held ("" for none).
const std::vector<std::string>& loadedPictures();
const std::string& currentPicture();
// Files whose load fails (the rest load).
void setMissingPictures(std::set<std::string> names);

// The saved replays by name (the headless store is memory), and whether writes succeed.
std::map<std::string, std::string>& storedReplays();
void setReplayStoreWritable(bool writable);
// How each watched replay ended, in order.
struct WatchedReplay {
    bool ok;
    std::string text;
};
const std::vector<WatchedReplay>& watchedReplays();

// Texts shown with showMessageBox, in order; the handler (if any) is called instead of
// recording when set.
// Online play: what openOnlineTransport makes (nothing until set), and the room last
// announced ("URL CODE", or empty).
void setTransportFactory(std::function<std::unique_ptr<net::Transport>()> factory);
const std::string& announcedRoom();

const std::vector<std::string>& messages();
void setMessageHandler(std::function<void(const char* text)> handler);

// What the start-up steps report: whether this is the only copy, openDisplay's result, whether
// the font was added, whether there is a sound device, and the clock at poll 0 (it then runs
// 1000 / 60 ms a poll). Each step called, but the clock, is logged by name.
struct StartUp {
    bool singleInstance = true;
    int display = 0;
    bool fontAdded = true;
    bool sound = false;
    std::uint32_t clock = 12345;
};
void setStartUp(const StartUp& startUp);
const std::vector<std::string>& startUpLog();
// A sound slot started by the schedule's tick at a poll (the tick of the pump that completed
// that poll; 0 before the first), and whether the sound was muted then.
struct PlayedSound {
    long poll;
    int slot;
    bool muted;
};
// The slots played (slots that hold a sound), in order.
const std::vector<PlayedSound>& soundsPlayed();
// Samples loaded into a slot (0: none); whether the front end has been told to mute.
int soundSlotLength(int slot);
bool soundMutedByGame();
// Every change of the mute, with the poll it came at.
struct MuteChange {
    long poll;
    bool muted;
};
const std::vector<MuteChange>& muteChanges();

} // namespace headless
} // namespace kokurin
