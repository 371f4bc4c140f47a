#pragma once

#include <QString>

#include <string_view>

// The filter box's rule as one value: read the box's text, then decide for each line. "*" alone takes every
// file; any other text takes the lines whose extension key (ExtensionKey), lower-cased, equals the text
// lower-cased. The listing reads the box afresh for every name, so a read lower-cases the text only when it
// differs from the last one.
class FileFilter
{
public:
    void read(const QString& boxText);
    // Whether the text read is "*" alone.
    bool everyFile() const { return m_text.size() == 1 && m_text.front() == u'*'; }
    // Whether the extension key of the line prefix + name matches the text read: the same answer as
    // ExtensionKey(line).toLower() == text.toLower(), without making a string of the line for the usual name
    // that holds a ".".
    bool matchesExtension(std::string_view utf8Prefix, std::string_view utf8Name) const;

private:
    QString m_text;
    QString m_lower;
};
