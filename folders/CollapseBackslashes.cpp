#include "folders/CollapseBackslashes.h"

namespace {
QString foldDoubled(QString path, QChar separator)
{
    const QString doubled(2, separator);
    return path.replace(doubled, QString(separator));
}
} // namespace

QString CollapseBackslashes(const QString& path, PathStyle style)
{
    const QChar sep = separator(style);
    if (style != PathStyle::Windows || !path.startsWith(sep))
        return foldDoubled(path, sep);
    qsizetype rest = 1;
    while (rest < path.size() && path.at(rest) == sep)
        ++rest;
    return QString(2, sep) + foldDoubled(path.mid(rest), sep);
}
