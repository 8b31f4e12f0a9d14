// The replay screens' texts in Japanese and in English.
#include "screens/replay_texts.h"

namespace kokurin {

const ReplayTexts& japaneseReplayTexts() {
    static const ReplayTexts texts = {
        "リプレイ",
        "W/S：えらぶ　SPACE：みる　ESC：もどる",
        "まだリプレイがありません",
        "よめません",
        {"1Pのかち", "2Pのかち", "とちゅうでやめた", "とちゅうでおわった"},
        "2P（ひと）",
        "リプレイ %s倍速 %u/%u",
        "リプレイ 一時停止 %u/%u",
        "SPACE：一時停止 ←→：コマ PgUp/PgDn：10秒 ↑↓：速さ HOME：最初から ESC：もどる",
        "リプレイを最後まで再生しました",
    };
    return texts;
}

const ReplayTexts& englishReplayTexts() {
    static const ReplayTexts texts = {
        "Replays",
        "W/S: choose  SPACE: watch  ESC: back",
        "No replays yet",
        "cannot be read",
        {"1P won", "2P won", "left", "stopped"},
        "2P (human)",
        "Replay %sx %u/%u",
        "Replay paused %u/%u",
        "SPACE: pause  LEFT/RIGHT: frame  PGUP/PGDN: 10 s  UP/DOWN: speed  HOME: restart  ESC: back",
        "The replay played to its end",
    };
    return texts;
}

} // namespace kokurin
