// Saving over files of every kind of ownership, as an ordinary user would meet them on a real kernel: what
// may not be written is refused and stays, what can be replaced without loss is replaced, anything else is
// written where it stands. The save itself runs in a child of this program as uid 65534.
#include "TestTree.h"
#include "platform/posix/PosixFileSystem.h"

#include <QProcess>
#include <QtTest>

#include <cstdio>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kUser = 65534;

enum class Outcome { Replaced, InPlace, Refused };

// The new content of `size` bytes, as the child writes it and the parent expects it.
QByteArray newContent(int size)
{
    QByteArray content;
    for (int line = 0; content.size() < size; ++line)
        content += "/srv/results/" + QByteArray::number(line) + ".txt\r\n";
    return content.left(size);
}

// The child: saves `size` bytes to `path` as a save does (open, reserve, write, commit). Exit 0 when saved,
// 3 when refused before anything was written, 4 when a later step failed.
int saveAsChild(const char* path, int size)
{
    PosixFileSystem files;
    const QByteArray content = newContent(size);
    std::unique_ptr<SaveTarget> target;
    try {
        target = files.openSave(QFile::decodeName(path));
        target->reserve(content.size());
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", qPrintable(failure.description()));
        return 3;
    }
    try {
        if (target->device().write(content) != content.size())
            throw Failure(target->device().errorString());
        target->commit();
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", qPrintable(failure.description()));
        return 4;
    }
    return 0;
}

void hand(const QString& path, uid_t owner, mode_t mode)
{
    const QByteArray name = QFile::encodeName(path);
    QVERIFY(::chown(name.constData(), owner, owner) == 0);
    QVERIFY(::chmod(name.constData(), mode) == 0);
}

struct stat statOf(const QString& path)
{
    struct stat info
    {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}

bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool ok =
        process.waitForFinished() && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (output)
        *output = process.readAllStandardOutput();
    return ok;
}

} // namespace

class TestSaveAsUser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void targetSituations_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("asUser");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<uint>("owner");
        QTest::addColumn<uint>("mode");
        QTest::addColumn<int>("links");
        const int replaced = int(Outcome::Replaced), inPlace = int(Outcome::InPlace), refused = int(Outcome::Refused);
        QTest::newRow("own file in own folder") << "own" << true << replaced << uint(kUser) << 0640u << 1;
        QTest::newRow("own read-only file") << "read-only" << true << refused << uint(kUser) << 0444u << 1;
        QTest::newRow("writable file in root's 0755 folder")
            << "root folder" << true << inPlace << uint(kUser) << 0644u << 1;
        QTest::newRow("root's 0666 file in a 1777 folder") << "sticky" << true << inPlace << 0u << 0666u << 1;
        QTest::newRow("file with two links") << "two links" << true << inPlace << uint(kUser) << 0644u << 2;
        QTest::newRow("file with an ACL") << "acl" << true << replaced << uint(kUser) << 0664u << 1;
        QTest::newRow("file with a user attribute") << "xattr" << true << replaced << uint(kUser) << 0644u << 1;
        QTest::newRow("full small tmpfs") << "full" << true << refused << uint(kUser) << 0644u << 1;
        QTest::newRow("root and another user's read-only file")
            << "read-only" << false << replaced << uint(kUser) << 0444u << 1;
        QTest::newRow("root and an immutable file") << "immutable" << false << refused << uint(kUser) << 0644u << 1;
    }
    void targetSituations()
    {
        QFETCH(QString, situation);
        QFETCH(bool, asUser);
        QFETCH(int, outcome);
        QFETCH(uint, owner);
        QFETCH(uint, mode);
        QFETCH(int, links);
        if (::geteuid() != 0)
            QSKIP("handing folders to another user needs root");
        const QByteArray old = "old line\r\n";
        const int size = situation == QLatin1String("full") ? 100000 : 3000;
        TestTree tree;
        hand(tree.path(), 0, 0755);
        tree.folder(QStringLiteral("in"));
        const QString folder = tree.path(QStringLiteral("in"));
        const QString path = tree.path(QStringLiteral("in/results.txt"));
        const QByteArray name = QFile::encodeName(path);
        struct Unmount
        {
            QByteArray at;
            ~Unmount()
            {
                if (!at.isEmpty())
                    ::umount2(at.constData(), MNT_DETACH);
            }
        } unmount;
        if (situation == QLatin1String("full")) {
            QVERIFY2(::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k,mode=0755") == 0,
                     std::strerror(errno));
            unmount.at = QFile::encodeName(folder);
        }
        hand(folder, situation == QLatin1String("root folder") || situation == QLatin1String("full") ? 0 : kUser,
             situation == QLatin1String("sticky") ? 01777 : 0755);
        tree.file(QStringLiteral("in/results.txt"), old);
        hand(path, owner, situation == QLatin1String("acl") ? 0644 : mode); // the ACL's mask adds group write
        if (situation == QLatin1String("two links"))
            QVERIFY(::link(name.constData(), QFile::encodeName(tree.path(QStringLiteral("other"))).constData()) == 0);
        if (situation == QLatin1String("acl"))
            QVERIFY(run(QStringLiteral("setfacl"), {QStringLiteral("-m"), QStringLiteral("u:root:rw"), path}));
        if (situation == QLatin1String("xattr"))
            QVERIFY(run(QStringLiteral("setfattr"), {QStringLiteral("-n"), QStringLiteral("user.origin"),
                                                     QStringLiteral("-v"), QStringLiteral("kept"), path}));
        if (situation == QLatin1String("immutable"))
            QVERIFY(run(QStringLiteral("chattr"), {QStringLiteral("+i"), path}));
        if (situation == QLatin1String("full")) {
            QFile filler(tree.path(QStringLiteral("in/filler")));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(4096, 'f')) == 4096 && filler.flush()) {
            }
        }
        const struct stat before = statOf(path);

        QStringList arguments{QCoreApplication::applicationFilePath(), QStringLiteral("--save"), path,
                              QString::number(size)};
        if (asUser)
            arguments = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                    QStringLiteral("--clear-groups")} +
                        arguments;
        QProcess child;
        child.start(asUser ? QStringLiteral("setpriv") : arguments.takeFirst(), arguments);
        QVERIFY(child.waitForFinished());
        const QByteArray why = child.readAllStandardError();
        if (situation == QLatin1String("immutable"))
            run(QStringLiteral("chattr"), {QStringLiteral("-i"), path});

        const struct stat after = statOf(path);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(child.exitCode(), outcome == int(Outcome::Refused) ? 3 : 0);
        QCOMPARE(saved.readAll(), outcome == int(Outcome::Refused) ? old : newContent(size));
        QCOMPARE(after.st_ino != before.st_ino, outcome == int(Outcome::Replaced));
        QCOMPARE(uint(after.st_uid), owner);
        QCOMPARE(uint(after.st_mode & 07777), mode);
        QCOMPARE(int(after.st_nlink), links);
        if (outcome == int(Outcome::Refused)) // the kernel's own words
            QVERIFY2(why.contains(situation == QLatin1String("full") ? "No space left on device"
                                  : asUser                           ? "Permission denied"
                                                                     : "Operation not permitted"),
                     why.constData());
        QByteArray kept;
        if (situation == QLatin1String("acl")) {
            QVERIFY(run(QStringLiteral("getfacl"), {QStringLiteral("-c"), path}, &kept));
            QVERIFY2(kept.contains("user:root:rw-"), kept.constData());
        }
        if (situation == QLatin1String("xattr")) {
            QVERIFY(run(QStringLiteral("getfattr"),
                        {QStringLiteral("--only-values"), QStringLiteral("-n"), QStringLiteral("user.origin"), path},
                        &kept));
            QCOMPARE(kept, QByteArray("kept"));
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(),
                 situation == QLatin1String("full") ? 2 : 1); // no temporary left
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--save") == 0)
        return saveAsChild(argv[2], std::atoi(argv[3]));
    QCoreApplication app(argc, argv);
    TestSaveAsUser test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_save_as_user.moc"
