// The connection's reads, writes and ends. Every path that ends a connection goes through
// finish(), which the server hears once.
#include "ws_connection.h"

#include <chrono>

#include "net/protocol.h"

namespace kokurin {

namespace asio = boost::asio;

std::uint32_t serverClockMs() {
    using namespace std::chrono;
    static const steady_clock::time_point origin = steady_clock::now();
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now() - origin).count());
}

WsConnection::WsConnection(std::unique_ptr<ClientStream> stream, ConnectionHost& host,
                           ServerLog& log, std::uint64_t id, std::string peer,
                           ConnectionLimits limits)
    : stream_(std::move(stream)), host_(&host), log_(log), id_(id), peer_(std::move(peer)),
      limits_(limits), frames_(net::maxMessageBytes) {}

WsConnection::~WsConnection() = default;

void WsConnection::start(const std::uint8_t* leftover, std::size_t size) {
    // Small messages, each wanted at once: without this a relayed frame can wait for the
    // acknowledgement of the one before (Nagle's algorithm).
    boost::system::error_code ignored;
    stream_->socket().set_option(asio::ip::tcp::no_delay(true), ignored);
    // The kernel's own buffer for a client that does not read is held small too (it would grow
    // to megabytes by itself): the game sends a few kilobytes a second.
    const int kernelBuffer =
        static_cast<int>(std::min<std::size_t>(limits_.sendQueueBytes, 256u << 10));
    stream_->socket().set_option(asio::socket_base::send_buffer_size(kernelBuffer), ignored);
    lastHeard_ = serverClockMs();
    windowStart_ = lastHeard_;
    if (size > 0) {
        std::copy(leftover, leftover + size, readBuffer_);
        consume(size);
    }
    afterFrames();
}

void WsConnection::afterFrames() {
    if (reading()) {
        read();
    } else if (moving_) {
        tryMove();
    }
}

void WsConnection::read() {
    auto self = shared_from_this();
    readInFlight_ = true;
    stream_->with([&](auto& stream) {
        stream.async_read_some(asio::buffer(readBuffer_),
                               onLoop([self](boost::system::error_code ec, std::size_t size) {
                                   self->readInFlight_ = false;
                                   if (self->finished_) {
                                       return;
                                   }
                                   if (ec) {
                                       self->finish("the client went away");
                                       return;
                                   }
                                   self->consume(size);
                                   self->afterFrames();
                               }));
    });
}

bool WsConnection::countFrames(std::uint32_t now) {
    if (now - windowStart_ >= 1000) {
        windowStart_ = now;
        framesAtWindow_ = frames_.framesRead();
    }
    return frames_.framesRead() - framesAtWindow_ <=
           static_cast<std::uint64_t>(limits_.framesPerSecond);
}

void WsConnection::consume(std::size_t size) {
    lastHeard_ = serverClockMs();
    frames_.feed(readBuffer_, size);
    handleFrames();
}

void WsConnection::handleFrames() {
    ClientFrames::Item item;
    while (reading()) {
        const bool got = frames_.next(item);
        // Pings and pongs count as much as messages: a client sending only control frames
        // costs the server as much.
        if (!countFrames(lastHeard_)) {
            log_.say(LogLevel::Warning,
                     "refused connection %llu from %s: flooding (over %d frames a second)",
                     static_cast<unsigned long long>(id_), peer_.c_str(), limits_.framesPerSecond);
            finish("flooding");
            return;
        }
        if (!got) {
            return;
        }
        using Kind = ClientFrames::Kind;
        if (item.kind == Kind::Binary) {
            host_->received(id_, item.data, item.size);
        } else if (item.kind == Kind::Text) {
            // Text frames are not the game's: the same as a malformed message.
            const std::uint8_t nothing = 0;
            host_->received(id_, &nothing, 0);
        } else if (item.kind == Kind::Ping) {
            queue(10, item.data, item.size);
        } else if (item.kind == Kind::Close) {
            // The client's close is answered with the same code, then the end.
            queue(8, item.data, item.size < 2 ? 0 : 2);
            closing_ = true;
        } else {
            // A frame no client may send, or a message larger than any of the game's.
            log_.say(LogLevel::Warning, "refused connection %llu from %s: %s",
                     static_cast<unsigned long long>(id_), peer_.c_str(), frames_.whyBad());
            finish(frames_.whyBad());
            return;
        }
    }
}

void WsConnection::queue(std::uint8_t opcode, const std::uint8_t* data, std::size_t size) {
    if (finished_ || dropping_) {
        return;
    }
    // The cap holds for everything queued (answers to pings too): a client that reads nothing
    // while the server queues for it is dropped, and costs no more than this.
    if (pending_.size() + writing_.size() + size + 14 > limits_.sendQueueBytes) {
        log_.say(LogLevel::Warning,
                 "refused connection %llu from %s: over %zu bytes unread (a client too slow)",
                 static_cast<unsigned long long>(id_), peer_.c_str(), limits_.sendQueueBytes);
        drop("too slow to read");
        return;
    }
    if (pending_.empty() && !flushQueued_) {
        flushQueued_ = true;
        host_->wantsFlush(shared_from_this());
    }
    appendServerFrame(pending_, opcode, data, size);
}

void WsConnection::send(const std::vector<std::uint8_t>& bytes) {
    if (closing_) {
        return;
    }
    queue(2, bytes.data(), bytes.size());
}

void WsConnection::flush() {
    flushQueued_ = false;
    if (finished_ || dropping_ || writeInFlight_) {
        return;
    }
    if (pending_.empty() && moving_) {
        tryMove();
        return;
    }
    if (pending_.empty()) {
        if (closing_) {
            // Everything written, the close frame last: the end.
            boost::system::error_code ignored;
            stream_->socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
            finish("closed");
        }
        return;
    }
    writing_.swap(pending_);
    pending_.clear();
    writeInFlight_ = true;
    auto self = shared_from_this();
    stream_->with([&](auto& stream) {
        asio::async_write(stream, asio::buffer(writing_),
                          onLoop([self](boost::system::error_code ec, std::size_t) {
                              self->writeInFlight_ = false;
                              self->writing_.clear();
                              if (self->finished_) {
                                  return;
                              }
                              if (ec) {
                                  self->finish("the client went away");
                                  return;
                              }
                              self->flush();
                          }));
    });
}

void WsConnection::closeAfterWrites() {
    if (closing_ || finished_ || dropping_) {
        return;
    }
    // Policy violation (1008): the lobby refused what the client sent.
    const std::uint8_t code[2] = {0x03, 0xf0};
    queue(8, code, 2);
    closing_ = true;
}

void WsConnection::drop(const char* why) {
    if (dropping_ || finished_) {
        return;
    }
    dropping_ = true;
    auto self = shared_from_this();
    asio::post(stream_->socket().get_executor(), [self, why] { self->finish(why); });
}

void WsConnection::finish(const char* why) {
    if (finished_) {
        return;
    }
    finished_ = true;
    stream_->close();
    host_->ended(id_, why);
}

void WsConnection::moveTo(asio::io_context& target, ConnectionHost& host, Arrived arrived) {
    if (finished_ || moving_) {
        return;
    }
    // Nothing moves yet: the loop may be inside this connection's handler. The move is made
    // where the connection next has nothing under way here: after the frames being handled (or
    // the next read, which a client's ping brings within a second), after what was queued for
    // it is written.
    moving_ = true;
    moveTarget_ = &target;
    moveHost_ = &host;
    arrived_ = std::move(arrived);
}

void WsConnection::tryMove() {
    if (finished_ || dropping_ || !moving_) {
        return;
    }
    // What this loop queued goes first; the write's end (or the flush already asked for) comes
    // back here.
    if (readInFlight_ || writeInFlight_ || flushQueued_) {
        return;
    }
    if (!pending_.empty()) {
        flush();
        return;
    }
    // Nothing of it is under way on this loop now: no read, no write, no flush.
    boost::system::error_code ec;
    stream_->rehome(*moveTarget_, ec);
    if (ec) {
        finish("could not be moved to another thread");
        return;
    }
    host_ = moveHost_;
    auto self = shared_from_this();
    asio::post(*moveTarget_, [self] {
        self->moving_ = false;
        Arrived arrived = std::move(self->arrived_);
        self->arrived_ = nullptr;
        arrived(self);
    });
}

void WsConnection::resume() {
    if (reading()) {
        handleFrames();
    }
    afterFrames();
}

} // namespace kokurin
