// Which physical key plays each action of each human seat, and the turning of the keys held down
// into the game's own key numbers, which every screen, replay and network message reads.
#pragma once

#include <string>

#include "platform/platform.h"

namespace kokurin {

constexpr int bindingSeats = 2;
constexpr int bindingActions = 5;

// Per seat, the keys of left, right, up, down and select (PlayerKey's order in key_state.h).
struct KeyBindings {
    int keys[bindingSeats][bindingActions];
};

// Today's keys: 1P A D W S SPACE, 2P the arrows and RETURN. With these mapBoundKeys changes
// nothing.
KeyBindings defaultKeyBindings();
bool operator==(const KeyBindings& a, const KeyBindings& b);

// The keys the screens read: each seat's canonical action key (its default) is down when the
// key bound to that action is; every other key is passed on as it is. Recorded, replayed and
// networked input is this canonical form, so replays play the same whatever the bindings.
void mapBoundKeys(const KeyBindings& bindings, const bool physicalDown[keyboardKeys],
                  bool gameDown[keyboardKeys]);

// The bindings the front ends' pumps map with (defaults until the game sets others). Like the
// key table it stands for the one keyboard there is.
const KeyBindings& activeKeyBindings();
void setActiveKeyBindings(const KeyBindings& bindings);

// The name shown and stored for a key number ("A", "SPACE", "PAD5"), or null for a number that no
// front end reports.
const char* keyName(int key);
// A key number from its name (keyName's inverse, case-insensitive for letters), or -1.
int keyFromName(const std::string& name);

// Why binding `key` to a seat's action would leave a seat unplayable, or None when it is fine.
enum class BindingProblem {
    None,
    // No front end reports that number.
    UnknownKey,
    // ESC, H, M, F1, F11: the game's own keys on every screen.
    KeptKey,
    // Another action of the same seat has it.
    SameSeat,
    // The other seat has it.
    OtherSeat,
};
BindingProblem bindingProblem(const KeyBindings& bindings, int seat, int action, int key);
// Whether every binding passes bindingProblem against the others.
bool bindingsPlayable(const KeyBindings& bindings);

} // namespace kokurin
