#pragma once

// The order of "Sort A to Z": paths compared as their UTF-8 bytes, ASCII letters without regard to case (both
// sides lower-cased) and runs of ASCII digits as whole numbers, so that "file2" comes before "file10". Numbers
// compare by value: leading zeros are passed over, a longer run is the bigger number, runs of one length compare
// digit by digit, and "01" equals "1". Every other byte compares as it is, so a letter beyond ASCII is not
// folded and comes after all of ASCII, in code point order. Pure: the panes, their tests and the exports use it.

#include <cstddef>
#include <string>
#include <string_view>

namespace NaturalOrder {

// One text in one piece or two (a row's folder prefix and its name), read as if it were joined.
struct Text
{
    std::string_view first;
    std::string_view second;

    std::size_t size() const { return first.size() + second.size(); }
    char operator[](std::size_t i) const { return i < first.size() ? first[i] : second[i - first.size()]; }
};

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline unsigned char folded(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

// Negative, zero or positive as `a` comes before, with or after `b`. A and B are std::string_view or Text.
template <class A, class B> int compare(const A& a, const B& b)
{
    const std::size_t na = a.size(), nb = b.size();
    std::size_t i = 0, j = 0;
    for (std::size_t resumedAt = 0;; resumedAt = i) {
        while (i < na && j < nb && folded(a[i]) == folded(b[j]))
            ++i, ++j;
        const bool digitA = i < na && isDigit(a[i]);
        const bool digitB = j < nb && isDigit(b[j]);
        // A difference met inside a number is the numbers' to judge, from where they start. The digits passed
        // over are the same on both sides.
        if (digitA || digitB) {
            while (i > resumedAt && isDigit(a[i - 1]))
                --i, --j;
        }
        if (i < na && j < nb && isDigit(a[i]) && isDigit(b[j])) {
            while (i < na && a[i] == '0')
                ++i;
            while (j < nb && b[j] == '0')
                ++j;
            std::size_t ea = i, eb = j;
            while (ea < na && isDigit(a[ea]))
                ++ea;
            while (eb < nb && isDigit(b[eb]))
                ++eb;
            if (ea - i != eb - j)
                return ea - i < eb - j ? -1 : 1;
            for (; i < ea; ++i, ++j)
                if (a[i] != b[j])
                    return a[i] < b[j] ? -1 : 1;
            j = eb;
            continue;
        }
        if (i == na || j == nb)
            return i == na ? (j == nb ? 0 : -1) : 1;
        return folded(a[i]) < folded(b[j]) ? -1 : 1;
    }
}

inline int compare(std::string_view a, std::string_view b)
{
    return compare<std::string_view, std::string_view>(a, b);
}

// Appends the text's sort key: keys compared byte by byte (as unsigned, a key that runs out first coming first)
// give the order of compare(). ASCII letters are lower-cased; a run of digits becomes a '0', which compares with
// other bytes as any digit does, then the length of the number without its leading zeros (a byte, or 0xFF and
// four bytes), then its digits. The key is about as long as the text.
template <class T> void appendKey(std::string& key, const T& text)
{
    const std::size_t n = text.size();
    const std::size_t start = key.size();
    // Room for the longest key: a run of digits grows by two bytes, or six past 254 digits, never past thrice.
    key.resize(start + 3 * n);
    char* out = key.data() + start;
    for (std::size_t i = 0; i < n;) {
        if (!isDigit(text[i])) {
            *out++ = static_cast<char>(folded(text[i]));
            ++i;
            continue;
        }
        while (i < n && text[i] == '0')
            ++i;
        std::size_t end = i;
        while (end < n && isDigit(text[end]))
            ++end;
        const std::size_t length = end - i;
        *out++ = '0';
        if (length < 0xFF) {
            *out++ = static_cast<char>(length);
        } else {
            *out++ = static_cast<char>(0xFF);
            for (int shift = 24; shift >= 0; shift -= 8)
                *out++ = static_cast<char>((length >> shift) & 0xFF);
        }
        for (; i < end; ++i)
            *out++ = text[i];
    }
    key.resize(std::size_t(out - key.data()));
}

} // namespace NaturalOrder
