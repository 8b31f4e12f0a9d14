// The Japanese table: the game's own texts, exactly as it has always shown them.
#include "screens/game_texts.h"

namespace kokurin {

const GameTexts japaneseTexts = {
    {"せつめい", "どれか２つのブロックを入れ替えて縦横に３つそろえよう",
     "おたがい消したブロックで攻撃するぞ！", "五行思想の相関があるらしいぞ！",
     "1P操作： WASDで移動 SPACEで決定", "2P操作： 矢印で移動 ENTERで決定"},
    {
#define ROSTER_ENTRY(entry, name, picture) name,
#include "screens/roster.def"
#undef ROSTER_ENTRY
    },
    "%dPのターン",
    "じかん：%.2f",
    {"1Pのかち", "2Pのかち"},
    "",
    "よい入れ替えが見つかりません",
    "多重起動ですよ！",
    {
        {"1Pの体力", "2Pの体力"},
        {"1Pの待ち行列", "2Pの待ち行列"},
        "内側から先にぶつかる",
        "残り時間",
        "橙：カーソル",
        "青：選んだマス",
        "２つのマスを入れ替えて３つそろえると自分の列に入る",
        {"1P： WASDで移動 SPACEで決定　2P： 矢印で移動 ENTERで決定",
         "クリック／タップ：マスを選ぶ・入れ替える　H：ヒント",
         "ESC：もどる　M：音　F1・?：この説明"},
        {"W S・クリック：相手を選ぶ　SPACE・もう一度クリック：開始", "O：設定　R：リプレイ　ESC：おわる　M：音",
         "F1・?：この説明（押している間）"},
    },
    {
        "設定",
        "W S/↑↓：選ぶ  A D/←→：変える  SPACE/ENTER：決定  ESC：保存して戻る",
        "サウンド",
        "音量",
        "全画面（次回起動から）",
        "窓の倍率（次回起動から）",
        "点滅を抑える",
        "言語",
        "リプレイ保存数",
        "名前",
        "サーバー",
        {"1P", "2P"},
        {"左", "右", "上", "下", "決定"},
        "キーを初期値に戻す",
        "保存して戻る",
        "ON",
        "OFF",
        "自動",
        {"日本語", "English"},
        "新しいキーを押してください（ESC：やめる）",
        "キーを初期値に戻しました",
        "保存できませんでした（前の設定は残っています）",
        "次回起動から有効です",
        {"そのキーは使えません", "そのキーはゲームが使います（ESC H M F1 F11）",
         "そのキーはこの席の別の操作に使われています", "そのキーはもう一方の席が使っています"},
    },
};

const SettingsTexts& japaneseSettingsTexts = japaneseTexts.settings;

} // namespace kokurin
