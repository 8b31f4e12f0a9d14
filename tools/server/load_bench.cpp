// kokurin-load-bench: many matches at once against one kokurin-server, from one process and one
// network thread (asio, a hand-made WebSocket client: the server's frames come unmasked, and
// each connection writes what is queued in one write). Each pair joins a room, each seat sends
// one frame of input a message at 60 frames a second as a real client does, pings once a
// second, ends each match with Result after a random length and asks for a rematch, until the
// run's time is over. It measures the relay's added latency (a seat's send of frame f to the
// other seat's receipt of f, on this one clock), the messages and the server's processor time.
//
// Hashes: a sample of the matches (one in --true-hash-every) sends the true state hash every 60
// frames, computed by re-playing the match's blank streams on a second thread with the server's
// own match_check; the others send none (1.6% fewer messages), because the server re-plays every
// match at its end and would rightly call any made-up hash a divergence. Every match's end is
// re-played and saved by the server as in real play.
#include <boost/asio.hpp>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "match_check.h"
#include "net/protocol.h"

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using namespace kokurin;

namespace {

struct Options {
    std::string host = "127.0.0.1";
    int port = 0;
    int matches = 1000;
    int seconds = 30;
    int matchSeconds = 20;
    int trueHashEvery = 10;
    int serverPid = 0;
};

const char* usage = "usage: kokurin-load-bench --port N [--host H] [--matches N] [--seconds S]\n"
                    "                          [--match-seconds S] [--true-hash-every K]\n"
                    "                          [--server-pid PID]\n";

bool parseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        const std::string value = argv[++i];
        if (flag == "--host") {
            o.host = value;
            continue;
        }
        if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos ||
            value.size() > 7) {
            return false;
        }
        const int n = std::atoi(value.c_str());
        if (flag == "--port") {
            o.port = n;
        } else if (flag == "--matches") {
            o.matches = n;
        } else if (flag == "--seconds") {
            o.seconds = n;
        } else if (flag == "--match-seconds") {
            o.matchSeconds = n;
        } else if (flag == "--true-hash-every") {
            o.trueHashEvery = n;
        } else if (flag == "--server-pid") {
            o.serverPid = n;
        } else {
            return false;
        }
    }
    return o.port > 0 && o.port < 65536 && o.matches > 0 && o.seconds > 0 && o.matchSeconds >= 2 &&
           o.trueHashEvery > 0;
}

std::uint64_t nowUs() {
    using namespace std::chrono;
    static const steady_clock::time_point origin = steady_clock::now();
    return static_cast<std::uint64_t>(
        duration_cast<microseconds>(steady_clock::now() - origin).count());
}

// utime + stime of a process, in seconds (0 when it cannot be read).
double processSeconds(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    // Fields after the name: state is the 3rd field, utime the 14th and stime the 15th.
    std::vector<std::string> fields;
    std::size_t at = close + 2;
    while (at < text.size()) {
        const std::size_t end = text.find(' ', at);
        fields.push_back(text.substr(at, end - at));
        if (end == std::string::npos) {
            break;
        }
        at = end + 1;
    }
    if (fields.size() < 13) {
        return 0;
    }
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / ticks;
}

constexpr std::uint64_t frameUs = 1000000 / 60;

struct Match;

struct Stats {
    // Relay latency in tenths of a millisecond, the last bucket holding everything above.
    std::vector<std::uint64_t> latency = std::vector<std::uint64_t>(10001, 0);
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    long matchesChecked = 0;
    long failures = 0;
    bool measuring = false;

    // Failures by kind (the words before the first digit), for the table.
    std::map<std::string, long> kinds;

    void fail(const std::string& what) {
        if (failures < 10) {
            std::fprintf(stderr, "kokurin-load-bench: %s\n", what.c_str());
        }
        ++failures;
        const std::size_t colon = what.find(": ");
        const std::string why = colon == std::string::npos ? what : what.substr(colon + 2);
        ++kinds[why.substr(0, why.find_first_of("0123456789"))];
    }
    double percentile(double p) const {
        std::uint64_t total = 0;
        for (std::uint64_t n : latency) {
            total += n;
        }
        std::uint64_t seen = 0;
        for (std::size_t i = 0; i < latency.size(); ++i) {
            seen += latency[i];
            if (total > 0 && seen >= p * static_cast<double>(total)) {
                return static_cast<double>(i) / 10.0;
            }
        }
        return 0;
    }
};

// A re-play of a match's blank streams, on its own thread (the core's state is one per
// process): the true hashes a real client would send.
class HashWorker {
  public:
    using Done = std::function<void(std::vector<std::uint32_t>)>;
    HashWorker() : thread_([this] { run(); }) {}
    ~HashWorker() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void add(const MatchStart& start, std::uint32_t frames, Done done) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            jobs_.push_back({start, frames, std::move(done)});
        }
        wake_.notify_one();
    }

  private:
    struct Job {
        MatchStart start;
        std::uint32_t frames;
        Done done;
    };
    void run() {
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
                if (stop_) {
                    return;
                }
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            const std::vector<FrameInput> blank(job.frames);
            const Replay replay = replayStreams(job.start, blank, blank, job.frames);
            // hashes[k] is the hash at frame 60 (k + 1); the last one is the end's.
            std::vector<std::uint32_t> hashes;
            std::uint32_t hash = 0;
            for (std::uint32_t f = 60; replayHashAt(replay, f, hash); f += 60) {
                hashes.push_back(hash);
            }
            hashes.push_back(replay.hashes.empty() ? 0 : replay.hashes.back());
            job.done(std::move(hashes));
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stop_ = false;
    std::thread thread_;
};

class Seat;

struct Match {
    int index = 0;
    std::string code;
    Seat* bySeat[2] = {nullptr, nullptr};
    std::uint32_t number = 0;
    std::uint32_t frames = 0;
    bool trueHashes = false;
    // The true hashes of the current match, once the worker has them (the end's last).
    std::vector<std::uint32_t> hashes;
    std::mt19937 random;
};

class Bench;

// One connection: a seat of a match.
class Seat : public std::enable_shared_from_this<Seat> {
  public:
    Seat(Bench& bench, asio::io_context& io, Match& match, int which)
        : bench_(bench), socket_(io), match_(match), which_(which) {}
    void open(const tcp::endpoint& server);
    // Sends what is due by now; called every millisecond.
    void pump(std::uint64_t now);
    void leave();
    bool started() const { return match_.number != 0 && startedNumber_ != 0; }
    bool failed() const { return failed_; }
    // When this seat sent each frame of the current match.
    std::vector<std::uint64_t> sentAt;
    std::uint32_t number = 0;

  private:
    void read();
    void handle(const std::uint8_t* bytes, std::size_t size);
    void onMessage(const std::uint8_t* bytes, std::size_t size);
    void send(const net::Message& m);
    void sendRaw(const std::uint8_t* payload, std::size_t size, std::uint8_t opcode = 2);
    void flush();
    void fail(const std::string& why);

    Bench& bench_;
    tcp::socket socket_;
    Match& match_;
    int which_;
    std::vector<std::uint8_t> in_;
    std::vector<std::uint8_t> out_;
    std::vector<std::uint8_t> writing_;
    bool upgraded_ = false;
    bool failed_ = false;
    bool closed_ = false;
    int seat_ = 0;
    std::uint32_t startedNumber_ = 0;
    std::uint64_t t0_ = 0;
    std::uint32_t nextFrame_ = 0;
    std::uint32_t nextHash_ = 1;
    bool resultSent_ = false;
    std::uint64_t lastPing_ = 0;
    std::uint8_t readBuffer_[65536];
};

class Bench {
  public:
    Bench(asio::io_context& io, const Options& options) : io(io), options(options) {}
    asio::io_context& io;
    Options options;
    Stats stats;
    HashWorker worker;
    bool stopping = false;
    std::vector<std::unique_ptr<Match>> matches;
    std::vector<std::shared_ptr<Seat>> seats;

    // A new match of a pair: its length, and its true hashes for a sampled one.
    void matchStarted(Match& match, std::uint32_t number, const MatchStart& start) {
        if (match.number == number) {
            return;
        }
        match.number = number;
        match.hashes.clear();
        const std::uint32_t base = static_cast<std::uint32_t>(options.matchSeconds) * 60;
        // Lengths spread from half to one and a half the mean, never a multiple of 60, so that
        // the matches' ends (and the server's re-plays) are spread over the run.
        match.frames = base / 2 + match.random() % base;
        match.frames += match.frames % 60 == 0 ? 1 : 0;
        if (match.trueHashes) {
            Match* m = &match;
            worker.add(start, match.frames, [this, m, number](std::vector<std::uint32_t> h) {
                asio::post(io, [m, number, h = std::move(h)]() mutable {
                    if (m->number == number) {
                        m->hashes = std::move(h);
                    }
                });
            });
        }
    }
};

void Seat::open(const tcp::endpoint& server) {
    auto self = shared_from_this();
    socket_.async_connect(server, [self](boost::system::error_code ec) {
        if (ec) {
            self->fail("connect: " + ec.message());
            return;
        }
        self->socket_.set_option(tcp::no_delay(true));
        const std::string request = "GET / HTTP/1.1\r\nHost: bench\r\nUpgrade: websocket\r\n"
                                    "Connection: Upgrade\r\n"
                                    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                                    "Sec-WebSocket-Version: 13\r\n\r\n";
        self->out_.assign(request.begin(), request.end());
        self->flush();
        self->read();
    });
}

void Seat::fail(const std::string& why) {
    if (!failed_ && !closed_) {
        failed_ = true;
        bench_.stats.fail(match_.code + "/" + std::to_string(which_) + ": " + why);
    }
    boost::system::error_code ignored;
    socket_.close(ignored);
}

void Seat::read() {
    auto self = shared_from_this();
    socket_.async_read_some(asio::buffer(readBuffer_),
                            [self](boost::system::error_code ec, std::size_t n) {
                                if (ec) {
                                    if (!self->bench_.stopping) {
                                        self->fail("read: " + ec.message());
                                    }
                                    return;
                                }
                                self->handle(self->readBuffer_, n);
                                if (!self->failed_) {
                                    self->read();
                                }
                            });
}

void Seat::handle(const std::uint8_t* bytes, std::size_t size) {
    in_.insert(in_.end(), bytes, bytes + size);
    std::size_t at = 0;
    if (!upgraded_) {
        const std::string text(in_.begin(), in_.end());
        const std::size_t end = text.find("\r\n\r\n");
        if (end == std::string::npos) {
            return;
        }
        if (text.compare(0, 12, "HTTP/1.1 101") != 0) {
            fail("no WebSocket upgrade");
            return;
        }
        upgraded_ = true;
        at = end + 4;
        net::Message hello;
        hello.type = net::MessageType::Hello;
        hello.version = net::protocolVersion;
        hello.gameVersion = gameVersion();
        hello.text = (which_ == 0 ? "a" : "b") + std::to_string(match_.index);
        send(hello);
        net::Message join;
        join.type = net::MessageType::JoinRoom;
        join.flag = 2;
        join.text = match_.code;
        send(join);
    }
    // Server frames: unmasked, never fragmented by Beast for messages this small.
    while (in_.size() - at >= 2) {
        const std::uint8_t opcode = in_[at] & 0x0f;
        std::size_t length = in_[at + 1] & 0x7f;
        std::size_t head = 2;
        if (length == 126) {
            if (in_.size() - at < 4) {
                break;
            }
            length = (std::size_t(in_[at + 2]) << 8) | in_[at + 3];
            head = 4;
        } else if (length == 127) {
            fail("a frame too large");
            return;
        }
        if (in_.size() - at < head + length) {
            break;
        }
        const std::uint8_t* payload = in_.data() + at + head;
        if (opcode == 2) {
            onMessage(payload, length);
        } else if (opcode == 9) {
            sendRaw(payload, length, 10);
        } else if (opcode == 8) {
            closed_ = true;
            if (!bench_.stopping) {
                fail("closed by the server");
            }
            return;
        }
        if (failed_) {
            return;
        }
        at += head + length;
    }
    in_.erase(in_.begin(), in_.begin() + static_cast<long>(at));
}

void Seat::onMessage(const std::uint8_t* bytes, std::size_t size) {
    Stats& stats = bench_.stats;
    if (stats.measuring) {
        ++stats.received;
    }
    // The relay's Inputs, nearly every message, read without decoding the whole message.
    if (size >= 7 && bytes[0] == static_cast<std::uint8_t>(net::MessageType::Inputs)) {
        const int seat = bytes[1];
        const std::uint32_t first =
            bytes[2] | (bytes[3] << 8) | (bytes[4] << 16) | (std::uint32_t(bytes[5]) << 24);
        const std::uint32_t count = bytes[6];
        Seat* other = seat < 2 ? match_.bySeat[seat] : nullptr;
        if (seat == seat_ || other == nullptr || !stats.measuring ||
            other->number != startedNumber_) {
            return;
        }
        const std::uint64_t now = nowUs();
        for (std::uint32_t f = first; f < first + count && f < other->sentAt.size(); ++f) {
            const std::uint64_t tenths = (now - other->sentAt[f]) / 100;
            ++stats.latency[std::min<std::uint64_t>(tenths, stats.latency.size() - 1)];
        }
        return;
    }
    net::Message m;
    std::string why;
    if (!net::decodeMessage(bytes, size, m, why)) {
        fail("undecodable message: " + why);
        return;
    }
    switch (m.type) {
    case net::MessageType::Start:
        seat_ = m.seat;
        match_.bySeat[seat_] = this;
        bench_.matchStarted(match_, m.number, m.start);
        startedNumber_ = m.number;
        number = m.number;
        sentAt.clear();
        sentAt.reserve(match_.frames + 1);
        // Each seat's frames at its own phase, as independent players' would be.
        t0_ = nowUs() + match_.random() % frameUs;
        nextFrame_ = 0;
        nextHash_ = 1;
        resultSent_ = false;
        return;
    case net::MessageType::Refused:
        fail("refused, reason " + std::to_string(m.reason) + " " + m.text);
        return;
    case net::MessageType::Diverged:
        fail("the server found the game parted at frame " + std::to_string(m.number));
        return;
    case net::MessageType::MatchOver:
        if (m.reason == static_cast<std::uint8_t>(net::MatchEnd::Diverged) ||
            m.reason == static_cast<std::uint8_t>(net::MatchEnd::Gone)) {
            fail("match over, how " + std::to_string(m.reason));
            return;
        }
        if (seat_ == 0 && stats.measuring) {
            ++stats.matchesChecked;
        }
        if (!bench_.stopping) {
            net::Message again;
            again.type = net::MessageType::Rematch;
            send(again);
        }
        return;
    default:
        return;
    }
}

void Seat::send(const net::Message& m) {
    const std::vector<std::uint8_t> bytes = net::encodeMessage(m);
    sendRaw(bytes.data(), bytes.size());
}

void Seat::sendRaw(const std::uint8_t* payload, std::size_t size, std::uint8_t opcode) {
    // A client's frames are masked; a zero mask leaves the payload as it is.
    out_.push_back(static_cast<std::uint8_t>(0x80 | opcode));
    if (size < 126) {
        out_.push_back(static_cast<std::uint8_t>(0x80 | size));
    } else {
        out_.push_back(0x80 | 126);
        out_.push_back(static_cast<std::uint8_t>(size >> 8));
        out_.push_back(static_cast<std::uint8_t>(size & 0xff));
    }
    out_.insert(out_.end(), 4, 0);
    out_.insert(out_.end(), payload, payload + size);
    if (bench_.stats.measuring && opcode == 2) {
        ++bench_.stats.sent;
    }
}

void Seat::flush() {
    if (out_.empty() || !writing_.empty() || failed_) {
        return;
    }
    writing_.swap(out_);
    auto self = shared_from_this();
    asio::async_write(socket_, asio::buffer(writing_),
                      [self](boost::system::error_code ec, std::size_t) {
                          self->writing_.clear();
                          if (ec) {
                              if (!self->bench_.stopping) {
                                  self->fail("write: " + ec.message());
                              }
                              return;
                          }
                          self->flush();
                      });
}

void Seat::pump(std::uint64_t now) {
    if (failed_ || !upgraded_) {
        return;
    }
    if (startedNumber_ != 0 && startedNumber_ == match_.number && !bench_.stopping) {
        // The frames due by now in one Inputs message, as a real client batches the frames it
        // fell behind with (one frame a message when it keeps up). Laid out by hand: the load
        // client's own cost is kept low so that the server is what is measured.
        std::uint32_t count = 0;
        while (nextFrame_ + count < match_.frames && count < net::maxBatchFrames &&
               now >= t0_ + (nextFrame_ + count) * frameUs) {
            ++count;
        }
        if (count > 0) {
            for (std::uint32_t f = nextFrame_; f < nextFrame_ + count; ++f) {
                if (match_.trueHashes && f == nextHash_ * 60 && nextHash_ < match_.hashes.size()) {
                    net::Message hash;
                    hash.type = net::MessageType::Hash;
                    hash.number = f;
                    hash.hash = match_.hashes[nextHash_ - 1];
                    send(hash);
                    ++nextHash_;
                }
            }
            std::uint8_t inputs[7 + 3 * net::maxBatchFrames] = {
                static_cast<std::uint8_t>(net::MessageType::Inputs),
                static_cast<std::uint8_t>(seat_),
                static_cast<std::uint8_t>(nextFrame_),
                static_cast<std::uint8_t>(nextFrame_ >> 8),
                static_cast<std::uint8_t>(nextFrame_ >> 16),
                static_cast<std::uint8_t>(nextFrame_ >> 24),
                static_cast<std::uint8_t>(count)};
            sendRaw(inputs, 7 + 3 * count);
            sentAt.insert(sentAt.end(), count, now);
            nextFrame_ += count;
        }
        // A sampled match whose hashes came late sends them before its Result.
        while (match_.trueHashes && !match_.hashes.empty() && nextHash_ * 60 < nextFrame_ &&
               nextHash_ < match_.hashes.size()) {
            net::Message hash;
            hash.type = net::MessageType::Hash;
            hash.number = nextHash_ * 60;
            hash.hash = match_.hashes[nextHash_ - 1];
            send(hash);
            ++nextHash_;
        }
        const bool hashesDone = !match_.trueHashes || !match_.hashes.empty();
        if (nextFrame_ == match_.frames && !resultSent_ && hashesDone) {
            net::Message result;
            result.type = net::MessageType::Result;
            result.number = match_.frames;
            result.hash = match_.trueHashes ? match_.hashes.back() : 0;
            result.reason = 3;
            send(result);
            resultSent_ = true;
        }
    }
    if (now - lastPing_ >= 1000000) {
        net::Message ping;
        ping.type = net::MessageType::Ping;
        ping.number = static_cast<std::uint32_t>(now / 1000);
        send(ping);
        lastPing_ = now;
    }
    flush();
}

void Seat::leave() {
    if (failed_) {
        return;
    }
    net::Message m;
    m.type = net::MessageType::Leave;
    send(m);
    flush();
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseArgs(argc, argv, options)) {
        std::fputs(usage, stderr);
        return 2;
    }
    // Two connections a match: lift the descriptor limit as far as allowed.
    rlimit files;
    if (getrlimit(RLIMIT_NOFILE, &files) == 0) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    asio::io_context io;
    Bench bench(io, options);
    boost::system::error_code ec;
    const tcp::endpoint server(asio::ip::make_address(options.host, ec),
                               static_cast<unsigned short>(options.port));
    if (ec) {
        std::fprintf(stderr, "kokurin-load-bench: bad address %s\n", options.host.c_str());
        return 2;
    }
    for (int i = 0; i < options.matches; ++i) {
        auto match = std::make_unique<Match>();
        match->index = i;
        // A room code is 4 to 8 letters and digits.
        char code[16];
        std::snprintf(code, sizeof code, "L%04d", i % 10000000);
        match->code = code;
        match->trueHashes = i % options.trueHashEvery == 0;
        match->random.seed(static_cast<std::uint32_t>(i) * 2654435761u + 7);
        for (int s = 0; s < 2; ++s) {
            bench.seats.push_back(std::make_shared<Seat>(bench, io, *match, s));
        }
        bench.matches.push_back(std::move(match));
    }

    // Connections opened 200 a tick so the server's backlog never overflows; the measured run
    // starts once every match has started (or after 60 s, the rest counted as failures).
    const std::uint64_t begun = nowUs();
    std::size_t opened = 0;
    std::uint64_t measureFrom = 0;
    std::uint64_t measureTo = 0;
    double cpuFrom = 0;
    double cpuTo = 0;
    bool done = false;
    asio::steady_timer timer(io);
    std::function<void()> tick = [&] {
        const std::uint64_t now = nowUs();
        for (int k = 0; k < 200 && opened < bench.seats.size(); ++k) {
            bench.seats[opened++]->open(server);
        }
        for (auto& seat : bench.seats) {
            seat->pump(now);
        }
        if (measureFrom == 0) {
            const bool all = std::all_of(bench.seats.begin(), bench.seats.end(),
                                         [](const auto& s) { return s->started() || s->failed(); });
            if (all || now - begun > 60000000) {
                for (auto& seat : bench.seats) {
                    if (!seat->started() && !seat->failed()) {
                        bench.stats.fail("a seat whose match never started");
                    }
                }
                measureFrom = now;
                bench.stats.measuring = true;
                cpuFrom = options.serverPid != 0 ? processSeconds(options.serverPid) : 0;
            }
        } else if (measureTo == 0 &&
                   now - measureFrom >= std::uint64_t(options.seconds) * 1000000) {
            measureTo = now;
            cpuTo = options.serverPid != 0 ? processSeconds(options.serverPid) : 0;
            bench.stats.measuring = false;
            bench.stopping = true;
            for (auto& seat : bench.seats) {
                seat->leave();
            }
        } else if (measureTo != 0 && now - measureTo > 1000000) {
            done = true;
        }
        if (!done) {
            timer.expires_at(timer.expiry() + std::chrono::milliseconds(1));
            timer.async_wait([&](boost::system::error_code) { tick(); });
        }
    };
    timer.expires_after(std::chrono::milliseconds(1));
    timer.async_wait([&](boost::system::error_code) { tick(); });
    while (!done) {
        io.run_one();
    }

    const Stats& s = bench.stats;
    const double seconds = static_cast<double>(measureTo - measureFrom) / 1e6;
    std::uint64_t samples = 0;
    for (std::uint64_t n : s.latency) {
        samples += n;
    }
    std::printf("matches held at once     %d (%d connections)\n", options.matches,
                options.matches * 2);
    std::printf("measured for             %.1f s\n", seconds);
    if (options.serverPid != 0) {
        const double cpu = cpuTo - cpuFrom;
        std::printf("server processor time    %.2f s (%.1f%% of one core)\n", cpu,
                    100.0 * cpu / seconds);
        std::printf("server CPU per match     %.3f%% of one core\n",
                    100.0 * cpu / seconds / options.matches);
    }
    std::printf("load client's own time   %.2f s\n", processSeconds(static_cast<int>(getpid())));
    std::printf("messages/s to server     %.0f\n", static_cast<double>(s.sent) / seconds);
    std::printf("messages/s from server   %.0f\n", static_cast<double>(s.received) / seconds);
    std::printf("relayed frames measured  %llu\n", static_cast<unsigned long long>(samples));
    std::printf("relay latency p50        %.1f ms\n", s.percentile(0.50));
    std::printf("relay latency p99        %.1f ms\n", s.percentile(0.99));
    std::printf("relay latency p99.9      %.1f ms\n", s.percentile(0.999));
    std::printf("matches ended and checked %ld\n", s.matchesChecked);
    std::printf("failures                 %ld\n", s.failures);
    for (const auto& kind : s.kinds) {
        std::printf("  %5ld  %s\n", kind.second, kind.first.c_str());
    }
    return s.failures == 0 && samples > 0 ? 0 : 1;
}
