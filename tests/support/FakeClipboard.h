#pragma once

#include "platform/Clipboard.h"

#include <QString>
#include <optional>

// A clipboard that refuses a given number of attempts of each operation, then takes them.
class FakeClipboard : public Clipboard
{
public:
    void refuseClears(int attempts) { m_refuseClears = attempts; }
    void refuseSets(int attempts) { m_refuseSets = attempts; }

    void Clear() override;
    void SetText(const QByteArray& utf8, int format) override;

    std::optional<QString> text; // as a client reads it; nothing: the clipboard holds no text
    int clearAttempts = 0;
    int setAttempts = 0;
    int lastFormat = -1;

private:
    int m_refuseClears = 0;
    int m_refuseSets = 0;
};
