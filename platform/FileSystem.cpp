#include "platform/FileSystem.h"

#include <cerrno>

ListingFailure ListingFailure::fromErrno(int error)
{
    Kind kind = Kind::Other;
    if (error == EACCES || error == EPERM)
        kind = Kind::PermissionDenied;
    else if (error == ENOENT || error == ENOTDIR)
        kind = Kind::PathNotFound;
    return ListingFailure(kind, Failure::fromErrno(error).description());
}
