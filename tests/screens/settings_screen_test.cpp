// The settings screen driven by keys: a key rebound by pressing it, a refused key leaving the
// binding, a value changed, everything saved on leaving and back in force afterwards.
#include "screens/settings_screen.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "headless/headless.h"
#include "headless/headless_settings.h"
#include "input/key_bindings.h"
#include "input/key_state.h"
#include "net/player_key.h"
#include "screens/game_texts.h"
#include "screens/settings_texts.h"
#include "settings/settings.h"

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
    // Down to 1P select (rows 2 .. 14): 13 more.
    for (int i = 0; i < 13; ++i) {
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

// The middle of a row's box for the pointer: rows of 17 pixels from y 56, eight boxes of 73
// pixels from x 48 (the first six do what SPACE does, the last two LEFT and RIGHT).
int rowY(int row) {
    return 56 + 17 * row + 8;
}
int boxX(int box) {
    return 48 + 73 * box + 36;
}
// A key of the keyboard on the screen (56 x 36 from (40, 112) below a field at y 56).
void clickKey(headless::KeyScript& keys, long poll, int row, int column) {
    keys.click(poll, 40 + 56 * column + 10, 112 + 36 * row + 10);
}

TEST(SettingsScreen, EveryRowAnswersAPointerAndTheNameAndServerAreTyped) {
    headless::reset();
    Settings settings;
    settings.playerName = "old";
    headless::KeyScript keys;
    keys.click(2, boxX(4), rowY(0));   // sound off, by its value
    keys.click(4, boxX(6), rowY(1));   // volume down
    keys.click(8, boxX(7), rowY(3));   // window scale x1
    keys.click(16, boxX(7), rowY(10)); // 1P left: past S and D (1P's own) to F
    keys.click(18, boxX(0), rowY(11)); // 1P right waits for a key ...
    keys.click(20, boxX(0), rowY(11)); // ... and a pick gives up waiting
    keys.click(22, boxX(0), rowY(7));  // the name: k a i, OK
    clickKey(keys, 24, 2, 7);
    clickKey(keys, 26, 2, 0);
    clickKey(keys, 28, 1, 7);
    clickKey(keys, 30, 4, 6);
    // The server by keys: example.org, SHIFT ';' for ':', 8620, ENTER.
    keys.click(32, boxX(0), rowY(8));
    long poll = 34;
    for (int key : {keyE, keyX, keyA, keyM, keyP, keyL, keyE, keyPeriod, keyO, keyR, keyG}) {
        keys.tap(poll += 2, key);
    }
    keys.tap(poll += 2, keyLeftShift);
    keys.tap(poll, keySemicolon);
    for (int key : {key8, key6, key2, key0, keyReturn}) {
        keys.tap(poll += 2, key);
    }
    // The server again: "/x" is no address, the old one stays and the note says why.
    keys.click(poll += 2, boxX(0), rowY(8));
    keys.tap(poll += 2, keySlash);
    keys.tap(poll += 2, keyX);
    keys.tap(poll += 2, keyReturn);
    const long refusedAt = poll + 2;
    keys.click(poll += 4, boxX(0), rowY(5));  // English
    keys.click(poll += 2, boxX(0), rowY(21)); // save and go back
    headless::setKeySource(&keys);
    headless::setPollLimit(poll + 10);
    bool hinted = false;
    bool waited = false;
    std::string noteAfterRefusal;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long at) {
        for (const headless::DrawCall& call : frame) {
            hinted = hinted || (call.text == "old" && call.colour == 0xFF808080u && call.y == 78);
            waited = waited || call.text == "...";
            if (at == refusedAt && call.y == 440) {
                noteAfterRefusal = call.text;
            }
        }
    });
    EXPECT_FALSE(runSettingsScreen(settings));
    EXPECT_LT(headless::pollCount(), poll + 10) << "the last row left the screen";

    EXPECT_FALSE(settings.soundOn);
    EXPECT_EQ(settings.volume, 90);
    EXPECT_EQ(settings.windowScale, 1);
    EXPECT_EQ(settings.keys.keys[0][keyLeftIndex], keyF);
    EXPECT_EQ(settings.keys.keys[0][keyRightIndex], keyD);
    EXPECT_TRUE(waited);
    EXPECT_TRUE(hinted) << "the field starts empty, the old name a grey hint";
    EXPECT_EQ(settings.playerName, "kai");
    EXPECT_EQ(settings.serverAddress, "ws://example.org:8620/");
    EXPECT_EQ(noteAfterRefusal, "サーバーのアドレスではありません（例：example.org:8620）");
    EXPECT_EQ(settings.language, "en");
    std::vector<std::string> problems;
    EXPECT_EQ(parseSettings(headless::storedSettings(), problems), settings);
    setGameLanguage(Language::Japanese);
}

// The keys that type a code's characters.
void typeCode(headless::KeyScript& keys, long& poll, const std::string& code) {
    const int digits[] = {key0, key1, key2, key3, key4, key5, key6, key7, key8, key9};
    const int letters[] = {keyA, keyB, keyC, keyD, keyE, keyF, keyG, keyH, keyI,
                           keyJ, keyK, keyL, keyM, keyN, keyO, keyP, keyQ, keyR,
                           keyS, keyT, keyU, keyV, keyW, keyX, keyY, keyZ};
    for (char c : code) {
        if (c >= '0' && c <= '9') {
            keys.tap(poll += 2, digits[c - '0']);
        } else if (c >= 'A' && c <= 'Z') {
            keys.tap(poll += 2, letters[c - 'A']);
        } else if (c == '-') {
            keys.tap(poll += 2, keyMinus);
        }
    }
    keys.tap(poll += 2, keyReturn);
}

TEST(SettingsScreen, ThePlayerKeyIsShownAsACodeToCopyAndAnotherIsTypedIn) {
    headless::reset();
    net::PlayerKey mine;
    net::PlayerKey theirs;
    for (std::size_t i = 0; i < net::playerKeyBytes; ++i) {
        mine.bytes[i] = static_cast<std::uint8_t>(i + 1);
        theirs.bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    Settings settings;
    settings.playerKey = net::playerKeyHex(mine);
    const std::string code = net::playerKeyCode(mine);
    std::string swapped = net::playerKeyCode(theirs);
    std::swap(swapped[3], swapped[4]);
    headless::KeyScript keys;
    long poll = 2;
    // Row 9 by the pointer: the code to copy, then a mistyped one (two characters swapped).
    keys.click(poll, boxX(0), rowY(9));
    const long shownAt = poll + 2;
    typeCode(keys, poll, swapped);
    const long refusedAt = poll + 2;
    // Again, the other device's code without its dashes and in lower case where it is typed.
    keys.click(poll += 2, boxX(0), rowY(9));
    std::string bare = net::playerKeyCode(theirs);
    bare.erase(std::remove(bare.begin(), bare.end(), '-'), bare.end());
    typeCode(keys, poll, bare);
    keys.tap(poll += 4, keyEscape);
    headless::setKeySource(&keys);
    headless::setPollLimit(poll + 10);
    std::vector<std::string> shown;
    std::string row;
    std::string note;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long at) {
        for (const headless::DrawCall& call : frame) {
            if (at == shownAt && call.y >= 78 && call.y <= 94 && call.x == 48) {
                shown.push_back(call.text);
            }
            if (at == 1 && call.y == 56 + 17 * 9 && call.x == 340) {
                row = call.text;
            }
            if (at == refusedAt && call.y == 440) {
                note = call.text;
            }
        }
    });
    EXPECT_FALSE(runSettingsScreen(settings));
    EXPECT_EQ(row, code.substr(0, 6) + "-...-" + code.substr(code.size() - 6));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0] + shown[1], code) << "the whole code, over two lines";
    EXPECT_EQ(note, "プレイヤーキーのコードではありません");
    EXPECT_EQ(settings.playerKey, net::playerKeyHex(theirs));
    std::vector<std::string> problems;
    EXPECT_EQ(parseSettings(headless::storedSettings(), problems).playerKey,
              net::playerKeyHex(theirs))
        << "kept with the settings";
}

} // namespace
} // namespace kokurin
