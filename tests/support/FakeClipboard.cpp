#include "FakeClipboard.h"

#include "base/Failure.h"

void FakeClipboard::Clear()
{
    ++clearAttempts;
    if (m_refuseClears > 0) {
        --m_refuseClears;
        throw Failure(QStringLiteral("Can't open Clipboard"));
    }
    text.reset();
}

void FakeClipboard::SetText(const QByteArray& utf8, int format)
{
    ++setAttempts;
    if (m_refuseSets > 0) {
        --m_refuseSets;
        throw Failure(QStringLiteral("Can't open Clipboard"));
    }
    text = QString::fromUtf8(utf8);
    lastFormat = format;
}
