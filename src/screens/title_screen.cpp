// The title screen: the roster of opponents with their portraits, the help lines, and the outer
// loop that starts one match after another on a fresh match record.
#include "screens/title_screen.h"

#include "gfx/text_format.h"
#include "input/key_state.h"
#include "platform/platform.h"
#include "rules/board.h"
#include "rules/match_state.h"
#include "screens/match_loop.h"

namespace kokurin {

const char* const rosterNames[rosterSize] = {
    "2P",       "えええ",     "むか",           "パルヴィン", "カボンマル", "ミラ",
    "オーカー", "ヴォルカ",   "ブラムレット",   "ミナモ",     "ダスク",     "ブラーゴ",
    "ケフ",     "ザラトゥン", "クイルマーシュ", "ピーカス",
};

// Entry 0, the second human, shares its picture with entry 5.
const char* const rosterPortraits[rosterSize] = {
    "mira.bmp",  "eee.bmp",     "muka.bmp",       "palvine.bmp", "kabon.bmp", "mira.bmp",
    "ocher.bmp", "volka.bmp",   "bramlet.bmp",    "minamo.bmp",  "dusk.bmp",  "blargo.bmp",
    "KEF.bmp",   "zaratun.bmp", "quillmarsh.bmp", "peekus.bmp",
};

namespace {

constexpr std::uint32_t white = 0xFFFFFFFFu;
constexpr std::uint32_t grey = 0xFF808080u;
constexpr int listHeight = 14;

struct HelpLine {
    int y;
    const char* text;
};

const HelpLine helpLines[] = {
    {328, "せつめい"},
    {344, "どれか２つのブロックを入れ替えて縦横に３つそろえよう"},
    {360, "おたがい消したブロックで攻撃するぞ！"},
    {376, "五行思想の相関があるらしいぞ！"},
    {392, "1P操作： WASDで移動 SPACEで決定"},
    {408, "2P操作： 矢印で移動 ENTERで決定"},
};

void loadPortrait(int entry) {
    loadBackground(formatText("data/%s", rosterPortraits[entry]));
}

// A fresh record for every match.
bool playMatch(int opponent) {
    MatchState state;
    setUpMatch(state, opponent);
    return runMatch(state);
}

} // namespace

void setUpMatch(MatchState& state, int opponent) {
    state.queues[0].clear();
    state.queues[1].clear();
    state.opponentType = opponent;
    fillBoard(state);
    state.cursorRow = 0;
    state.cursorCol = 0;
    state.currentPlayer = 0;
    state.hp[0] = 20.0f;
    state.hp[1] = 20.0f;
}

bool runTitleScreen() {
    loadBackground("data/mira.bmp");
    int selectedEntry = 0;

    for (;;) {
        // W and S in one frame both act, W first: the selection stays and loads twice.
        if (keyPressed(keyW)) {
            selectedEntry = (selectedEntry + rosterSize - 1) % rosterSize;
            loadPortrait(selectedEntry);
        }
        if (keyPressed(keyS)) {
            selectedEntry = (selectedEntry + 1) % rosterSize;
            loadPortrait(selectedEntry);
        }

        for (int i = 0; i < rosterSize; ++i) {
            drawText(128, 32 + 16 * i, rosterNames[i], i == selectedEntry ? white : grey,
                     listHeight, gameFace, 0);
        }

        if (pumpFrame()) {
            return true;
        }
        if (keyPressed(keyEscape)) {
            return false;
        }

        drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f);

        if (keyPressed(keySpace)) {
            // One more frame, so that a SPACE still held reads 2 and does not select a cell in
            // the match's first frame.
            if (pumpFrame()) {
                return true;
            }
            if (keyPressed(keyEscape)) {
                return false;
            }
            if (playMatch(selectedEntry)) {
                return true;
            }
        }

        for (const HelpLine& line : helpLines) {
            drawText(8, line.y, line.text, white, listHeight, gameFace, 0);
        }
    }
}

} // namespace kokurin
