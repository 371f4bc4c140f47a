// Replacing a file on disk: only a finished save takes the target's place, whatever the target is; and the
// lines of the results file as they reach a device.
#include "FailingDevice.h"
#include "TestTree.h"
#include "platform/posix/PosixFileSystem.h"
#include "results/ResultsFile.h"

#include <QBuffer>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Whether the whole content was saved in place of the path; the failure, if any, is logged.
bool save(FileSystem& files, const QString& path, const QByteArray& content)
{
    try {
        std::unique_ptr<SaveTarget> target = files.openSave(path);
        if (target->device().write(content) != content.size())
            return false;
        target->commit();
        return true;
    } catch (const Failure& failure) {
        qWarning("save failed: %s", qPrintable(failure.description()));
        return false;
    }
}

mode_t modeOf(const QString& path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

} // namespace

class TestSaveTarget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void longNamesAreReplacedInPlace_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("249 bytes") << 249;
        QTest::newRow("250 bytes") << 250;
        QTest::newRow("255 bytes, the most a name may have") << 255;
    }
    void longNamesAreReplacedInPlace()
    {
        QFETCH(int, length);
        TestTree tree;
        const QString name = QString(length - 4, QChar(u'n')) + QStringLiteral(".txt");
        tree.file(name, "old\r\n");
        PosixFileSystem files;
        QVERIFY(save(files, tree.path(name), "new\r\n"));
        QCOMPARE(tree.read(name), QByteArray("new\r\n"));
        QCOMPARE(namesIn(tree.path()), QStringList{name});
    }

    void targetsThatCannotBeMadeAreRefusedAtOpen_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("description");
        QTest::newRow("a name of 256 bytes") << QString(256, QChar(u'n')) << "File name too long";
        QTest::newRow("a folder that does not exist") << "missing/results.txt"
                                                      << "No such file or directory";
        QTest::newRow("a folder") << "folder"
                                  << "Is a directory";
        QTest::newRow("a path ending in a separator") << "results.txt/"
                                                      << "Is a directory";
        QTest::newRow("a FIFO nobody reads") << "pipe"
                                             << "No such device or address";
        QTest::newRow("a link loop") << "loop"
                                     << "Too many levels of symbolic links";
    }
    void targetsThatCannotBeMadeAreRefusedAtOpen()
    {
        QFETCH(QString, relative);
        QFETCH(QString, description);
        TestTree tree;
        tree.folder(QStringLiteral("folder"));
        tree.fifo(QStringLiteral("pipe"));
        tree.link(QStringLiteral("loop"), QStringLiteral("loop"));
        const QStringList before = namesIn(tree.path());
        PosixFileSystem files;
        try {
            files.openSave(tree.path(relative));
            QFAIL("the target opened");
        } catch (const Failure& failure) {
            QCOMPARE(failure.description(), description);
        }
        QCOMPARE(namesIn(tree.path()), before);
        QVERIFY(S_ISFIFO(modeOf(tree.path(QStringLiteral("pipe")))));
    }

    void aLinkIsWrittenThroughAndStays_data()
    {
        QTest::addColumn<QString>("linkTarget"); // relative to the link's folder, or absolute when it starts "/"
        QTest::addColumn<QString>("file");       // the file that takes the content, relative to the tree
        QTest::newRow("a relative link") << "real.txt"
                                         << "real.txt";
        QTest::newRow("a link into another folder") << "../other/real.txt"
                                                    << "other/real.txt";
        QTest::newRow("a link to a link") << "second"
                                          << "real.txt";
        QTest::newRow("a link to a file not made yet") << "later.txt"
                                                       << "later.txt";
    }
    void aLinkIsWrittenThroughAndStays()
    {
        QFETCH(QString, linkTarget);
        QFETCH(QString, file);
        TestTree tree;
        tree.file(QStringLiteral("real.txt"), "old\r\n");
        tree.file(QStringLiteral("other/real.txt"), "old\r\n");
        tree.link(QStringLiteral("second"), QStringLiteral("real.txt"));
        tree.link(QStringLiteral("links/results.txt"), linkTarget);
        if (linkTarget == QLatin1String("real.txt") || linkTarget == QLatin1String("second") ||
            linkTarget == QLatin1String("later.txt")) {
            tree.remove(QStringLiteral("links/results.txt"));
            tree.link(QStringLiteral("results.txt"), linkTarget);
        }
        const QString linkPath =
            tree.path(linkTarget.startsWith(QLatin1String("..")) ? "links/results.txt" : "results.txt");
        PosixFileSystem files;
        QVERIFY(save(files, linkPath, "new\r\n"));
        QVERIFY(S_ISLNK(modeOf(linkPath)));
        QCOMPARE(tree.read(file), QByteArray("new\r\n"));
        char stored[4096] = {};
        const ssize_t length = ::readlink(QFile::encodeName(linkPath).constData(), stored, sizeof stored - 1);
        QCOMPARE(QString::fromUtf8(stored, int(length)), linkTarget); // the link itself is not rewritten
    }

    void theOldFilesModeIsKept_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("0644") << 0644;
        QTest::newRow("0600") << 0600;
        QTest::newRow("0755") << 0755;
        QTest::newRow("0444, read-only to all") << 0444;
    }
    void theOldFilesModeIsKept()
    {
        QFETCH(int, mode);
        TestTree tree;
        tree.file(QStringLiteral("results.txt"), "old\r\n");
        const QString path = tree.path(QStringLiteral("results.txt"));
        ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
        PosixFileSystem files;
        QVERIFY(save(files, path, "new\r\n"));
        QCOMPARE(int(modeOf(path) & 07777), mode);
        QCOMPARE(tree.read(QStringLiteral("results.txt")), QByteArray("new\r\n"));
    }

    void aNewFileTakesTheUsualMode()
    {
        TestTree tree;
        const mode_t mask = ::umask(022);
        PosixFileSystem files;
        QVERIFY(save(files, tree.path(QStringLiteral("new.txt")), "x\r\n"));
        ::umask(mask);
        QCOMPARE(int(modeOf(tree.path(QStringLiteral("new.txt"))) & 07777), 0644);
    }

    void anUncommittedSaveLeavesNothingBehind_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::newRow("over an old file") << true;
        QTest::newRow("to a new name") << false;
    }
    void anUncommittedSaveLeavesNothingBehind()
    {
        QFETCH(bool, existing);
        TestTree tree;
        if (existing)
            tree.file(QStringLiteral("results.txt"), "old\r\n");
        const QStringList before = namesIn(tree.path());
        PosixFileSystem files;
        {
            std::unique_ptr<SaveTarget> target = files.openSave(tree.path(QStringLiteral("results.txt")));
            target->device().write("half a li");
            // The new file has no name yet: a listing meanwhile sees only what was there.
            QCOMPARE(namesIn(tree.path()), before);
        }
        QCOMPARE(namesIn(tree.path()), before);
        if (existing)
            QCOMPARE(tree.read(QStringLiteral("results.txt")), QByteArray("old\r\n"));
    }

    void aFifoWithAReaderIsWrittenAndStaysAFifo()
    {
        TestTree tree;
        tree.fifo(QStringLiteral("pipe"));
        const QString path = tree.path(QStringLiteral("pipe"));
        const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        PosixFileSystem files;
        QVERIFY(save(files, path, "a\r\nb\r\n"));
        char buffer[64] = {};
        const ssize_t got = ::read(reader, buffer, sizeof buffer);
        ::close(reader);
        QCOMPARE(QByteArray(buffer, int(got)), QByteArray("a\r\nb\r\n"));
        QVERIFY(S_ISFIFO(modeOf(path)));
        QCOMPARE(namesIn(tree.path()), QStringList{QStringLiteral("pipe")});
    }

    // A node of its own, never the system's: a save that replaced it would break the machine.
    void aDeviceIsWrittenAndStaysADevice()
    {
        TestTree tree;
        const QString path = tree.path(QStringLiteral("null"));
        if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("no device node can be made here (needs root)");
        PosixFileSystem files;
        QVERIFY(save(files, path, "a\r\n"));
        QVERIFY(S_ISCHR(modeOf(path)));
        QCOMPARE(namesIn(tree.path()), QStringList{QStringLiteral("null")});
    }

    void theWriterGivesExactBytesAcrossBlocks_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("bytes");
        auto joined = [](const QStringList& lines) {
            QByteArray bytes;
            for (const QString& line : lines)
                bytes += line.toUtf8() + "\r\n";
            return bytes;
        };
        QTest::newRow("no lines") << QStringList{} << QByteArray();
        QTest::newRow("one empty line") << QStringList{QString()} << QByteArray("\r\n");
        const QStringList huge{QStringLiteral("a"), QString(ResultsFileWriter::kBlockSize + 7, QChar(u'\u00e9')),
                               QStringLiteral("z")};
        QTest::newRow("a line longer than a block") << huge << joined(huge);
        QStringList many;
        for (int i = 0; i < 40000; ++i)
            many.append(QStringLiteral("/folder %1/name \u00fc.txt ").arg(i));
        QTest::newRow("many lines over several blocks") << many << joined(many);
        // A high surrogate without its partner is replaced where it stands, not paired with the next line.
        QTest::newRow("a lone surrogate ends its own line")
            << QStringList{QString(QChar(0xd800)), QStringLiteral("\U0001F600")}
            << QByteArray("\xef\xbf\xbd\r\n\xf0\x9f\x98\x80\r\n");
    }
    void theWriterGivesExactBytesAcrossBlocks()
    {
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, bytes);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ResultsFileWriter writer(buffer);
        for (const QString& line : lines)
            writer.writeLine(line);
        writer.flush();
        QCOMPARE(buffer.data().size(), bytes.size());
        QVERIFY(buffer.data() == bytes);
    }

    void aFailingDeviceFailsTheWriteWithItsOwnWords()
    {
        FailingDevice device(100);
        ResultsFileWriter writer(device);
        bool failed = false;
        try {
            for (int i = 0; i < 100000; ++i)
                writer.writeLine(QStringLiteral("/some/longer/path/%1.txt").arg(i));
            writer.flush();
        } catch (const Failure& failure) {
            failed = true;
            QCOMPARE(failure.description(), QStringLiteral("No space left on device"));
        }
        QVERIFY(failed);
        QVERIFY(device.taken().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSaveTarget)
#include "test_save_target.moc"
