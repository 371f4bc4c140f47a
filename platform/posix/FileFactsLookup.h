#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>

#include <cstddef>
#include <vector>

// Looks files up by their paths, many in a row: the folder of a path is opened once for the paths after it that
// share it, and each name is looked up in it (statx relative to the open folder), which spares the kernel walking
// the whole path again for every file.
namespace FileFactsLookup {

// Where each path of the pool (paths each ended by a NUL) begins.
std::vector<const char*> starts(const QByteArray& paths);
// Looks up the paths from `first` to before `last`, each into the entry of `facts` of its index.
void lookUp(const std::vector<const char*>& paths, std::size_t first, std::size_t last, FileFacts* facts);

} // namespace FileFactsLookup
