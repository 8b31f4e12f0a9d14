// The page's own words (loading line, notices, the ended screen, the key line, the replay panel,
// the touch buttons, the room link, the ranked views), one table per language as the game keeps its texts. The
// page starts in the language the game will most likely choose and follows the game's own choice
// once it says it (kokurin_page_set_language), also when the player changes it in the settings.
/* exported kokurinPageTexts */
var kokurinPageTexts = (function () {
    "use strict";

    // The English table stays in ASCII: the page's font is cut to the game's texts.
    var TABLES = {
        ja: {
            title: "剋輪闘",
            loading: "読み込み中…",
            ended: "ゲームは終了しました。",
            restart: "もう一度はじめる",
            keys: "1P操作： WASDで移動 SPACEで決定　2P操作： 矢印で移動 ENTERで決定　H：ヒント　ESC：もどる／おわる",
            noCanvas: "このブラウザーでは canvas に描けないため、ゲームを始められません。",
            fontMissing:
                "フォントファイル %s がないため、文字をブラウザーの標準フォントで表示しています。" +
                "ゲームを作り直すと戻ります（cmake --build --preset web。" +
                "fonts-ipafont-gothic と python3-fonttools が必要です）。",
            replays: "リプレイ",
            replayOpen: "リプレイのファイルを開く（ページに落としても入ります）：",
            replayTooLarge: "リプレイにしては大きすぎます： %s",
            replayStorageFull: "ブラウザーの保存場所がいっぱいか、使えません： %s",
            replayAdded: "%s をリプレイに入れました（タイトル画面でR）",
            buttons: "画面のボタン",
            hint: "ヒント",
            back: "もどる",
            sound: "音",
            help: "説明",
            roomLink: "このルームへのリンクをコピー",
            roomLinkCopied: "リンクをコピーしました。相手に送ってください。",
            roomLinkShown: "このリンクを相手に送ってください： %s",
            ranked: "ランキング戦",
            rankedLeaderboard: "ランキング",
            rankedMatches: "最近の対戦",
            rankedLive: "いま対戦中",
            rankedRank: "順位",
            rankedPlayer: "プレイヤー",
            rankedRating: "レート",
            rankedGames: "対戦数",
            rankedWins: "勝ち",
            rankedLosses: "負け",
            rankedWinRate: "勝率",
            rankedPlayerTitle: "%s の成績",
            rankedHistory: "レートの推移",
            rankedRecent: "最近の対戦",
            rankedAllMatches: "対戦をすべて見る",
            rankedOpponents: "相手ごとの成績",
            rankedOpponent: "相手",
            rankedFilter: "プレイヤー名で絞り込む： ",
            rankedMore: "もっと見る",
            rankedWhen: "日時",
            rankedFirst: "1P",
            rankedSecond: "2P",
            rankedResult: "結果",
            rankedLength: "長さ",
            rankedKind: "種類",
            rankedReplay: "リプレイ",
            rankedRated: "ランキング戦",
            rankedCasual: "フリー対戦",
            rankedWon: "%s の勝ち",
            rankedWonLeft: "%s の勝ち（相手が退出）",
            rankedWonGone: "%s の勝ち（相手の接続が切れた）",
            rankedNoWinner: "勝者なし",
            rankedVoid: "無効（ゲームがずれました）",
            rankedTooLong: "引き分け（長すぎた対戦）",
            rankedWatch: "見る",
            rankedWatching: "この対戦のリプレイを上の画面で再生します（SPACEで一時停止、上下で速さ、ESCで終了）。",
            rankedNoReplay: "この対戦のリプレイはありません。",
            rankedDownload: "リプレイのファイルを保存",
            rankedMatchTitle: "対戦 %s",
            rankedRoom: "ルーム",
            rankedSpectators: "観戦者",
            rankedSpectate: "観戦する",
            rankedNoLive: "いま対戦中の試合はありません。",
            rankedNoMatches: "対戦はまだありません。",
            rankedNoPlayers: "まだ誰もランキング戦をしていません。",
            rankedNoSuchPlayer: "そのプレイヤーはいません。",
            rankedNoSuchMatch: "その対戦はありません。",
            rankedFailed: "サーバーから答えがありません。",
        },
        en: {
            title: "Kokurin",
            loading: "Loading...",
            ended: "The game has ended.",
            restart: "Play again",
            keys: "1P: WASD to move, SPACE to select   2P: arrows to move, ENTER to select   H: hint   ESC: back / quit",
            noCanvas: "This browser cannot draw on a canvas, so the game cannot start.",
            fontMissing:
                "The font file %s is missing, so the texts are drawn in the browser's own font. " +
                "Building the game again brings it back (cmake --build --preset web; it needs " +
                "fonts-ipafont-gothic and python3-fonttools).",
            replays: "Replays",
            replayOpen: "Open a replay file (or drop one on the page):",
            replayTooLarge: "too large to be a replay: %s",
            replayStorageFull: "the browser's storage is full or blocked: %s",
            replayAdded: "added %s to the replays (R on the title screen)",
            buttons: "On-screen buttons",
            hint: "Hint",
            back: "Back",
            sound: "Sound",
            help: "Help",
            roomLink: "Copy a link to this room",
            roomLinkCopied: "Link copied: send it to the other player.",
            roomLinkShown: "Send this link to the other player: %s",
            ranked: "Ranked play",
            rankedLeaderboard: "Leaderboard",
            rankedMatches: "Recent matches",
            rankedLive: "Playing now",
            rankedRank: "Rank",
            rankedPlayer: "Player",
            rankedRating: "Rating",
            rankedGames: "Games",
            rankedWins: "Wins",
            rankedLosses: "Losses",
            rankedWinRate: "Win rate",
            rankedPlayerTitle: "%s",
            rankedHistory: "Rating over time",
            rankedRecent: "Recent matches",
            rankedAllMatches: "All matches",
            rankedOpponents: "Against each opponent",
            rankedOpponent: "Opponent",
            rankedFilter: "Player: ",
            rankedMore: "More",
            rankedWhen: "When",
            rankedFirst: "1P",
            rankedSecond: "2P",
            rankedResult: "Result",
            rankedLength: "Length",
            rankedKind: "Kind",
            rankedReplay: "Replay",
            rankedRated: "ranked",
            rankedCasual: "casual",
            rankedWon: "%s won",
            rankedWonLeft: "%s won (the other left)",
            rankedWonGone: "%s won (the other was gone)",
            rankedNoWinner: "no winner",
            rankedVoid: "void (the games parted)",
            rankedTooLong: "a draw (too long)",
            rankedWatch: "Watch",
            rankedWatching: "The match's replay plays in the game above (SPACE pauses, UP and DOWN set the speed, ESC stops).",
            rankedNoReplay: "This match has no replay.",
            rankedDownload: "Save the replay file",
            rankedMatchTitle: "Match %s",
            rankedRoom: "Room",
            rankedSpectators: "Watching",
            rankedSpectate: "Watch live",
            rankedNoLive: "No match is being played.",
            rankedNoMatches: "No matches yet.",
            rankedNoPlayers: "Nobody has played a ranked match yet.",
            rankedNoSuchPlayer: "There is no such player.",
            rankedNoSuchMatch: "There is no such match.",
            rankedFailed: "The server did not answer.",
        },
    };

    var texts = { language: "ja", tables: TABLES };

    // "ja", "ja-JP": Japanese; any other language English (as the game chooses).
    texts.languageOfTag = function (tag) {
        return /^ja([-_]|$)/i.test(tag || "") ? "ja" : "en";
    };

    // The game's order: ?lang=, then the stored setting, then the browser's language.
    function likelyLanguage() {
        var asked = new URLSearchParams(window.location.search).get("lang");
        if (asked === "ja" || asked === "en") {
            return asked;
        }
        try {
            var stored = /^\s*language\s*=\s*(ja|en)\s*$/m.exec(
                window.localStorage.getItem("kokurin.settings") || ""
            );
            if (stored) {
                return stored[1];
            }
        } catch (error) {
            // Unreadable storage: the game uses its defaults too.
        }
        return texts.languageOfTag(navigator.language);
    }

    // The default key names the key line uses and the names of the keys bound in their place
    // (none with the default bindings), as the game tells them.
    var boundKeys = [];

    function withBoundKeys(text) {
        boundKeys.forEach(function (pair) {
            // An ASCII name is a word of its own.
            var pattern = /^[A-Za-z]/.test(pair[0])
                ? new RegExp("(^|[^A-Za-z])" + pair[0] + "(?![A-Za-z])", "g")
                : new RegExp("()" + pair[0], "g");
            text = text.replace(pattern, function (whole, before) {
                return before + pair[1];
            });
        });
        return text;
    }

    // The text of a key, with its one value in place of %s (as it is: a name holding "$&" is
    // not a replacement pattern).
    texts.text = function (key, value) {
        var text = TABLES[texts.language][key];
        if (key === "keys") {
            text = withBoundKeys(text);
        }
        return value === undefined ? text : text.replace("%s", function () {
            return value;
        });
    };

    // Writes a text into a node, which then follows the language.
    texts.show = function (node, key, value) {
        node.setAttribute("data-text", key);
        if (value === undefined) {
            node.removeAttribute("data-value");
        } else {
            node.setAttribute("data-value", value);
        }
        node.textContent = texts.text(key, value);
    };

    function translate() {
        document.querySelectorAll("[data-text]").forEach(function (node) {
            var value = node.getAttribute("data-value");
            node.textContent = texts.text(node.getAttribute("data-text"), value === null ? undefined : value);
        });
        document.querySelectorAll("[data-label]").forEach(function (node) {
            node.setAttribute("aria-label", texts.text(node.getAttribute("data-label")));
        });
        document.documentElement.lang = texts.language;
        // The tab's title is the game's name in its language, as the desktop window's.
        document.title = texts.text("title");
    }

    // "ja" or "en"; anything else is ignored.
    texts.setLanguage = function (code) {
        if (!Object.prototype.hasOwnProperty.call(TABLES, code)) {
            return;
        }
        texts.language = code;
        translate();
        window.dispatchEvent(new Event("kokurin-language"));
    };

    // "NAME\tBOUND" lines from the game; "" for the default keys.
    texts.setKeyNames = function (lines) {
        boundKeys = lines
            .split("\n")
            .filter(function (line) {
                return line.indexOf("\t") > 0;
            })
            .map(function (line) {
                return line.split("\t");
            });
        translate();
    };

    texts.language = likelyLanguage();
    if (document.readyState === "loading") {
        document.addEventListener("DOMContentLoaded", translate);
    } else {
        translate();
    }
    return texts;
})();
