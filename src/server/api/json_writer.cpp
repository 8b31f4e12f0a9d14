// Strings are decoded as UTF-8 and written back character by character: whatever a name holds,
// the output is valid JSON of valid UTF-8.
#include "api/json_writer.h"

#include <cmath>
#include <cstdio>

#include "net/player_name.h"

namespace kokurin {
namespace api {

namespace {

void escapeInto(const std::string& text, std::string& out) {
    out.push_back('"');
    std::size_t i = 0;
    while (i < text.size()) {
        // One character at a time: the longest valid UTF-8 sequence at i, or one bad byte.
        std::u32string one;
        std::size_t length = 1;
        for (std::size_t n = 1; n <= 4 && i + n <= text.size(); ++n) {
            if (net::decodeUtf8(text.substr(i, n), one) && one.size() == 1) {
                length = n;
                break;
            }
            one.clear();
        }
        const char32_t c = one.empty() ? char32_t{0xFFFD} : one[0];
        i += length;
        char escaped[8];
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c < 0x20 || c == 0x7F || c == '<' || c == '>' || c == '&' || c == 0x2028 ||
                   c == 0x2029) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            net::appendUtf8(c, out);
        }
    }
    out.push_back('"');
}

} // namespace

std::string jsonString(const std::string& text) {
    std::string out;
    escapeInto(text, out);
    return out;
}

void JsonWriter::comma() {
    if (!fresh_) {
        out_.push_back(',');
    }
    fresh_ = false;
}

JsonWriter& JsonWriter::beginObject() {
    comma();
    out_.push_back('{');
    fresh_ = true;
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    out_.push_back('}');
    fresh_ = false;
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    comma();
    out_.push_back('[');
    fresh_ = true;
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    out_.push_back(']');
    fresh_ = false;
    return *this;
}

JsonWriter& JsonWriter::key(const std::string& name) {
    comma();
    escapeInto(name, out_);
    out_.push_back(':');
    fresh_ = true;
    return *this;
}

JsonWriter& JsonWriter::string(const std::string& text) {
    comma();
    escapeInto(text, out_);
    return *this;
}

JsonWriter& JsonWriter::integer(std::int64_t value) {
    comma();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::real(double value, int decimals) {
    if (!std::isfinite(value)) {
        return null();
    }
    comma();
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    // "-0.0" reads oddly in a rating change.
    const std::string written = text;
    out_ += written.find_first_not_of("-0.") == std::string::npos && written[0] == '-'
                ? written.substr(1)
                : written;
    return *this;
}

JsonWriter& JsonWriter::boolean(bool value) {
    comma();
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::null() {
    comma();
    out_ += "null";
    return *this;
}

} // namespace api
} // namespace kokurin
