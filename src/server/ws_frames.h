// WebSocket framing after the handshake (RFC 6455), without sockets: the client's frames read
// from whatever bytes arrived (unmasked in place, fragments joined, anything a client must not
// send refused), and the server's frames appended to one buffer, so that a connection reads many
// messages with one receive and writes all it has queued with one send.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kokurin {

class ClientFrames {
  public:
    enum class Kind { Binary, Text, Ping, Close, Bad };
    struct Item {
        Kind kind = Kind::Bad;
        // Valid until the next feed() or next().
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
    };

    // Messages larger than this are Bad.
    explicit ClientFrames(std::size_t maxMessage) : maxMessage_(maxMessage) {}
    void feed(const std::uint8_t* bytes, std::size_t size);
    // The next whole message or control frame; false when more bytes are needed. After a Bad
    // item the connection must be closed (nothing more is read).
    bool next(Item& item);
    // Every frame read so far, control frames (pongs too) included: what a rate limit counts.
    std::uint64_t framesRead() const { return frames_; }
    // Why the last Bad item was bad, for the log ("" before one).
    const char* whyBad() const { return why_; }

  private:
    bool refuse(Item& item, const char* why);

    std::vector<std::uint8_t> buffer_;
    std::size_t at_ = 0;
    std::vector<std::uint8_t> message_;
    bool inMessage_ = false;
    Kind messageKind_ = Kind::Binary;
    bool bad_ = false;
    const char* why_ = "";
    std::uint64_t frames_ = 0;
    std::size_t maxMessage_;
};

// Appends one server frame (unmasked, never fragmented).
void appendServerFrame(std::vector<std::uint8_t>& out, std::uint8_t opcode,
                       const std::uint8_t* data, std::size_t size);

} // namespace kokurin
