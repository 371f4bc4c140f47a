#include "base/Failure.h"

#include <cstring>

Failure Failure::fromErrno(int error)
{
    return Failure(QString::fromLocal8Bit(std::strerror(error)));
}
