#pragma once

#include <QChar>

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
