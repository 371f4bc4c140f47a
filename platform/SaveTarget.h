#pragma once

#include <QIODevice>

// A file being written: nothing replaces the target until commit() succeeds, and dropping it
// uncommitted leaves the target as it was.
class SaveTarget
{
public:
    virtual ~SaveTarget() = default;
    virtual QIODevice& device() = 0;
    // Sets room aside for `size` bytes of content before any is written, where the file system can; a disk
    // without that room throws a Failure and leaves the target as it was.
    virtual void reserve(qint64 size) { (void)size; }
    virtual void commit() = 0; // throws a Failure
};
