// The five phases explained: the ring in the help overlay (both languages, title and match) has
// each symbol in its colour and an arrow from each to the one it overcomes, the English one
// names them, and so does the English title's rule line.
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <map>
#include <string>

#include "rules/element.h"
#include "screens/game_texts.h"
#include "screens/help_overlay.h"
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

// The ring's symbols (its 20-pixel texts) at their centres, by element.
std::map<int, Point> ringSymbols(const Frame& frame) {
    std::map<int, Point> found;
    for (const auto& d : frame) {
        const int e = isText(d) ? elementOfLabel(d.text) : -1;
        if (e >= Fire && e <= Water && d.height == 20) {
            EXPECT_EQ(d.colour, elementColour[e]) << d.text;
            found[e] = {static_cast<float>(d.x), static_cast<float>(d.y + 10)};
        }
    }
    return found;
}

// Each arrow head (a three-vertex strip, its tip first) points at the symbol nearest its tip,
// from the one next nearest: the arrows, as from -> to.
std::map<int, int> arrows(const Frame& frame, const std::map<int, Point>& symbols) {
    std::map<int, int> found;
    for (const auto& d : frame) {
        if (d.kind != DrawKind::Primitive || d.vertices.size() != 3) {
            continue;
        }
        const Point tip = {d.vertices[0].x, d.vertices[0].y};
        std::multimap<float, int> byDistance;
        for (const auto& [e, at] : symbols) {
            byDistance.emplace(distance(tip, at), e);
        }
        found[std::next(byDistance.begin())->second] = byDistance.begin()->second;
    }
    return found;
}

} // namespace

TEST_F(ElementRing, TheHelpShowsTheOvercomingCycleAndTheEnglishRuleLineNamesThePhases) {
    const std::map<int, int> cycle = {
        {Fire, Metal}, {Metal, Wood}, {Wood, Earth}, {Earth, Water}, {Water, Fire}};
    for (Language language : {Language::Japanese, Language::English}) {
        for (HelpScene scene : {HelpScene::Title, HelpScene::Match}) {
            restart();
            setGameLanguage(language);
            drawHelpOverlay(scene);
            const Frame& frame = headless::currentFrame();
            const std::map<int, Point> symbols = ringSymbols(frame);
            ASSERT_EQ(symbols.size(), 5u);
            EXPECT_EQ(arrows(frame, symbols), cycle);
            const HelpTexts& t = textsOf(language).help;
            EXPECT_NE(findText(frame, t.ringCaption), nullptr);
            for (int k = 0; k < 5; ++k) {
                EXPECT_EQ(findText(frame, t.elementNames[k]) != nullptr,
                          language == Language::English);
            }
        }
    }

    // The English title draws the ring too (tests/e2e's "languages" sees it on screen) and
    // names the symbols in its rule line; the Japanese title's frames are the frame digests'.
    const std::string rule = englishTexts.titleHelp[3];
    for (const char* named : {"火 fire", "金 metal", "木 wood", "土 earth", "水 water"}) {
        EXPECT_NE(rule.find(named), std::string::npos) << named;
    }
}
