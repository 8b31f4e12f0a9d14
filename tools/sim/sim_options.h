// Command line and key script of kokurin-sim, parsed without touching the game.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "headless/headless.h"

struct SimOptions {
    std::uint32_t seed = 0;
    int opponent = 0;
    std::string keysFile;
    std::string wavFile;
    // Write the match's replay here.
    std::string recordFile;
    // Play this replay instead of a seed and keys (--seed, --opponent and --keys then go).
    std::string replayFile;
    long maxPolls = 2000000;
    bool help = false;
    // --version: print it and exit.
    bool version = false;
    // Online: the server's ws:// address and the room to join (made when there is none).
    std::string onlineUrl;
    std::string room;
    // Certificate authorities trusted for wss:// besides the system's (PEM; empty: none).
    std::string caFile;
    std::string name = "kokurin-sim";
    bool spectate = false;
    // The local seat plays as the tournament's scripted novice (a whole match with no script).
    bool novice = false;
    // A testing aid: the state hash sent for this frame is made wrong.
    std::uint32_t corruptHashAt = 0;
    // Frames of input delay (0: none; with lockstep, chosen from the measured round trip).
    int inputDelay = 0;
    // Ranked: wait in the ranked queue instead of joining a room, as the player whose key is in
    // keyFile (made when missing; empty: a key of this run's own).
    bool ranked = false;
    std::string keyFile;
    // Online in lockstep rather than ahead of the server (to measure one against the other).
    bool lockstep = false;
    // Online at 60 frames a second, reporting the frames from a cursor key to the cursor moved.
    bool realtime = false;
};

// A whole decimal number within [low, high], digits only (the sim's and the tournament's
// arguments alike).
bool parseWholeNumber(const std::string& text, long long low, long long high, long long& value);

// Parses argv; on failure returns false with a message in error.
bool parseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

// Parses a key script: "<poll> <code> [<code> ...]" lines with increasing polls; blank lines and
// lines starting with # are ignored. Each code is pressed into script at its poll. On failure
// returns false with a message naming the line.
bool parseKeyScript(std::istream& in, kokurin::headless::KeyScript& script, std::string& error);

// The --help text.
const char* simUsage();
