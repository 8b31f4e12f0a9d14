// Recursive descent over RFC 8259; strings must be valid UTF-8 with no raw control characters,
// \u escapes (surrogate pairs included) are decoded.
#include "json_reader.h"

#include <cstdlib>

#include "ranking/player_name.h"

namespace kokurin {
namespace test {

namespace {

class Reader {
  public:
    explicit Reader(const std::string& text) : text_(text) {}

    bool document(Json& value) { return value_(value) && (space(), at_ == text_.size()); }
    std::size_t at() const { return at_; }

  private:
    void space() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' ||
                                      text_[at_] == '\r' || text_[at_] == '\t')) {
            ++at_;
        }
    }

    bool literal(const char* word) {
        const std::string w = word;
        if (text_.compare(at_, w.size(), w) != 0) {
            return false;
        }
        at_ += w.size();
        return true;
    }

    bool hex4(unsigned& value) {
        if (at_ + 4 > text_.size()) {
            return false;
        }
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            value <<= 4;
            if (c >= '0' && c <= '9') {
                value |= static_cast<unsigned>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                value |= static_cast<unsigned>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                value |= static_cast<unsigned>(c - 'A' + 10);
            } else {
                return false;
            }
        }
        return true;
    }

    bool string(std::string& out) {
        if (at_ >= text_.size() || text_[at_] != '"') {
            return false;
        }
        ++at_;
        std::string raw;
        while (at_ < text_.size() && text_[at_] != '"') {
            const char c = text_[at_++];
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (c != '\\') {
                raw.push_back(c);
                continue;
            }
            if (at_ >= text_.size()) {
                return false;
            }
            const char e = text_[at_++];
            const std::string simple = "\"\\/bfnrt";
            const std::string meaning = "\"\\/\b\f\n\r\t";
            if (simple.find(e) != std::string::npos) {
                raw.push_back(meaning[simple.find(e)]);
            } else if (e == 'u') {
                unsigned code = 0;
                if (!hex4(code)) {
                    return false;
                }
                if (code >= 0xD800 && code <= 0xDBFF) {
                    unsigned low = 0;
                    if (!literal("\\u") || !hex4(low) || low < 0xDC00 || low > 0xDFFF) {
                        return false;
                    }
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xDC00 && code <= 0xDFFF) {
                    return false;
                }
                ranking::appendUtf8(code, raw);
            } else {
                return false;
            }
        }
        std::u32string check;
        if (at_ >= text_.size() || !ranking::decodeUtf8(raw, check)) {
            return false;
        }
        ++at_;
        out = raw;
        return true;
    }

    bool value_(Json& v) {
        space();
        if (at_ >= text_.size()) {
            return false;
        }
        const char c = text_[at_];
        if (c == '{') {
            ++at_;
            v.kind = Json::Kind::Object;
            space();
            if (at_ < text_.size() && text_[at_] == '}') {
                ++at_;
                return true;
            }
            for (;;) {
                space();
                std::string name;
                if (!string(name)) {
                    return false;
                }
                space();
                if (!literal(":") || v.object.count(name) != 0 || !value_(v.object[name])) {
                    return false;
                }
                space();
                if (literal("}")) {
                    return true;
                }
                if (!literal(",")) {
                    return false;
                }
            }
        }
        if (c == '[') {
            ++at_;
            v.kind = Json::Kind::Array;
            space();
            if (literal("]")) {
                return true;
            }
            for (;;) {
                v.array.emplace_back();
                if (!value_(v.array.back())) {
                    return false;
                }
                space();
                if (literal("]")) {
                    return true;
                }
                if (!literal(",")) {
                    return false;
                }
            }
        }
        if (c == '"') {
            v.kind = Json::Kind::String;
            return string(v.string);
        }
        if (literal("true") || literal("false")) {
            v.kind = Json::Kind::Boolean;
            v.boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
            return true;
        }
        if (literal("null")) {
            v.kind = Json::Kind::Null;
            return true;
        }
        // A number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
        const std::size_t start = at_;
        if (text_[at_] == '-') {
            ++at_;
        }
        auto digits = [&] {
            const std::size_t from = at_;
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
                ++at_;
            }
            return at_ - from;
        };
        const std::size_t whole = at_;
        if (digits() == 0 || (text_[whole] == '0' && at_ - whole > 1)) {
            return false;
        }
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            if (digits() == 0) {
                return false;
            }
        }
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            ++at_;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) {
                ++at_;
            }
            if (digits() == 0) {
                return false;
            }
        }
        v.kind = Json::Kind::Number;
        v.number = std::strtod(text_.substr(start, at_ - start).c_str(), nullptr);
        return true;
    }

    const std::string& text_;
    std::size_t at_ = 0;
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
    Reader reader(text);
    value = Json();
    if (!reader.document(value)) {
        error = "not JSON at byte " + std::to_string(reader.at());
        return false;
    }
    return true;
}

} // namespace test
} // namespace kokurin
