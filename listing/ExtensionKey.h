#pragma once

#include <QString>

// The text after the last "." of the whole path (folder part included); the whole path when there is no
// "." or the only one is its first character.
QString ExtensionKey(const QString& path);
