#include "ListingChecks.h"

#include <QProcess>

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

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
    QProcess find;
    find.start(QStringLiteral("find"), {folder, QStringLiteral("-mindepth"), QStringLiteral("1"),
                                        QStringLiteral("-maxdepth"), QStringLiteral("1"), QStringLiteral("-type"),
                                        QStringLiteral("f"), QStringLiteral("-printf"), QStringLiteral("%f\\n")});
    if (!find.waitForFinished(60000) || find.exitCode() != 0)
        return {QStringLiteral("(find failed)")};
    return QString::fromUtf8(find.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}
