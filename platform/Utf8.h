#pragma once

// The few text rules the program needs for the bytes it gets from the file system and keeps in its panes: names
// are UTF-8, and most of them are plain ASCII, which takes the short way.

#include <QString>
#include <QStringView>
#include <QUtf8StringView>

#include <algorithm>
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

// Whether the bytes are valid UTF-8 (ASCII always is).
inline bool isValid(std::string_view bytes)
{
    return isAscii(bytes) || QUtf8StringView(bytes.data(), qsizetype(bytes.size())).isValidUtf8();
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
