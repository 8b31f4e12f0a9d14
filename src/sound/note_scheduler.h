// The tempo-driven note scheduler: 256 timed rows that fire against the millisecond clock,
// ticked once per frame. The clock and the player of a row are passed in, so the schedule's
// arithmetic runs without a sound device.
#pragma once

#include <cstdint>

namespace kokurin {

constexpr int scheduleRowCount = 256;

// One timed row; row r triggers sound slot r.
struct ScheduleRow {
    // 1 once the row has fired during the current tick.
    std::int32_t firedThisTick;
    // 0: inactive; above 0: firings left; below 0: fires without limit.
    std::int32_t repeatsLeft;
    // Steps per cycle; -1 fires at the next tick without any timing test.
    std::int32_t period;
    // Steps per time unit of four beats (240000 / tempo ms).
    std::int32_t rate;
    // The step within the cycle at which the row fires.
    std::int32_t offset;
};

struct NoteScheduler {
    std::int32_t tempo;
    // Time origin of the schedule, in milliseconds of the system clock.
    std::uint32_t startTime;
    std::int32_t previousElapsed;
    std::int32_t currentElapsed;
    // 0: the schedule does not loop; otherwise its length in ms.
    std::int32_t loopLength;
    ScheduleRow rows[scheduleRowCount];
};

// Starts the sound slot of a row: resultOk, or resultFailed for a slot without a sound.
using RowPlayer = std::int32_t (*)(int row);

// Reset values: tempo 120, no loop, every row cleared, the clock starting 500 ms after now.
void resetScheduler(NoteScheduler& scheduler, std::uint32_t now);

// The first row due between the previous tick and the current one, marked fired (and its
// repeats counted down); 0 when none is due. A due row 0 is marked but reported as 0, which
// ends the tick's scan: the game's rows are 1..255 (kept: row-zero).
int findDueRow(NoteScheduler& scheduler);

// One tick: plays every due row once, clears the fired marks, advances the clock to now and
// wraps a looping schedule.
void tickScheduler(NoteScheduler& scheduler, std::uint32_t now, RowPlayer playRow);

} // namespace kokurin
