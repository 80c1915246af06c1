#include "tandem1.0/Model/ObjScan.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace TandemSpace {
namespace {

// Reading stops at the line's end and at a NUL byte alike: sscanf saw the
// line as a C string.
struct Cursor {
    const char* p;
    const char* end;
};

constexpr int kEnd = 0;

int peek(const Cursor& c) {
    return c.p < c.end ? (unsigned char)*c.p : kEnd;
}

// The C locale's classes; no table lookups, no locale.
bool isSpace(int ch) {
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}
bool isDigit(int ch) {
    return unsigned(ch - '0') < 10;
}
bool isHexDigit(int ch) {
    return isDigit(ch) || unsigned((ch | 0x20) - 'a') < 6;
}
int hexValue(int ch) {
    return isDigit(ch) ? ch - '0' : (ch | 0x20) - 'a' + 10;
}
int lower(int ch) {
    return ch >= 'A' && ch <= 'Z' ? ch + ('a' - 'A') : ch;
}

void skipSpace(Cursor& c) {
    while (isSpace(peek(c)))
        c.p++;
}

// Consumes the letters of word, in either case; false at the first other byte.
bool acceptWord(Cursor& c, const char* word) {
    for (; *word; word++, c.p++)
        if (lower(peek(c)) != *word) return false;
    return true;
}

// What strtof makes of the consumed characters, which is what the C library's
// scanner hands it. False when it finds no number in them.
bool convertWithStrtof(const char* begin, const char* end, float& value) {
    const std::string copy(begin, end); // rare: hexadecimal, special or out-of-range numbers
    char* stop = nullptr;
    const float result = strtof(copy.c_str(), &stop);
    if (stop == copy.c_str()) return false;
    value = result;
    return true;
}

// Powers of ten that float holds exactly (5^10 < 2^24).
constexpr float kExactPowers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                  1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr int kLargestExactPower = 10;
constexpr uint64_t kExactSignificand = uint64_t(1) << 24;
constexpr int kSignificandDigits = 19; // still fits uint64_t
constexpr int kExponentCap = 100000;   // far past any float; keeps the sum from overflowing

// A decimal number as the scanner collected it: [sign] digits [. digits]
// [e [sign] digits], where the exponent may lack its digits. The result of
// strtof, computed directly when both the significand and the power of ten
// are exact floats (one rounding, as strtof's), otherwise by from_chars or,
// for results out of range, strtof itself.
bool convertDecimal(const char* begin, const char* end, float& value) {
    const char* q = begin;
    const bool negative = *q == '-';
    if (*q == '-' || *q == '+') q++;
    const char* digitsBegin = q;
    uint64_t significand = 0;
    int digits = 0, exponent = 0;
    bool anyDigit = false, inexact = false;
    for (bool fraction = false; q < end; q++) {
        if (*q == '.' && !fraction) {
            fraction = true;
            continue;
        }
        if (!isDigit((unsigned char)*q)) break;
        anyDigit = true;
        const int digit = *q - '0';
        if (significand == 0 && digit == 0) {
            if (fraction) exponent--;
        } else if (digits < kSignificandDigits) {
            significand = significand * 10 + uint64_t(digit);
            digits++;
            if (fraction) exponent--;
        } else {
            inexact = true;
            if (!fraction) exponent++;
        }
    }
    if (!anyDigit) return false;
    const char* numberEnd = q;
    if (q < end && (*q == 'e' || *q == 'E')) {
        const char* r = q + 1;
        const bool negativeExponent = r < end && *r == '-';
        if (r < end && (*r == '-' || *r == '+')) r++;
        if (r < end && isDigit((unsigned char)*r)) {
            int written = 0;
            for (; r < end && isDigit((unsigned char)*r); r++)
                if (written < kExponentCap) written = written * 10 + (*r - '0');
            exponent += negativeExponent ? -written : written;
            numberEnd = r;
        }
    }
    float result;
    if (significand == 0) {
        result = 0.0f;
    } else if (!inexact && significand <= kExactSignificand && exponent >= -kLargestExactPower &&
               exponent <= kLargestExactPower) {
        result = exponent >= 0 ? float(significand) * kExactPowers[exponent]
                               : float(significand) / kExactPowers[-exponent];
    } else {
#if __cpp_lib_to_chars >= 201611L
        const std::from_chars_result parsed =
            std::from_chars(digitsBegin, numberEnd, result, std::chars_format::general);
        if (parsed.ec != std::errc() || parsed.ptr != numberEnd)
            return convertWithStrtof(begin, end, value);
#else
        // GCC 10's library (Debian 11's, where the release is built) has no
        // from_chars for floats; strtof gives the same value, only slower.
        (void)digitsBegin;
        (void)numberEnd;
        return convertWithStrtof(begin, end, value);
#endif
    }
    value = negative ? -result : result;
    return true;
}

// One %f conversion. False ends the scan (nothing stored).
bool scanFloat(Cursor& c, float& value) {
    skipSpace(c);
    const char* begin = c.p;
    int ch = peek(c);
    if (ch == kEnd) return false;
    const int sign = ch == '+' || ch == '-';
    if (sign) {
        c.p++;
        ch = peek(c);
        if (ch == kEnd) return false;
    }
    if (lower(ch) == 'n') {
        if (!acceptWord(c, "nan")) return false;
        return convertWithStrtof(begin, c.p, value);
    }
    if (lower(ch) == 'i') {
        if (!acceptWord(c, "inf")) return false;
        // "inf" may go on to "infinity", but then all of it.
        if (lower(peek(c)) == 'i' && !acceptWord(c, "inity")) return false;
        return convertWithStrtof(begin, c.p, value);
    }

    bool hex = false, gotDigit = false, gotDot = false, gotE = false;
    int exponentMark = 'e', last = kEnd, collected = sign;
    if (ch == '0') {
        c.p++, collected++, last = ch;
        ch = peek(c);
        if (lower(ch) == 'x') {
            hex = true, exponentMark = 'p';
            c.p++, collected++, last = ch;
            ch = peek(c);
        } else {
            gotDigit = true;
        }
    }
    for (; ch != kEnd; ch = peek(c)) {
        if (isDigit(ch) || (hex && !gotE && isHexDigit(ch))) {
            gotDigit = true;
        } else if (gotE && last == exponentMark && (ch == '-' || ch == '+')) {
            // the exponent's sign
        } else if (gotDigit && !gotE && lower(ch) == exponentMark) {
            ch = exponentMark;
            gotE = gotDot = true;
        } else if (!gotDot && ch == '.') {
            gotDot = true;
        } else {
            break;
        }
        c.p++, collected++, last = ch;
    }
    // A lone sign, or "0x" with nothing after it, is no number at all.
    if (collected == sign || (hex && collected == 2 + sign)) return false;
    return hex ? convertWithStrtof(begin, c.p, value) : convertDecimal(begin, c.p, value);
}

// One %i conversion: strtol of the collected characters (base from the
// prefix), cut to int as the C library stores it.
bool scanInt(Cursor& c, int& value) {
    skipSpace(c);
    int ch = peek(c);
    if (ch == kEnd) return false;
    bool negative = false, sign = false;
    int collected = 0;
    if (ch == '+' || ch == '-') {
        negative = ch == '-', sign = true;
        c.p++, collected++;
        ch = peek(c);
    }
    unsigned base = 10;
    if (ch == '0') {
        c.p++, collected++;
        ch = peek(c);
        if (lower(ch) == 'x') {
            base = 16; // the x is consumed but is not part of the number
            c.p++;
            ch = peek(c);
        } else {
            base = 8;
        }
    }
    uint64_t magnitude = 0;
    bool overflow = false;
    for (; ch != kEnd; ch = peek(c)) {
        unsigned digit;
        if (base == 16) {
            if (!isHexDigit(ch)) break;
            digit = unsigned(hexValue(ch));
        } else {
            if (!isDigit(ch) || unsigned(ch - '0') >= base) break;
            digit = unsigned(ch - '0');
        }
        if (magnitude > (UINT64_MAX - digit) / base)
            overflow = true;
        else
            magnitude = magnitude * base + digit;
        c.p++, collected++;
    }
    if (collected == 0 || (collected == 1 && sign)) return false;
    // strtol saturates at the ends of long.
    long number;
    const uint64_t mostNegative = uint64_t(LONG_MAX) + 1;
    if (negative)
        number = overflow || magnitude >= mostNegative ? LONG_MIN : -long(magnitude);
    else
        number = overflow || magnitude > uint64_t(LONG_MAX) ? LONG_MAX : long(magnitude);
    value = int(number);
    return true;
}

template <typename T, bool (*convert)(Cursor&, T&)>
void scanFormat(const ObjLine& line, const char* format, T* values) {
    Cursor c{line.begin, line.end};
    bool skip = false;
    for (const char* f = format; *f; f++) {
        if (*f == '%') {
            f++;          // the conversion letter: the caller chose the type
            skip = false; // the conversion skips its own leading white space
            if (!convert(c, *values++)) return;
        } else if (isSpace((unsigned char)*f)) {
            skip = true;
        } else {
            if (skip) skipSpace(c);
            skip = false;
            if (peek(c) != (unsigned char)*f) return;
            c.p++;
        }
    }
}

} // namespace

void scanFloats(const ObjLine& line, const char* format, float* values) {
    scanFormat<float, scanFloat>(line, format, values);
}

void scanInts(const ObjLine& line, const char* format, int* values) {
    scanFormat<int, scanInt>(line, format, values);
}

} // namespace TandemSpace
