// The English table: the same places as the Japanese texts, worded to fit the room they have
// (tests/sdl/text_fit_test.cpp measures them with the game's font).
#include "screens/game_texts.h"

namespace kokurin {

const GameTexts englishTexts = {
    {"How to play", "Exchange any two blocks to line up three, across or down.",
     "The blocks you clear attack your opponent!", "Fire > metal > wood > earth > water > fire",
     "1P: WASD to move, SPACE to select", "2P: arrow keys to move, ENTER to select"},
    {"2P (human)", "Eee", "Muka", "Palvine", "Kabonmaru", "Mira", "Ocher", "Volka", "Bramlet",
     "Minamo", "Dusk", "Blargo", "Kef", "Zaratun", "Quillmarsh", "Peekus"},
    "%dP's turn",
    "Time: %.2f",
    {"1P wins", "2P wins"},
    "SPACE or ESC: back to the title",
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
};

} // namespace kokurin
