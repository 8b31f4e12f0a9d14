// The replay screens' texts in Japanese and in English.
#include "screens/replay_texts.h"

namespace kokurin {

const ReplayTexts& japaneseReplayTexts() {
    static const ReplayTexts texts = {
        "リプレイ",
        "W/S・クリック：えらぶ　SPACE・もう一度クリック：みる",
        "まだリプレイがありません",
        "よめません",
        {"1Pのかち", "2Pのかち", "とちゅうでやめた", "とちゅうでおわった"},
        "2P（ひと）",
        "リプレイ %s倍速 %u/%u",
        "リプレイ 停止中 %u/%u",
        {"SPACE：一時停止", "←：コマ戻し", "→：コマ送り", "PgUp：-10秒", "PgDn：+10秒",
         "↓：おそく", "↑：はやく", "HOME：はじめ", "ESC：もどる"},
        "SPACE：再生",
        "ESC：もどる",
        "リプレイを最後まで再生しました",
        "%s 対 %s",
        "%sのかち",
        "%sのかち（相手退出）",
        "%sのかち（相手切断）",
        "ずれて終了",
        "長すぎて引き分け",
    };
    return texts;
}

const ReplayTexts& englishReplayTexts() {
    static const ReplayTexts texts = {
        "Replays",
        "W/S or click: choose  SPACE or click again: watch",
        "No replays yet",
        "cannot be read",
        {"1P won", "2P won", "left", "stopped"},
        "2P (human)",
        "Replay %sx %u/%u",
        "Replay paused %u/%u",
        {"SPACE: pause", "LEFT: frame back", "RIGHT: frame on", "PGUP: -10 s", "PGDN: +10 s",
         "DOWN: slower", "UP: faster", "HOME: restart", "ESC: back"},
        "SPACE: play",
        "ESC: back",
        "The replay played to its end",
        "%s vs %s",
        "%s won",
        "%s won (other left)",
        "%s won (other gone)",
        "games parted",
        "draw: too long",
    };
    return texts;
}

} // namespace kokurin
