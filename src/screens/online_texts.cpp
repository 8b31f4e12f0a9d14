// Online play's texts in Japanese and in English.
#include "screens/online_texts.h"

#include "screens/game_texts.h"

namespace kokurin {

const OnlineTexts& japaneseOnlineTexts() {
    static const OnlineTexts texts = {
        "N：オンライン対戦",
        "オンライン対戦",
        "%s に接続しています…",
        "%s に接続しました",
        "この版はオンライン対戦ができません",
        "サーバーに接続できません",
        "サーバーとの接続が切れました",
        "サーバーとバージョンが違います。kokurin %s を入れてください",
        "そのルームは満員です",
        "そのルームはありません",
        "サーバーに断られました",
        "↑↓：えらぶ　ENTER：決定　ESC：もどる",
        "名前：%s",
        "名無し",
        "ルームを作る",
        "コードで参加：%s",
        "クイックマッチ",
        "公開ルーム",
        "（ありません）",
        "%s　%s 対 %s　観戦 %u",
        "対戦中",
        "ルーム %s　相手を待っています",
        "このコードを相手に伝えてください",
        "クイックマッチ：相手を待っています",
        "ESC：ロビーへもどる",
        "ESC：もどる",
        "1P %s　2P %s",
        "応答 %u ms　遅延 %d",
        "観戦中",
        "相手を待っています…",
        "対戦者を待っています…",
        "サーバーの返事を待っています…",
        "サーバーとの接続が切れました。つなぎ直しています…",
        "相手の応答がありません。あと %d 秒で相手の負けになります",
        {"1Pのかち", "2Pのかち"},
        "相手が抜けました。残ったあなたのかちです",
        "対戦を抜けました",
        "相手の応答がなくなりました",
        "ゲームの進行がずれました。対戦は終わりです",
        "結果を待っています…",
        "SPACE：再戦",
        "ESC：ロビーへ",
        "相手の返事を待っています…",
        "相手が再戦を申し込んでいます",
        "その対戦はもう終わっています",
        "文字を打って ENTER：決定　ESC：やめる",
        "決定",
        "やめる",
        "サーバーのアドレスではありません（例：example.org:8620）",
    };
    return texts;
}

const OnlineTexts& englishOnlineTexts() {
    static const OnlineTexts texts = {
        "N: Play online",
        "Online",
        "Connecting to %s...",
        "Connected to %s",
        "This version cannot play online",
        "Cannot reach the server",
        "The connection to the server was lost",
        "The server runs another version: install kokurin %s",
        "That room is full",
        "There is no such room",
        "The server refused",
        "UP/DOWN: choose  ENTER: select  ESC: back",
        "Name: %s",
        "Player",
        "Create a room",
        "Join by code: %s",
        "Quick match",
        "Open rooms",
        "(none)",
        "%s  %s vs %s  watching %u",
        "playing",
        "Room %s: waiting for the other player",
        "Tell the other player this code",
        "Quick match: waiting for another player",
        "ESC: back to the lobby",
        "ESC: back",
        "1P %s  2P %s",
        "ping %u ms  delay %d",
        "watching",
        "Waiting for the other player...",
        "Waiting for the players...",
        "Waiting for the server...",
        "The connection to the server was lost: reconnecting...",
        "The other player is not answering: they lose in %d s",
        {"1P wins", "2P wins"},
        "The other player left: you win",
        "You left the match",
        "The other player is gone",
        "The two games parted: the match is over",
        "Waiting for the result...",
        "SPACE: rematch",
        "ESC: lobby",
        "Waiting for the other player's answer...",
        "The other player asks for a rematch",
        "That match is over",
        "Type, then ENTER: keep  ESC: cancel",
        "OK",
        "Cancel",
        "Not a server address (say example.org:8620)",
    };
    return texts;
}

const OnlineTexts& onlineTexts() {
    return gameLanguage() == Language::English ? englishOnlineTexts() : japaneseOnlineTexts();
}

} // namespace kokurin
