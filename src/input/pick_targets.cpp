// The pickable grids of the frame being drawn and the pick of the frame's input: two values the
// pump and the screens hand over once a frame, as with the key table.
#include "input/pick_targets.h"

namespace kokurin {

namespace {

OfferedPicks offered;
int picked = -1;

} // namespace

int pickTargetAt(const PickGrid& grid, int x, int y) {
    if (grid.columns <= 0 || grid.rows <= 0 || grid.width <= 0 || grid.height <= 0 ||
        grid.first < 0) {
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
    // Rows past what any target number holds are no targets (and never overflow).
    if (row > 255 / grid.columns) {
        return -1;
    }
    const int target = grid.first + row * grid.columns + column;
    // FrameInput keeps 1 + target in a byte.
    return target < 255 ? target : -1;
}

int pickTargetAt(const OfferedPicks& picks, int x, int y) {
    for (int i = picks.count - 1; i >= 0; --i) {
        const int target = pickTargetAt(picks.grids[i], x, y);
        if (target >= 0) {
            return target;
        }
    }
    return -1;
}

void offerPicks(const PickGrid& grid) {
    if (offered.count < OfferedPicks::capacity) {
        offered.grids[offered.count++] = grid;
    }
}

OfferedPicks takeOfferedPicks() {
    const OfferedPicks picks = offered;
    offered.count = 0;
    return picks;
}

void setFramePick(int target) {
    picked = target;
}

int framePick() {
    return picked;
}

} // namespace kokurin
