#include "ListingChecks.h"

#include "FindOracle.h"

QStringList linesUnder(const QString& folder, const QStringList& names)
{
    QStringList lines;
    for (const QString& name : names)
        lines.append(folder + QChar(u'/') + name);
    return sorted(lines);
}

QStringList enumerationOrder(const QString& folder)
{
    // find reads the folder as the kernel hands its entries out, the order the command meets them in.
    QStringList names;
    for (const QByteArray& name : findPaths({folder, QStringLiteral("-mindepth"), QStringLiteral("1"),
                                             QStringLiteral("-maxdepth"), QStringLiteral("1"), QStringLiteral("-type"),
                                             QStringLiteral("f"), QStringLiteral("-printf"), QStringLiteral("%f\\0")}))
        names.append(QString::fromUtf8(name));
    return names;
}
