// The desktop games' command line: every option known, every other argument refused with the
// usage, the texts in the game's language.
#include "app/command_line.h"

#include <cstdlib>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "replay/replay_file.h"
#include "settings/settings.h"

namespace kokurin {

namespace {

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

std::string formatted(const char* format, const std::string& value) {
    const int length = std::snprintf(nullptr, 0, format, value.c_str());
    std::string out(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    std::snprintf(&out[0], out.size() + 1, format, value.c_str());
    return out;
}

// Splits "--name=value" into its name and value; other arguments are all name.
void splitOption(const std::string& argument, std::string& name, std::string& value,
                 bool& hasValue) {
    const std::size_t equals = argument.find('=');
    hasValue = startsWith(argument, "--") && equals != std::string::npos;
    name = hasValue ? argument.substr(0, equals) : argument;
    value = hasValue ? argument.substr(equals + 1) : "";
}

// The --lang value of the first good --lang, for the language of the messages.
std::string requestedIn(int argc, const char* const argv[]) {
    std::string found;
    for (int i = 1; i < argc; ++i) {
        std::string name;
        std::string value;
        bool hasValue = false;
        splitOption(argv[i], name, value, hasValue);
        if (name == "--lang" && !hasValue && i + 1 < argc) {
            value = argv[++i];
        }
        if (name == "--lang" && (value == "ja" || value == "en")) {
            found = value;
        }
    }
    return found;
}

// The language for text written before the settings are loaded: a good --lang, else the stored
// setting (read quietly: loading them later says what is wrong with them), else the system's.
Language commandLineLanguage(const std::string& requested) {
    std::string stored;
    std::string setting;
    if (readSettingsText(stored) == StoredText::Read) {
        std::vector<std::string> problems;
        setting = parseSettings(stored, problems).language;
    }
    return chooseLanguage(requested, setting, systemLanguage());
}

CommandLineAnswer refuse(const GameTexts& texts, const std::string& reason, bool takesReplays,
                         Language language) {
    CommandLineAnswer answer;
    answer.language = language;
    answer.exitStatus = 2;
    answer.refusal = true;
    answer.text = "kokurin: " + reason + "\n" + texts.console.tryHelp + "\n\n" +
                  commandLineUsage(language, takesReplays);
    return answer;
}

} // namespace

std::string commandLineUsage(Language language, bool takesReplays) {
    const ConsoleTexts& t = textsOf(language).console;
    std::string usage = t.usageHead;
    if (takesReplays) {
        usage += t.usageReplayLine;
    }
    usage += t.usageBody;
    if (takesReplays) {
        usage += t.usageReplayOptions;
    }
    return usage + t.usageTail;
}

std::string versionText() {
    return std::string("kokurin ") + gameVersion() + "\n";
}

CommandLineAnswer readCommandLine(int argc, const char* const argv[], bool takesReplays,
                                  GameArguments& arguments) {
    const Language language = commandLineLanguage(requestedIn(argc, argv));
    const GameTexts& texts = textsOf(language);
    const ConsoleTexts& t = texts.console;
    GameArguments read;
    // The online options go to their own parser, in their order.
    std::vector<std::string> online = {argc > 0 ? argv[0] : "kokurin"};
    for (int i = 1; i < argc; ++i) {
        std::string name;
        std::string value;
        bool hasValue = false;
        splitOption(argv[i], name, value, hasValue);
        if (startsWith(name, "-psn_")) {
            continue;
        }
        if (name == "--help" || name == "-h" || name == "--version") {
            if (hasValue) {
                return refuse(texts, formatted(t.unknownOption, argv[i]), takesReplays,
                              language);
            }
            CommandLineAnswer answer;
            answer.language = language;
            answer.exitStatus = 0;
            answer.text = name == "--version" ? versionText()
                                              : commandLineUsage(language, takesReplays);
            return answer;
        }
        const bool flag = name == "--host" || name == "--quick";
        const bool valued = name == "--lang" || name == "--server" || name == "--join" ||
                            name == "--watch" || name == "--ca-file" ||
                            (takesReplays &&
                             (name == "--replay" || name == "--speed" || name == "--from"));
        if ((!flag && !valued) || (flag && hasValue)) {
            return refuse(texts, formatted(t.unknownOption, argv[i]), takesReplays, language);
        }
        if (valued && !hasValue) {
            if (i + 1 >= argc) {
                return refuse(texts, formatted(t.needsValue, name), takesReplays, language);
            }
            value = argv[++i];
        }
        if (name == "--lang") {
            if (value != "ja" && value != "en") {
                return refuse(texts, formatted(t.badLanguage, value), takesReplays, language);
            }
            read.language = value;
        } else if (name == "--ca-file") {
            read.caFile = value;
        } else if (name == "--replay") {
            read.replayFile = value;
        } else if (name == "--speed") {
            if (value != "1" && value != "2" && value != "4" && value != "8") {
                return refuse(texts, formatted(t.badSpeed, value), takesReplays, language);
            }
            read.replaySpeed = value[0] - '0';
        } else if (name == "--from") {
            // Whole or decimal seconds into the match, at 60 frames a second.
            char* end = nullptr;
            const double seconds = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(seconds >= 0.0) || seconds > 86400.0) {
                return refuse(texts, formatted(t.badFrom, value), takesReplays, language);
            }
            read.replayFromFrame = static_cast<std::uint32_t>(seconds * 60.0);
        } else {
            online.push_back(name);
            if (valued) {
                online.push_back(value);
            }
        }
    }
    std::vector<const char*> onlineArgv;
    for (const std::string& argument : online) {
        onlineArgv.push_back(argument.c_str());
    }
    std::string error;
    if (!readOnlineArguments(static_cast<int>(onlineArgv.size()), onlineArgv.data(), read.online,
                             error, t)) {
        return refuse(texts, error, takesReplays, language);
    }
    arguments = read;
    CommandLineAnswer answer;
    answer.language = language;
    return answer;
}

} // namespace kokurin
