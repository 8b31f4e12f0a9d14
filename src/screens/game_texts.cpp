// The language the screens draw in, and the choice of it at start.
#include "screens/game_texts.h"

namespace kokurin {

namespace {

// Japanese until the game chooses: the screens' tests and the default game draw Japanese.
Language current = Language::Japanese;

bool isLanguage(const std::string& value) {
    return value == "ja" || value == "en";
}

} // namespace

const GameTexts& textsOf(Language language) {
    return language == Language::English ? englishTexts : japaneseTexts;
}

void setGameLanguage(Language language) {
    current = language;
}

Language gameLanguage() {
    return current;
}

const GameTexts& gameTexts() {
    return textsOf(current);
}

Language chooseLanguage(const std::string& requested, const std::string& setting,
                        const std::string& system) {
    if (isLanguage(requested)) {
        return requested == "en" ? Language::English : Language::Japanese;
    }
    if (isLanguage(setting)) {
        return setting == "en" ? Language::English : Language::Japanese;
    }
    // "ja", "ja_JP.UTF-8", "ja-JP": Japanese. Every other system, also one that names no
    // language ("", "C", "POSIX"), gets English: a reader of Japanese has a Japanese system.
    const std::string code = system.substr(0, system.find_first_of("_-.@"));
    return code == "ja" ? Language::Japanese : Language::English;
}

const char* languageCode(Language language) {
    return language == Language::English ? "en" : "ja";
}

} // namespace kokurin
