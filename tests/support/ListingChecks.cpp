#include "ListingChecks.h"

#include "listing/CreateList.h"

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
    PosixFileSystem files;
    const NameList names = ListFilesInFolder(files, folder, QStringLiteral("*.*"));
    QStringList order;
    for (int i = 0; i < names.count(); ++i)
        order.append(QString::fromUtf8(names.at(i).data(), qsizetype(names.at(i).size())));
    return order;
}
