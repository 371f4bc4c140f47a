#pragma once

// The few text rules the program needs for the bytes it gets from the file system and keeps in its panes: names
// are UTF-8, and most of them are plain ASCII, which takes the short way.

#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace Utf8 {

inline bool isAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

inline bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// Whether the bytes are well-formed UTF-8 (no stray continuation, overlong form, surrogate or code beyond
// U+10FFFF, nothing cut short), whose decoding gives back the same bytes. ASCII always is; it is checked eight
// bytes at a time, as most of a path is ASCII.
inline bool isValid(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        if (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                p += 8;
                continue;
            }
        }
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int more;
        unsigned char low = 0x80, high = 0xBF; // the second byte's range
        if (lead >= 0xC2 && lead <= 0xDF)
            more = 1;
        else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else
            return false;
        if (end - p <= more || p[1] < low || p[1] > high)
            return false;
        for (int k = 2; k <= more; ++k)
            if ((p[k] & 0xC0) != 0x80)
                return false;
        p += more + 1;
    }
    return true;
}

// The length in UTF-16 units of what valid UTF-8 bytes decode to, counted by the bytes alone (other bytes are
// counted by the same rule): a unit for each, less the bytes that continue a character (10xxxxxx), plus one
// for each first byte of four (11110xxx and above), whose character takes two units. Eight bytes at a time.
inline qsizetype utf16Length(std::string_view bytes)
{
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    // How many bytes have bit 7 set, in a word that has no other bits.
    const auto highBitsSet = [](std::uint64_t highBits) {
        return int(((highBits >> 7) * 0x0101010101010101ull) >> 56);
    };
    qsizetype length = qsizetype(bytes.size());
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        if ((w & kHigh) == 0)
            continue;
        // Shifted left within each byte, bit 6 (5, 4) of a byte meets its bit 7.
        const std::uint64_t continuing = w & ~(w << 1) & kHigh;
        const std::uint64_t fourByteLead = w & (w << 1) & (w << 2) & (w << 3) & kHigh;
        length += highBitsSet(fourByteLead) - highBitsSet(continuing);
    }
    for (; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        length += ((byte & 0xC0) == 0x80 ? 0 : (byte >= 0xF0 ? 2 : 1)) - 1;
    }
    return length;
}

// A to Z lowered; every other code, ASCII or not, stays.
constexpr char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

constexpr char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

inline QString toQString(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

} // namespace Utf8
