#include "folders/UnsafeNames.h"

#include <QUtf8StringView>

namespace {

bool isUnsafeCode(char32_t code)
{
    return code < 32 || (code >= 127 && code <= 159) || code == U'?';
}

} // namespace

bool HasUnsafeNameChars(const QString& name)
{
    for (const QChar c : name)
        if (isUnsafeCode(c.unicode()))
            return true;
    return false;
}

bool HasUnsafeNameChars(const QByteArray& rawName)
{
    bool ascii = true;
    for (const char c : rawName)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (!ascii && !QUtf8StringView(rawName.data(), rawName.size()).isValidUtf8())
        return true;
    // In valid UTF-8 the unsafe codes below 128 are single bytes, and those from 128 to 159 are 0xC2 followed
    // by 0x80 to 0x9F; every other byte belongs to an accepted character.
    for (qsizetype i = 0; i < rawName.size(); ++i) {
        const auto byte = static_cast<unsigned char>(rawName[i]);
        if (byte < 0x80 && isUnsafeCode(byte))
            return true;
        if (byte == 0xC2 && i + 1 < rawName.size() && static_cast<unsigned char>(rawName[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}
