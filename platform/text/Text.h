#pragma once
// Text helpers shared by every layer. Strings are UTF-8; counts and cuts are
// in code points, never bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// Removes every character up to U+0020 (blanks and control characters) at both
// ends; other white space such as U+3000 stays.
std::string trim(std::string_view s);

// Number of code points in a UTF-8 string.
std::size_t codePoints(std::string_view s);

// The first n code points of s (all of s when it is shorter).
std::string leftChars(std::string_view s, std::size_t n);

// ASCII lower and upper case; other characters unchanged.
std::string lower(std::string_view s);
std::string upper(std::string_view s);

// Case-insensitive comparison of ASCII letters.
bool equalsNoCase(std::string_view a, std::string_view b);

// Splits at CR, LF or CR LF; a final line break does not add an empty line.
std::vector<std::string> splitLines(std::string_view s);

// Lines joined, each followed by CR LF.
std::string joinLines(const std::vector<std::string>& lines);

// Decodes a text file's bytes: a UTF-8 or UTF-16 (LE/BE) byte-order mark
// selects that encoding and is dropped; otherwise the bytes are taken as UTF-8.
std::string decodeTextFile(std::string_view bytes);

// Reads a whole file; throws std::runtime_error when it cannot be read.
std::string readFile(const std::string& path);
// Writes a whole file; throws std::runtime_error when it cannot be written.
void writeFile(const std::string& path, std::string_view bytes);
bool fileExists(const std::string& path);
bool dirExists(const std::string& path);

// Optional sign and decimal digits only; anything else gives the default.
int64_t toIntDef(std::string_view s, int64_t def);
// Optional sign, digits with "." as decimal separator, optional exponent;
// anything else (a thousands separator included) gives the default.
double toFloatDef(std::string_view s, double def);

// General number form: up to 15 significant digits, no trailing zeros, no
// exponent unless the value needs one ("120", "12.5", "4710000000001").
std::string formatGeneral(double v);

// Local time now as "yyyy/mm/dd hh:nn:ss".
std::string nowStamp();

} // namespace text
