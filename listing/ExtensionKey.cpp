#include "listing/ExtensionKey.h"

namespace {

bool isAscii(std::string_view bytes)
{
    for (unsigned char c : bytes)
        if (c >= 0x80)
            return false;
    return true;
}

char16_t asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char16_t(c - 'A' + 'a') : char16_t(c);
}

QString fromUtf8(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

QString ExtensionKey(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot >= 1 ? path.mid(dot + 1) : path;
}

bool ExtensionMatches(std::string_view utf8Prefix, std::string_view utf8Name, const QString& lowerFilter)
{
    const std::size_t dot = utf8Name.rfind('.');
    if (dot == std::string_view::npos || (utf8Prefix.empty() && dot == 0)) {
        // The key reaches into the folder part or is the whole line: rare enough to go the long way.
        QByteArray line(utf8Prefix.data(), qsizetype(utf8Prefix.size()));
        line.append(utf8Name.data(), qsizetype(utf8Name.size()));
        return ExtensionKey(QString::fromUtf8(line)).toLower() == lowerFilter;
    }
    // A "." in the name stands after the folder part, so it is not the line's first character.
    const std::string_view key = utf8Name.substr(dot + 1);
    if (!isAscii(key))
        return fromUtf8(key).toLower() == lowerFilter;
    if (qsizetype(key.size()) != lowerFilter.size())
        return false;
    for (std::size_t i = 0; i < key.size(); ++i)
        if (asciiLower(key[i]) != lowerFilter[qsizetype(i)].unicode())
            return false;
    return true;
}
