#pragma once

#include "base/PathStyle.h"

#include <QByteArray>
#include <QStringList>

#include <optional>

// The paths of a text/uri-list, in the order dropped. Only file: URIs of this machine are taken, each
// percent-decoded to the platform's bytes and read as the UTF-8 the program holds its paths in; a trailing
// separator goes, as the folder chooser gives none (but for a root). Nothing when the list is empty or any
// entry is something else: another scheme or host, a path not from the root, a NUL, or bytes that are not
// UTF-8, which the program can hold no more than the folder walk lists them. Such a drop is refused whole,
// before it is made.
std::optional<QStringList> droppedPaths(const QByteArray& uriList, PathStyle style = kNativePathStyle);
