// The transcript's end event names the winner by the winner screen's rule, also when a player
// stands on exactly 0 hit points.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "headless/headless.h"
#include "transcript.h"

namespace kokurin {
namespace {

std::string endLine(float hp0, float hp1) {
    headless::reset();
    std::FILE* out = std::tmpfile();
    MatchState state;
    state.hp[0] = hp0;
    state.hp[1] = hp1;
    {
        Transcript transcript(out);
        transcript.winnerScreen(state);
        transcript.end("winner", state);
    }
    std::rewind(out);
    char buffer[256] = {};
    const std::size_t got = std::fread(buffer, 1, sizeof buffer - 1, out);
    std::fclose(out);
    return std::string(buffer, got);
}

TEST(TranscriptEnd, TheWinnerIsTheOneAboveZeroAndExactlyZeroLoses) {
    EXPECT_NE(endLine(0.0f, 3.0f).find("\"winner\":1"), std::string::npos);
    EXPECT_NE(endLine(3.0f, 0.0f).find("\"winner\":0"), std::string::npos);
    EXPECT_NE(endLine(-0.5f, 20.0f).find("\"winner\":1"), std::string::npos);
    EXPECT_NE(endLine(0.1f, -0.0f).find("\"winner\":0"), std::string::npos);
}

} // namespace
} // namespace kokurin
