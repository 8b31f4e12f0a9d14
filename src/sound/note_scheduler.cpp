// The note scheduler's timing: a row is due when its step count, elapsed ms x rate x tempo /
// 240000, passed its offset modulo its period since the previous tick.
#include "sound/note_scheduler.h"

#include <cstring>

namespace kokurin {

namespace {

// Milliseconds per step unit: 240000 / tempo ms is one time unit of four beats.
constexpr std::int64_t unitMillisTempo = 240000;

// Products in the due test pass 32 bits after some twenty minutes; they are formed in 64 bits,
// wrapping instead of overflowing for values no schedule uses.
std::int64_t multiply(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
}

bool rowDue(const NoteScheduler& scheduler, const ScheduleRow& row) {
    if (row.period == -1) {
        return true;
    }
    const std::int64_t cycle = multiply(row.period, unitMillisTempo);
    if (cycle == 0) {
        // A row without a cycle never comes round (kept: idle-row).
        return false;
    }
    const std::int64_t shift =
        multiply(static_cast<std::int64_t>(row.period) - row.offset, unitMillisTempo);
    const std::int64_t speed = multiply(row.rate, scheduler.tempo);
    // Truncating remainders, signed like the dividend.
    const std::int64_t now = (multiply(scheduler.currentElapsed, speed) + shift) % cycle;
    const std::int64_t before = (multiply(scheduler.previousElapsed, speed) + shift) % cycle;
    return now < before;
}

} // namespace

void resetScheduler(NoteScheduler& scheduler, std::uint32_t now) {
    scheduler.loopLength = 0;
    scheduler.tempo = 120;
    std::memset(scheduler.rows, 0, sizeof scheduler.rows);
    scheduler.currentElapsed = -499;
    scheduler.previousElapsed = -501;
    scheduler.startTime = now + 500u;
}

int findDueRow(NoteScheduler& scheduler) {
    for (int index = 0; index < scheduleRowCount; ++index) {
        ScheduleRow& row = scheduler.rows[index];
        if (row.repeatsLeft == 0 || row.firedThisTick != 0) {
            continue;
        }
        if (!rowDue(scheduler, row)) {
            continue;
        }
        if (row.repeatsLeft > 0) {
            --row.repeatsLeft;
        }
        row.firedThisTick = 1;
        return index;
    }
    return 0;
}

void tickScheduler(NoteScheduler& scheduler, std::uint32_t now, RowPlayer playRow) {
    for (int row = findDueRow(scheduler); row != 0; row = findDueRow(scheduler)) {
        if (playRow != nullptr) {
            playRow(row);
        }
    }
    for (ScheduleRow& row : scheduler.rows) {
        row.firedThisTick = 0;
    }
    scheduler.previousElapsed = scheduler.currentElapsed;
    // The clock wraps every 49.7 days; the difference stays right across the wrap.
    scheduler.currentElapsed = static_cast<std::int32_t>(now - scheduler.startTime);
    if (scheduler.loopLength != 0 && scheduler.currentElapsed > scheduler.loopLength) {
        scheduler.startTime += static_cast<std::uint32_t>(scheduler.loopLength);
    }
}

} // namespace kokurin
