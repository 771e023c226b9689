#include "cli/station/Json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orvane::cli::station {

namespace {

constexpr std::size_t kMaxDepth = 16;
constexpr std::size_t kMaxText = 1 << 20;

// Length of the valid UTF-8 sequence at text[i], or 0 when there is none.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    uint32_t code = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not valid UTF-8.
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
        return 0;
    }
    return length;
}

class Parser {
public:
    explicit Parser(std::string_view text) : m_text(text) {}

    bool Document(JsonValue& out, std::string& error) {
        if (m_text.size() > kMaxText) {
            return Fail("document too large", error);
        }
        Space();
        if (!Value(out, 0, error)) {
            return false;
        }
        Space();
        return m_at == m_text.size() || Fail("text after the value", error);
    }

private:
    bool Fail(const char* what, std::string& error) {
        error = std::string(what) + " at byte " + std::to_string(m_at);
        return false;
    }
    void Space() {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t' ||
                                        m_text[m_at] == '\n' || m_text[m_at] == '\r')) {
            ++m_at;
        }
    }
    bool Literal(std::string_view word) {
        if (m_text.substr(m_at, word.size()) != word) {
            return false;
        }
        m_at += word.size();
        return true;
    }

    bool Value(JsonValue& out, std::size_t depth, std::string& error) {
        if (depth > kMaxDepth) {
            return Fail("nested too deep", error);
        }
        if (m_at >= m_text.size()) {
            return Fail("value expected", error);
        }
        const char c = m_text[m_at];
        if (c == '{') {
            return Object(out, depth, error);
        }
        if (c == '[') {
            return Array(out, depth, error);
        }
        if (c == '"') {
            out.kind = JsonValue::Kind::String;
            return String(out.text, error);
        }
        if (Literal("true") || Literal("false")) {
            out.kind = JsonValue::Kind::Bool;
            out.boolean = m_text[m_at - 1] == 'e' && m_text[m_at - 2] == 'u';
            return true;
        }
        if (Literal("null")) {
            out.kind = JsonValue::Kind::Null;
            return true;
        }
        return Number(out, error);
    }

    bool Object(JsonValue& out, std::size_t depth, std::string& error) {
        out.kind = JsonValue::Kind::Object;
        ++m_at;
        Space();
        if (m_at < m_text.size() && m_text[m_at] == '}') {
            ++m_at;
            return true;
        }
        for (;;) {
            Space();
            std::string key;
            if (m_at >= m_text.size() || m_text[m_at] != '"' || !String(key, error)) {
                return error.empty() ? Fail("key expected", error) : false;
            }
            Space();
            if (m_at >= m_text.size() || m_text[m_at] != ':') {
                return Fail("':' expected", error);
            }
            ++m_at;
            Space();
            if (out.members.count(key) != 0) {
                return Fail("key given twice", error);
            }
            if (!Value(out.members[key], depth + 1, error)) {
                return false;
            }
            Space();
            if (m_at < m_text.size() && m_text[m_at] == ',') {
                ++m_at;
                continue;
            }
            if (m_at < m_text.size() && m_text[m_at] == '}') {
                ++m_at;
                return true;
            }
            return Fail("',' or '}' expected", error);
        }
    }

    bool Array(JsonValue& out, std::size_t depth, std::string& error) {
        out.kind = JsonValue::Kind::Array;
        ++m_at;
        Space();
        if (m_at < m_text.size() && m_text[m_at] == ']') {
            ++m_at;
            return true;
        }
        for (;;) {
            Space();
            out.items.emplace_back();
            if (!Value(out.items.back(), depth + 1, error)) {
                return false;
            }
            Space();
            if (m_at < m_text.size() && m_text[m_at] == ',') {
                ++m_at;
                continue;
            }
            if (m_at < m_text.size() && m_text[m_at] == ']') {
                ++m_at;
                return true;
            }
            return Fail("',' or ']' expected", error);
        }
    }

    bool Hex4(uint32_t& code) {
        if (m_at + 4 > m_text.size()) {
            return false;
        }
        code = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = m_text[m_at++];
            code <<= 4;
            if (c >= '0' && c <= '9') {
                code |= static_cast<uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                code |= static_cast<uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                code |= static_cast<uint32_t>(c - 'A' + 10);
            } else {
                return false;
            }
        }
        return true;
    }

    static void PutUtf8(std::string& out, uint32_t code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool String(std::string& out, std::string& error) {
        ++m_at;  // the opening quote
        while (m_at < m_text.size()) {
            const auto c = static_cast<unsigned char>(m_text[m_at]);
            if (c == '"') {
                ++m_at;
                return true;
            }
            if (c < 0x20) {
                return Fail("control character in a string", error);
            }
            if (c != '\\') {
                const std::size_t n = Utf8Length(m_text, m_at);
                if (n == 0) {
                    return Fail("not UTF-8", error);
                }
                out.append(m_text.substr(m_at, n));
                m_at += n;
                continue;
            }
            if (++m_at >= m_text.size()) {
                break;
            }
            const char e = m_text[m_at++];
            switch (e) {
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '/':
                    out += '/';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    uint32_t code = 0;
                    if (!Hex4(code)) {
                        return Fail("bad \\u escape", error);
                    }
                    if (code >= 0xD800 && code <= 0xDBFF) {
                        uint32_t low = 0;
                        if (!Literal("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) {
                            return Fail("lone surrogate", error);
                        }
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    } else if (code >= 0xDC00 && code <= 0xDFFF) {
                        return Fail("lone surrogate", error);
                    }
                    PutUtf8(out, code);
                    break;
                }
                default:
                    return Fail("bad escape", error);
            }
        }
        return Fail("unterminated string", error);
    }

    bool Number(JsonValue& out, std::string& error) {
        const std::size_t start = m_at;
        auto digits = [&] {
            const std::size_t from = m_at;
            while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9') {
                ++m_at;
            }
            return m_at > from;
        };
        if (m_at < m_text.size() && m_text[m_at] == '-') {
            ++m_at;
        }
        if (m_at < m_text.size() && m_text[m_at] == '0') {
            ++m_at;
        } else if (!digits()) {
            return Fail("value expected", error);
        }
        if (m_at < m_text.size() && m_text[m_at] == '.') {
            ++m_at;
            if (!digits()) {
                return Fail("digits expected", error);
            }
        }
        if (m_at < m_text.size() && (m_text[m_at] == 'e' || m_text[m_at] == 'E')) {
            ++m_at;
            if (m_at < m_text.size() && (m_text[m_at] == '+' || m_text[m_at] == '-')) {
                ++m_at;
            }
            if (!digits()) {
                return Fail("digits expected", error);
            }
        }
        out.kind = JsonValue::Kind::Number;
        out.number = std::strtod(std::string(m_text.substr(start, m_at - start)).c_str(), nullptr);
        return std::isfinite(out.number) || Fail("number out of range", error);
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

}  // namespace

std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '\r') {
            out += "\\r";
            ++i;
        } else if (c == '\t') {
            out += "\\t";
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
            ++i;
        } else {
            const std::size_t n = Utf8Length(text, i);
            if (n == 0) {
                out += "\xEF\xBF\xBD";  // U+FFFD for a byte that is not UTF-8
                ++i;
            } else {
                out.append(text.substr(i, n));
                i += n;
            }
        }
    }
    out += '"';
    return out;
}

void JsonObject::Key(std::string_view key) {
    if (m_text.size() > 1) {
        m_text += ',';
    }
    m_text += JsonString(key);
    m_text += ':';
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view value) {
    Key(key);
    m_text += JsonString(value);
    return *this;
}

JsonObject& JsonObject::Add(std::string_view key, int64_t value) {
    Key(key);
    m_text += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Add(std::string_view key, bool value) {
    Key(key);
    m_text += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::AddNull(std::string_view key) {
    Key(key);
    m_text += "null";
    return *this;
}

JsonObject& JsonObject::AddSeconds(std::string_view key, int64_t ms) {
    Key(key);
    char text[32];
    const int64_t whole = ms < 0 ? 0 : ms;
    std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(whole / 1000),
                  static_cast<long long>(whole % 1000));
    m_text += text;
    return *this;
}

JsonObject& JsonObject::AddStrings(std::string_view key, const std::vector<std::string>& values) {
    Key(key);
    m_text += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            m_text += ',';
        }
        m_text += JsonString(values[i]);
    }
    m_text += ']';
    return *this;
}

JsonObject& JsonObject::AddRaw(std::string_view key, std::string_view json) {
    Key(key);
    m_text += json;
    return *this;
}

const JsonValue& JsonValue::operator[](const std::string& key) const {
    static const JsonValue kNull;
    const auto it = members.find(key);
    return it == members.end() ? kNull : it->second;
}

bool ParseJson(std::string_view text, JsonValue& out, std::string& error) {
    out = JsonValue{};
    error.clear();
    return Parser(text).Document(out, error);
}

}  // namespace orvane::cli::station
