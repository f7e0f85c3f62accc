#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The text side of terrain description files: lines, comments, sections,
// "KEY = VALUE" lines and the value forms their keys use. Nothing here knows
// what the keys mean; Terrain::Load does.
namespace vimsa::terrain_text {

// Characters kept of one line; the rest of a longer line is dropped.
inline constexpr std::size_t kMaxLineLength = 1023;

// Hands out the lines of a description one at a time. Lines end at CR LF as
// written on the engine's home platform, or at a bare LF as written by most
// Linux editors. A NUL ends the line's text, as it would in a C string.
class LineReader {
public:
    explicit LineReader(std::span<const uint8_t> text) : text_(text) {}

    // The next line, cut to kMaxLineLength; false after the last one.
    bool Next(std::string& line);

private:
    std::span<const uint8_t> text_;
    std::size_t at_ = 0;
};

// Drops a "//" comment (a line that starts with one becomes empty) and
// upper-cases the rest.
std::string CleanLine(std::string_view line);

// The name of a "[NAME]" line: the first word after the bracket, cut at "]";
// empty when there is none. False when the line does not start with "[".
bool SectionName(std::string_view line, std::string& name);

struct KeyLine {
    std::string key;
    std::string value;  // the first word after the equals sign
};

// "KEY = VALUE", read as the C library reads "%s = %s": the key is the first
// word, blanks around the equals sign are optional, and the value ends at
// the first blank. False when the line does not have that form.
bool ParseKeyLine(std::string_view line, KeyLine& out);

// Value forms. Each reads from the start of the value and ignores what
// follows the form. Numbers are plain decimal digits (no sign: a negative
// count or index is not a value); floating numbers must be finite.
bool ParseUnsigned(std::string_view value, uint32_t& out);
bool ParseFloat(std::string_view value, float& out);
// "A*B"
bool ParseUnsignedPair(std::string_view value, uint32_t& a, uint32_t& b);
bool ParseFloatPair(std::string_view value, float& a, float& b);
// "A..B"
bool ParseRange(std::string_view value, uint32_t& first, uint32_t& last);

}  // namespace vimsa::terrain_text
