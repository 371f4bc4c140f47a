#include "platform/qt/QtClipboard.h"

#include "base/Failure.h"
#include "base/LargeBuffers.h"
#include "platform/Yield.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {
QClipboard& systemClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw Failure(QStringLiteral("The clipboard could not be opened."));
    return *clipboard;
}

const QString kUtf8Text = QStringLiteral("text/plain;charset=utf-8");
const QString kPlainText = QStringLiteral("text/plain");

// The copy text as the clipboard offers it: the UTF-8 bytes of the copy, shared, never copied or widened
// unless a client asks for a string. The number tells this offer from any other, also from one that a later
// offer's memory happens to hold.
class CopyOffer : public QMimeData
{
public:
    CopyOffer(QByteArray utf8, std::uint64_t number) : m_utf8(std::move(utf8)), m_number(number) {}
    std::uint64_t number() const { return m_number; }
    const QByteArray& utf8() const { return m_utf8; }

    QStringList formats() const override { return {kUtf8Text, kPlainText}; }
    bool hasFormat(const QString& mimeType) const override { return mimeType == kUtf8Text || mimeType == kPlainText; }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override
    {
        if (!hasFormat(mimeType))
            return {};
        if (type.id() == QMetaType::QString)
            return QString::fromUtf8(m_utf8);
        return m_utf8;
    }

private:
    QByteArray m_utf8;
    std::uint64_t m_number;
};
} // namespace

void QtClipboard::Clear()
{
    QClipboard& clipboard = systemClipboard();
    // The last copy's text goes with its offer, unless a client still holds it: freed here, a slice at a time.
    QByteArray last;
    if (const auto* offer = dynamic_cast<const CopyOffer*>(clipboard.mimeData()))
        last = offer->utf8();
    clipboard.clear();
    releaseInSlices(std::move(last), [this] {
        if (m_painting)
            m_painting->paintOnly();
    });
}

void QtClipboard::place(QClipboard& clipboard, QMimeData* offer)
{
    clipboard.setMimeData(offer);
}

void QtClipboard::SetText(const QByteArray& utf8, int format)
{
    QClipboard& clipboard = systemClipboard();
    if (format != 0) // the program hands over plain text only
        throw Failure(QStringLiteral("Invalid Clipboard format"));
    const std::uint64_t number = ++m_offers;
    place(clipboard, new CopyOffer(utf8, number));
    const auto* held = dynamic_cast<const CopyOffer*>(clipboard.mimeData());
    if (!held || held->number() != number)
        throw Failure(QStringLiteral("The clipboard could not be opened."));
}
