#pragma once

#include "platform/Clipboard.h"

#include <cstdint>

class QClipboard;
class QMimeData;
class Yield;

// The system clipboard through Qt. The text is offered as plain text in UTF-8, the bytes of the copy shared
// with the clipboard and handed to a client as they are when it asks; a client that asks for a string gets
// them decoded then. An attempt took when the clipboard holds this very offer afterwards: nothing is read
// back or compared byte by byte.
class QtClipboard : public Clipboard
{
public:
    // `painting`, when given, keeps the window painting while the last copy's text is freed.
    explicit QtClipboard(Yield* painting = nullptr) : m_painting(painting) {}
    void Clear() override;
    void SetText(const QByteArray& utf8, int format) override;

protected:
    // Hands the offer to the system clipboard, which takes it over.
    virtual void place(QClipboard& clipboard, QMimeData* offer);

private:
    Yield* m_painting;
    std::uint64_t m_offers = 0;
};
