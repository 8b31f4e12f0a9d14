// A line of text a player types: keys of the keyboard read from the key table, or, for a mouse or
// a finger, the keys of a keyboard drawn on the screen and picked. A field starts empty with the
// old value shown as a grey hint, so that typing replaces it and nothing has to be deleted first.
#pragma once

#include <cstddef>
#include <string>

namespace kokurin {

// What a field takes: a player's name (letters, digits, - _ .), a room code (letters and digits,
// upper-cased), a server's address (also : / and the like) or a player key's code (letters and
// digits upper-cased, and -; drawn smaller, over two lines).
enum class TypedSet { Name, Code, Address, KeyCode };

// The characters typed this frame onto text, up to limit bytes; BACKSPACE takes the last one
// back (a multi-byte one whole). Letters are upper-case with SHIFT, or always for a code.
void typeInto(std::string& text, std::size_t limit, TypedSet set);

// The on-screen keyboard's field: begun with the old value, it reads the keys and the picks of
// its keyboard until ENTER or its OK (Done) or ESC or its cancel (Cancelled).
class TextEntry {
  public:
    enum class Outcome { Editing, Done, Cancelled };

    void begin(const std::string& hint, std::size_t limit, TypedSet set);
    bool active() const { return active_; }
    // The frame's keys and pick; Done and Cancelled end the entry.
    Outcome update();
    // What was typed (empty: the player kept the hint).
    const std::string& text() const { return text_; }
    // The caption, the field and the keyboard, below y = top; offers the keyboard's picks.
    void draw(const char* caption, int top) const;

  private:
    void drawKeyCodeField(int y) const;

    bool active_ = false;
    bool shifted_ = false;
    std::string text_;
    std::string hint_;
    std::size_t limit_ = 0;
    TypedSet set_ = TypedSet::Name;
    // Whether the keyboard was drawn for the frame before (a pick then is one of its keys).
    mutable bool shown_ = false;
};

} // namespace kokurin
