// The listing's fast extension test agrees with the rule itself, the key of the whole line lower-cased, for
// any folder prefix, name and filter.
#include "listing/ExtensionKey.h"
#include "listing/FileFilter.h"

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

    const QString filter = QString::fromUtf8(filterBytes.data(), qsizetype(filterBytes.size()));
    QByteArray line(prefix.data(), qsizetype(prefix.size()));
    line.append(name.data(), qsizetype(name.size()));
    const QString key = ExtensionKey(QString::fromUtf8(line));
    FileFilter given;
    given.read(filter);
    if (given.matchesExtension(prefix, name) != (key.toLower() == filter.toLower()))
        std::abort();
    // Whatever filter was read before, the key of the line itself, read next, always matches it.
    given.read(key);
    if (!given.matchesExtension(prefix, name))
        std::abort();
    return 0;
}
