// The listing's fast extension test agrees with the rule itself, the key of the whole line lower-cased, for
// any folder prefix, name and filter.
#include "listing/ExtensionKey.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The input is prefix, NUL, name, NUL, filter; missing parts are empty.
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t first = std::min(input.find('\0'), input.size());
    const std::string_view prefix = input.substr(0, first);
    const std::string_view rest = input.substr(std::min(first + 1, input.size()));
    const std::size_t second = std::min(rest.find('\0'), rest.size());
    const std::string_view name = rest.substr(0, second);
    const std::string_view filterBytes = rest.substr(std::min(second + 1, rest.size()));

    const QString filter = QString::fromUtf8(filterBytes.data(), qsizetype(filterBytes.size())).toLower();
    QByteArray line(prefix.data(), qsizetype(prefix.size()));
    line.append(name.data(), qsizetype(name.size()));
    const bool byRule = ExtensionKey(QString::fromUtf8(line)).toLower() == filter;
    if (extensionMatches(prefix, name, filter) != byRule)
        std::abort();
    // Whatever filter is given, the key of a line itself always matches it.
    const QString ownKey = ExtensionKey(QString::fromUtf8(line)).toLower();
    if (!extensionMatches(prefix, name, ownKey))
        std::abort();
    return 0;
}
