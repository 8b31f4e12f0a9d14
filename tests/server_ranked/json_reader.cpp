// Recursive descent over RFC 8259: strings of valid UTF-8 without raw control characters, \u
// escapes (surrogate pairs included) decoded, nothing after the value.
#include "json_reader.h"

#include <cstdlib>
#include <cstring>

#include "net/player_name.h"

namespace kokurin {
namespace test {

namespace {

struct Reader {
    const std::string& s;
    std::size_t at = 0;

    void space() {
        while (at < s.size() && std::strchr(" \n\r\t", s[at]) != nullptr) {
            ++at;
        }
    }
    bool take(const char* word) {
        space();
        const std::size_t n = std::strlen(word);
        if (s.compare(at, n, word) != 0) {
            return false;
        }
        at += n;
        return true;
    }
    bool hex4(unsigned& value) {
        if (at + 4 > s.size()) {
            return false;
        }
        char* end = nullptr;
        const std::string digits = s.substr(at, 4);
        value = static_cast<unsigned>(std::strtoul(digits.c_str(), &end, 16));
        at += 4;
        return *end == '\0' && digits.find_first_of("+- ") == std::string::npos;
    }
    bool string(std::string& out) {
        if (!take("\"")) {
            return false;
        }
        while (at < s.size() && s[at] != '"') {
            const char c = s[at++];
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            const char* simple = std::strchr("\"\\/bfnrt", at < s.size() ? s[at] : 'x');
            if (simple != nullptr) {
                out.push_back("\"\\/\b\f\n\r\t"[simple - "\"\\/bfnrt"]);
                ++at;
                continue;
            }
            unsigned code = 0;
            unsigned low = 0;
            if (s[at++] != 'u' || !hex4(code) || (code >= 0xDC00 && code <= 0xDFFF)) {
                return false;
            }
            if (code >= 0xD800 && code <= 0xDBFF) {
                if (s.compare(at, 2, "\\u") != 0 || (at += 2, !hex4(low)) || low < 0xDC00 ||
                    low > 0xDFFF) {
                    return false;
                }
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            }
            net::appendUtf8(code, out);
        }
        std::u32string check;
        return at++ < s.size() && net::decodeUtf8(out, check);
    }
    bool number(double& out) {
        const std::size_t start = at;
        at += s[at] == '-' ? 1 : 0;
        const auto digits = [&] {
            const std::size_t from = at;
            while (at < s.size() && s[at] >= '0' && s[at] <= '9') {
                ++at;
            }
            return at - from;
        };
        const std::size_t whole = at;
        if (digits() == 0 || (s[whole] == '0' && at - whole > 1)) {
            return false;
        }
        if (at < s.size() && s[at] == '.' && (++at, digits() == 0)) {
            return false;
        }
        if (at < s.size() && (s[at] == 'e' || s[at] == 'E')) {
            at += (at + 1 < s.size() && (s[at + 1] == '+' || s[at + 1] == '-')) ? 2 : 1;
            if (digits() == 0) {
                return false;
            }
        }
        out = std::strtod(s.substr(start, at - start).c_str(), nullptr);
        return true;
    }
    bool value(Json& v) {
        space();
        if (at >= s.size()) {
            return false;
        }
        if (take("{")) {
            v.kind = Json::Kind::Object;
            if (take("}")) {
                return true;
            }
            do {
                std::string name;
                space();
                if (!string(name) || v.object.count(name) != 0 || !take(":") ||
                    !value(v.object[name])) {
                    return false;
                }
            } while (take(","));
            return take("}");
        }
        if (take("[")) {
            v.kind = Json::Kind::Array;
            if (take("]")) {
                return true;
            }
            do {
                v.array.emplace_back();
                if (!value(v.array.back())) {
                    return false;
                }
            } while (take(","));
            return take("]");
        }
        if (s[at] == '"') {
            v.kind = Json::Kind::String;
            return string(v.string);
        }
        if (take("true") || take("false")) {
            v.kind = Json::Kind::Boolean;
            v.boolean = s[at - 1] == 'e' && s[at - 2] == 'u';
            return true;
        }
        if (take("null")) {
            return true;
        }
        v.kind = Json::Kind::Number;
        return number(v.number);
    }
};

const Json none;

} // namespace

const Json& Json::operator[](const std::string& name) const {
    const auto found = object.find(name);
    return found == object.end() ? none : found->second;
}

const Json& Json::operator[](std::size_t index) const {
    return index < array.size() ? array[index] : none;
}

bool readJson(const std::string& text, Json& value, std::string& error) {
    Reader reader{text};
    value = Json();
    if (!reader.value(value) || (reader.space(), reader.at != text.size())) {
        error = "not JSON at byte " + std::to_string(reader.at);
        return false;
    }
    return true;
}

} // namespace test
} // namespace kokurin
