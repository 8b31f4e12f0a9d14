// What a pointer (mouse, touch) can pick in the frame being drawn: a screen offers a grid of
// targets while it draws, the pump turns a press into the target under it when it makes the
// frame's input, and the screen reads the pick back from the key table's side.
#pragma once

namespace kokurin {

// Rows x columns of equal boxes from (left, top); target n is row n / columns, column n % columns.
struct PickGrid {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int columns = 0;
    int rows = 0;
};

// The target at a point of the 640 x 480 screen, or -1 (outside, or no grid).
int pickTargetAt(const PickGrid& grid, int x, int y);

// The grid of the frame being drawn; offered again for every frame, forgotten by the pump.
void offerPicks(const PickGrid& grid);
// The pump's side: the grid offered for the frame just presented, which it then forgets.
PickGrid takeOfferedPicks();

// The target picked in the frame's input (0 .. 255), or -1 for none. Set by the pump with the
// key table, read by the screens as they read keyPressed.
void setFramePick(int target);
int framePick();

} // namespace kokurin
