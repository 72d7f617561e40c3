#pragma once
// A strict JSON reader for tests (RFC 8259, no extensions), so that what the status command writes
// is read back by code that did not write it. Strings come back as UTF-8.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace test {

struct JsonMember;

struct Json {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string text;  // a string's value, or a number as written
    std::vector<Json> items;
    std::vector<JsonMember> members;

    bool Has(std::string_view key) const;
    // A missing member or item reads as null.
    const Json& operator[](std::string_view key) const;
    const Json& operator[](std::size_t i) const;

private:
    static const Json& Missing();
};

struct JsonMember {
    std::string name;
    Json value;
};

inline const Json& Json::Missing() {
    static const Json null;
    return null;
}

inline const Json& Json::operator[](std::size_t i) const {
    return i < items.size() ? items[i] : Missing();
}

inline bool Json::Has(std::string_view key) const {
    for (const JsonMember& member : members)
        if (member.name == key) return true;
    return false;
}

inline const Json& Json::operator[](std::string_view key) const {
    for (const JsonMember& member : members)
        if (member.name == key) return member.value;
    return Missing();
}

class JsonParser {
public:
    explicit JsonParser(std::string_view text) : s_(text) {}

    std::optional<Json> Document() {
        Json value;
        if (!Value(value, 0)) return std::nullopt;
        Blank();
        if (at_ != s_.size()) return std::nullopt;
        return value;
    }

private:
    void Blank() {
        while (at_ < s_.size() &&
               (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
            ++at_;
    }
    bool Eat(char c) {
        Blank();
        if (at_ >= s_.size() || s_[at_] != c) return false;
        ++at_;
        return true;
    }
    bool Word(std::string_view word) {
        if (s_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }
    bool Value(Json& v, int depth) {
        Blank();
        if (at_ >= s_.size() || depth > 64) return false;
        const char c = s_[at_];
        if (c == '{') return Object(v, depth);
        if (c == '[') return Array(v, depth);
        if (c == '"') {
            v.type = Json::Type::String;
            return String(v.text);
        }
        if (Word("null")) return true;
        if (Word("true")) {
            v.type = Json::Type::Bool;
            v.boolean = true;
            return true;
        }
        if (Word("false")) {
            v.type = Json::Type::Bool;
            return true;
        }
        return Number(v);
    }
    bool Object(Json& v, int depth) {
        v.type = Json::Type::Object;
        ++at_;
        if (Eat('}')) return true;
        do {
            JsonMember member;
            Blank();
            if (at_ >= s_.size() || s_[at_] != '"' || !String(member.name) || !Eat(':') ||
                !Value(member.value, depth + 1))
                return false;
            v.members.push_back(std::move(member));
        } while (Eat(','));
        return Eat('}');
    }
    bool Array(Json& v, int depth) {
        v.type = Json::Type::Array;
        ++at_;
        if (Eat(']')) return true;
        do {
            v.items.emplace_back();
            if (!Value(v.items.back(), depth + 1)) return false;
        } while (Eat(','));
        return Eat(']');
    }
    bool Digits() {
        const std::size_t from = at_;
        while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
        return at_ > from;
    }
    bool Number(Json& v) {
        const std::size_t from = at_;
        if (at_ < s_.size() && s_[at_] == '-') ++at_;
        if (at_ < s_.size() && s_[at_] == '0')
            ++at_;
        else if (!Digits())
            return false;
        if (at_ < s_.size() && s_[at_] == '.' && (++at_, !Digits())) return false;
        if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
            ++at_;
            if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-')) ++at_;
            if (!Digits()) return false;
        }
        v.type = Json::Type::Number;
        v.text = std::string(s_.substr(from, at_ - from));
        v.number = std::strtod(v.text.c_str(), nullptr);
        return true;
    }
    bool Hex4(std::uint32_t& unit) {
        if (s_.size() - at_ < 4) return false;
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = s_[at_++];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return false;
            unit = unit << 4 | static_cast<std::uint32_t>(digit);
        }
        return true;
    }
    static void Utf8(std::string& out, std::uint32_t code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | code >> 18);
            out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    bool String(std::string& out) {
        ++at_;  // the opening quote
        for (;;) {
            if (at_ >= s_.size()) return false;
            const char c = s_[at_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= s_.size()) return false;
            const char e = s_[at_++];
            const std::string_view simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
            if (const auto i = simple.find(e); i != std::string_view::npos) {
                out += meaning[i];
                continue;
            }
            std::uint32_t unit = 0;
            if (e != 'u' || !Hex4(unit)) return false;
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                std::uint32_t low = 0;
                if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                return false;
            }
            Utf8(out, unit);
        }
    }

    std::string_view s_;
    std::size_t at_ = 0;
};

// The document, or nothing when it is not exactly one JSON value.
inline std::optional<Json> ParseJson(std::string_view text) {
    return JsonParser(text).Document();
}

}  // namespace test
