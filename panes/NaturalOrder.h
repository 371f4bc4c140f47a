#pragma once

// The order of "Sort A to Z": paths compared as their UTF-8 bytes, ASCII letters without regard to case (both
// sides lower-cased) and runs of ASCII digits as whole numbers, so that "file2" comes before "file10". Numbers
// compare by value: leading zeros are passed over, a longer run is the bigger number, runs of one length compare
// digit by digit, and "01" equals "1". Every other byte compares as it is, so a letter beyond ASCII is not
// folded and comes after all of ASCII, in code point order. Pure: the panes, their tests and the exports use it.

#include <cstddef>
#include <string_view>

namespace NaturalOrder {

// One text in one piece or two (a row's folder prefix and its name), read as if it were joined.
struct Text
{
    std::string_view first;
    std::string_view second;

    std::size_t size() const { return first.size() + second.size(); }
    unsigned char operator[](std::size_t i) const
    {
        return static_cast<unsigned char>(i < first.size() ? first[i] : second[i - first.size()]);
    }
};

inline bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

inline unsigned char folded(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Negative, zero or positive as `a` comes before, with or after `b`.
template <class A, class B> int compare(const A& a, const B& b)
{
    const std::size_t na = a.size(), nb = b.size();
    std::size_t i = 0, j = 0;
    for (;;) {
        const std::size_t resumedAt = i;
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
    return compare(Text{a, {}}, Text{b, {}});
}

} // namespace NaturalOrder
