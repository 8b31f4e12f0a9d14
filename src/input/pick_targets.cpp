// The pickable grid of the frame being drawn and the pick of the frame's input: two values the
// pump and the screens hand over once a frame, as with the key table.
#include "input/pick_targets.h"

namespace kokurin {

namespace {

PickGrid offered;
int picked = -1;

} // namespace

int pickTargetAt(const PickGrid& grid, int x, int y) {
    if (grid.columns <= 0 || grid.rows <= 0 || grid.width <= 0 || grid.height <= 0) {
        return -1;
    }
    if (x < grid.left || y < grid.top) {
        return -1;
    }
    const int column = (x - grid.left) / grid.width;
    const int row = (y - grid.top) / grid.height;
    if (column >= grid.columns || row >= grid.rows) {
        return -1;
    }
    const int target = row * grid.columns + column;
    // FrameInput keeps 1 + target in a byte.
    return target < 255 ? target : -1;
}

void offerPicks(const PickGrid& grid) {
    offered = grid;
}

PickGrid takeOfferedPicks() {
    const PickGrid grid = offered;
    offered = PickGrid{};
    return grid;
}

void setFramePick(int target) {
    picked = target;
}

int framePick() {
    return picked;
}

} // namespace kokurin
