// The unsafe-name rule on raw bytes agrees with the rule on text for valid UTF-8, and calls every name
// that is not valid UTF-8 unsafe.
#include "folders/UnsafeNames.h"

#include <QUtf8StringView>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray raw(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool valid = QUtf8StringView(raw.constData(), raw.size()).isValidUtf8();
    const bool unsafe = HasUnsafeNameChars(raw);
    if (!valid) {
        if (!unsafe)
            std::abort();
        return 0;
    }
    if (unsafe != HasUnsafeNameChars(QString::fromUtf8(raw)))
        std::abort();
    return 0;
}
