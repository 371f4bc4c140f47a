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
