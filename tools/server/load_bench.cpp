// kokurin-load-bench: many matches at once against one kokurin-server, from one process on a few
// threads (asio, a hand-made WebSocket client: the server's frames come unmasked, and each
// connection writes what is queued in one write). Each pair joins a room and plays as a real
// client now sends: the seat to move presses a key every few frames and each change goes at
// once, the other seat sends nothing but how far its stream reaches every 100 ms (so does the
// mover when it pauses); each seat pings once a second, ends each match with Result after a
// random length and asks for a rematch, until the run's time is over. It measures the relay's
// added latency (a seat's send of a message to the other seat's receipt of the relayed frames,
// on this one clock), the messages and bytes each way, the server's processor time, and its own
// lateness (so that a load client that falls behind says so).
//
// Every match's inputs are made when it starts, from its own generator; the frames relayed to
// the other seat are checked against them. Hashes: a sample of the matches (one in
// --true-hash-every) sends the true state hash every 60 frames, computed by re-playing those
// inputs on a worker thread with the server's own match check; the others send none, because the
// server re-plays every match at its end and would rightly call any made-up hash a divergence.
#include <boost/asio.hpp>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
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
#include "net/input_runs.h"
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
    int threads = 1;
};

const char* usage = "usage: kokurin-load-bench --port N [--host H] [--matches N] [--seconds S]\n"
                    "                          [--match-seconds S] [--true-hash-every K]\n"
                    "                          [--server-pid PID] [--threads N]\n";

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
        } else if (flag == "--threads") {
            o.threads = n;
        } else {
            return false;
        }
    }
    return o.port > 0 && o.port < 65536 && o.matches > 0 && o.seconds > 0 && o.matchSeconds >= 2 &&
           o.trueHashEvery > 0 && o.threads >= 1 && o.threads <= 64;
}

std::uint64_t nowUs() {
    using namespace std::chrono;
    static const steady_clock::time_point origin = steady_clock::now();
    return static_cast<std::uint64_t>(
        duration_cast<microseconds>(steady_clock::now() - origin).count());
}

// utime + stime of a process (or, with a thread id, of one of its threads), in seconds (0 when
// it cannot be read).
double processSeconds(int pid, int tid = 0) {
    const std::string path = "/proc/" + std::to_string(pid) +
                             (tid != 0 ? "/task/" + std::to_string(tid) : std::string()) + "/stat";
    std::ifstream stat(path);
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
constexpr std::uint64_t keepAliveUs = 100000;

// Tenths of a millisecond, the last bucket holding everything above.
struct Histogram {
    std::vector<std::uint64_t> buckets = std::vector<std::uint64_t>(10001, 0);
    void add(std::uint64_t us) { ++buckets[std::min<std::uint64_t>(us / 100, buckets.size() - 1)]; }
    void merge(const Histogram& other) {
        for (std::size_t i = 0; i < buckets.size(); ++i) {
            buckets[i] += other.buckets[i];
        }
    }
    std::uint64_t count() const {
        std::uint64_t total = 0;
        for (std::uint64_t n : buckets) {
            total += n;
        }
        return total;
    }
    double percentile(double p) const {
        const std::uint64_t total = count();
        std::uint64_t seen = 0;
        for (std::size_t i = 0; i < buckets.size(); ++i) {
            seen += buckets[i];
            if (total > 0 && seen >= p * static_cast<double>(total)) {
                return static_cast<double>(i) / 10.0;
            }
        }
        return 0;
    }
};

struct Stats {
    Histogram latency;
    // How late the load client's own tick ran: past a few milliseconds it is the bottleneck.
    Histogram lateness;
    std::uint64_t sent = 0;
    std::uint64_t sentBytes = 0;
    std::uint64_t received = 0;
    std::uint64_t receivedBytes = 0;
    long matchesChecked = 0;
    long failures = 0;
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
    void merge(const Stats& other) {
        latency.merge(other.latency);
        lateness.merge(other.lateness);
        sent += other.sent;
        sentBytes += other.sentBytes;
        received += other.received;
        receivedBytes += other.receivedBytes;
        matchesChecked += other.matchesChecked;
        failures += other.failures;
        for (const auto& kind : other.kinds) {
            kinds[kind.first] += kind.second;
        }
    }
};

// What every lane reads: the run's phase.
struct Phase {
    std::atomic<bool> measuring{false};
    std::atomic<bool> stopping{false};
    std::atomic<bool> done{false};
};

// A re-play of a match's inputs, on its own thread: the true hashes a real client would send.
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
    void add(const MatchStart& start, std::vector<FrameInput> first,
             std::vector<FrameInput> second, Done done) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            jobs_.push_back({start, std::move(first), std::move(second), std::move(done)});
        }
        wake_.notify_one();
    }

  private:
    struct Job {
        MatchStart start;
        std::vector<FrameInput> first;
        std::vector<FrameInput> second;
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
            const auto frames = static_cast<std::uint32_t>(job.first.size());
            const Replay replay = replayStreams(job.start, job.first, job.second, frames);
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
    // Both seats' inputs of the current match, made at its start.
    std::vector<FrameInput> streams[2];
    // The true hashes of the current match, once the worker has them (the end's last).
    std::vector<std::uint32_t> hashes;
    std::mt19937 random;
};

// The inputs of a match: turns of a few seconds, the mover pressing one of its seat's keys for
// a frame or three every few frames, then a pause (the board settling) with nobody pressing.
void makeInputs(Match& match) {
    for (auto& stream : match.streams) {
        stream.assign(match.frames, FrameInput{});
    }
    std::mt19937& r = match.random;
    int mover = static_cast<int>(r() % 2);
    std::uint32_t f = 0;
    while (f < match.frames) {
        const std::uint32_t turnEnd =
            std::min<std::uint32_t>(match.frames, f + 120 + static_cast<std::uint32_t>(r() % 180));
        while (f < turnEnd) {
            const std::uint32_t hold = 1 + r() % 3;
            // A seat's five keys: 1P's from bit 2, 2P's from bit 7.
            const auto key = static_cast<std::uint16_t>(1u << ((mover == 0 ? 2 : 7) + r() % 5));
            for (std::uint32_t k = 0; k < hold && f < turnEnd; ++k) {
                match.streams[mover][f++].keys = key;
            }
            f += 2 + r() % 5;
        }
        f += 30 + r() % 60;
        mover = 1 - mover;
    }
}

class Lane;

// One connection: a seat of a match.
class Seat : public std::enable_shared_from_this<Seat> {
  public:
    Seat(Lane& lane, asio::io_context& io, Match& match, int which)
        : lane_(lane), socket_(io), match_(match), which_(which) {}
    void open(const tcp::endpoint& server);
    // Sends what is due by now; called every millisecond.
    void pump(std::uint64_t now);
    void leave();
    bool started() const { return match_.number != 0 && startedNumber_ != 0; }
    bool failed() const { return failed_; }
    std::uint32_t number = 0;
    // When this seat sent each Inputs of the current match, and how far each reached.
    std::deque<std::pair<std::uint32_t, std::uint64_t>> sentAt;

  private:
    void read();
    void handle(const std::uint8_t* bytes, std::size_t size);
    void onMessage(const std::uint8_t* bytes, std::size_t size);
    void onInputs(const std::uint8_t* bytes, std::size_t size);
    void send(const net::Message& m);
    void sendRaw(const std::uint8_t* payload, std::size_t size, std::uint8_t opcode = 2);
    void sendStream(std::uint32_t to, std::uint64_t now);
    void flush();
    void fail(const std::string& why);

    Lane& lane_;
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
    // Frames of its stream the seat has come to, and told the server of.
    std::uint32_t given_ = 0;
    std::uint32_t told_ = 0;
    std::uint64_t lastSent_ = 0;
    std::uint32_t nextHash_ = 1;
    bool resultSent_ = false;
    std::uint64_t lastPing_ = 0;
    // The other seat's frames as relayed, checked against what it sent.
    std::vector<FrameInput> relayed_;
    std::uint8_t readBuffer_[65536];
};

// One thread of the load client: its own event loop and its share of the matches.
class Lane {
  public:
    Lane(const Options& options, Phase& phase, HashWorker& worker)
        : options(options), phase(phase), worker(worker), timer_(io) {}
    asio::io_context io;
    const Options& options;
    Phase& phase;
    HashWorker& worker;
    Stats stats;
    std::vector<std::unique_ptr<Match>> matches;
    std::vector<std::shared_ptr<Seat>> seats;
    std::atomic<int> ready{0};
    std::atomic<int> threadId{0};

    bool measuring() const { return phase.measuring.load(std::memory_order_relaxed); }
    bool stopping() const { return phase.stopping.load(std::memory_order_relaxed); }

    // A new match of a pair: its length and inputs, and its true hashes for a sampled one.
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
        makeInputs(match);
        if (match.trueHashes) {
            Match* m = &match;
            worker.add(start, match.streams[0], match.streams[1],
                       [this, m, number](std::vector<std::uint32_t> h) {
                           asio::post(io, [m, number, h = std::move(h)]() mutable {
                               if (m->number == number) {
                                   m->hashes = std::move(h);
                               }
                           });
                       });
        }
    }

    void run(const tcp::endpoint& server) {
        threadId = static_cast<int>(gettid());
        std::size_t opened = 0;
        timer_.expires_after(std::chrono::milliseconds(1));
        std::function<void()> tick = [&] {
            const std::uint64_t now = nowUs();
            if (measuring()) {
                const auto due = std::chrono::duration_cast<std::chrono::microseconds>(
                    std::chrono::steady_clock::now() - timer_.expiry());
                stats.lateness.add(static_cast<std::uint64_t>(std::max<long>(0, due.count())));
            }
            // Connections opened 100 a tick so that the server's backlog never overflows.
            for (int k = 0; k < 100 && opened < seats.size(); ++k) {
                seats[opened++]->open(server);
            }
            int count = 0;
            for (auto& seat : seats) {
                seat->pump(now);
                count += seat->started() || seat->failed() ? 1 : 0;
            }
            ready = count;
            if (!phase.done) {
                timer_.expires_at(timer_.expiry() + std::chrono::milliseconds(1));
                timer_.async_wait([&](boost::system::error_code) { tick(); });
            }
        };
        timer_.async_wait([&](boost::system::error_code) { tick(); });
        while (!phase.done) {
            io.run_one();
        }
    }

  private:
    asio::steady_timer timer_;
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
        lane_.stats.fail(match_.code + "/" + std::to_string(which_) + ": " + why);
    }
    boost::system::error_code ignored;
    socket_.close(ignored);
}

void Seat::read() {
    auto self = shared_from_this();
    socket_.async_read_some(asio::buffer(readBuffer_),
                            [self](boost::system::error_code ec, std::size_t n) {
                                if (ec) {
                                    if (!self->lane_.stopping()) {
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
    // Server frames: unmasked, never fragmented for messages this small.
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
        if (lane_.measuring()) {
            ++lane_.stats.received;
            lane_.stats.receivedBytes += head + length;
        }
        if (opcode == 2) {
            onMessage(payload, length);
        } else if (opcode == 9) {
            sendRaw(payload, length, 10);
        } else if (opcode == 8) {
            closed_ = true;
            if (!lane_.stopping()) {
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

void Seat::onInputs(const std::uint8_t* bytes, std::size_t size) {
    net::Message m;
    std::string why;
    if (!net::decodeMessage(bytes, size, m, why)) {
        fail("undecodable inputs: " + why);
        return;
    }
    const int seat = m.seat;
    Seat* other = match_.bySeat[seat];
    if (seat == seat_ || other == nullptr || other->number != startedNumber_) {
        // How far the server holds this seat's own frames, or the other's of another match.
        return;
    }
    const std::size_t had = relayed_.size();
    net::extendStream(relayed_, m, match_.frames);
    const std::vector<FrameInput>& truth = match_.streams[seat];
    if (!std::equal(relayed_.begin() + static_cast<long>(had), relayed_.end(),
                    truth.begin() + static_cast<long>(had))) {
        fail("the relayed frames differ from the ones sent at frame " + std::to_string(had));
        return;
    }
    // Every message of the other seat's that the relay covers has arrived.
    const std::uint64_t now = nowUs();
    const std::uint32_t reach = m.held[seat];
    while (!other->sentAt.empty() && other->sentAt.front().first <= reach) {
        if (lane_.measuring()) {
            lane_.stats.latency.add(now - other->sentAt.front().second);
        }
        other->sentAt.pop_front();
    }
}

void Seat::onMessage(const std::uint8_t* bytes, std::size_t size) {
    if (size > 0 && bytes[0] == static_cast<std::uint8_t>(net::MessageType::Inputs)) {
        onInputs(bytes, size);
        return;
    }
    net::Message m;
    std::string why;
    if (!net::decodeMessage(bytes, size, m, why)) {
        fail("undecodable message: " + why);
        return;
    }
    Stats& stats = lane_.stats;
    switch (m.type) {
    case net::MessageType::Start:
        seat_ = m.seat;
        match_.bySeat[seat_] = this;
        lane_.matchStarted(match_, m.number, m.start);
        startedNumber_ = m.number;
        number = m.number;
        sentAt.clear();
        relayed_.clear();
        relayed_.reserve(match_.frames);
        // Each seat's frames at its own phase, as independent players' would be.
        t0_ = nowUs() + match_.random() % frameUs;
        given_ = 0;
        told_ = 0;
        lastSent_ = t0_;
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
        if (seat_ == 0 && lane_.measuring()) {
            ++stats.matchesChecked;
        }
        if (!lane_.stopping()) {
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
    const std::size_t before = out_.size();
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
    if (lane_.measuring()) {
        ++lane_.stats.sent;
        lane_.stats.sentBytes += out_.size() - before;
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
                              if (!self->lane_.stopping()) {
                                  self->fail("write: " + ec.message());
                              }
                              return;
                          }
                          self->flush();
                      });
}

void Seat::sendStream(std::uint32_t to, std::uint64_t now) {
    while (told_ < to) {
        net::Message m;
        told_ = net::writeStream(match_.streams[seat_], seat_, told_, to, true, m);
        send(m);
    }
    sentAt.emplace_back(told_, now);
    lastSent_ = now;
}

void Seat::pump(std::uint64_t now) {
    if (failed_ || !upgraded_) {
        return;
    }
    if (startedNumber_ != 0 && startedNumber_ == match_.number && !lane_.stopping() &&
        now >= t0_) {
        const std::vector<FrameInput>& stream = match_.streams[seat_];
        const auto due = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(match_.frames, (now - t0_) / frameUs + 1));
        // A change goes at once (with the frames before it); a stream that does not change
        // says how far it reaches every 100 ms, and once more at the match's end.
        std::uint32_t change = 0;
        for (std::uint32_t f = given_; f < due; ++f) {
            if (stream[f] != (f > 0 ? stream[f - 1] : FrameInput{})) {
                change = f + 1;
            }
        }
        given_ = std::max(given_, due);
        if (change > told_) {
            sendStream(change, now);
        }
        if (given_ > told_ && (now - lastSent_ >= keepAliveUs || given_ == match_.frames)) {
            sendStream(given_, now);
        }
        const bool hashesReady = !match_.hashes.empty();
        while (match_.trueHashes && hashesReady && nextHash_ * 60 <= told_ &&
               nextHash_ < match_.hashes.size()) {
            net::Message hash;
            hash.type = net::MessageType::Hash;
            hash.number = nextHash_ * 60;
            hash.hash = match_.hashes[nextHash_ - 1];
            send(hash);
            ++nextHash_;
        }
        if (told_ == match_.frames && !resultSent_ && (!match_.trueHashes || hashesReady)) {
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
    boost::system::error_code ec;
    const tcp::endpoint server(asio::ip::make_address(options.host, ec),
                               static_cast<unsigned short>(options.port));
    if (ec) {
        std::fprintf(stderr, "kokurin-load-bench: bad address %s\n", options.host.c_str());
        return 2;
    }
    Phase phase;
    HashWorker worker;
    std::vector<std::unique_ptr<Lane>> lanes;
    for (int t = 0; t < options.threads; ++t) {
        lanes.push_back(std::make_unique<Lane>(options, phase, worker));
    }
    for (int i = 0; i < options.matches; ++i) {
        Lane& lane = *lanes[static_cast<std::size_t>(i % options.threads)];
        auto match = std::make_unique<Match>();
        match->index = i;
        // A room code is 4 to 8 letters and digits.
        char code[16];
        std::snprintf(code, sizeof code, "L%04d", i % 10000000);
        match->code = code;
        match->trueHashes = i % options.trueHashEvery == 0;
        match->random.seed(static_cast<std::uint32_t>(i) * 2654435761u + 7);
        for (int s = 0; s < 2; ++s) {
            lane.seats.push_back(std::make_shared<Seat>(lane, lane.io, *match, s));
        }
        lane.matches.push_back(std::move(match));
    }
    std::vector<std::thread> threads;
    for (auto& lane : lanes) {
        Lane* l = lane.get();
        threads.emplace_back([l, &server] { l->run(server); });
    }

    // The measured run starts once every match has started (or after 60 s, the rest counted as
    // failures). The lanes read the phase on every tick; this thread only watches the clock.
    auto readySeats = [&] {
        int n = 0;
        for (auto& lane : lanes) {
            n += lane->ready;
        }
        return n;
    };
    const std::uint64_t begun = nowUs();
    while (readySeats() < options.matches * 2 && nowUs() - begun < 60000000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const long neverStarted = options.matches * 2 - readySeats();
    auto laneSeconds = [&] {
        double total = 0;
        for (auto& lane : lanes) {
            total += processSeconds(static_cast<int>(getpid()), lane->threadId);
        }
        return total;
    };
    const std::uint64_t measureFrom = nowUs();
    const double cpuFrom = options.serverPid != 0 ? processSeconds(options.serverPid) : 0;
    const double laneFrom = laneSeconds();
    phase.measuring = true;
    while (nowUs() - measureFrom < std::uint64_t(options.seconds) * 1000000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    phase.measuring = false;
    const std::uint64_t measureTo = nowUs();
    const double cpuTo = options.serverPid != 0 ? processSeconds(options.serverPid) : 0;
    const double laneTo = laneSeconds();
    phase.stopping = true;
    for (auto& lane : lanes) {
        asio::post(lane->io, [l = lane.get()] {
            for (auto& seat : l->seats) {
                seat->leave();
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    phase.done = true;
    for (std::thread& t : threads) {
        t.join();
    }

    Stats s;
    for (auto& lane : lanes) {
        s.merge(lane->stats);
    }
    for (long i = 0; i < neverStarted; ++i) {
        s.fail("a seat whose match never started");
    }
    const double seconds = static_cast<double>(measureTo - measureFrom) / 1e6;
    const double matchSeconds = seconds * options.matches;
    const std::uint64_t samples = s.latency.count();
    std::printf("matches held at once     %d (%d connections)\n", options.matches,
                options.matches * 2);
    std::printf("measured for             %.1f s\n", seconds);
    if (options.serverPid != 0) {
        const double cpu = cpuTo - cpuFrom;
        std::printf("server processor time    %.2f s (%.1f%% of one core)\n", cpu,
                    100.0 * cpu / seconds);
        std::printf("server CPU per match     %.4f%% of one core\n",
                    100.0 * cpu / seconds / options.matches);
    }
    const double laneBusy = (laneTo - laneFrom) / seconds / options.threads;
    std::printf("load client              %d thread(s), each %.0f%% busy; tick late p99 %.1f ms\n",
                options.threads, 100.0 * laneBusy, s.lateness.percentile(0.99));
    if (laneBusy > 0.9 || s.lateness.percentile(0.99) > 5.0) {
        std::printf("load client              BEHIND: its own lag is in the latencies below\n");
    }
    std::printf("messages/s to server     %.0f (%.1f a match)\n", s.sent / seconds,
                s.sent / matchSeconds);
    std::printf("messages/s from server   %.0f (%.1f a match)\n", s.received / seconds,
                s.received / matchSeconds);
    std::printf("bytes/s to server        %.0f (%.0f a match, WebSocket framing included)\n",
                s.sentBytes / seconds, s.sentBytes / matchSeconds);
    std::printf("bytes/s from server      %.0f (%.0f a match)\n", s.receivedBytes / seconds,
                s.receivedBytes / matchSeconds);
    std::printf("relayed messages measured %llu\n", static_cast<unsigned long long>(samples));
    std::printf("relay latency p50        %.1f ms\n", s.latency.percentile(0.50));
    std::printf("relay latency p99        %.1f ms\n", s.latency.percentile(0.99));
    std::printf("relay latency p99.9      %.1f ms\n", s.latency.percentile(0.999));
    std::printf("matches ended and checked %ld\n", s.matchesChecked);
    std::printf("failures                 %ld\n", s.failures);
    for (const auto& kind : s.kinds) {
        std::printf("  %5ld  %s\n", kind.second, kind.first.c_str());
    }
    return s.failures == 0 && samples > 0 ? 0 : 1;
}
