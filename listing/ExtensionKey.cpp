#include "listing/ExtensionKey.h"

QString ExtensionKey(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot >= 1 ? path.mid(dot + 1) : path;
}
