// Random sequences of valid and invalid messages from several clients against one lobby, under
// AddressSanitizer and UBSan: connections come and go, room codes and resume tokens are drawn
// from small pools shared by every client so that their requests collide, and the referee's
// checks and the ranked records' answers complete at random moments (the records failing now
// and then, as a database that is down). Fixed seeds, as many as a few seconds allow; a crash
// prints the seed and the steps that led to it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>

#if defined(__has_include)
#if __has_include(<sanitizer/common_interface_defs.h>)
#include <sanitizer/common_interface_defs.h>
#define KOKURIN_HAVE_SANITIZER_CALLBACK 1
#endif
#endif

#include "lobby_rig.h"

namespace kokurin::testing {
namespace {

using net::Message;
using net::MessageType;

std::vector<std::string>* currentTrace = nullptr;

void printTrace() {
    if (currentTrace == nullptr) {
        return;
    }
    std::fprintf(stderr, "lobby fuzz: the steps that led here:\n");
    for (const std::string& step : *currentTrace) {
        std::fprintf(stderr, "  %s\n", step.c_str());
    }
}

class Sequence {
  public:
    explicit Sequence(std::uint32_t seed) : random_(seed), rig_(options(), nullptr, true) {
        rig_.completeChecks = false;
        // A client that never reads is dropped once a few messages queue up for it: after a
        // few small ones, or a match's start or two.
        static const std::size_t caps[] = {100, 3000, 6000};
        rig_.out.queueCap = caps[pick(3)];
        trace_.push_back("seed " + std::to_string(seed));
    }

    static ServerLobbyOptions options() {
        ServerLobbyOptions o;
        o.stallMs = 3000;
        o.helloTimeoutMs = 2000;
        o.maxSpectators = 2;
        o.maxMatchFrames = 600;
        o.maxWrongTokens = 2;
        return o;
    }

    void run(int steps) {
        currentTrace = &trace_;
        for (int i = 0; i < steps; ++i) {
            step();
            forgetGone();
        }
        currentTrace = nullptr;
    }

    const std::vector<std::string>& faults() const { return rig_.out.faults; }
    const std::vector<std::string>& trace() const { return trace_; }

  private:
    int pick(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }

    void forgetGone() {
        std::vector<ClientId> still;
        for (ClientId c : live_) {
            if (rig_.out.gone.count(c) == 0) {
                still.push_back(c);
            }
        }
        live_ = still;
        for (const auto& entry : rig_.out.heard) {
            for (const Message& m : entry.second) {
                if (m.type == MessageType::Welcome && isNewToken(m.token)) {
                    tokens_.push_back(m.token);
                }
            }
        }
    }

    bool isNewToken(std::uint64_t token) const {
        for (std::uint64_t t : tokens_) {
            if (t == token) {
                return false;
            }
        }
        return true;
    }

    std::string code() {
        static const char* const pool[] = {"ROOM", "room", "ABCD", "", "../web/x"};
        const int n = pick(8);
        if (n < 5) {
            return pool[n];
        }
        // A code the server picked for a quick match.
        for (const auto& entry : rig_.out.heard) {
            for (const Message& m : entry.second) {
                if (m.type == MessageType::Joined && m.text.size() == 5) {
                    return m.text;
                }
            }
        }
        return "ROOM";
    }

    void step() {
        const int action = pick(14);
        if (action == 0 || live_.empty()) {
            if (live_.size() < 4) {
                const ClientId c = rig_.connect();
                live_.push_back(c);
                const bool stuck = pick(4) == 0;
                if (stuck) {
                    rig_.out.stuck.insert(c);
                }
                trace_.push_back("connect " + std::to_string(c) + (stuck ? " (never reads)" : ""));
                if (pick(10) != 0) {
                    say(c, helloMessage(pick(4) == 0 ? "bob" : "p" + std::to_string(c)),
                        "Hello");
                }
            }
            return;
        }
        const ClientId c = live_[static_cast<std::size_t>(pick(static_cast<int>(live_.size())))];
        if (action == 1) {
            trace_.push_back("disconnect " + std::to_string(c));
            rig_.disconnect(c);
            return;
        }
        if (action == 2) {
            static const std::uint32_t gaps[] = {50, 700, 3500};
            const std::uint32_t gap = gaps[pick(3)];
            trace_.push_back("advance " + std::to_string(gap));
            rig_.advance(gap);
            return;
        }
        if (action == 3) {
            trace_.push_back("complete a check");
            rig_.referee.completeOne();
            rig_.settle();
            return;
        }
        if (action == 4) {
            rig_.records.failing = pick(5) == 0;
            trace_.push_back(std::string("answer a record") +
                             (rig_.records.failing ? " (failing)" : ""));
            rig_.records.completeOne();
            rig_.settle();
            return;
        }
        message(c);
    }

    void say(ClientId c, const Message& m, const std::string& what) {
        trace_.push_back(std::to_string(c) + ": " + what);
        rig_.send(c, m);
    }

    void message(ClientId c) {
        // Weighted towards the ways into and out of rooms, where clients' requests collide.
        static const int weights[] = {4, 4, 4, 2, 3, 3, 1, 1, 1, 1, 1, 1, 1, 2, 3, 1, 1};
        int total = 0;
        for (int w : weights) {
            total += w;
        }
        int roll = pick(total);
        int type = 0;
        while (roll >= weights[type]) {
            roll -= weights[type++];
        }
        Message m;
        switch (type) {
        case 0:
            m.type = MessageType::CreateRoom;
            m.flag = static_cast<std::uint8_t>(pick(2));
            m.text = code();
            break;
        case 1:
            m.type = MessageType::JoinRoom;
            m.flag = static_cast<std::uint8_t>(pick(4));
            m.text = code();
            if (m.text.empty()) {
                m.text = "ROOM";
            }
            break;
        case 2:
            m.type = MessageType::QuickMatch;
            break;
        case 3:
            m.type = MessageType::Leave;
            break;
        case 4:
            m.type = MessageType::Resume;
            m.token = !tokens_.empty() && pick(4) != 0
                          ? tokens_[static_cast<std::size_t>(pick(static_cast<int>(tokens_.size())))]
                          : static_cast<std::uint64_t>(pick(3));
            m.text = code();
            break;
        case 5: {
            m.type = MessageType::Inputs;
            m.seat = static_cast<std::uint8_t>(pick(2));
            m.number = static_cast<std::uint32_t>(pick(4) * 120);
            m.held[m.seat] = m.number;
            for (int run = pick(4); run > 0; --run) {
                const auto frames = static_cast<std::uint16_t>(1 + pick(60));
                m.runs.push_back(net::InputRun{frames, FrameInput{}});
                m.held[m.seat] += frames;
            }
            if (pick(6) == 0 && !m.runs.empty()) {
                m.runs.back().input.keys = 1;
            }
            // Reaching further than the runs, now and then as far as the clock never allows.
            m.held[m.seat] += static_cast<std::uint32_t>(pick(3) == 0 ? pick(400) : 0);
            m.held[1 - m.seat] = static_cast<std::uint32_t>(pick(200));
            break;
        }
        case 6:
            m.type = MessageType::Hash;
            m.number = static_cast<std::uint32_t>(60 * (1 + pick(10)));
            m.hash = static_cast<std::uint32_t>(pick(2));
            break;
        case 7:
            m.type = MessageType::Result;
            m.number = static_cast<std::uint32_t>(pick(700));
            break;
        case 8:
            m.type = MessageType::Rematch;
            break;
        case 9:
            m.type = pick(2) == 0 ? MessageType::ListRooms : MessageType::Ping;
            break;
        case 10:
            m = helloMessage(pick(2) == 0 ? "\xe2\x80\xae" "evil" : "bob");
            break;
        case 11:
            m.type = MessageType::MatchOver;
            m.reason = 1;
            break;
        case 12:
            m.type = MessageType::Pong;
            break;
        case 13:
            // Three keys among every client: the same key twice, and names taken.
            m = identifyMessage(static_cast<std::uint8_t>(pick(3)));
            break;
        case 14:
            m.type = MessageType::RankedQueue;
            break;
        case 15:
            m.type = MessageType::AskStanding;
            break;
        default: {
            std::vector<std::uint8_t> junk(static_cast<std::size_t>(pick(12)));
            for (std::uint8_t& b : junk) {
                b = static_cast<std::uint8_t>(pick(256));
            }
            trace_.push_back(std::to_string(c) + ": junk");
            rig_.sendBytes(c, junk);
            return;
        }
        }
        std::vector<std::uint8_t> bytes = net::encodeMessage(m);
        trace_.push_back(std::to_string(c) + ": type " + std::to_string(int(m.type)) + " '" +
                         m.text + "' seat " + std::to_string(m.seat) + " number " +
                         std::to_string(m.number) + " flag " + std::to_string(m.flag));
        rig_.sendBytes(c, bytes);
    }

    std::mt19937 random_;
    LobbyRig rig_;
    std::vector<ClientId> live_;
    std::vector<std::uint64_t> tokens_;
    std::vector<std::string> trace_;
};

TEST(ServerLobbyFuzz, RandomSequencesFromSeveralClients) {
#if defined(KOKURIN_HAVE_SANITIZER_CALLBACK)
    __sanitizer_set_death_callback(printTrace);
#endif
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    const auto budget = std::chrono::seconds(4);
    std::uint32_t seed = 1;
    // At least this many whatever the machine's load; more while the budget lasts.
    for (; seed <= 300 || (Clock::now() - started < budget && seed <= 20000); ++seed) {
        Sequence sequence(seed);
        sequence.run(40);
        if (!sequence.faults().empty()) {
            for (const std::string& step : sequence.trace()) {
                std::fprintf(stderr, "  %s\n", step.c_str());
            }
            FAIL() << "seed " << seed << ": " << sequence.faults().front();
        }
    }
    std::printf("lobby fuzz: %u sequences\n", static_cast<unsigned>(seed - 1));
}

} // namespace
} // namespace kokurin::testing
