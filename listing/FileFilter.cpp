#include "listing/FileFilter.h"

#include "base/Utf8.h"
#include "listing/ExtensionKey.h"

void FileFilter::read(const QString& boxText)
{
    if (boxText == m_text)
        return;
    m_text = boxText;
    m_lower = boxText.toLower();
}

bool FileFilter::matchesExtension(std::string_view utf8Prefix, std::string_view utf8Name) const
{
    const std::size_t dot = utf8Name.rfind('.');
    if (dot == std::string_view::npos || (utf8Prefix.empty() && dot == 0)) {
        // The key reaches into the folder part or is the whole line: rare enough to go the long way.
        QByteArray line(utf8Prefix.data(), qsizetype(utf8Prefix.size()));
        line.append(utf8Name.data(), qsizetype(utf8Name.size()));
        return ExtensionKey(QString::fromUtf8(line)).toLower() == m_lower;
    }
    // A "." in the name stands after the folder part, so it is not the line's first character.
    const std::string_view key = utf8Name.substr(dot + 1);
    if (!Utf8::isAscii(key))
        return Utf8::toQString(key).toLower() == m_lower;
    if (qsizetype(key.size()) != m_lower.size())
        return false;
    for (std::size_t i = 0; i < key.size(); ++i)
        if (char16_t(Utf8::asciiLower(key[i])) != m_lower[qsizetype(i)].unicode())
            return false;
    return true;
}
