#include "BenchTree.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A small deterministic generator (splitmix64).
class Random
{
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % std::uint64_t(n)); }

private:
    std::uint64_t m_state;
};

const char* const kExtensions[] = {".txt", ".TXT", ".Txt", ".jpg", ".png", ".doc", ".tar.gz", ".cpp",
                                   ".h",   ".md",  ".log", ".pdf", "",     ".csv", ".xml",    ".json"};
const char* const kWords[] = {"report", "Holiday", "budget", "scan", "Notes",     "draft",
                              "photo",  "Invoice", "backup", "data", "Übersicht", "café",
                              "résumé", "日本語",  "final",  "copy", "Projekt",   "map"};

QByteArray fileName(Random& random, int index)
{
    QByteArray name;
    const int roll = random.below(1000);
    if (roll < 5)
        name += '~';
    else if (roll < 15)
        name += '.';
    const int length = 20 + random.below(21);
    while (name.size() < length - 8) {
        name += kWords[random.below(int(std::size(kWords)))];
        name += random.below(3) == 0 ? ' ' : '_';
    }
    name += QByteArray::number(index);
    name += kExtensions[random.below(int(std::size(kExtensions)))];
    return name;
}

QByteArray folderName(Random& random, int index)
{
    QByteArray name = kWords[random.below(int(std::size(kWords)))];
    name += '-';
    name += QByteArray::number(index);
    return name;
}

bool fail(QString* error, const QByteArray& path)
{
    *error = QStringLiteral("%1: %2").arg(QString::fromUtf8(path), QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

} // namespace

bool makeTree(const QString& top, const TreeShape& shape, QString* error)
{
    const QByteArray root = QFile::encodeName(top);
    // Beside the tree, not in it: what the tree was made with.
    QFile stamp(top + QStringLiteral(".made"));
    const QByteArray made = QByteArray::number(shape.files) + ' ' + QByteArray::number(shape.folders) + ' ' +
                            QByteArray::number(shape.fanOut) + '\n';
    if (stamp.open(QIODevice::ReadOnly) && stamp.readAll() == made && QDir(top).exists())
        return true;
    stamp.close();
    if (QDir(top).exists() && !QDir(top).removeRecursively()) {
        *error = QStringLiteral("cannot clear %1").arg(top);
        return false;
    }
    if (!QDir().mkpath(top))
        return fail(error, root);

    Random random(20261208);
    std::vector<QByteArray> paths{root};
    paths.reserve(std::size_t(shape.folders));
    for (std::size_t parent = 0; int(paths.size()) < shape.folders; ++parent)
        for (int child = 0; child < shape.fanOut && int(paths.size()) < shape.folders; ++child) {
            QByteArray path = paths[parent] + '/' + folderName(random, int(paths.size()));
            if (::mkdir(path.constData(), 0755) != 0)
                return fail(error, path);
            paths.push_back(std::move(path));
        }

    int index = 0;
    for (std::size_t folder = 0; folder < paths.size(); ++folder) {
        const int share = shape.files / shape.folders + (int(folder) < shape.files % shape.folders ? 1 : 0);
        for (int i = 0; i < share; ++i, ++index) {
            const QByteArray path = paths[folder] + '/' + fileName(random, index);
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd < 0)
                return fail(error, path);
            ::close(fd);
        }
    }
    if (!stamp.open(QIODevice::WriteOnly) || stamp.write(made) != made.size())
        return fail(error, QFile::encodeName(stamp.fileName()));
    return true;
}
