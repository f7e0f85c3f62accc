#pragma once

#include <cstdarg>
#include <string>

namespace vimsa {

// printf-style formatting into a string. The result replaces the string's
// previous content and is stored whole, whatever its length.
void FormatString(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void FormatStringV(std::string& out, const char* format, va_list args);

// Convenience form that returns the new string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace vimsa
