#include "support/run_report.h"

#include <cctype>
#include <cstdlib>

namespace delver::testing {

namespace {

struct Parser {
    const std::string& s;
    size_t i = 0;

    void Space() {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    }
    bool Literal(const char* word) {
        size_t n = std::char_traits<char>::length(word);
        if (s.compare(i, n, word) != 0) return false;
        i += n;
        return true;
    }
    bool String() {
        if (i >= s.size() || s[i] != '"') return false;
        for (++i; i < s.size(); ++i) {
            if (s[i] == '\\') {
                ++i;
                continue;
            }
            if (s[i] == '"') {
                ++i;
                return true;
            }
        }
        return false;
    }
    bool Number() {
        size_t start = i;
        if (i < s.size() && s[i] == '-') ++i;
        while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.' || s[i] == 'e' ||
                                s[i] == 'E' || s[i] == '+' || s[i] == '-'))
            ++i;
        if (i == start) return false;
        char* end = nullptr;
        std::string part = s.substr(start, i - start);
        std::strtod(part.c_str(), &end);
        return end && *end == '\0';
    }
    bool Value() {
        Space();
        if (i >= s.size()) return false;
        char c = s[i];
        if (c == '{') return Object();
        if (c == '[') return Array();
        if (c == '"') return String();
        if (c == 't') return Literal("true");
        if (c == 'f') return Literal("false");
        if (c == 'n') return Literal("null");
        return Number();
    }
    bool Array() {
        ++i;
        Space();
        if (i < s.size() && s[i] == ']') return ++i, true;
        for (;;) {
            if (!Value()) return false;
            Space();
            if (i < s.size() && s[i] == ',') {
                ++i;
                continue;
            }
            if (i < s.size() && s[i] == ']') return ++i, true;
            return false;
        }
    }
    bool Object() {
        ++i;
        Space();
        if (i < s.size() && s[i] == '}') return ++i, true;
        for (;;) {
            Space();
            if (!String()) return false;
            Space();
            if (i >= s.size() || s[i] != ':') return false;
            ++i;
            if (!Value()) return false;
            Space();
            if (i < s.size() && s[i] == ',') {
                ++i;
                continue;
            }
            if (i < s.size() && s[i] == '}') return ++i, true;
            return false;
        }
    }
};

size_t ValueStart(const std::string& json, const std::string& key) {
    std::string needle = "\"" + key + "\":";
    size_t at = json.find(needle);
    return at == std::string::npos ? at : at + needle.size();
}

}  // namespace

bool IsJsonObject(const std::string& text) {
    Parser p{text};
    p.Space();
    if (p.i >= text.size() || text[p.i] != '{') return false;
    if (!p.Object()) return false;
    p.Space();
    return p.i == text.size();
}

std::optional<double> JsonNumber(const std::string& json, const std::string& key) {
    size_t at = ValueStart(json, key);
    if (at == std::string::npos) return std::nullopt;
    char* end = nullptr;
    double v = std::strtod(json.c_str() + at, &end);
    if (end == json.c_str() + at) return std::nullopt;
    return v;
}

std::optional<std::vector<double>> JsonNumbers(const std::string& json, const std::string& key) {
    size_t at = ValueStart(json, key);
    if (at == std::string::npos || at >= json.size() || json[at] != '[') return std::nullopt;
    std::vector<double> out;
    size_t i = at + 1;
    while (i < json.size() && json[i] != ']') {
        char* end = nullptr;
        double v = std::strtod(json.c_str() + i, &end);
        if (end == json.c_str() + i) return std::nullopt;
        out.push_back(v);
        i = static_cast<size_t>(end - json.c_str());
        if (i < json.size() && json[i] == ',') ++i;
    }
    return out;
}

}  // namespace delver::testing
