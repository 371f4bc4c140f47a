// Folding separators under both path styles: never grows a path, leaves no doubled separator after the
// network prefix unless the input had a run of three or more, and is idempotent on runs of at most two.
#include "folders/CollapseBackslashes.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (PathStyle style : {PathStyle::Posix, PathStyle::Windows}) {
        const QString folded = CollapseBackslashes(path, style);
        const QChar sep = separator(style);
        const bool network = style == PathStyle::Windows && path.startsWith(sep);
        // Only the network prefix may add characters: a lone leading "\" becomes "\\".
        if (folded.size() > path.size() + (network ? 1 : 0))
            std::abort();
        if (network && !folded.startsWith(QString(2, sep)))
            std::abort();
        const QString tripled(3, sep);
        if (!path.contains(tripled) && folded.mid(network ? 2 : 0).contains(QString(2, sep)))
            std::abort();
        // Everything but separators survives, in order.
        QString kept = path, keptFolded = folded;
        kept.remove(sep);
        keptFolded.remove(sep);
        if (kept != keptFolded)
            std::abort();
    }
    return 0;
}
