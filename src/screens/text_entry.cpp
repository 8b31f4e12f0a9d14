// Typed text from the key table (so every front end types alike) and from the picks of a
// keyboard drawn on the screen.
#include "screens/text_entry.h"

#include <cstring>

#include "gfx/text_format.h"
#include "input/key_state.h"
#include "input/pick_targets.h"
#include "platform/platform.h"
#include "screens/bound_key_texts.h"
#include "screens/online_texts.h"
#include "screens/palette.h"

namespace kokurin {

namespace {

constexpr Colour statusYellow = 0xFFFFFF80u;

struct TypedKey {
    int key;
    char character;
    // With SHIFT (0: as without).
    char shifted;
};
// The keys by where they are: ':' is SHIFT ';' on most keyboards and a key of its own (where
// others have the apostrophe) on Japanese ones.
constexpr TypedKey typedKeys[] = {
    {keyA, 'a', 0},         {keyB, 'b', 0},     {keyC, 'c', 0},         {keyD, 'd', 0},
    {keyE, 'e', 0},         {keyF, 'f', 0},     {keyG, 'g', 0},         {keyH, 'h', 0},
    {keyI, 'i', 0},         {keyJ, 'j', 0},     {keyK, 'k', 0},         {keyL, 'l', 0},
    {keyM, 'm', 0},         {keyN, 'n', 0},     {keyO, 'o', 0},         {keyP, 'p', 0},
    {keyQ, 'q', 0},         {keyR, 'r', 0},     {keyS, 's', 0},         {keyT, 't', 0},
    {keyU, 'u', 0},         {keyV, 'v', 0},     {keyW, 'w', 0},         {keyX, 'x', 0},
    {keyY, 'y', 0},         {keyZ, 'z', 0},     {key0, '0', 0},         {key1, '1', 0},
    {key2, '2', 0},         {key3, '3', 0},     {key4, '4', 0},         {key5, '5', 0},
    {key6, '6', 0},         {key7, '7', 0},     {key8, '8', 0},         {key9, '9', 0},
    {keyPad0, '0', 0},      {keyPad1, '1', 0},  {keyPad2, '2', 0},      {keyPad3, '3', 0},
    {keyPad4, '4', 0},      {keyPad5, '5', 0},  {keyPad6, '6', 0},      {keyPad7, '7', 0},
    {keyPad8, '8', 0},      {keyPad9, '9', 0},  {keyMinus, '-', '_'},   {keyPeriod, '.', 0},
    // Between the addresses of one server's processes.
    {keyComma, ',', 0},
    {keyPadPeriod, '.', 0}, {keySlash, '/', 0}, {keySemicolon, 0, ':'}, {keyApostrophe, ':', 0},
};

// The on-screen keyboard: four rows of characters, then SHIFT, BACKSPACE, OK and cancel, each
// two boxes wide.
constexpr int keyColumns = 10;
constexpr int keyRows = 5;
constexpr int keyWidth = 56;
constexpr int keyHeight = 36;
constexpr int keyboardLeft = 40;
constexpr char keyboardCharacters[] = "1234567890qwertyuiopasdfghjkl-zxcvbnm.:/";
// A key's code breaks after its fifth group ("XXXXXX-" five times).
constexpr std::size_t keyCodeLine = 35;
enum ControlKey { controlShift, controlBackspace, controlNone, controlDone, controlCancel };

bool allowed(char c, TypedSet set) {
    const bool alphanumeric =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    switch (set) {
    case TypedSet::Code:
        return alphanumeric;
    case TypedSet::Name:
        return alphanumeric || std::strchr("-_.", c) != nullptr;
    case TypedSet::Address:
        return alphanumeric || std::strchr("-_.:/,", c) != nullptr;
    case TypedSet::KeyCode:
        return alphanumeric || c == '-';
    }
    return false;
}

// c as the field takes it (a code's letters upper-case), or 0 when it takes no such character.
char fieldCharacter(char c, bool shifted, TypedSet set) {
    if (c >= 'a' && c <= 'z' && (shifted || set == TypedSet::Code || set == TypedSet::KeyCode)) {
        c = static_cast<char>(c - 'a' + 'A');
    }
    return c != 0 && allowed(c, set) ? c : 0;
}

void append(std::string& text, std::size_t limit, char c) {
    if (c != 0 && text.size() < limit) {
        text += c;
    }
}

void takeBackLast(std::string& text) {
    if (text.empty()) {
        return;
    }
    std::size_t end = text.size() - 1;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u) {
        --end;
    }
    text.erase(end);
}

} // namespace

void typeInto(std::string& text, std::size_t limit, TypedSet set) {
    if (keyPressed(keyBackspace)) {
        takeBackLast(text);
    }
    const bool shifted = keyState[keyLeftShift] > 0 || keyState[keyRightShift] > 0;
    for (const TypedKey& typed : typedKeys) {
        if (keyPressed(typed.key)) {
            const char c = shifted && typed.shifted != 0 ? typed.shifted : typed.character;
            append(text, limit, fieldCharacter(c, shifted, set));
        }
    }
}

void TextEntry::begin(const std::string& hint, std::size_t limit, TypedSet set) {
    active_ = true;
    shifted_ = false;
    shown_ = false;
    text_.clear();
    hint_ = hint;
    limit_ = limit;
    set_ = set;
}

TextEntry::Outcome TextEntry::update() {
    if (!active_) {
        return Outcome::Cancelled;
    }
    Outcome outcome = Outcome::Editing;
    typeInto(text_, limit_, set_);
    if (keyPressed(keyReturn) || keyPressed(keyPadEnter)) {
        outcome = Outcome::Done;
    }
    if (keyPressed(keyEscape)) {
        outcome = Outcome::Cancelled;
    }
    // A pick counts only on the keyboard this entry drew for the frame before.
    const int pick = shown_ ? framePick() : -1;
    if (pick >= 0 && pick < keyColumns * (keyRows - 1)) {
        append(text_, limit_, fieldCharacter(keyboardCharacters[pick], shifted_, set_));
    } else if (pick >= keyColumns * (keyRows - 1) && pick < keyColumns * keyRows) {
        switch ((pick - keyColumns * (keyRows - 1)) / 2) {
        case controlShift:
            shifted_ = !shifted_;
            break;
        case controlBackspace:
            takeBackLast(text_);
            break;
        case controlDone:
            outcome = Outcome::Done;
            break;
        case controlCancel:
            outcome = Outcome::Cancelled;
            break;
        default:
            break;
        }
    }
    if (outcome != Outcome::Editing) {
        active_ = false;
    }
    return outcome;
}

void TextEntry::drawKeyCodeField(int y) const {
    // A key's code is 62 characters: two lines of smaller text, split after a dash.
    const bool hinted = text_.empty();
    const std::string shown = hinted ? hint_ : text_ + "_";
    const std::size_t split = shown.size() > keyCodeLine ? keyCodeLine : shown.size();
    const Colour colour = hinted ? textGrey : textWhite;
    if (hinted) {
        drawText(36, y, "_", textWhite, 14, gameFace, textLeftTop);
    }
    drawText(48, y, shown.substr(0, split).c_str(), colour, 14, gameFace, textLeftTop);
    drawText(48, y + 16, shown.substr(split).c_str(), colour, 14, gameFace, textLeftTop);
}

void TextEntry::draw(const char* caption, int top) const {
    const OnlineTexts& texts = onlineTexts();
    drawText(48, top, caption, textWhite, 14, gameFace, textLeftTop);
    if (set_ == TypedSet::KeyCode) {
        drawKeyCodeField(top + 22);
    } else if (text_.empty()) {
        drawText(48, top + 22, "_", textWhite, 20, gameFace, textLeftTop);
        drawText(64, top + 22, hint_.c_str(), textGrey, 20, gameFace, textLeftTop);
    } else {
        drawText(48, top + 22, (text_ + "_").c_str(), textWhite, 20, gameFace, textLeftTop);
    }
    const int keyboardTop = top + 56;
    char label[2] = {0, 0};
    for (int i = 0; i < keyColumns * (keyRows - 1); ++i) {
        const char c = fieldCharacter(keyboardCharacters[i], shifted_, set_);
        label[0] = c != 0 ? c : keyboardCharacters[i];
        drawText(keyboardLeft + keyWidth * (i % keyColumns) + keyWidth / 2,
                 keyboardTop + keyHeight * (i / keyColumns) + 8, label,
                 c != 0 ? textWhite : textGrey, 20, gameFace, textCentre);
    }
    const char* controls[] = {shifted_ ? "aA" : "Aa", "←", "", texts.typingDone,
                              texts.typingCancel};
    for (int i = 0; i < 5; ++i) {
        drawText(keyboardLeft + keyWidth * 2 * i + keyWidth, keyboardTop + keyHeight * 4 + 10,
                 controls[i], statusYellow, 16, gameFace, textCentre);
    }
    drawText(32, 460, withBoundKeys(texts.typingHelp), statusYellow, 14, gameFace, textLeftTop);
    offerPicks(PickGrid{keyboardLeft, keyboardTop, keyWidth, keyHeight, keyColumns, keyRows});
    shown_ = true;
}

} // namespace kokurin
