// ObjScan: the model loader's line splitting and number reading, in one pass
// over the file bytes, with exactly the results of copying each line into a
// zeroed buffer and converting it with the C library's sscanf.
//
// Formats are the loader's sscanf formats ("v %f %f %f", "f %i/%i %i/%i
// %i/%i", ...): literal bytes, white space, and %i or %f conversions only.
// Everything sscanf does is kept, not only the common case: white space is
// the C locale's six characters; a NUL byte ends the line; %i takes a sign,
// decimal, 0-prefixed octal or 0x-prefixed hexadecimal digits, and a value
// beyond `long` saturates before it is cut to int; %f takes decimal and
// hexadecimal floats, inf, infinity and nan, and consumes what the C
// library's scanner consumes (so "1e" is read as 1 and the "e" is used up).
// The first literal that does not match, or the first conversion that
// fails, ends the scan; targets not reached keep their values.
//
// Plain decimal numbers are converted here (exactly, as strtof rounds); the
// unusual ones go through strtof on the consumed characters, as the C library
// does itself. No state: safe on any thread, and on lines of any length.
#pragma once

namespace TandemSpace {

// Longest line the loader accepts, without its line feed.
constexpr int kLongestLine = 998;

// One line of the file without its line feed: [begin, end).
struct ObjLine {
    const char* begin;
    const char* end;
};

// The line's n-th byte as the zero-filled line buffer held it: 0 past the end.
inline char lineByte(const ObjLine& line, int n) {
    return line.begin + n < line.end ? line.begin[n] : '\0';
}

// sscanf(line, format, &values[0], &values[1], ...) for a format whose only
// conversions are %f (scanFloats) or %i (scanInts).
void scanFloats(const ObjLine& line, const char* format, float* values);
void scanInts(const ObjLine& line, const char* format, int* values);

} // namespace TandemSpace
