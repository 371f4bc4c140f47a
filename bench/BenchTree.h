#pragma once

#include <QString>

// The benchmark's folder tree: `folders` folders breadth-first with the given fan-out under the top, the
// files spread evenly over them, names of 20 to 40 characters (some non-ASCII, mixed extensions and cases,
// a few beginning with "~" or "."). The same parameters always give the same tree; a tree already made
// with them is reused.
struct TreeShape
{
    int files = 1000000;
    int folders = 20000;
    int fanOut = 8;
};

// Makes (or finds) the tree under `top`; returns false with a message on failure.
bool makeTree(const QString& top, const TreeShape& shape, QString* error);
