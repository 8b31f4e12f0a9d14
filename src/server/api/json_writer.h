// JSON text built in one string, every string escaped so that any bytes a player sent come out
// as valid JSON that is also safe inside HTML (<, >, & and the line separators escaped).
#pragma once

#include <cstdint>
#include <string>

namespace kokurin {
namespace api {

class JsonWriter {
  public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // An object's member name; its value follows.
    JsonWriter& key(const std::string& name);
    // Invalid UTF-8 becomes U+FFFD.
    JsonWriter& string(const std::string& text);
    JsonWriter& integer(std::int64_t value);
    // With that many decimals; null when not finite.
    JsonWriter& real(double value, int decimals);
    JsonWriter& boolean(bool value);
    JsonWriter& null();

    const std::string& text() const { return out_; }

  private:
    void comma();

    std::string out_;
    // After an opening bracket or a key, no comma comes before the next value.
    bool fresh_ = true;
};

std::string jsonString(const std::string& text);

} // namespace api
} // namespace kokurin
