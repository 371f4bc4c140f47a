// The settings file's reader and writer on any bytes, as users and other programs leave the file: reading
// ends without a crash or a hang; writing one key and reading it back gives exactly the value written, the
// bytes outside the one changed line stay as they were, other keys and sections read as before, and
// writing the same value again changes nothing.
#include "platform/posix/IniText.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

const QString kSection = QStringLiteral("Tallyfold");
const QString kKey = QStringLiteral("Text1");

void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte is the length of the value, whose bytes follow; the rest is the file.
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const qsizetype valueLength = std::min<qsizetype>(data[0], qsizetype(size - 1));
    const QString value = QString::fromUtf8(bytes, valueLength);
    const QByteArray text(bytes + valueLength, qsizetype(size - 1) - valueLength);

    const std::optional<QString> otherKey = IniText::value(text, kSection, QStringLiteral("Other"));
    const std::optional<QString> otherSection = IniText::value(text, QStringLiteral("Elsewhere"), kKey);
    IniText::value(text, kSection, kKey);

    const QByteArray written = IniText::withValue(text, kSection, kKey, value);
    check(IniText::value(written, kSection, kKey) == value);
    check(IniText::value(written, kSection, QStringLiteral("Other")) == otherKey);
    check(IniText::value(written, QStringLiteral("Elsewhere"), kKey) == otherSection);
    check(IniText::withValue(written, kSection, kKey, value) == written);

    // What the write took away lies within one line: the bytes before and after it are the file's own.
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(text.size(), written.size());
    while (prefix < shorter && text[prefix] == written[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && text[text.size() - 1 - suffix] == written[written.size() - 1 - suffix])
        ++suffix;
    const QByteArrayView removed = QByteArrayView(text).sliced(prefix, text.size() - prefix - suffix);
    check(!removed.contains('\n'));
    return 0;
}
