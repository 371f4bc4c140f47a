#pragma once

#include "base/PathStyle.h"

#include <QString>

// Folds doubled separators by one left-to-right scan (a run of three becomes two, four become two). Under
// the Windows style a path that begins with "\" is a network path: its leading run becomes exactly "\\".
QString CollapseBackslashes(const QString& path, PathStyle style = kNativePathStyle);
