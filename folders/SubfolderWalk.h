#pragma once

#include "commands/CommandTools.h"
#include "folders/UnsafeNames.h"

#include <QByteArray>
#include <QString>

#include <vector>

// True when the path's attributes can be read and say it is a folder; never fails.
bool IsDirectory(FileSystem& files, const QString& path);
// Whether the walk enters a folder with these attributes, and takes a subfolder of this name (as stored).
bool isEntered(const FileSystem::FolderInfo& folder);
bool isWalkedName(const QByteArray& rawName);

// Expands `list` in place: appends every usable folder below its entries, level by level (breadth-first, grouped by
// parent), and drops the entries whose subfolders cannot be listed for lack of access or because they are gone. Every
// entry ends with the separator. An entry of `list` that is a link to a folder is walked as that folder, under its own
// path; links below are neither listed nor entered. Reports its own failures; yields once per folder entered, per
// subfolder seen and per folder copied up a level. With `recurse` false it goes one level down.
void GetSubDirectories2016(Reporter& reporter, FileSystem& files, Yield& yield, std::vector<QString>& list,
                           bool recurse);
