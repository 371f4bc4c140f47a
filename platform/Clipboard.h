#pragma once

#include <QByteArray>

// The system clipboard. Each operation throws a Failure when the clipboard refuses it.
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    virtual void Clear() = 0;
    // Puts a text, given as its UTF-8 bytes, on the clipboard. Format 0 is the platform's plain text; any
    // other value names a clipboard format.
    virtual void SetText(const QByteArray& utf8, int format) = 0;
};
