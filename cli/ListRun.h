#pragma once

#include "cli/CommandLine.h"
#include "platform/FileSystem.h"

#include <cstdio>

// `tallyfold --list`: the list that "2. Start Creating List" would build from the folders, written as it is
// found, one folder's files at a time, so that no pane is held however large the tree. A folder that fails
// gives one line on `errors`, "tallyfold: PATH: reason", and the run goes on. Answers the exit status: 0 when
// all went well, 1 when something failed. A reader of standard output that goes away ends the run with 0.
int runList(const ListOptions& options, FileSystem& files, std::FILE* errors);
