// The five phases explained: the ring in the help overlay (both languages, over the title and
// the match) has each symbol in its colour and an arrow from each to the one it overcomes; the
// English one names them; the English title shows it and names them in its rule line, the
// Japanese title does not change.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "input/key_state.h"
#include "rules/element.h"
#include "screens/element_ring.h"
#include "screens/game_texts.h"
#include "screens/help_overlay.h"
#include "screens/title_screen.h"
#include "support/screen_frames.h"

using namespace kokurin;
using namespace testing_support;

namespace {

class ElementRing : public ScreenTest {};

struct Point {
    float x;
    float y;
};

float distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// The ring's symbols (its 20-pixel texts) by element, at their centres.
std::map<int, Point> ringSymbols(const Frame& frame) {
    std::map<int, Point> found;
    for (const auto& d : frame) {
        const int e = isText(d) ? elementOfLabel(d.text) : -1;
        if (e >= Fire && e <= Water && d.height == 20) {
            EXPECT_EQ(d.colour, elementColour[e]) << d.text;
            EXPECT_EQ(found.count(e), 0u) << d.text << " twice";
            found[e] = {static_cast<float>(d.x), static_cast<float>(d.y + 10)};
        }
    }
    return found;
}

// Checks that the frame's ring has five symbols, and five arrow heads each pointing from a
// phase to the one it overcomes (fire, metal, wood, earth, water, fire).
void expectRing(const Frame& frame) {
    const std::map<int, Point> symbols = ringSymbols(frame);
    ASSERT_EQ(symbols.size(), 5u);
    std::map<int, int> arrows;
    for (const auto& d : frame) {
        if (d.kind != DrawKind::Primitive || d.vertices.size() != 3) {
            continue;
        }
        const Point tip = {d.vertices[0].x, d.vertices[0].y};
        // The head points at the phase it nears, away from the phase its shaft comes from.
        int to = -1;
        int from = -1;
        for (const auto& [e, at] : symbols) {
            if (to < 0 || distance(tip, at) < distance(tip, symbols.at(to))) {
                from = to;
                to = e;
            } else if (from < 0 || distance(tip, at) < distance(tip, symbols.at(from))) {
                from = e;
            }
        }
        const Point base = {(d.vertices[1].x + d.vertices[2].x) / 2,
                            (d.vertices[1].y + d.vertices[2].y) / 2};
        EXPECT_LT(distance(tip, symbols.at(to)), distance(base, symbols.at(to)));
        arrows[from] = to;
    }
    EXPECT_EQ(arrows, (std::map<int, int>{
                          {Fire, Metal}, {Metal, Wood}, {Wood, Earth}, {Earth, Water}, {Water, Fire}}));
}

} // namespace

TEST_F(ElementRing, TheHelpOverlayShowsTheOvercomingCycleInBothLanguages) {
    for (Language language : {Language::Japanese, Language::English}) {
        const HelpTexts& t = textsOf(language).help;
        for (HelpScene scene : {HelpScene::Title, HelpScene::Match}) {
            restart();
            setGameLanguage(language);
            drawHelpOverlay(scene);
            const Frame& frame = headless::currentFrame();
            SCOPED_TRACE(languageCode(language));
            expectRing(frame);
            EXPECT_NE(findText(frame, t.ringCaption), nullptr);
            for (const auto& d : frame) {
                if (isText(d)) {
                    EXPECT_TRUE(d.x >= 0 && d.x < 640 && d.y >= 0 && d.y + d.height <= 480)
                        << d.text;
                }
            }
            // The names under the symbols (English) sit nearest their own symbol.
            const std::map<int, Point> symbols = ringSymbols(frame);
            for (int k = 0; k < 5; ++k) {
                const auto* name = findText(frame, t.elementNames[k]);
                if (language == Language::Japanese) {
                    EXPECT_STREQ(t.elementNames[k], "");
                    continue;
                }
                ASSERT_NE(name, nullptr) << t.elementNames[k];
                const Point at = {static_cast<float>(name->x), static_cast<float>(name->y + 6)};
                int nearest = Fire;
                for (const auto& [e, p] : symbols) {
                    nearest = distance(at, p) < distance(at, symbols.at(nearest)) ? e : nearest;
                }
                EXPECT_EQ(nearest, Fire + k) << t.elementNames[k];
            }
        }
    }
}

TEST_F(ElementRing, TheEnglishTitleNamesAndShowsThemAndTheJapaneseTitleDrawsNoRing) {
    keys.tap(3, keyEscape);
    std::vector<Frame> frames;
    headless::setFrameHook([&frames](const Frame& frame, long) { frames.push_back(frame); });
    setGameLanguage(Language::English);
    runTitleScreen();
    ASSERT_GE(frames.size(), 2u);
    expectRing(frames[1]);
    const auto* rule = findText(frames[1], englishTexts.titleHelp[3]);
    ASSERT_NE(rule, nullptr);
    for (const char* named : {"火 fire", "金 metal", "木 wood", "土 earth", "水 water"}) {
        EXPECT_NE(rule->text.find(named), std::string::npos) << named;
    }

    restart(&keys);
    frames.clear();
    headless::setFrameHook([&frames](const Frame& frame, long) { frames.push_back(frame); });
    runTitleScreen();
    headless::setFrameHook(nullptr);
    ASSERT_GE(frames.size(), 2u);
    EXPECT_TRUE(ringSymbols(frames[1]).empty());
}
