// kokurin-sim's argument and key-script parsing: what is accepted and how refusals read.
#include <gtest/gtest.h>

#include <sstream>

#include "sim_options.h"

namespace {

bool parse(std::vector<std::string> args, SimOptions& options, std::string& error) {
    return parseSimOptions(args, options, error);
}

} // namespace

TEST(SimOptions, AcceptsTheDocumentedFlags) {
    SimOptions o;
    std::string error;
    ASSERT_TRUE(
        parse({"--seed", "4294967295", "--opponent", "15", "--keys", "k.txt", "--max-polls", "500"},
              o, error))
        << error;
    EXPECT_EQ(o.seed, 4294967295u);
    EXPECT_EQ(o.opponent, 15);
    EXPECT_EQ(o.keysFile, "k.txt");
    EXPECT_EQ(o.maxPolls, 500);

    SimOptions d;
    ASSERT_TRUE(parse({"--opponent", "0", "--seed", "0"}, d, error));
    EXPECT_EQ(d.maxPolls, 2000000);
    EXPECT_TRUE(d.keysFile.empty());

    SimOptions h;
    ASSERT_TRUE(parse({"--help"}, h, error));
    EXPECT_TRUE(h.help);

    SimOptions v;
    ASSERT_TRUE(parse({"--version"}, v, error));
    EXPECT_TRUE(v.version);
    EXPECT_FALSE(v.help);
}

TEST(SimOptions, RefusesBadArgumentsWithAReason) {
    struct Case {
        std::vector<std::string> args;
        const char* mentions;
    };
    const Case cases[] = {
        {{"--seed", "4294967296", "--opponent", "1"}, "--seed"},
        {{"--seed", "-1", "--opponent", "1"}, "--seed"},
        {{"--seed", "12x", "--opponent", "1"}, "--seed"},
        {{"--seed", "1", "--opponent", "16"}, "--opponent"},
        {{"--seed", "1", "--opponent", ""}, "--opponent"},
        {{"--seed", "1"}, "--opponent is required"},
        {{"--opponent", "1"}, "--seed is required"},
        {{"--seed", "1", "--opponent", "1", "--verbose"}, "unknown argument '--verbose'"},
        {{"--seed", "1", "--opponent"}, "needs a value"},
        {{"--seed", "1", "--opponent", "1", "--max-polls", "0"}, "--max-polls"},
    };
    for (const Case& c : cases) {
        SimOptions o;
        std::string error;
        EXPECT_FALSE(parse(c.args, o, error)) << c.mentions;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
}

TEST(KeyScript, ReadsPollsAndCodesSkippingCommentsAndBlankLines) {
    std::istringstream in("# player 1 moves right and selects\n"
                          "\n"
                          "3 32\n"
                          "   # indented comment\n"
                          "10 57 35\r\n"
                          "11 200\n");
    kokurin::headless::KeyScript script;
    std::string error;
    ASSERT_TRUE(parseKeyScript(in, script, error)) << error;
    // The codes down at each poll, and none at the polls between.
    auto down = [&script](long poll) {
        bool keys[256] = {};
        script.keysDown(poll, keys);
        std::vector<int> codes;
        for (int code = 0; code < 256; ++code) {
            if (keys[code]) {
                codes.push_back(code);
            }
        }
        return codes;
    };
    EXPECT_EQ(down(3), std::vector<int>({32}));
    EXPECT_EQ(down(10), std::vector<int>({35, 57}));
    EXPECT_EQ(down(11), std::vector<int>({200}));
    for (long poll : {1L, 2L, 4L, 9L, 12L}) {
        EXPECT_TRUE(down(poll).empty()) << poll;
    }
}

TEST(KeyScript, MalformedLinesAreNamedByNumber) {
    const std::pair<const char*, const char*> cases[] = {
        {"5 32\n5 30\n", "line 2"}, {"5 32\n4 30\n", "line 2"}, {"7\n", "line 1"},
        {"# ok\nx 32\n", "line 2"}, {"3 256\n", "line 1"},      {"3 -1\n", "line 1"},
        {"0 1\n", "line 1"},        {"3 0x20\n", "line 1"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.first);
        kokurin::headless::KeyScript script;
        std::string error;
        EXPECT_FALSE(parseKeyScript(in, script, error)) << c.first;
        EXPECT_NE(error.find(c.second), std::string::npos) << error;
    }
}
