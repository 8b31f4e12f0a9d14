// The settings screen's Japanese texts.
#include "screens/settings_texts.h"

namespace kokurin {

const SettingsTexts japaneseSettingsTexts = {
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
    "（settings.ini で変更）",
    "新しいキーを押してください（ESC：やめる）",
    "キーを初期値に戻しました",
    "保存できませんでした（前の設定は残っています）",
    "次回起動から有効です",
    {"そのキーは使えません", "そのキーはゲームが使います（ESC H M F1 F11）",
     "そのキーはこの席の別の操作に使われています", "そのキーはもう一方の席が使っています"},
};

} // namespace kokurin
