// Each language's texts fit the places the screens give them, measured with the game's own font
// through SDL_ttf at the line heights drawn: a text is as wide as the Japanese one at most, or
// fits the room its place has.
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "screens/element_ring.h"
#include "screens/game_texts.h"
#include "screens/online_texts.h"
#include "screens/replay_texts.h"

using namespace kokurin;

namespace {

class TextFit : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_EQ(TTF_Init(), 0); }
    static void TearDownTestSuite() { TTF_Quit(); }

    // Width in pixels of text at a line height, as the SDL front end sizes its fonts.
    int width(const std::string& text, int height) {
        TTF_Font* font = TTF_OpenFont(KOKURIN_GAME_DATA "/ZUDEV.TTF", height);
        EXPECT_NE(font, nullptr);
        if (font == nullptr) {
            return 1 << 20;
        }
        int size = height;
        while (TTF_FontHeight(font) > height && size > 1) {
            TTF_SetFontSize(font, --size);
        }
        int w = 0;
        int h = 0;
        TTF_SizeUTF8(font, text.c_str(), &w, &h);
        TTF_CloseFont(font);
        return w;
    }

    // The English text of a place fits: no wider than the Japanese one, or than the room.
    void fits(const char* japanese, const char* english, int height, int room) {
        const int limit = std::max(width(japanese, height), room);
        EXPECT_LE(width(english, height), limit)
            << "'" << english << "' at " << height << " px (room " << room << ")";
    }
};

std::string formatted(const char* format, double value, bool integer) {
    char text[128];
    if (integer) {
        std::snprintf(text, sizeof text, format, static_cast<int>(value));
    } else {
        std::snprintf(text, sizeof text, format, value);
    }
    return text;
}

} // namespace

TEST_F(TextFit, TheTitleAndTheMatchScreen) {
    const GameTexts& ja = japaneseTexts;
    const GameTexts& en = englishTexts;
    for (int line = 0; line < titleHelpLines; ++line) {
        fits(ja.titleHelp[line], en.titleHelp[line], 14, 632);
    }
    // The names run from x 128 to the portrait's left edge at 236.
    for (int entry = 0; entry < gameTextsRosterSize; ++entry) {
        fits(ja.rosterNames[entry], en.rosterNames[entry], 14, 108);
    }
    fits(formatted(ja.turnBanner, 2, true).c_str(), formatted(en.turnBanner, 2, true).c_str(), 36,
         400);
    // The timer sits between the two hit point bars: no more room than the Japanese.
    fits(formatted(ja.timer, -0.02, false).c_str(), formatted(en.timer, -0.02, false).c_str(), 18,
         0);
    fits(ja.winner[0], en.winner[0], 36, 400);
    fits(ja.winner[1], en.winner[1], 36, 400);
    fits("", en.winnerBack, 16, 400);
}

TEST_F(TextFit, TheHelpOverlay) {
    const HelpTexts& ja = japaneseTexts.help;
    const HelpTexts& en = englishTexts.help;
    fits(ja.hitPoints[0], en.hitPoints[0], 14, 160);
    fits(ja.hitPoints[1], en.hitPoints[1], 14, 150);
    fits(ja.timer, en.timer, 14, 200);
    // Left of the board, from x 22 to its first column at 176.
    fits(ja.cursor, en.cursor, 14, 150);
    fits(ja.mark, en.mark, 14, 150);
    fits(ja.board, en.board, 14, 620);
    fits(ja.queues[0], en.queues[0], 14, 180);
    fits(ja.queueOrder, en.queueOrder, 14, 260);
    fits(ja.queues[1], en.queues[1], 14, 110);
    for (int line = 0; line < helpKeyLines; ++line) {
        fits(ja.keys[line], en.keys[line], 13, 630);
        fits(ja.title[line], en.title[line], 13, 630);
    }
    // The phases' ring: its caption across the ring's width, each name beside its symbol
    // (from the symbol's edge to the ring's, 34 pixels).
    for (const HelpTexts* t : {&ja, &en}) {
        EXPECT_LE(width(t->ringCaption, 12), 2 * elementRingHalfWidth) << t->ringCaption;
        for (const char* name : t->elementNames) {
            EXPECT_LE(width(name, 12), 34) << name;
        }
    }
}

TEST_F(TextFit, TheSettingsScreen) {
    const SettingsTexts& ja = japaneseTexts.settings;
    const SettingsTexts& en = englishTexts.settings;
    // Labels from x 64 to the values at 340; the help and notes across the screen from x 8.
    for (auto label :
         {&SettingsTexts::soundOn, &SettingsTexts::volume, &SettingsTexts::fullscreen,
          &SettingsTexts::windowScale, &SettingsTexts::reduceFlashing, &SettingsTexts::language,
          &SettingsTexts::replaysKept, &SettingsTexts::playerName, &SettingsTexts::serverAddress,
          &SettingsTexts::resetKeys, &SettingsTexts::leave}) {
        fits(ja.*label, en.*label, 14, 270);
    }
    fits(ja.heading, en.heading, 14, 270);
    fits(ja.help, en.help, 14, 632);
    for (auto note : {&SettingsTexts::pressNewKey, &SettingsTexts::keysReset,
                      &SettingsTexts::notSaved, &SettingsTexts::nextStart}) {
        fits(ja.*note, en.*note, 14, 632);
    }
    for (int i = 0; i < 4; ++i) {
        fits(ja.refused[i], en.refused[i], 14, 632);
    }
}

// Online play's notices (centred between the board and the queues), the verdict's 200-pixel
// buttons and the name's caption before its value at x 120: both languages fit.
TEST_F(TextFit, OnlineNoticesButtonsAndCaptions) {
    for (const OnlineTexts* t : {&japaneseOnlineTexts(), &englishOnlineTexts()}) {
        for (const std::string& notice :
             {std::string(t->reconnecting), formatted(t->goneCountdown, 20, true)}) {
            EXPECT_LE(width(notice, 16), 620) << notice;
        }
        EXPECT_LE(std::max(width(t->afterRematch, 14), width(t->afterLobby, 14)), 200);
        std::string caption = t->nameItem;
        caption.erase(caption.find("%s"), 2);
        EXPECT_LE(width(caption, 14), 70) << caption;
    }
}

// The replay watch's buttons in their boxes (three of 136 pixels right of the status line, six
// of 104 below), the status within the 224 pixels left of them; the list's help left of its
// back button (120 pixels from x 512), an online row's opponent (a name cut to 10 characters)
// in its 168 pixels and its verdict (the winner cut to 6, "…" included) in 216; the online
// match's leave button in the 176 pixels right of x 456. The widest names are CJK.
TEST_F(TextFit, ReplayButtonsRowsAndTheLeaveButton) {
    const std::string tenWide = "剋剋剋剋剋剋剋剋剋剋…";
    const std::string sixWide = "剋剋剋剋剋剋…";
    for (const ReplayTexts* t : {&japaneseReplayTexts(), &englishReplayTexts()}) {
        for (int b = 0; b < replayButtonCount; ++b) {
            EXPECT_LE(width(t->buttons[b], 14), b < 3 ? 130 : 100) << t->buttons[b];
        }
        EXPECT_LE(width(t->play, 14), 130) << t->play;
        char status[128];
        std::snprintf(status, sizeof status, t->paused, 864000u, 864000u);
        EXPECT_LE(width(status, 14), 224) << status;
        std::snprintf(status, sizeof status, t->playing, "8", 864000u, 864000u);
        EXPECT_LE(width(status, 14), 224) << status;
        EXPECT_LE(width(t->help, 14), 512 - 64 - 8) << t->help;
        EXPECT_LE(width(t->back, 14), 120) << t->back;
        EXPECT_LE(width(tenWide, 14), 168);
        std::snprintf(status, sizeof status, t->bothPlayers, "剋剋剋剋…", "剋剋剋剋…");
        EXPECT_LE(width(status, 14), 168) << status;
        for (const char* verdict : {t->wonBy, t->wonOtherLeft, t->wonOtherGone}) {
            std::snprintf(status, sizeof status, verdict, sixWide.c_str());
            EXPECT_LE(width(status, 14), 216) << status;
        }
        EXPECT_LE(width(t->parted, 14), 216);
        EXPECT_LE(width(t->tooLong, 14), 216);
    }
    for (const OnlineTexts* t : {&japaneseOnlineTexts(), &englishOnlineTexts()}) {
        EXPECT_LE(width(t->leaveMatch, 14), 176) << t->leaveMatch;
        EXPECT_LE(width(t->stopWatching, 14), 176) << t->stopWatching;
    }
}
