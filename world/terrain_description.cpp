#include "world/terrain_description.h"

#include <charconv>
#include <cmath>

namespace vimsa::terrain_text {
namespace {

// The C locale's blanks, which end the words of "%s".
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void SkipBlanks(std::string_view& s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
}

// Takes the next run of non-blank characters (at least one).
bool TakeWord(std::string_view& s, std::string& out) {
    SkipBlanks(s);
    std::size_t n = 0;
    while (n < s.size() && !IsBlank(s[n]))
        ++n;
    if (n == 0) return false;
    out.assign(s.substr(0, n));
    s.remove_prefix(n);
    return true;
}

bool TakeLiteral(std::string_view& s, std::string_view literal) {
    if (!s.starts_with(literal)) return false;
    s.remove_prefix(literal.size());
    return true;
}

bool TakeUnsigned(std::string_view& s, uint32_t& out) {
    if (s.empty() || s.front() < '0' || s.front() > '9') return false;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), out);
    if (error != std::errc()) return false;  // more than 32 bits
    s.remove_prefix(static_cast<std::size_t>(end - s.data()));
    return true;
}

// Infinities and not-a-number are refused: one of them in a size or a
// height would spread through every vertex of the terrain.
bool TakeFloat(std::string_view& s, float& out) {
    std::string_view rest = s;
    if (rest.starts_with('+')) {
        rest.remove_prefix(1);
        if (rest.starts_with('-')) return false;
    }
    float value = 0;
    const auto [end, error] =
        std::from_chars(rest.data(), rest.data() + rest.size(), value, std::chars_format::general);
    if (error != std::errc() || !std::isfinite(value)) return false;
    out = value;
    s = rest.substr(static_cast<std::size_t>(end - rest.data()));
    return true;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

bool LineReader::Next(std::string& line) {
    if (at_ >= text_.size()) return false;
    std::size_t end = at_;
    while (end < text_.size() && text_[end] != '\n')
        ++end;
    std::size_t stop = end;
    if (stop > at_ && text_[stop - 1] == '\r') --stop;
    std::size_t length = 0;
    while (at_ + length < stop && length < kMaxLineLength && text_[at_ + length] != 0)
        ++length;
    line.assign(reinterpret_cast<const char*>(text_.data() + at_), length);
    at_ = end + 1;
    return true;
}

std::string CleanLine(std::string_view line) {
    const std::size_t comment = line.find("//");
    if (comment != std::string_view::npos) line = line.substr(0, comment);
    std::string out(line);
    for (char& c : out)
        c = Upper(c);
    return out;
}

bool SectionName(std::string_view line, std::string& name) {
    name.clear();
    if (!TakeLiteral(line, "[")) return false;
    if (TakeWord(line, name)) name = name.substr(0, name.find(']'));
    return true;
}

bool ParseKeyLine(std::string_view line, KeyLine& out) {
    if (!TakeWord(line, out.key)) return false;
    SkipBlanks(line);
    if (!TakeLiteral(line, "=")) return false;
    return TakeWord(line, out.value);
}

bool ParseUnsigned(std::string_view value, uint32_t& out) {
    return TakeUnsigned(value, out);
}

bool ParseFloat(std::string_view value, float& out) {
    return TakeFloat(value, out);
}

bool ParseUnsignedPair(std::string_view value, uint32_t& a, uint32_t& b) {
    uint32_t first = 0, second = 0;
    if (!TakeUnsigned(value, first) || !TakeLiteral(value, "*") || !TakeUnsigned(value, second))
        return false;
    a = first;
    b = second;
    return true;
}

bool ParseFloatPair(std::string_view value, float& a, float& b) {
    float first = 0, second = 0;
    if (!TakeFloat(value, first) || !TakeLiteral(value, "*") || !TakeFloat(value, second))
        return false;
    a = first;
    b = second;
    return true;
}

bool ParseRange(std::string_view value, uint32_t& first, uint32_t& last) {
    uint32_t a = 0, b = 0;
    if (!TakeUnsigned(value, a) || !TakeLiteral(value, "..") || !TakeUnsigned(value, b))
        return false;
    first = a;
    last = b;
    return true;
}

}  // namespace vimsa::terrain_text
