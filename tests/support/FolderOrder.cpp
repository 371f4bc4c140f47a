#include "FolderOrder.h"

#include <QFile>
#include <QHash>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

QStringList breadthFirstFolders(const QString& top)
{
    QStringList order{top + QChar(u'/')};
    for (qsizetype next = 0; next < order.size(); ++next) {
        const QByteArray folder = QFile::encodeName(order.at(next));
        struct stat self;
        if (::lstat(folder.chopped(folder.size() > 1 ? 1 : 0).constData(), &self) != 0 ||
            (next > 0 && S_ISLNK(self.st_mode)))
            continue;
        DIR* dir = ::opendir(folder.constData());
        if (!dir)
            continue;
        while (dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            struct stat info;
            if (::stat((folder + name).constData(), &info) == 0 && S_ISDIR(info.st_mode))
                order.append(QString::fromUtf8(folder + name) + QChar(u'/'));
        }
        ::closedir(dir);
    }
    return order;
}

QStringList inOrderOf(const QStringList& entries, const QStringList& order)
{
    QHash<QString, qsizetype> rank;
    for (qsizetype i = 0; i < order.size(); ++i)
        rank.insert(order.at(i), i);
    QStringList sorted = entries;
    std::stable_sort(sorted.begin(), sorted.end(), [&](const QString& a, const QString& b) {
        return rank.value(a, order.size()) < rank.value(b, order.size());
    });
    return sorted;
}
