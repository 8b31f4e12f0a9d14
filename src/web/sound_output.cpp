// The sound slots in the browser: Web Audio buffers of the game's samples, eight voices a slot.
#include "platform/platform.h"
#include "web/page_bridge.h"

namespace kokurin {

void loadSoundSlot(int slot, const std::int16_t* samples, int count) {
    if (slot <= 0 || slot >= soundSlots) {
        return;
    }
    kokurin_page_load_sound(slot, samples, samples != nullptr && count > 0 ? count : 0);
}

ResultCode playSoundSlot(int slot) {
    if (slot <= 0 || slot >= soundSlots) {
        return resultFailed;
    }
    return kokurin_page_play_sound(slot) != 0 ? resultOk : resultFailed;
}

void setSoundMuted(bool muted) {
    kokurin_page_set_muted(muted ? 1 : 0);
}

} // namespace kokurin
