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
        "矢印の先を消す",
        {"", "", "", "", ""},
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
    {
        "使い方： kokurin [--lang ja|en] [--server URL [--host | --join CODE | --watch CODE | --quick]]\n",
        "         kokurin [--lang ja|en] --replay FILE [--speed 1|2|4|8] [--from SECONDS]\n",
        "         kokurin --help | --version\n"
        "\n"
        "剋輪闘（kokurin）：五行の相剋で戦う対戦パズル\n"
        "\n"
        "  --lang ja|en   表示の言語（ja：日本語、en：English）。ないときは設定の言語、設定が自動なら\n"
        "                 システムの言語（日本語のシステムなら日本語、ほかは English）\n"
        "  --server URL   オンライン対戦のサーバー（ws://HOST:PORT/）。タイトルの N でロビーへ。\n"
        "                 URL,URL,... と並べると一つのサーバーの各プロセスを順に試す\n"
        "  --host         --server と：ルームを作る（コードは画面に出ます）\n"
        "  --join CODE    --server と：そのルームのあいている席に入る\n"
        "  --watch CODE   --server と：そのルームの対戦を観る\n"
        "  --quick        --server と：次に同じく待つ相手と対戦する\n"
        "  --ca-file FILE wss:// で信頼する証明書の発行者（PEM、システムのものに加えて）\n",
        "  --replay FILE  リプレイのファイルを再生して終わる（そのとおり再生できたら 0、\n"
        "                 こわれているか、ゲームとちがうなら 3）\n"
        "  --speed N      再生の速さ：1、2、4、8\n"
        "  --from S       対戦の S 秒目から再生する\n",
        "  --help         この説明を表示して終わる\n"
        "  --version      バージョンを表示して終わる\n"
        "\n"
        "コマンドラインがまちがっていれば 2 で終わります。\n",
        "'%s' というオプションはありません",
        "%s のあとに値がありません",
        "--lang は ja か en です（'%s' ではなく）",
        "--speed は 1、2、4、8 のどれかです（'%s' ではなく）",
        "--from は対戦のはじめからの秒数です（'%s' ではなく）",
        "'%s' はサーバーのアドレスではありません（ws://HOST:PORT/）",
        "'%s' はルームのコードではありません（英数字4〜8文字）",
        "--join、--watch、--host、--quick はどれか一つだけです",
        "--join、--watch、--host、--quick には --server URL が要ります",
        "オプションの説明： kokurin --help",
        "リプレイ '%s' を読めません",
    },
    "剋輪闘",
};

const SettingsTexts& japaneseSettingsTexts = japaneseTexts.settings;

} // namespace kokurin
