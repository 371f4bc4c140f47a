#include "folders/UnsafeNames.h"

#include "base/Utf8.h"

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
    if (!Utf8::isValid(std::string_view(rawName.constData(), std::size_t(rawName.size()))))
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
