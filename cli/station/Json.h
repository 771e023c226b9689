#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::cli::station {

// Builds one JSON object on a single line, keys in the order given. Strings are taken as bytes:
// valid UTF-8 passes through, control characters, '"' and '\' are escaped, and each byte that is
// not part of valid UTF-8 becomes U+FFFD, so a device's garbage can never break the line.
class JsonObject {
public:
    JsonObject& Add(std::string_view key, std::string_view value);
    JsonObject& Add(std::string_view key, const char* value) {
        return Add(key, std::string_view(value));
    }
    JsonObject& Add(std::string_view key, int64_t value);
    JsonObject& Add(std::string_view key, int value) { return Add(key, int64_t{value}); }
    JsonObject& Add(std::string_view key, bool value);
    JsonObject& AddNull(std::string_view key);
    // Seconds with three decimals.
    JsonObject& AddSeconds(std::string_view key, int64_t ms);
    JsonObject& AddStrings(std::string_view key, const std::vector<std::string>& values);
    // `json` must be one complete JSON value (another object's Text()).
    JsonObject& AddRaw(std::string_view key, std::string_view json);

    // The object, without a line end.
    std::string Text() const { return m_text + "}"; }

private:
    void Key(std::string_view key);
    std::string m_text = "{";
};

// `text` as a JSON string literal, quotes included (the escaping of JsonObject).
std::string JsonString(std::string_view text);

// A parsed JSON value, for reading the flasher's own lines back (the station's children, tests).
struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    bool Has(const std::string& key) const { return members.count(key) != 0; }
    // The member `key`, or a null value when there is none.
    const JsonValue& operator[](const std::string& key) const;
};

// Parses one JSON document (RFC 8259; nesting at most 16 deep, at most 1 MB). False with a
// reason in `error` when `text` is not exactly one JSON value (white space around it aside).
bool ParseJson(std::string_view text, JsonValue& out, std::string& error);

}  // namespace orvane::cli::station
