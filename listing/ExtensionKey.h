#pragma once

#include <QString>

#include <string_view>

// The text after the last "." of the whole path (folder part included); the whole path when there is no
// "." or the only one is its first character.
QString ExtensionKey(const QString& path);

// Whether the extension key of the line prefix + name, lower-cased, equals the filter already lower-cased:
// the same answer as ExtensionKey(line).toLower() == lowerFilter, without making a string of the line for
// the usual name that holds a ".".
bool extensionMatches(std::string_view utf8Prefix, std::string_view utf8Name, const QString& lowerFilter);
