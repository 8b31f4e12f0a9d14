// The command list of one frame: rectangles merged where a primitive's rows continue each
// other, texts copied (the caller's buffers are reused), the picture's corners as floats.
#include "web/draw_list.h"

#include <algorithm>
#include <cstring>

namespace kokurin {
namespace web {

void DrawList::clear() {
    count_ = 0;
    lastRect_ = -1;
    textUsed_ = 0;
    dropped_ = 0;
}

bool DrawList::reserve(int words) {
    if (count_ + words > maxWords) {
        ++dropped_;
        return false;
    }
    return true;
}

void DrawList::putFloat(float value) {
    std::int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    words_[count_++] = bits;
}

void DrawList::fillRect(int x, int y, int width, int height, Colour colour) {
    const int x0 = std::max(x, 0);
    const int y0 = std::max(y, 0);
    const int x1 = std::min(x + width, screenWidth);
    const int y1 = std::min(y + height, screenHeight);
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    // A triangle's rows or a vertical line's pixels come one below the other: one command.
    if (lastRect_ >= 0 && lastRect_ + rectWords == count_) {
        std::int32_t* last = &words_[lastRect_];
        if (last[1] == x0 && last[3] == x1 - x0 && last[2] + last[4] == y0 &&
            static_cast<Colour>(last[5]) == colour) {
            last[4] += y1 - y0;
            return;
        }
    }
    if (!reserve(rectWords)) {
        return;
    }
    lastRect_ = count_;
    words_[count_++] = opRect;
    words_[count_++] = x0;
    words_[count_++] = y0;
    words_[count_++] = x1 - x0;
    words_[count_++] = y1 - y0;
    words_[count_++] = static_cast<std::int32_t>(colour);
}

void DrawList::addText(int x, int y, Colour colour, int font, TextFormat format,
                       const TextRect& clip, const char* text) {
    const std::size_t length = std::strlen(text);
    if (length == 0) {
        return;
    }
    if (textUsed_ + static_cast<int>(length) > maxTextBytes) {
        ++dropped_;
        return;
    }
    if (!reserve(textWords)) {
        return;
    }
    std::memcpy(text_ + textUsed_, text, length);
    words_[count_++] = opText;
    words_[count_++] = x;
    words_[count_++] = y;
    words_[count_++] = static_cast<std::int32_t>(colour);
    words_[count_++] = font;
    words_[count_++] = static_cast<std::int32_t>(format);
    words_[count_++] = textUsed_;
    words_[count_++] = static_cast<std::int32_t>(length);
    words_[count_++] = clip.left;
    words_[count_++] = clip.top;
    words_[count_++] = clip.right;
    words_[count_++] = clip.bottom;
    textUsed_ += static_cast<int>(length);
}

void DrawList::addPicture(const TexturedVertex quad[4], int triangleMask, bool smooth) {
    if (!reserve(pictureWords)) {
        return;
    }
    words_[count_++] = opPicture;
    for (int i = 0; i < 4; ++i) {
        putFloat(quad[i].x);
        putFloat(quad[i].y);
    }
    words_[count_++] = triangleMask;
    words_[count_++] = smooth ? 1 : 0;
}

} // namespace web
} // namespace kokurin
