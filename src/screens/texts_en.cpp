// The English table: the same places as the Japanese texts, worded to fit the room they have
// (tests/sdl/text_fit_test.cpp measures them with the game's font).
#include "screens/game_texts.h"

namespace kokurin {

const GameTexts englishTexts = {
    {"How to play", "Exchange any two blocks to line up three, across or down.",
     "The blocks you clear attack your opponent!",
     "火 fire > 金 metal > 木 wood > 土 earth > 水 water > 火 fire (each beats the next)",
     "1P: WASD to move, SPACE to select", "2P: arrow keys to move, ENTER to select"},
    {"2P (human)", "Eee", "Muka", "Palvine", "Kabonmaru", "Mira", "Ocher", "Volka", "Bramlet",
     "Minamo", "Dusk", "Blargo", "Kef", "Zaratun", "Quillmarsh", "Peekus"},
    "%dP's turn",
    "Time: %.2f",
    {"1P wins", "2P wins"},
    "SPACE, ESC or a click: back to the title",
    "No good exchange found",
    "The game is already running!",
    {
        {"1P hit points", "2P hit points"},
        {"1P queue", "2P queue"},
        "innermost fights first",
        "Time left",
        "Orange: cursor",
        "Blue: selected cell",
        "Exchange two cells; lines of 3 join your queue",
        {"1P: WASD move, SPACE select   2P: arrows move, ENTER select",
         "Click or tap: select a cell, then exchange   H: hint",
         "ESC: back   M: sound   F1 or ?: this help"},
        {"W S or click: choose opponent   SPACE or click again: start",
         "O: settings   R: replays   ESC: quit   M: sound", "F1 or ?: this help (while held)"},
        "A → B: A beats B",
        {"fire", "metal", "wood", "earth", "water"},
    },
    {
        "Settings",
        "W S/Up Down: choose  A D/Left Right: change  SPACE/ENTER: do  ESC: save, back",
        "Sound",
        "Volume",
        "Fullscreen (next start)",
        "Window scale (next start)",
        "Reduce flashing",
        "Language",
        "Replays kept",
        "Name",
        "Server",
        {"1P", "2P"},
        {"left", "right", "up", "down", "select"},
        "Reset keys to defaults",
        "Save and go back",
        "ON",
        "OFF",
        "auto",
        {"日本語", "English"},
        "Press the new key (ESC: cancel)",
        "Keys reset to defaults",
        "Could not save (the old settings are kept)",
        "Takes effect at the next start",
        {"That key cannot be used", "The game uses that key (ESC H M F1 F11)",
         "This seat uses that key for another action", "The other seat uses that key"},
    },
    {
        "usage: kokurin [--lang ja|en] [--server URL [--host | --join CODE | --watch CODE | --quick]]\n",
        "       kokurin [--lang ja|en] --replay FILE [--speed 1|2|4|8] [--from SECONDS]\n",
        "       kokurin --help | --version\n"
        "\n"
        "Kokurin (剋輪闘), a two-player battle puzzle of the five phases.\n"
        "\n"
        "  --lang ja|en   the game's language, Japanese or English; without it the settings'\n"
        "                 choice, else the system's (Japanese on a Japanese system, else English)\n"
        "  --server URL   a kokurin-server (ws://HOST:PORT/): N on the title opens its lobby;\n"
        "                 URL,URL,... names the processes of one server, tried in turn\n"
        "  --host         with --server: create a room (its code is shown)\n"
        "  --join CODE    with --server: take the free seat of that room\n"
        "  --watch CODE   with --server: watch that room's match\n"
        "  --quick        with --server: play the next player who asks too\n"
        "  --ca-file FILE certificate authorities (PEM) trusted for wss:// besides the system's\n",
        "  --replay FILE  watch a replay file, then exit: 0 when it played as recorded, 3 when it\n"
        "                 is damaged or parts from the game\n"
        "  --speed N      the replay's speed: 1, 2, 4 or 8\n"
        "  --from S       start watching S seconds into the match\n",
        "  --help         show this text and exit\n"
        "  --version      show the version and exit\n"
        "\n"
        "A bad command line exits with 2.\n",
        "unknown option '%s'",
        "%s needs a value",
        "--lang takes ja or en, not '%s'",
        "--speed takes 1, 2, 4 or 8, not '%s'",
        "--from takes seconds into the match, not '%s'",
        "'%s' is not a server address (ws://HOST:PORT/)",
        "'%s' is not a room code (4 to 8 letters and digits)",
        "only one of --join, --watch, --host and --quick",
        "--join, --watch, --host and --quick need --server URL",
        "kokurin --help lists the options",
        "cannot read the replay '%s'",
    },
    "Kokurin",
};

} // namespace kokurin
