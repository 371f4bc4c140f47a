#pragma once

#include "platform/Clipboard.h"

// The system clipboard through Qt. A text that does not read back as written counts as refused.
class QtClipboard : public Clipboard
{
public:
    void Clear() override;
    void SetText(const QString& text, int format) override;
};
