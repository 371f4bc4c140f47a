#pragma once

#include "platform/SaveTarget.h"

#include <QByteArray>

#include <memory>

// Opens the file that will take the place of `path` (encoded as the file system stores names). Throws a
// Failure with the platform's words when it cannot be made, or when an existing file may not be written.
//
// A name not yet taken, or a regular file whose replacement can equal it in all a user sees (owner and group,
// mode, ACLs and extended attributes, one link, a folder that lets the name be replaced), is written to a new
// file that takes the target's name only at commit, after it reached the disk; that file has no name until
// then where the file system allows, else a short temporary one beside the target, and it never outlives its
// SaveTarget. Any other regular file is written where it stands at commit, into room reserved beforehand.
// A symbolic link is followed, so its target is saved and the link stays. A FIFO or a device is written
// directly and stays what it is; a FIFO nobody reads is refused, not waited for.
std::unique_ptr<SaveTarget> openPosixSaveTarget(const QByteArray& path);

// Removes the temporary files that saves under way have made beside their targets: for a program that ends
// in the middle of a save without undoing it.
void removeUnfinishedSaves();
