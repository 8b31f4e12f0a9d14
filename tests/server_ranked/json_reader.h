// A strict JSON reader for the API's tests: what the API writes must read back as JSON, and the
// tests look at values rather than at bytes.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kokurin {
namespace test {

struct Json {
    enum class Kind { Null, Boolean, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<Json> array;
    std::map<std::string, Json> object;

    // A member or an element; a Null when there is none.
    const Json& operator[](const std::string& name) const;
    const Json& operator[](std::size_t index) const;
    bool isNull() const { return kind == Kind::Null; }
};

// False, with where it failed, for anything that is not exactly one JSON value.
bool readJson(const std::string& text, Json& value, std::string& error);

} // namespace test
} // namespace kokurin
