#pragma once

#include <QByteArray>
#include <QString>

// True for a name the folder walk does not take: one holding a control character (below 32), a character
// from 127 to 159, or "?". A name whose bytes are not valid UTF-8 has no text the program can hold, so it
// counts as unsafe too.
bool HasUnsafeNameChars(const QString& name);
bool HasUnsafeNameChars(const QByteArray& rawName);
