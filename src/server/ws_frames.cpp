// The frame layout: byte 0 FIN, three reserved bits (no extension is agreed, so they must be 0)
// and the opcode; byte 1 the mask bit (set on every client frame) and a 7-bit length, 126 and
// 127 meaning a 16-bit or 64-bit length follows; then the 4-byte mask and the payload.
#include "ws_frames.h"

#include <cstring>

namespace kokurin {

namespace {

constexpr std::uint8_t continuation = 0, text = 1, binary = 2, close = 8, ping = 9, pong = 10;

} // namespace

void ClientFrames::feed(const std::uint8_t* bytes, std::size_t size) {
    if (at_ > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(at_));
        at_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes, bytes + size);
}

bool ClientFrames::next(Item& item) {
    for (;;) {
        if (bad_) {
            return false;
        }
        const std::size_t left = buffer_.size() - at_;
        if (left < 2) {
            return false;
        }
        std::uint8_t* frame = buffer_.data() + at_;
        // Refused from its first two bytes: nothing of an unmasked frame is waited for.
        if ((frame[1] & 0x80) == 0) {
            return refuse(item, "an unmasked frame");
        }
        if ((frame[0] & 0x70) != 0) {
            return refuse(item, "a reserved bit set");
        }
        const bool fin = (frame[0] & 0x80) != 0;
        const std::uint8_t opcode = frame[0] & 0x0f;
        std::uint64_t length = frame[1] & 0x7f;
        std::size_t head = 2;
        if (length == 126) {
            head = 4;
        } else if (length == 127) {
            head = 10;
        }
        if (left < head) {
            return false;
        }
        if (head == 4) {
            length = (std::uint64_t(frame[2]) << 8) | frame[3];
        } else if (head == 10) {
            length = 0;
            for (int i = 2; i < 10; ++i) {
                length = (length << 8) | frame[i];
            }
        }
        const bool control = (opcode & 0x08) != 0;
        if (length > maxMessage_) {
            return refuse(item, "an oversized message");
        }
        if (control && (!fin || length > 125)) {
            return refuse(item, "a fragmented or oversized control frame");
        }
        if (left < head + 4 + length) {
            return false;
        }
        const std::uint8_t* mask = frame + head;
        std::uint8_t* payload = frame + head + 4;
        for (std::size_t i = 0; i < length; ++i) {
            payload[i] ^= mask[i & 3];
        }
        at_ += head + 4 + static_cast<std::size_t>(length);
        ++frames_;
        item.data = payload;
        item.size = static_cast<std::size_t>(length);
        if (opcode == close) {
            item.kind = Kind::Close;
            return true;
        }
        if (opcode == ping) {
            item.kind = Kind::Ping;
            return true;
        }
        if (opcode == pong) {
            continue;
        }
        if (opcode == text || opcode == binary) {
            if (inMessage_) {
                return refuse(item, "a new message inside another");
            }
            const Kind kind = opcode == text ? Kind::Text : Kind::Binary;
            if (fin) {
                item.kind = kind;
                return true;
            }
            inMessage_ = true;
            messageKind_ = kind;
            message_.assign(payload, payload + length);
            continue;
        }
        if (opcode == continuation && inMessage_ && message_.size() + length <= maxMessage_) {
            message_.insert(message_.end(), payload, payload + length);
            if (!fin) {
                continue;
            }
            inMessage_ = false;
            item.kind = messageKind_;
            item.data = message_.data();
            item.size = message_.size();
            return true;
        }
        if (opcode == continuation && inMessage_) {
            return refuse(item, "an oversized message");
        }
        return refuse(item, opcode == continuation ? "a continuation of nothing"
                                                   : "an unknown opcode");
    }
}

bool ClientFrames::refuse(Item& item, const char* why) {
    bad_ = true;
    why_ = why;
    item = Item();
    return true;
}

void appendServerFrame(std::vector<std::uint8_t>& out, std::uint8_t opcode,
                       const std::uint8_t* data, std::size_t size) {
    out.push_back(static_cast<std::uint8_t>(0x80 | opcode));
    if (size < 126) {
        out.push_back(static_cast<std::uint8_t>(size));
    } else if (size < 65536) {
        out.push_back(126);
        out.push_back(static_cast<std::uint8_t>(size >> 8));
        out.push_back(static_cast<std::uint8_t>(size & 0xff));
    } else {
        out.push_back(127);
        for (int shift = 56; shift >= 0; shift -= 8) {
            out.push_back(static_cast<std::uint8_t>((std::uint64_t(size) >> shift) & 0xff));
        }
    }
    out.insert(out.end(), data, data + size);
}

} // namespace kokurin
