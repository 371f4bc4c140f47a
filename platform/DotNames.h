#pragma once

// Whether a folder entry's name is "." or "..", the folder itself or the one above it.
inline bool isDotName(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}
