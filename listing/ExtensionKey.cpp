#include "listing/ExtensionKey.h"

#include "platform/Utf8.h"

QString ExtensionKey(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot >= 1 ? path.mid(dot + 1) : path;
}

bool extensionMatches(std::string_view utf8Prefix, std::string_view utf8Name, const QString& lowerFilter)
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
    if (!Utf8::isAscii(key))
        return Utf8::toQString(key).toLower() == lowerFilter;
    if (qsizetype(key.size()) != lowerFilter.size())
        return false;
    for (std::size_t i = 0; i < key.size(); ++i)
        if (char16_t(Utf8::asciiLower(key[i])) != lowerFilter[qsizetype(i)].unicode())
            return false;
    return true;
}
