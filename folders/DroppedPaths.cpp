#include "folders/DroppedPaths.h"

#include "base/Utf8.h"

namespace {

// The path of one file: URI, or nothing when the URI is not one the program takes.
std::optional<QString> localPath(const QByteArray& uri, PathStyle style)
{
    if (!uri.first(std::min<qsizetype>(5, uri.size())).toLower().startsWith("file:"))
        return std::nullopt;
    QByteArray rest = uri.sliced(5);
    QByteArray host;
    if (rest.startsWith("//")) {
        const qsizetype slash = rest.indexOf('/', 2);
        host = QByteArray::fromPercentEncoding(rest.mid(2, slash < 0 ? -1 : slash - 2)).toLower();
        rest = slash < 0 ? QByteArray() : rest.sliced(slash);
    }
    // A path that does not start at the root ("file:notes") would be taken in the working folder.
    if (!rest.startsWith('/') || rest.contains('?') || rest.contains('#'))
        return std::nullopt;
    const QByteArray bytes = QByteArray::fromPercentEncoding(rest);
    if (bytes.contains('\0') || !Utf8::isValid(std::string_view(bytes.constData(), std::size_t(bytes.size()))))
        return std::nullopt;
    QString path = QString::fromUtf8(bytes);
    if (style == PathStyle::Windows) {
        // file:///C:/Users is C:\Users; file://server/share is the share \\server\share.
        if (!host.isEmpty() && host != "localhost")
            path.prepend(QStringLiteral("//") + QString::fromUtf8(host));
        else if (path.size() >= 3 && path[0] == u'/' && path[1].isLetter() && path[2] == u':')
            path.remove(0, 1);
        else
            return std::nullopt;
        path.replace(u'/', u'\\');
    } else if (!host.isEmpty() && host != "localhost") {
        return std::nullopt;
    }
    // The root keeps its separator ("/", "C:\"); any other path ends without one.
    const QChar sep = separator(style);
    const qsizetype root = style == PathStyle::Windows && path.size() >= 2 && path[1] == u':' ? 3 : 1;
    while (path.size() > root && path.endsWith(sep))
        path.chop(1);
    return path;
}

} // namespace

std::optional<QStringList> droppedPaths(const QByteArray& uriList, PathStyle style)
{
    QStringList paths;
    for (QByteArray line : uriList.split('\n')) {
        line = line.trimmed(); // lines end in CR LF; some senders give LF alone
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        std::optional<QString> path = localPath(line, style);
        if (!path)
            return std::nullopt;
        paths.append(std::move(*path));
    }
    if (paths.isEmpty())
        return std::nullopt;
    return paths;
}
