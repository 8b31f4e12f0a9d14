// The settings screen. While it shows, the keyboard is read as it is (default bindings), so that
// every key can be pressed as a new binding and the screen's own keys stay where they are
// printed; the player's bindings are back in force when it is left.
#include "screens/settings_screen.h"

#include <string>

#include "gfx/text_format.h"
#include "input/key_bindings.h"
#include "input/key_state.h"
#include "input/pick_targets.h"
#include "net/player_key.h"
#include "platform/platform.h"
#include "screens/flash_options.h"
#include "screens/frame_flow.h"
#include "screens/game_texts.h"
#include "screens/online_request.h"
#include "screens/online_texts.h"
#include "screens/palette.h"
#include "screens/settings_texts.h"
#include "screens/text_entry.h"
#include "settings/settings.h"
#include "sound/sound_schedule.h"

namespace kokurin {

namespace {

constexpr int textHeight = 14;
constexpr int rowHeight = 17;
constexpr int firstRowY = 56;
constexpr int labelX = 64;
constexpr int valueX = 340;
constexpr int volumeStep = 10;
constexpr int replaysStep = 50;
constexpr Colour noteYellow = 0xFFFFFF80u;
// For a pointer every row is a line of eight boxes from x = 48: the first six (the caption and
// the value) do what SPACE does, the last two what LEFT and RIGHT do, drawn as arrows on the
// rows that step through values.
constexpr int pickLeft = 48;
constexpr int pickColumns = 8;
constexpr int pickWidth = 73;
constexpr int lessColumn = 6;
constexpr int moreColumn = 7;
// The typed fields' longest texts.
constexpr std::size_t nameLimit = 16;
constexpr std::size_t addressLimit = 64;
// A key's code with room for a few stray dashes.
constexpr std::size_t keyCodeLimit = 72;

enum class Row {
    SoundOn,
    Volume,
    Fullscreen,
    WindowScale,
    ReduceFlashing,
    Language,
    ReplaysKept,
    PlayerName,
    ServerAddress,
    PlayerKey,
    FirstBinding,
    LastBinding = FirstBinding + bindingSeats * bindingActions - 1,
    ResetKeys,
    Leave,
    Count,
};
constexpr int rowCount = static_cast<int>(Row::Count);

struct Screen {
    Settings& settings;
    // The current language's, which the language row changes.
    const SettingsTexts* texts;
    int row = 0;
    // Waiting for the new key of this binding row; -1 when not.
    int rebinding = -1;
    // The last thing said, under the list.
    std::string note;
    Colour noteColour = noteYellow;
    // The name or the server's address being typed.
    TextEntry entry;
};

int clampTo(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

std::string label(const Screen& screen, int row) {
    const SettingsTexts& t = *screen.texts;
    switch (static_cast<Row>(row)) {
    case Row::SoundOn:
        return t.soundOn;
    case Row::Volume:
        return t.volume;
    case Row::Fullscreen:
        return t.fullscreen;
    case Row::WindowScale:
        return t.windowScale;
    case Row::ReduceFlashing:
        return t.reduceFlashing;
    case Row::Language:
        return t.language;
    case Row::ReplaysKept:
        return t.replaysKept;
    case Row::PlayerName:
        return t.playerName;
    case Row::ServerAddress:
        return t.serverAddress;
    case Row::PlayerKey:
        return onlineTexts().keyCaption;
    case Row::ResetKeys:
        return t.resetKeys;
    case Row::Leave:
        return t.leave;
    default:
        break;
    }
    const int binding = row - static_cast<int>(Row::FirstBinding);
    return std::string(t.seats[binding / bindingActions]) + " " +
           t.actions[binding % bindingActions];
}

// The settings' player key as the code a player copies ("" when none was made yet).
std::string keyCode(const Settings& settings) {
    net::PlayerKey key;
    return net::readPlayerKeyHex(settings.playerKey, key) ? net::playerKeyCode(key) : "";
}

std::string value(const Screen& screen, int row) {
    const Settings& s = screen.settings;
    const SettingsTexts& t = *screen.texts;
    switch (static_cast<Row>(row)) {
    case Row::SoundOn:
        return s.soundOn ? t.on : t.off;
    case Row::Volume:
        return std::to_string(s.volume);
    case Row::Fullscreen:
        return s.fullscreen ? t.on : t.off;
    case Row::WindowScale:
        return s.windowScale == 0 ? t.automatic : "x" + std::to_string(s.windowScale);
    case Row::ReduceFlashing:
        return s.reduceFlashing ? t.on : t.off;
    case Row::Language:
        return t.languageNames[static_cast<int>(gameLanguage())];
    case Row::ReplaysKept:
        return std::to_string(s.replaysKept);
    case Row::PlayerName:
        return s.playerName;
    case Row::ServerAddress:
        return s.serverAddress;
    case Row::PlayerKey: {
        // Its first and last groups: the whole code is shown where it is copied.
        const std::string code = keyCode(s);
        return code.empty() ? "-" : code.substr(0, 6) + "-...-" + code.substr(code.size() - 6);
    }
    case Row::ResetKeys:
    case Row::Leave:
        return "";
    default:
        break;
    }
    const int binding = row - static_cast<int>(Row::FirstBinding);
    if (binding == screen.rebinding) {
        return "...";
    }
    const char* name = keyName(s.keys.keys[binding / bindingActions][binding % bindingActions]);
    return name != nullptr ? name : "?";
}

bool isBindingRow(int row) {
    return row >= static_cast<int>(Row::FirstBinding) && row <= static_cast<int>(Row::LastBinding);
}

// The rows LEFT and RIGHT step through values on (the arrows a pointer presses): the numbers
// and the bindings, which step through the keys they may take.
bool steps(int row) {
    const Row r = static_cast<Row>(row);
    return r == Row::Volume || r == Row::WindowScale || r == Row::ReplaysKept || isBindingRow(row);
}

// The binding's next key that it may take, the way of direction (for a player without keys).
void stepBinding(Screen& screen, int direction) {
    const int binding = screen.row - static_cast<int>(Row::FirstBinding);
    const int seat = binding / bindingActions;
    const int action = binding % bindingActions;
    KeyBindings& keys = screen.settings.keys;
    int key = keys.keys[seat][action];
    for (int tried = 1; tried < keyboardKeys; ++tried) {
        key = (key + direction + keyboardKeys) % keyboardKeys;
        if (bindingProblem(keys, seat, action, key) == BindingProblem::None) {
            keys.keys[seat][action] = key;
            screen.note.clear();
            return;
        }
    }
}

// Left (-1) or right (+1) on a row that has values.
void change(Screen& screen, int direction) {
    Settings& s = screen.settings;
    if (isBindingRow(screen.row)) {
        stepBinding(screen, direction);
        return;
    }
    switch (static_cast<Row>(screen.row)) {
    case Row::SoundOn:
        s.soundOn = !s.soundOn;
        // Heard at once: the same mute as M's.
        muteSound(!s.soundOn);
        break;
    case Row::Volume:
        s.volume = clampTo(s.volume + direction * volumeStep, 0, 100);
        setSoundVolume(s.volume);
        break;
    case Row::Fullscreen:
        s.fullscreen = !s.fullscreen;
        screen.note = screen.texts->nextStart;
        screen.noteColour = noteYellow;
        break;
    case Row::WindowScale:
        s.windowScale = (s.windowScale + direction + maxWindowScale + 1) % (maxWindowScale + 1);
        screen.note = screen.texts->nextStart;
        screen.noteColour = noteYellow;
        break;
    case Row::ReduceFlashing:
        s.reduceFlashing = !s.reduceFlashing;
        setReduceFlashing(s.reduceFlashing);
        break;
    case Row::Language:
        // Chosen here, the language is the player's from now on, and shown at once.
        setGameLanguage(gameLanguage() == Language::English ? Language::Japanese
                                                            : Language::English);
        s.language = languageCode(gameLanguage());
        screen.texts = &gameTexts().settings;
        screen.note.clear();
        break;
    case Row::ReplaysKept:
        s.replaysKept = clampTo(s.replaysKept + direction * replaysStep, 0, maxReplaysKept);
        break;
    default:
        break;
    }
}

// SPACE or ENTER on a row: false when it leaves the screen.
bool activate(Screen& screen) {
    const int row = screen.row;
    if (row >= static_cast<int>(Row::FirstBinding) && row <= static_cast<int>(Row::LastBinding)) {
        screen.rebinding = row - static_cast<int>(Row::FirstBinding);
        screen.note = screen.texts->pressNewKey;
        screen.noteColour = noteYellow;
        return true;
    }
    if (row == static_cast<int>(Row::ResetKeys)) {
        screen.settings.keys = defaultKeyBindings();
        screen.note = screen.texts->keysReset;
        screen.noteColour = noteYellow;
        return true;
    }
    if (row == static_cast<int>(Row::Leave)) {
        return false;
    }
    if (row == static_cast<int>(Row::PlayerName)) {
        screen.entry.begin(screen.settings.playerName, nameLimit, TypedSet::Name);
        screen.note.clear();
        return true;
    }
    if (row == static_cast<int>(Row::ServerAddress)) {
        screen.entry.begin(screen.settings.serverAddress, addressLimit, TypedSet::Address);
        screen.note.clear();
        return true;
    }
    if (row == static_cast<int>(Row::PlayerKey)) {
        // The code to copy is the field's hint; typing one takes another device's key.
        screen.entry.begin(keyCode(screen.settings), keyCodeLimit, TypedSet::KeyCode);
        screen.note.clear();
        return true;
    }
    change(screen, 1);
    return true;
}

// A typed field kept: an empty one keeps the old value, an address must be one.
void keepTyped(Screen& screen) {
    const std::string& typed = screen.entry.text();
    if (typed.empty()) {
        return;
    }
    if (screen.row == static_cast<int>(Row::PlayerName)) {
        screen.settings.playerName = typed;
        return;
    }
    if (screen.row == static_cast<int>(Row::PlayerKey)) {
        net::PlayerKey key;
        if (net::readPlayerKeyCode(typed, key)) {
            screen.settings.playerKey = net::playerKeyHex(key);
            screen.note = onlineTexts().keyChanged;
            screen.noteColour = noteYellow;
        } else {
            screen.note = onlineTexts().keyRefused;
            screen.noteColour = alarmRed;
        }
        return;
    }
    std::string url;
    if (normalizeServerList(typed, url)) {
        screen.settings.serverAddress = url;
    } else {
        screen.note = onlineTexts().notAnAddress;
        screen.noteColour = alarmRed;
    }
}

// A pointer's pick on the rows: false when it leaves the screen.
bool usePick(Screen& screen, int pick) {
    if (pick < 0 || pick >= rowCount * pickColumns) {
        return true;
    }
    screen.row = pick / pickColumns;
    const int column = pick % pickColumns;
    if (steps(screen.row) && (column == lessColumn || column == moreColumn)) {
        change(screen, column == lessColumn ? -1 : 1);
        return true;
    }
    return activate(screen);
}

// The first key pressed this frame, other than ESC; 0 when none.
int keyPressedNow() {
    for (int key = 2; key < keyboardKeys; ++key) {
        if (keyPressed(key)) {
            return key;
        }
    }
    return 0;
}

void takeNewKey(Screen& screen, int key) {
    const int seat = screen.rebinding / bindingActions;
    const int action = screen.rebinding % bindingActions;
    const BindingProblem problem = bindingProblem(screen.settings.keys, seat, action, key);
    if (problem == BindingProblem::None) {
        screen.settings.keys.keys[seat][action] = key;
        screen.note.clear();
    } else {
        screen.note = screen.texts->refused[static_cast<int>(problem) - 1];
        screen.noteColour = alarmRed;
    }
    screen.rebinding = -1;
}

void draw(const Screen& screen) {
    drawText(screenWidth / 2, 16, screen.texts->heading, textWhite, 20, gameFace, textCentre);
    if (screen.entry.active()) {
        const bool key = screen.row == static_cast<int>(Row::PlayerKey);
        screen.entry.draw(key ? onlineTexts().keyHelp : label(screen, screen.row).c_str(),
                          firstRowY);
        return;
    }
    for (int row = 0; row < rowCount; ++row) {
        const Colour colour = row == screen.row ? textWhite : textGrey;
        const int y = firstRowY + rowHeight * row;
        drawText(labelX, y, label(screen, row).c_str(), colour, textHeight, gameFace, textLeftTop);
        drawText(valueX, y, value(screen, row).c_str(), colour, textHeight, gameFace, textLeftTop);
        if (steps(row)) {
            drawText(pickLeft + pickWidth * lessColumn + pickWidth / 2, y, "<", colour, textHeight,
                     gameFace, textCentre);
            drawText(pickLeft + pickWidth * moreColumn + pickWidth / 2, y, ">", colour, textHeight,
                     gameFace, textCentre);
        }
    }
    offerPicks(PickGrid{pickLeft, firstRowY, pickWidth, rowHeight, pickColumns, rowCount});
    drawText(labelX - 16, firstRowY + rowHeight * screen.row, ">", cursorOrange, textHeight,
             gameFace, textLeftTop);
    drawText(8, 440, screen.note.c_str(), screen.noteColour, textHeight, gameFace, textLeftTop);
    drawText(8, 458, screen.texts->help, textWhite, textHeight, gameFace, textLeftTop);
}

} // namespace

bool runSettingsScreen(Settings& settings) {
    Screen screen{settings, &gameTexts().settings, 0, -1, "", noteYellow, TextEntry()};
    setActiveKeyBindings(defaultKeyBindings());
    bool quit = false;
    for (;;) {
        draw(screen);
        // M is a letter while a field is typed into.
        setMuteKeyEnabled(!screen.entry.active());
        const bool closing = pumpFrame();
        setMuteKeyEnabled(true);
        if (closing) {
            quit = true;
            break;
        }
        if (screen.entry.active()) {
            if (screen.entry.update() == TextEntry::Outcome::Done) {
                keepTyped(screen);
            }
            continue;
        }
        if (screen.rebinding >= 0) {
            // A pick (the row again, or any other) gives up waiting, as ESC does.
            if (keyPressed(keyEscape) || framePick() >= 0) {
                screen.rebinding = -1;
                screen.note.clear();
            } else if (const int key = keyPressedNow()) {
                takeNewKey(screen, key);
            }
            continue;
        }
        if (!usePick(screen, framePick())) {
            break;
        }
        if (keyPressed(keyEscape)) {
            break;
        }
        if (keyPressed(keyUp) || keyPressed(keyW)) {
            screen.row = (screen.row + rowCount - 1) % rowCount;
        }
        if (keyPressed(keyDown) || keyPressed(keyS)) {
            screen.row = (screen.row + 1) % rowCount;
        }
        if (keyPressed(keyLeft) || keyPressed(keyA)) {
            change(screen, -1);
        }
        if (keyPressed(keyRight) || keyPressed(keyD)) {
            change(screen, 1);
        }
        if ((keyPressed(keySpace) || keyPressed(keyReturn)) && !activate(screen)) {
            break;
        }
    }
    setActiveKeyBindings(settings.keys);
    if (!quit && !saveSettings(settings)) {
        showMessageBox(screen.texts->notSaved);
    }
    return quit;
}

} // namespace kokurin
