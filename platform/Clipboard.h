#pragma once

#include <QString>

// The system clipboard. Each operation throws a Failure when the clipboard refuses it.
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    virtual void Clear() = 0;
    // Format 0 is the platform's plain text; any other value names a clipboard format.
    virtual void SetText(const QString& text, int format) = 0;
};
