// What a pointer (mouse, touch) can pick in the frame being drawn: a screen offers grids of
// targets while it draws, the pump turns a press into the target under it when it makes the
// frame's input, and the screen reads the pick back from the key table's side.
#pragma once

namespace kokurin {

// Rows x columns of equal boxes from (left, top); target first + n is row n / columns, column
// n % columns. Grids offered in one frame number their targets apart by `first`.
struct PickGrid {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int columns = 0;
    int rows = 0;
    int first = 0;
};

// The target at a point of the 640 x 480 screen, or -1 (outside, or no grid).
int pickTargetAt(const PickGrid& grid, int x, int y);

// Every grid offered for one frame: a match's board and the buttons of a status line drawn
// over it, say.
struct OfferedPicks {
    static constexpr int capacity = 16;
    PickGrid grids[capacity];
    int count = 0;
};

// The target at a point among the grids offered, the grid offered last first (what is drawn
// last lies on top); -1 for none.
int pickTargetAt(const OfferedPicks& offered, int x, int y);

// A grid of the frame being drawn; offered again for every frame, forgotten by the pump. Grids
// past the capacity are not offered.
void offerPicks(const PickGrid& grid);
// The pump's side: the grids offered for the frame just presented, which it then forgets.
OfferedPicks takeOfferedPicks();

// The target picked in the frame's input (0 .. 254), or -1 for none. Set by the pump with the
// key table, read by the screens as they read keyPressed.
void setFramePick(int target);
int framePick();

} // namespace kokurin
