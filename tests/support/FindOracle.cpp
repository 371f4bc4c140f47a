#include "FindOracle.h"

#include <QProcess>

QList<QByteArray> findPaths(const QStringList& arguments, bool complaintsAllowed)
{
    QProcess find;
    find.start(QStringLiteral("find"), arguments);
    // No time limit of its own: a slow share may take long, and the test's own limit stops a hang.
    const bool finished = find.waitForFinished(-1) && find.exitStatus() == QProcess::NormalExit;
    if (!finished || (find.exitCode() != 0 && !complaintsAllowed))
        return {"find failed: " + find.readAllStandardError()};
    QList<QByteArray> paths = find.readAllStandardOutput().split('\0');
    paths.removeAll(QByteArray());
    return paths;
}

QStringList findListedFiles(const QString& top, int maxDepth, const QString& filter, bool complaintsAllowed)
{
    QStringList arguments{top};
    if (maxDepth > 0)
        arguments << QStringLiteral("-maxdepth") << QString::number(maxDepth);
    // A link counts by what it leads to: not a folder, and something.
    arguments += QStringList{"!", "-type", "d", "!", "-xtype", "d", "!", "-xtype", "l", "!", "-name", "~*"};
    if (filter != QLatin1String("*"))
        arguments << QStringLiteral("-iname") << QStringLiteral("*.") + filter;
    QStringList files;
    for (const QByteArray& path : findPaths(arguments << QStringLiteral("-print0"), complaintsAllowed))
        files.append(QString::fromUtf8(path));
    return files;
}

QStringList findFolders(const QString& top)
{
    QStringList folders;
    for (const QByteArray& path :
         findPaths({QStringLiteral("-H"), top, QStringLiteral("-type"), QStringLiteral("d"), QStringLiteral("-print0")},
                   /*complaintsAllowed*/ true)) {
        const QString text = QString::fromUtf8(path);
        if (text.toUtf8() == path)
            folders.append(text + QChar(u'/'));
    }
    return folders;
}
