// The SDL front end's own parts: Direct3D's culling and line rules, UTF-8, pads played through
// SDL's virtual joysticks and the real frame pump, the mixer and the sound device (SDL's disk
// driver writes what it plays to a file), and the lock file.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "input/key_state.h"
#include "platform/platform.h"
#include "screens/game_texts.h"
#include "sdl/primitive_geometry.h"
#include "sdl/single_instance.h"
#include "sdl/sound_device.h"
#include "sdl/text.h"
#include "sound/offline_render.h"
#include "sound/sound_bank.h"
#include "sound/synth.h"

using namespace kokurin;
using namespace kokurin::sdl;

namespace {

namespace fs = std::filesystem;

int culledStrip(const std::vector<Point>& strip, std::vector<int>& indices) {
    indices.assign(3 * (strip.size() - 2), -1);
    const int filled = clockwiseStripTriangles(
        static_cast<unsigned>(strip.size() - 2), [&strip](int i) { return strip[i]; },
        indices.data());
    indices.resize(filled);
    return filled;
}

std::vector<std::pair<int, int>> pixelsOf(const LineSpan& span) {
    std::vector<std::pair<int, int>> pixels;
    for (int i = 0; i < span.count(); ++i) {
        pixels.emplace_back(span.x(i), span.y(i));
    }
    return pixels;
}

fs::path scratchFile(const std::string& name) {
    return fs::temp_directory_path() / ("kokurin-sdl-" + std::to_string(getpid()) + "-" + name);
}

} // namespace

TEST(SdlGeometry, OnlyClockwiseTrianglesOfAStripAreKeptEachListedClockwise) {
    std::vector<int> indices;
    // The screens' rectangle: top-right, bottom-right, top-left, bottom-left.
    EXPECT_EQ(culledStrip({{200, 50}, {200, 80}, {100, 50}, {100, 80}}, indices), 6);
    EXPECT_EQ(indices, (std::vector<int>{0, 1, 2, 2, 1, 3}));
    // Mirrored: both counter-clockwise.
    EXPECT_EQ(culledStrip({{100, 50}, {100, 80}, {200, 50}, {200, 80}}, indices), 0);
    // A strip folded over itself keeps only its clockwise half; a flat triangle is dropped.
    EXPECT_EQ(culledStrip({{200, 50}, {200, 80}, {100, 50}, {300, 80}}, indices), 3);
    EXPECT_EQ(culledStrip({{0, 0}, {10, 10}, {20, 20}}, indices), 0);
}

TEST(SdlGeometry, LinesCoverTheirFirstEndsPixelButNotTheLast) {
    EXPECT_EQ(pixelsOf(LineSpan(8, 32, 8, 35)),
              (std::vector<std::pair<int, int>>{{8, 32}, {8, 33}, {8, 34}}));
    EXPECT_EQ(pixelsOf(LineSpan(8, 35, 8, 32)),
              (std::vector<std::pair<int, int>>{{8, 35}, {8, 34}, {8, 33}}));
    EXPECT_EQ(pixelsOf(LineSpan(10, 5, 13, 5)),
              (std::vector<std::pair<int, int>>{{10, 5}, {11, 5}, {12, 5}}));
    EXPECT_EQ(pixelsOf(LineSpan(0, 0, 4, 2)),
              (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 1}, {3, 2}}));
    EXPECT_TRUE(LineSpan(8, 32, 8, 40).straight());
    EXPECT_FALSE(LineSpan(0, 0, 4, 2).straight());
    EXPECT_EQ(LineSpan(5.2f, 5.0f, 5.4f, 5.3f).count(), 0);
}

TEST(SdlText, Utf8DecodesEveryLengthAndRefusesWhatIsNoCharacter) {
    const char* text = "A\xC3\xA9剋\xF0\x9F\x98\x80";
    EXPECT_EQ(nextCodePoint(&text), U'A');
    EXPECT_EQ(nextCodePoint(&text), U'\u00E9');
    EXPECT_EQ(nextCodePoint(&text), U'剋');
    EXPECT_EQ(nextCodePoint(&text), U'\U0001F600');
    EXPECT_EQ(*text, '\0');
    // A stray continuation, an overlong slash, a surrogate, a cut sequence: one byte each.
    for (const char* bad : {"\x80x", "\xC0\xAFx", "\xED\xA0\x80x", "\xE5\x89x"}) {
        const char* at = bad;
        EXPECT_EQ(nextCodePoint(&at), U'\uFFFD') << bad;
        EXPECT_EQ(at, bad + 1);
    }
}

namespace {

// A pad on SDL's virtual joystick driver, with every game-controller button.
class VirtualPad {
  public:
    VirtualPad() {
        SDL_VirtualJoystickDesc desc;
        SDL_zero(desc);
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
        desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
        desc.name = "kokurin test pad";
        index_ = SDL_JoystickAttachVirtualEx(&desc);
        joystick_ = index_ >= 0 ? SDL_JoystickOpen(index_) : nullptr;
    }
    ~VirtualPad() { unplug(); }
    bool ready() const { return joystick_ != nullptr; }
    void set(SDL_GameControllerButton button, bool down) {
        SDL_JoystickSetVirtualButton(joystick_, button, down ? 1 : 0);
    }
    void unplug() {
        if (joystick_ != nullptr) {
            const int index = deviceIndex();
            SDL_JoystickClose(joystick_);
            joystick_ = nullptr;
            SDL_JoystickDetachVirtual(index);
        }
    }

  private:
    int deviceIndex() const {
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == SDL_JoystickInstanceID(joystick_)) {
                return i;
            }
        }
        return -1;
    }

    int index_ = -1;
    SDL_Joystick* joystick_ = nullptr;
};

} // namespace

TEST(SdlPads, FirstPadPlaysSeatOneSecondSeatTwoAndUnpluggingLetsGo) {
    VirtualPad first;
    ASSERT_TRUE(first.ready()) << SDL_GetError();
    ASSERT_FALSE(pumpFrame());
    VirtualPad second;
    ASSERT_TRUE(second.ready()) << SDL_GetError();
    ASSERT_FALSE(pumpFrame());

    first.set(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    first.set(SDL_CONTROLLER_BUTTON_A, true);
    second.set(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    second.set(SDL_CONTROLLER_BUTTON_A, true);
    second.set(SDL_CONTROLLER_BUTTON_Y, true);
    for (int poll = 1; poll <= 3; ++poll) {
        ASSERT_FALSE(pumpFrame());
        EXPECT_EQ(keyState[keyW], poll);
        EXPECT_EQ(keyState[keySpace], poll);
        EXPECT_EQ(keyState[keyLeft], poll);
        EXPECT_EQ(keyState[keyReturn], poll);
        EXPECT_EQ(keyState[keyH], poll);
    }
    EXPECT_EQ(keyState[keyUp], 0);
    EXPECT_EQ(keyState[keyA], 0);

    // Unplugged while held: its keys go up; a pad plugged in then takes the free first seat.
    first.unplug();
    ASSERT_FALSE(pumpFrame());
    EXPECT_EQ(keyState[keyW], 0);
    EXPECT_EQ(keyState[keySpace], 0);
    EXPECT_EQ(keyState[keyLeft], 4);
    VirtualPad third;
    ASSERT_TRUE(third.ready());
    ASSERT_FALSE(pumpFrame());
    third.set(SDL_CONTROLLER_BUTTON_BACK, true);
    third.set(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
    ASSERT_FALSE(pumpFrame());
    EXPECT_EQ(keyState[keyEscape], 1);
    EXPECT_EQ(keyState[keyS], 1);
    EXPECT_EQ(keyState[keyDown], 0);
    third.unplug();
    second.unplug();
    ASSERT_FALSE(pumpFrame());
    EXPECT_EQ(keyState[keyEscape], 0);
    EXPECT_EQ(keyState[keyReturn], 0);
}

void pushKey(SDL_Scancode scancode, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = scancode;
    SDL_PushEvent(&event);
}

TEST(SdlKeys, AKeyPressedAndLetGoBetweenTwoPollsCountsForOnePoll) {
    ASSERT_FALSE(pumpFrame());
    // Down and up before the next poll: seen as pressed once, then up.
    pushKey(SDL_SCANCODE_D, true);
    pushKey(SDL_SCANCODE_D, false);
    ASSERT_FALSE(pumpFrame());
    EXPECT_EQ(keyState[keyD], 1);
    ASSERT_FALSE(pumpFrame());
    EXPECT_EQ(keyState[keyD], 0);
    // Held over polls counts up as always; a second tap while held adds nothing.
    pushKey(SDL_SCANCODE_D, true);
    ASSERT_FALSE(pumpFrame());
    ASSERT_FALSE(pumpFrame());
    EXPECT_EQ(keyState[keyD], 2);
    pushKey(SDL_SCANCODE_D, false);
    ASSERT_FALSE(pumpFrame());
    EXPECT_EQ(keyState[keyD], 0);
}

TEST(SdlSound, WithoutADeviceNothingLoadsOrPlays) {
    SDL_setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(openSound());
    const std::int16_t samples[3] = {1, 2, 3};
    loadSoundSlot(1, samples, 3);
    EXPECT_EQ(playSoundSlot(1), resultFailed);
    setSoundMuted(true);
}

TEST(SdlSound, TheDevicePlaysWhatTheOfflineRenderPlaysForTheSameFrames) {
    // The game's own sounds started at scripted frames, far enough apart to be heard one by one.
    const std::vector<SoundEvent> score = {
        {10, slotSelect, false},           {50, elementSlot(Fire, 0), false},
        {90, elementSlot(Water, 3), false}, {130, strikeSlot(1.0f), false},
        {170, slotChimeHigh, false},
    };
    const std::vector<std::int16_t> offline = renderSound(score, 220);

    const fs::path file = scratchFile("game-sound.raw");
    SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
    SDL_setenv("SDL_DISKAUDIOFILE", file.string().c_str(), 1);
    ASSERT_TRUE(openSound()) << SDL_GetError();
    loadSoundBank();
    // The same frames on the clock, as the frame pump keeps it.
    const Uint32 start = SDL_GetTicks();
    for (const SoundEvent& event : score) {
        const Uint32 due = start + static_cast<Uint32>(event.frame * 1000 / 60);
        while (SDL_GetTicks() < due) {
            SDL_Delay(1);
        }
        ASSERT_EQ(playSoundSlot(event.slot), resultOk);
    }
    SDL_Delay(1000);
    closeSound();
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(file);
    std::vector<std::int16_t> device(bytes.size() / 2);
    std::memcpy(device.data(), bytes.data(), device.size() * 2);

    // Each sound, found after the one before it has ended: the same samples in both, starting
    // where the frames put them (the device within a few of its buffers).
    std::size_t from = 0;
    long firstOnset = -1;
    for (const SoundEvent& event : score) {
        SCOPED_TRACE(testing::Message() << "sound of frame " << event.frame);
        std::vector<std::int16_t> alone(maxNoteSamples);
        alone.resize(static_cast<std::size_t>(synthesizeSlot(event.slot, alone.data())));
        const long expected = event.frame * samplesPerFrame;
        ASSERT_TRUE(std::equal(alone.begin(), alone.end(), offline.begin() + expected));
        while (from < device.size() && device[from] == 0) {
            ++from;
        }
        // A sound may begin with a zero sample: step back to where it started.
        const std::size_t onset = from - (alone[0] == 0 && from > 0 ? 1 : 0);
        ASSERT_GE(device.size(), onset + alone.size()) << "not heard";
        EXPECT_TRUE(std::equal(alone.begin(), alone.end(), device.begin() + onset));
        if (firstOnset < 0) {
            firstOnset = static_cast<long>(onset) - expected;
        }
        EXPECT_NEAR(static_cast<double>(static_cast<long>(onset) - expected),
                    static_cast<double>(firstOnset), 3000.0);
        from = onset + alone.size();
    }
}

TEST(SdlSound, TheDeviceStreamCarriesALoadedSoundUntilMuted) {
    const fs::path file = scratchFile("audio.raw");
    SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
    SDL_setenv("SDL_DISKAUDIOFILE", file.string().c_str(), 1);
    ASSERT_TRUE(openSound()) << SDL_GetError();
    std::vector<std::int16_t> sound(3000);
    for (std::size_t i = 0; i < sound.size(); ++i) {
        sound[i] = static_cast<std::int16_t>(1 + (i * 37) % 20000);
    }
    loadSoundSlot(7, sound.data(), static_cast<int>(sound.size()));
    EXPECT_EQ(playSoundSlot(7), resultOk);
    EXPECT_EQ(playSoundSlot(8), resultFailed);
    SDL_Delay(300);
    setSoundMuted(true);
    EXPECT_EQ(playSoundSlot(7), resultOk);
    SDL_Delay(200);
    closeSound();

    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(file);
    std::vector<std::int16_t> stream(bytes.size() / 2);
    std::memcpy(stream.data(), bytes.data(), stream.size() * 2);
    std::size_t first = 0;
    while (first < stream.size() && stream[first] == 0) {
        ++first;
    }
    ASSERT_GE(stream.size(), first + sound.size()) << "the sound never reached the device";
    EXPECT_TRUE(std::equal(sound.begin(), sound.end(), stream.begin() + first));
    // Nothing after it: the start made while muted stayed silent.
    EXPECT_TRUE(std::all_of(stream.begin() + first + sound.size(), stream.end(),
                            [](std::int16_t s) { return s == 0; }));
}

TEST(SdlSingleInstance, OneLockHolderAtATimeAndAStaleFileNeverBlocks) {
    const fs::path stale = scratchFile("stale.lock");
    {
        std::ofstream left(stale);
        left << "left over by a run that crashed\n";
    }
    EXPECT_TRUE(lockForLife(stale.string()));
    // A second holder, even in this process, is refused while the first lock lives.
    EXPECT_FALSE(lockForLife(stale.string()));
    // A lock file that cannot be made does not keep the game from starting.
    EXPECT_TRUE(lockForLife((scratchFile("missing") / "kokurin.lock").string()));
    fs::remove(stale);

    const std::string runtime = SDL_getenv("XDG_RUNTIME_DIR") ? SDL_getenv("XDG_RUNTIME_DIR") : "";
    SDL_setenv("XDG_RUNTIME_DIR", "/run/user/4242", 1);
    EXPECT_EQ(lockFilePath(), "/run/user/4242/kokurin.lock");
    SDL_setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

TEST(SdlLanguage, JapaneseOnlyWhereTheLocaleSaysSoInGettextsOrderAndCIgnoresLanguage) {
    // LC_ALL, LC_MESSAGES, LANG, LANGUAGE ("" unset), and the language chosen.
    const std::vector<std::pair<std::vector<const char*>, Language>> cases = {
        {{"", "", "C.UTF-8", ""}, Language::English},
        {{"", "", "POSIX", ""}, Language::English},
        {{"", "", "ja_JP.UTF-8", ""}, Language::Japanese},
        {{"en_GB.UTF-8", "", "ja_JP.UTF-8", ""}, Language::English},
        {{"", "ja_JP.UTF-8", "en_US.UTF-8", ""}, Language::Japanese},
        {{"", "", "en_US.UTF-8", "ja:en"}, Language::Japanese},
        {{"C", "", "", "ja"}, Language::English},
    };
    const char* const names[] = {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"};
    std::vector<std::string> saved;
    for (const char* name : names) {
        saved.push_back(std::getenv(name) != nullptr ? std::getenv(name) : "");
    }
    auto set = [&names](const std::vector<std::string>& values) {
        for (int i = 0; i < 4; ++i) {
            values[i].empty() ? unsetenv(names[i]) : setenv(names[i], values[i].c_str(), 1);
        }
    };
    for (const auto& [values, expected] : cases) {
        set(std::vector<std::string>(values.begin(), values.end()));
        EXPECT_EQ(chooseLanguage("", "auto", systemLanguage()), expected) << values[2];
    }
    set(saved);
}
