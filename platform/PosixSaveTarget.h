#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>

#include <memory>

// Opens the file that will take the place of `path` (encoded as the file system stores names). Throws a
// Failure with the platform's words when it cannot be made.
//
// A regular file, or a name not yet taken, is written to a temporary file of a short name beside it, which
// takes the target's name only at commit; the target's permissions and owner carry over, and a temporary file
// never outlives its SaveTarget. A symbolic link is followed, so its target is replaced and the link stays.
// A FIFO or a device is written directly and stays what it is; a FIFO nobody reads is refused, not waited for.
std::unique_ptr<SaveTarget> openPosixSaveTarget(const QByteArray& path);
