// The desktop games' command line: what runs, what is answered, what is refused with the usage,
// and in which language.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "headless/headless.h"
#include "headless/headless_settings.h"

using namespace kokurin;

namespace {

struct Read {
    CommandLineAnswer answer;
    GameArguments arguments;
};

Read readLine(std::vector<const char*> args, bool takesReplays = true) {
    args.insert(args.begin(), "kokurin");
    Read read;
    read.answer = readCommandLine(static_cast<int>(args.size()), args.data(), takesReplays,
                                  read.arguments);
    return read;
}

std::set<std::string> optionsIn(const std::string& text) {
    std::set<std::string> found;
    const std::regex option("--[a-z]+(-[a-z]+)*");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
         it != std::sregex_iterator(); ++it) {
        found.insert(it->str());
    }
    return found;
}

class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override { headless::setLanguages("", "en_US.UTF-8"); }
    void TearDown() override { headless::reset(); }
};

} // namespace

TEST_F(CommandLine, OptionsRunHelpAndVersionAnswerAndAnythingElseIsRefusedWithTheUsage) {
    const Read plain = readLine({});
    EXPECT_EQ(plain.answer.exitStatus, -1);
    // macOS's Finder adds a process serial number; --name=value is --name value.
    const Read full = readLine({"-psn_0_12", "--lang=en", "--server", "h:1", "--join", "ab12",
                                "--replay", "a b.kkr", "--speed", "8", "--from", "12.5"});
    EXPECT_EQ(full.answer.exitStatus, -1) << full.answer.text;
    EXPECT_EQ(full.arguments.language, "en");
    EXPECT_EQ(full.arguments.online.mode, OnlineRequest::Mode::Join);
    EXPECT_EQ(full.arguments.online.room, "AB12");
    EXPECT_EQ(full.arguments.replayFile, "a b.kkr");
    EXPECT_EQ(full.arguments.replaySpeed, 8);
    EXPECT_EQ(full.arguments.replayFromFrame, 750u) << "12.5 s at 60 frames a second";

    const Read help = readLine({"--lang", "en", "-h", "--srever"});
    EXPECT_EQ(help.answer.exitStatus, 0);
    EXPECT_FALSE(help.answer.refusal);
    EXPECT_EQ(help.answer.text, commandLineUsage(Language::English, true));
    EXPECT_EQ(readLine({"--version"}).answer.text, "kokurin 1.0.0\n");

    for (const auto& args : std::vector<std::vector<const char*>>{
             {"--srever", "ws://h/"}, {"replay.kkr"}, {"-x"}, {"--lang"}, {"--lang", "fr"},
             {"--help=yes"}, {"--host=1"}, {"--speed", "3"}, {"--server", "h o"},
             {"--join", "AB"}, {"--server", "h", "--host", "--quick"}, {"--from", "x"},
             {"--from", "-1"}, {"--from", "5s"}, {"--from"}}) {
        const Read read = readLine(args);
        EXPECT_EQ(read.answer.exitStatus, 2) << args[0];
        EXPECT_TRUE(read.answer.refusal) << args[0];
        EXPECT_EQ(read.answer.text.rfind("kokurin: ", 0), 0u) << read.answer.text;
        EXPECT_NE(read.answer.text.find(commandLineUsage(Language::English, true)),
                  std::string::npos);
    }
    EXPECT_NE(readLine({"--srever"}).answer.text.find("'--srever'"), std::string::npos);
    // The Windows game watches no replay files: there --replay is unknown.
    EXPECT_EQ(readLine({"--replay", "a.kkr"}, false).answer.exitStatus, 2);
}

TEST_F(CommandLine, TheTextsFollowTheLanguageAndBothUsagesNameWhatIsRead) {
    headless::setLanguages("", "ja_JP.UTF-8");
    EXPECT_NE(readLine({"--srever"}).answer.text.find(commandLineUsage(Language::Japanese, true)),
              std::string::npos);
    EXPECT_EQ(readLine({"--help", "--lang", "en"}).answer.text,
              commandLineUsage(Language::English, true));
    headless::setStoredSettings(StoredText::Read, "language = en\n");
    EXPECT_EQ(readLine({"-h"}).answer.text, commandLineUsage(Language::English, true));

    for (bool replays : {true, false}) {
        std::set<std::string> read = {"--lang",  "--server", "--host",    "--join",   "--watch",
                                      "--quick", "--help",   "--version", "--ca-file"};
        if (replays) {
            read.insert({"--replay", "--speed", "--from"});
        }
        EXPECT_EQ(optionsIn(commandLineUsage(Language::English, replays)), read);
        EXPECT_EQ(optionsIn(commandLineUsage(Language::Japanese, replays)), read);
    }
}
