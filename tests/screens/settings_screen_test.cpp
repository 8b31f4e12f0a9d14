// The settings screen driven by keys: a key rebound by pressing it, a refused key leaving the
// binding, a value changed, everything saved on leaving and back in force afterwards.
#include "screens/settings_screen.h"

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "headless/headless.h"
#include "headless/headless_settings.h"
#include "input/key_bindings.h"
#include "input/key_state.h"
#include "screens/settings_texts.h"

namespace kokurin {
namespace {

bool frameShows(const std::string& text) {
    for (const headless::DrawCall& call : headless::lastFrame()) {
        if (call.kind == headless::DrawCall::Kind::Text && call.text == text) {
            return true;
        }
    }
    return false;
}

TEST(SettingsScreen, RebindsRefusesChangesAndSavesOnLeaving) {
    headless::reset();
    Settings settings;
    headless::KeyScript keys;
    long poll = 2;
    // Volume (row 1) down twice.
    keys.tap(poll, keyS);
    keys.tap(poll += 2, keyA);
    keys.tap(poll += 2, keyA);
    // Down to 1P select (rows 2 .. 13): 12 more.
    for (int i = 0; i < 12; ++i) {
        keys.tap(++poll, keyDown);
        ++poll;
    }
    keys.tap(++poll, keySpace);
    // RETURN is 2P's: refused; then J is taken.
    keys.tap(poll += 2, keyReturn);
    keys.tap(poll += 2, keySpace);
    keys.tap(poll += 2, keyJ);
    keys.tap(poll += 2, keyEscape);
    headless::setKeySource(&keys);
    headless::setPollLimit(poll + 10);
    std::string refusal;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>&, long) {
        if (frameShows(japaneseSettingsTexts.refused[3])) {
            refusal = japaneseSettingsTexts.refused[3];
        }
    });
    EXPECT_FALSE(runSettingsScreen(settings));

    EXPECT_EQ(refusal, japaneseSettingsTexts.refused[3]);
    EXPECT_EQ(settings.volume, 80);
    EXPECT_EQ(settings.keys.keys[0][keySelectIndex], keyJ);
    EXPECT_EQ(activeKeyBindings(), settings.keys);
    std::vector<std::string> problems;
    EXPECT_EQ(parseSettings(headless::storedSettings(), problems), settings);
    EXPECT_EQ(headless::soundVolume(), 80);

    // A write that fails says so in a box.
    headless::reset();
    headless::setSettingsWritable(false);
    headless::KeyScript leave;
    leave.tap(2, keyEscape);
    headless::setKeySource(&leave);
    headless::setPollLimit(10);
    EXPECT_FALSE(runSettingsScreen(settings));
    ASSERT_EQ(headless::messages().size(), 1u);
    EXPECT_EQ(headless::messages()[0], japaneseSettingsTexts.notSaved);
}

} // namespace
} // namespace kokurin
