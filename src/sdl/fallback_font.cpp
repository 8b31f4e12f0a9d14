// Finding a system font for the SDL game's texts when data/ZUDEV.TTF is missing: fontconfig on
// Linux and the BSDs (its library where the build found it, else its fc-match command), the
// fonts every installation has on Windows and macOS.
#include "sdl/fallback_font.h"

#include <SDL.h>

#include <cstdio>
#include <filesystem>

#if defined(KOKURIN_HAVE_FONTCONFIG)
#include <fontconfig/fontconfig.h>
#endif

namespace kokurin {
namespace sdl {

namespace {

#if defined(_WIN32)

std::vector<std::string> systemCandidates() {
    const char* windows = SDL_getenv("WINDIR");
    const std::string fonts =
        std::string(windows != nullptr ? windows : "C:\\Windows") + "\\Fonts\\";
    return {fonts + "meiryo.ttc", fonts + "msgothic.ttc", fonts + "arial.ttf"};
}

#elif defined(__APPLE__)

std::vector<std::string> systemCandidates() {
    return {"/System/Library/Fonts/ヒラギノ角ゴシック W3.ttc",
            "/System/Library/Fonts/Hiragino Sans GB.ttc",
            "/System/Library/Fonts/Supplemental/Arial Unicode.ttf",
            "/Library/Fonts/Arial Unicode.ttf", "/System/Library/Fonts/Helvetica.ttc"};
}

#else

// Japanese first: IPA Gothic by name (Debian's fonts-ipafont-gothic), else whatever face
// fontconfig has for Japanese, else its sans.
const char* const fontPatterns[] = {"IPAGothic:lang=ja", "sans-serif:lang=ja", "sans-serif"};

#if defined(KOKURIN_HAVE_FONTCONFIG)

std::string fontconfigMatch(const char* name) {
    std::string file;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name));
    if (pattern == nullptr) {
        return file;
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* path = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        file = reinterpret_cast<const char*>(path);
    }
    if (match != nullptr) {
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}

#else

// The same through the fc-match command, for a build made without fontconfig's headers.
std::string fontconfigMatch(const char* name) {
    const std::string command = std::string("fc-match -f '%{file}' '") + name + "' 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return std::string();
    }
    std::string file;
    char buffer[512];
    std::size_t length = 0;
    while ((length = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        file.append(buffer, length);
    }
    pclose(pipe);
    return file;
}

#endif

std::vector<std::string> systemCandidates() {
    std::vector<std::string> files;
    for (const char* pattern : fontPatterns) {
        files.push_back(fontconfigMatch(pattern));
    }
    // Where fontconfig itself is missing or broken, the usual places of two common faces.
    files.push_back("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf");
    files.push_back("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    return files;
}

#endif

} // namespace

std::vector<std::string> fallbackFontFiles() {
    std::vector<std::string> found;
    for (const std::string& file : systemCandidates()) {
        std::error_code error;
        if (file.empty() ||
            !std::filesystem::is_regular_file(std::filesystem::u8path(file), error)) {
            continue;
        }
        bool seen = false;
        for (const std::string& earlier : found) {
            seen = seen || earlier == file;
        }
        if (!seen) {
            found.push_back(file);
        }
    }
    return found;
}

std::string missingFontNotice(const char* missingFile, const std::string& fallbackFile) {
    const std::string file = missingFile;
    const std::string rebuild = "cmake --preset native && cmake --build --preset native";
    std::string japanese = "ゲームのフォント " + file + " が見つかりません。";
    std::string english = "The game's font " + file + " is missing; ";
    if (fallbackFile.empty()) {
        japanese += "文字は表示されません。";
        english += "no text can be shown. ";
    } else {
        japanese += "文字は代わりのフォント（" + fallbackFile + "）で表示します。";
        english += "texts are shown in " + fallbackFile + " instead. ";
    }
    japanese +=
        "ゲームを入れ直すか、README.md のとおりにビルドし直すと戻ります（" + rebuild + "）。";
    english += "Reinstall the game, or build it again as README.md says (" + rebuild + ").";
    return japanese + "\n\n" + english;
}

} // namespace sdl
} // namespace kokurin
