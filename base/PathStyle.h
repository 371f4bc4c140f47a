#pragma once

#include <QChar>
#include <QString>

// The path conventions the pure path rules follow. The program uses its platform's own; tests also run
// the rules under the other one.
enum class PathStyle { Posix, Windows };

#ifdef Q_OS_WIN
constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

constexpr QChar separator(PathStyle style = kNativePathStyle)
{
    return style == PathStyle::Windows ? QChar(u'\\') : QChar(u'/');
}

// The longest path the platform takes, in its own units: a folder path that reaches it is not entered by the
// folder walk, and a name that reaches it is not listed.
#ifdef Q_OS_WIN
constexpr qsizetype kPathLimit = 260; // MAX_PATH, in UTF-16 characters
#else
constexpr qsizetype kPathLimit = 4096; // PATH_MAX, in bytes of the UTF-8 name, its terminating NUL included
#endif

// The length of a path as the platform's limit counts it: characters on Windows, UTF-8 bytes elsewhere.
inline qsizetype nativePathLength(const QString& path)
{
#ifdef Q_OS_WIN
    return path.size();
#else
    qsizetype bytes = 0;
    for (const QChar c : path) {
        const char16_t unit = c.unicode();
        bytes += unit < 0x80 ? 1 : unit < 0x800 ? 2 : c.isSurrogate() ? 2 : 3; // a surrogate pair makes 4
    }
    return bytes;
#endif
}
