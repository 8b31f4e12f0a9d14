// The SDL front end on the real library under Xvfb: frames drawn through its own seam calls are
// read back from its frame texture (SDL_RenderReadPixels) and held to the expectations every
// front end shares; the real title and match screens drawn through it are written out and judged
// by the end-to-end tests' screen checks; and frames in steady state allocate nothing, neither
// in the game's code nor in SDL's (every operator new and every SDL allocation is counted). The
// test program's main sets the front end up.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include <unistd.h>

#include "gfx/text_format.h"
#include "input/key_state.h"
#include "rng/sfmt19937.h"
#include "rules/match_state.h"
#include "screens/match_screen.h"
#include "match/match.h"
#include "screens/title_screen.h"
#include "screens/scene_redraw.h"
#include "sdl/display.h"
#include "sdl/game_box.h"
#include "sdl/input.h"
#include "sdl/start_up.h"
#include "sdl/text.h"
#include "support/allocation_counter.h"
#include "support/render_expectations.h"

using namespace kokurin;
using namespace render_expectations;
using testing_support::countAllocation;
using testing_support::startCountingAllocations;
using testing_support::stopCountingAllocations;

namespace {

void* SDLCALL countedMalloc(std::size_t size) {
    countAllocation();
    return std::malloc(size);
}
void* SDLCALL countedCalloc(std::size_t n, std::size_t size) {
    countAllocation();
    return std::calloc(n, size);
}
void* SDLCALL countedRealloc(void* p, std::size_t size) {
    countAllocation();
    return std::realloc(p, size);
}

} // namespace

namespace {

namespace fs = std::filesystem;

fs::path framesFolder;

void pushKey(SDL_Scancode scancode, bool down, Uint16 modifiers = KMOD_NONE) {
    SDL_Event event;
    SDL_zero(event);
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = modifiers;
    SDL_PushEvent(&event);
}

bool fullscreen() {
    return (SDL_GetWindowFlags(sdl::window()) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
           SDL_WINDOW_FULLSCREEN_DESKTOP;
}

Frame readBack() {
    Frame frame;
    frame.pixels.resize(screenWidth * screenHeight);
    frame.hasAlpha = true;
    if (!sdl::readFrame(frame.pixels.data())) {
        frame.pixels.clear();
    }
    return frame;
}

// What the end-to-end screen checks find wrong with the frame ("" for nothing); the frame is
// kept as name.ppm (and .png) in the frames folder.
std::string screenProblems(const std::string& name, const std::string& checks, const Frame& frame) {
    if (frame.pixels.empty()) {
        return "the frame could not be read";
    }
    const fs::path file = framesFolder / (name + ".ppm");
    {
        std::ofstream out(file, std::ios::binary);
        out << "P6\n" << screenWidth << " " << screenHeight << "\n255\n";
        for (std::uint32_t pixel : frame.pixels) {
            const char rgb[3] = {static_cast<char>(pixel >> 16), static_cast<char>(pixel >> 8),
                                 static_cast<char>(pixel)};
            out.write(rgb, 3);
        }
    }
    const std::string command = std::string("\"") + KOKURIN_PYTHON + "\" -B \"" +
                                KOKURIN_SCREEN_CHECKS + "\" " + checks + " \"" + file.string() +
                                "\" 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return "the screen checks could not be run";
    }
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    const int status = pclose(pipe);
    return status == 0 ? std::string() : output + "(exit status " + std::to_string(status) + ")";
}

} // namespace

bool render_expectations::frontEndReady() {
    return sdl::renderer() != nullptr;
}

int render_expectations::filledFontSlots() {
    int filled = 0;
    for (int index = 0; index < fontCacheSlots; ++index) {
        filled += sdl::fontCache().slot(index).height != 0 ? 1 : 0;
    }
    return filled;
}

Frame render_expectations::render(const std::function<void()>& draw) {
    sdl::beginFrame();
    draw();
    Frame frame = readBack();
    sdl::presentFrame();
    return frame;
}

TEST_F(RenderTest, MatchScreenShowsItsBoardBarsTimerCaptionAndPortrait) {
    ASSERT_EQ(loadBackground("data/muka.bmp"), resultOk);
    MatchState state = Match(freshMatchStart(2, 20260607)).state();
    state.turnTimer = 300;
    std::string board;
    for (int cell = 0; cell < cellCount; ++cell) {
        board += static_cast<char>('0' + state.cells[cell]);
    }
    const Frame frame = render([&state] { drawMatchScreen(state); });
    EXPECT_EQ(screenProblems("match", "match data/muka.bmp " + board, frame), "");
}

TEST_F(RenderTest, TitleScreenShowsTheRosterPortraitAndHelpLines) {
    // The real title screen, driven by key events: S on the third frame selects entry 1, and
    // the eighth frame, read back before it is shown, must show it; ESC then leaves.
    int presented = 0;
    Frame shown;
    sdl::setPresentHook([&] {
        ++presented;
        if (presented == 3) {
            pushKey(SDL_SCANCODE_S, true);
        } else if (presented == 5) {
            pushKey(SDL_SCANCODE_S, false);
        } else if (presented == 8) {
            shown = readBack();
            pushKey(SDL_SCANCODE_ESCAPE, true);
        }
    });
    PlaySession session;
    EXPECT_FALSE(runTitleScreen(session));
    sdl::setPresentHook(nullptr);
    pushKey(SDL_SCANCODE_ESCAPE, false);
    EXPECT_EQ(presented, 8);
    EXPECT_EQ(screenProblems("title", "title 1 data/eee.bmp", shown), "");
}

TEST_F(RenderTest, MatchFramesInSteadyStateAllocateNothing) {
    ASSERT_EQ(loadBackground("data/muka.bmp"), resultOk);
    MatchState state = Match(freshMatchStart(2, 7)).state();
    state.queues[0].pushBack(Fire);
    state.queues[1].pushBack(Water);
    // Two seconds of the match screen, the timer running down through red and white and the
    // cursor moving: once for SDL's command pool and the glyphs to reach their size, then again
    // counting.
    long allocations = 0;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            startCountingAllocations();
        }
        for (state.turnTimer = 360; state.turnTimer > 240; --state.turnTimer) {
            drawMatchScreen(state);
            drawCellMark(state.turnTimer % 6, 2, 0xFFFF8000u);
            if (pumpFrame()) {
                break;
            }
        }
        allocations = stopCountingAllocations();
    }
    EXPECT_EQ(allocations, 0);
}

TEST_F(RenderTest, F11AndAltEnterToggleFullscreenAndAltEnterIsNoPlayersKey) {
    ASSERT_FALSE(fullscreen());
    pushKey(SDL_SCANCODE_F11, true);
    ASSERT_FALSE(pumpFrame());
    EXPECT_TRUE(fullscreen());
    pushKey(SDL_SCANCODE_F11, false);
    pushKey(SDL_SCANCODE_RETURN, true, KMOD_LALT);
    ASSERT_FALSE(pumpFrame());
    EXPECT_FALSE(fullscreen());
    EXPECT_EQ(keyState[keyReturn], 0);
    pushKey(SDL_SCANCODE_RETURN, false, KMOD_LALT);
    pushKey(SDL_SCANCODE_KP_ENTER, true);
    ASSERT_FALSE(pumpFrame());
    EXPECT_FALSE(fullscreen());
    EXPECT_EQ(keyState[keyReturn], 1);
    pushKey(SDL_SCANCODE_KP_ENTER, false);
    ASSERT_FALSE(pumpFrame());
    EXPECT_EQ(keyState[keyReturn], 0);
}

namespace {

void pushEvent(Uint32 type) {
    SDL_Event event;
    SDL_zero(event);
    event.type = type;
    if (type == SDL_MOUSEBUTTONDOWN) {
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = SDL_PRESSED;
        event.button.x = 30;
        event.button.y = 30;
    } else if (type == SDL_KEYDOWN || type == SDL_KEYUP) {
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.scancode = SDL_SCANCODE_SPACE;
    }
    SDL_PushEvent(&event);
}

// What reaches the box at its second and third frames, and the frames it is shown for.
struct BoxCloser {
    const char* what;
    std::vector<Uint32> second;
    std::vector<Uint32> third;
    int frames;
    bool quitAfter;
};

} // namespace

TEST_F(RenderTest, TheHintBoxIsTheGamesOwnOverTheMatchAndAClickAKeyOrATapClosesIt) {
    ASSERT_EQ(loadBackground("data/muka.bmp"), resultOk);
    MatchState state = Match(freshMatchStart(0, 99)).state();
    state.turnTimer = 200;
    // Without a scene to show it over, the game's box is not shown.
    EXPECT_FALSE(sdl::showGameBox("none"));
    const ScopedSceneRedraw scene(
        [](const void* shown) { drawMatchScreen(*static_cast<const MatchState*>(shown)); },
        &state);
    const Frame plain = render([&state] { drawMatchScreen(state); });
    const BoxCloser closers[] = {
        {"a click", {SDL_MOUSEBUTTONDOWN}, {}, 2, false},
        // The key let go in the same batch still reaches the input.
        {"a key", {SDL_KEYDOWN, SDL_KEYUP}, {}, 2, false},
        // SDL makes a click of a tap: neither reaches the game.
        {"a tap", {SDL_FINGERDOWN, SDL_MOUSEBUTTONDOWN}, {}, 2, false},
        // A pad's button closes the box when let go, not while the game would see it held.
        {"a pad's button", {SDL_CONTROLLERBUTTONDOWN}, {SDL_CONTROLLERBUTTONUP}, 3, false},
        // The window closed behind the key that closed the box is not lost.
        {"a key, then the window closed", {SDL_KEYDOWN, SDL_QUIT}, {}, 2, true},
        {"the window closed", {SDL_QUIT}, {}, 2, true},
    };
    for (const BoxCloser& closer : closers) {
        int presented = 0;
        Frame shown;
        sdl::setPresentHook([&] {
            ++presented;
            if (presented == 2) {
                shown = readBack();
            }
            for (Uint32 type : presented == 2 ? closer.second
                                              : presented == 3 ? closer.third
                                                               : std::vector<Uint32>()) {
                pushEvent(type);
            }
        });
        sdl::beginFrame();
        showMessageBox("(1,2)-(3,4)");
        sdl::setPresentHook(nullptr);
        EXPECT_EQ(presented, closer.frames) << closer.what;
        DeviceReading reading;
        sdl::readDevices(reading);
        EXPECT_FALSE(reading.pointer.pressed) << closer.what << ": no press for the game";
        EXPECT_FALSE(reading.down[keySpace] || reading.tapped[keySpace])
            << closer.what << ": no key pressed or held for the game";
        EXPECT_EQ(SDL_PeepEvents(nullptr, 1, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT),
                  closer.quitAfter ? 1 : 0)
            << closer.what << ": the closed window is the game's to see";
        SDL_FlushEvent(SDL_QUIT);
        ASSERT_FALSE(shown.pixels.empty());
        // The match is under the box, dimmed: its top-left cell's glyph is there, darker.
        int dimmed = 0;
        int boxPixels = 0;
        for (int y = 96; y < 144; ++y) {
            for (int x = 176; x < 224; ++x) {
                const std::uint32_t was = plain.pixels[y * screenWidth + x] & 0xFFFFFFu;
                const std::uint32_t now = shown.pixels[y * screenWidth + x] & 0xFFFFFFu;
                const auto light = [](std::uint32_t p) {
                    return (p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF);
                };
                dimmed += was != 0 && now != 0 && light(now) < light(was) ? 1 : 0;
            }
        }
        // The panel's colour in the middle of the screen, the text's white on it.
        int white = 0;
        for (int y = 200; y < 280; ++y) {
            for (int x = 220; x < 420; ++x) {
                const std::uint32_t p = shown.pixels[y * screenWidth + x] & 0xFFFFFFu;
                boxPixels += p == 0x182436u ? 1 : 0;
                white += p == 0xFFFFFFu ? 1 : 0;
            }
        }
        EXPECT_GT(dimmed, 20) << "the match shows dimmed under the box";
        EXPECT_GT(boxPixels, 4000) << "the panel";
        EXPECT_GT(white, 40) << "the text and the frame";
    }
    sdl::beginFrame();
}

int main(int argc, char** argv) {
    // Before SDL allocates anything, so that every later allocation can be counted.
    SDL_SetMemoryFunctions(countedMalloc, countedCalloc, countedRealloc, std::free);
    ::testing::InitGoogleTest(&argc, argv);
    framesFolder = fs::current_path();
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--frames") {
            framesFolder = fs::absolute(argv[i + 1]);
        }
    }
    fs::create_directories(framesFolder);

    // The game's data beside the test pictures, in a folder of the test's own that becomes the
    // current one, as the executable's folder is for the game.
    const fs::path folder = fs::temp_directory_path() / ("kokurin-sdl-" + std::to_string(getpid()));
    std::error_code error;
    fs::create_directories(folder / "data");
    fs::copy(KOKURIN_GAME_DATA, folder / "data",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
    for (const auto& file : testPictures()) {
        std::ofstream out(folder / "data" / fs::u8path(file.first), std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.second.data()),
                  static_cast<std::streamsize>(file.second.size()));
    }
    fs::current_path(folder);
    // Pads report to a window without the keyboard focus too: Xvfb has no window manager.
    SDL_setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);

    int result = 2;
    if (openDisplay() != 0) {
        std::fprintf(stderr, "could not open the display\n");
    } else {
        registerGameFont();
        openInput();
        result = RUN_ALL_TESTS();
        closeDisplay();
        unregisterGameFont();
    }
    sdl::shutDown();
    fs::current_path(framesFolder);
    fs::remove_all(folder, error);
    return result;
}
