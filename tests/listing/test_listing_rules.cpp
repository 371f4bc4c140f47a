// The pure rules of the file listing: extension key, filter comparison, folder path, name pattern, and one
// folder's name list over the real file system.
#include "TestTree.h"
#include "listing/CreateList.h"
#include "platform/posix/PosixFileSystem.h"

#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

QStringList namesOf(const NameList& list)
{
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
        names.append(QString::fromUtf8(list.at(i).data(), qsizetype(list.at(i).size())));
    names.sort();
    return names;
}

// A file whose name is not UTF-8, removed again by name: the temporary folder's own cleanup cannot see it.
class RawName
{
public:
    RawName(const QString& folder, const QByteArray& name) : m_path(QFile::encodeName(folder) + '/' + name)
    {
        const int fd = ::open(m_path.constData(), O_WRONLY | O_CREAT, 0644);
        if (fd >= 0)
            ::close(fd);
    }
    ~RawName() { ::unlink(m_path.constData()); }

private:
    QByteArray m_path;
};

} // namespace

class TestListingRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void extensionKeyIsTheTextAfterTheLastDotOfTheWholeLine_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("key");
        QTest::newRow("extension") << "C:\\Data\\Report.TXT"
                                   << "TXT";
        QTest::newRow("last dot wins") << "C:\\Data\\archive.tar.gz"
                                       << "gz";
        QTest::newRow("dot file") << "C:\\Data\\.profile"
                                  << "profile";
        QTest::newRow("name ending in dot") << "C:\\Data\\name."
                                            << "";
        QTest::newRow("no dot: whole line") << "C:\\Data\\README"
                                            << "C:\\Data\\README";
        QTest::newRow("dot in the folder part") << "C:\\my.docs\\README"
                                                << "docs\\README";
        QTest::newRow("posix line") << "/home/u/notes.md"
                                    << "md";
        QTest::newRow("posix dot folder, plain name") << "/home/u/.config/README"
                                                      << "config/README";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("only a leading dot: whole line") << ".profile"
                                                        << ".profile";
        QTest::newRow("dot second") << "a.b"
                                    << "b";
        QTest::newRow("lone dot") << "."
                                  << ".";
        QTest::newRow("non-ASCII extension") << "/d/Straße.ÄÖ"
                                             << "ÄÖ";
    }
    void extensionKeyIsTheTextAfterTheLastDotOfTheWholeLine()
    {
        QFETCH(QString, path);
        QFETCH(QString, key);
        QCOMPARE(ExtensionKey(path), key);
    }

    // The filter read from the box, then asked about a line: "*" alone takes every file; any other text takes
    // the lines whose lower-cased key equals it lower-cased, also where the fast comparison takes a shortcut.
    void filterTakesWhatTheRuleTakes_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("same case") << "/d/"
                                   << "a.txt"
                                   << "txt" << true;
        QTest::newRow("upper key") << "/d/"
                                   << "B.TXT"
                                   << "txt" << true;
        QTest::newRow("upper filter") << "/d/"
                                      << "a.txt"
                                      << "TXT" << true;
        QTest::newRow("mixed case") << "/d/"
                                    << "c.tar.Txt"
                                    << "tXt" << true;
        QTest::newRow("last dot only") << "/d/"
                                       << "d.txt.bak"
                                       << "txt" << false;
        QTest::newRow("two-part filter") << "/d/"
                                         << "c.tar.gz"
                                         << "tar.gz" << false;
        QTest::newRow("filter with its dot") << "/d/"
                                             << "a.txt"
                                             << ".txt" << false;
        QTest::newRow("blank before") << "/d/"
                                      << "a.txt"
                                      << " txt" << false;
        QTest::newRow("blank after") << "/d/"
                                     << "a.txt"
                                     << "txt " << false;
        QTest::newRow("longer filter") << "/d/"
                                       << "a.tx"
                                       << "txt" << false;
        QTest::newRow("empty filter, name ending in dot") << "/d/"
                                                          << "name."
                                                          << "" << true;
        QTest::newRow("empty filter, ordinary name") << "/d/"
                                                     << "a.txt"
                                                     << "" << false;
        QTest::newRow("dot file") << "/d/"
                                  << ".profile"
                                  << "PROFILE" << true;
        QTest::newRow("non-ASCII key") << "/d/"
                                       << "notes.ÄÖ"
                                       << "äö" << true;
        QTest::newRow("non-ASCII key, other letters") << "/d/"
                                                      << "notes.ÄÖ"
                                                      << "ao" << false;
        QTest::newRow("Greek capitals") << "/d/"
                                        << "x.ΣΑΣ"
                                        << "σασ" << true;
        QTest::newRow("Kelvin sign filter lowers to k") << "/d/"
                                                        << "cold.k" << u8"\u212A" << true;
        QTest::newRow("ASCII key, non-ASCII filter") << "/d/"
                                                     << "a.txt"
                                                     << "tÿt" << false;
        QTest::newRow("dotted capital I lowers to two characters") << "/d/" << u8"x.\u0130" << u8"i\u0307" << true;
        QTest::newRow("no dot: whole line lower-cased") << "/Data/"
                                                        << "README"
                                                        << "/data/readme" << true;
        QTest::newRow("no dot: name alone") << "/Data/"
                                            << "README"
                                            << "readme" << false;
        QTest::newRow("no dot, dotted folder") << "/my.docs/"
                                               << "README"
                                               << "docs/readme" << true;
        QTest::newRow("no dot, dotted folder, plain filter") << "/my.docs/"
                                                             << "README"
                                                             << "readme" << false;
        QTest::newRow("no prefix, leading dot: whole line") << ""
                                                            << ".profile"
                                                            << ".profile" << true;
        QTest::newRow("no prefix, leading dot, extension") << ""
                                                           << ".profile"
                                                           << "profile" << false;
        QTest::newRow("star: a name without a dot") << "/d/" << "README" << "*" << true;
        QTest::newRow("star: a dot file") << "/d/" << ".profile" << "*" << true;
        QTest::newRow("star dot star is a key") << "/d/" << "a.txt" << "*.*" << false;
        QTest::newRow("star dot star, its own key") << "/d/" << "a.*.*" << "*.*" << false;
        QTest::newRow("two stars") << "/d/" << "a.txt" << "**" << false;
        QTest::newRow("star after a blank") << "/d/" << "a.txt" << " *" << false;
        QTest::newRow("star as the key") << "/d/" << "a.*" << "*" << true;
    }
    void filterTakesWhatTheRuleTakes()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(bool, accepted);
        if (filter != u"*")
            QCOMPARE(ExtensionKey(prefix + name).toLower() == filter.toLower(), accepted);
        const QByteArray p = prefix.toUtf8(), n = name.toUtf8();
        const std::string_view linePrefix(p.constData(), std::size_t(p.size())), lineName(n.constData(), std::size_t(n.size()));
        // The box as the listing reads it, once per name: another text before, then this one twice.
        FileFilter box;
        for (const QString& text : {QStringLiteral("Zz"), QStringLiteral("*"), filter, filter}) {
            box.read(text);
            if (text == filter)
                QCOMPARE(box.everyFile() || box.matchesExtension(linePrefix, lineName), accepted);
        }
    }

    void folderPathDropsOneTrailingSeparator_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("folder");
        const int windows = int(PathStyle::Windows), posix = int(PathStyle::Posix);
        QTest::newRow("windows, trailing") << windows << "C:\\Data\\"
                                           << "C:\\Data";
        QTest::newRow("windows, root") << windows << "C:\\"
                                       << "C:";
        QTest::newRow("windows, none") << windows << "D:\\Music"
                                       << "D:\\Music";
        QTest::newRow("windows, doubled: one goes") << windows << "C:\\Data\\\\"
                                                    << "C:\\Data\\";
        QTest::newRow("windows, slash stays") << windows << "C:/Data/"
                                              << "C:/Data/";
        QTest::newRow("posix, trailing") << posix << "/home/u/"
                                         << "/home/u";
        QTest::newRow("posix, none") << posix << "/home/u"
                                     << "/home/u";
        QTest::newRow("posix, root") << posix << "/"
                                     << "";
        QTest::newRow("posix, doubled: one goes") << posix << "/home//"
                                                  << "/home/";
        QTest::newRow("posix, backslash stays") << posix << "/home\\"
                                                << "/home\\";
        QTest::newRow("posix, blank kept") << posix << " /home/ "
                                           << " /home/ ";
    }
    void folderPathDropsOneTrailingSeparator()
    {
        QFETCH(int, style);
        QFETCH(QString, entry);
        QFETCH(QString, folder);
        QCOMPARE(folderPath(entry, PathStyle(style)), folder);
    }

    void emptyEntryHasNoFolderPath()
    {
        for (PathStyle style : {PathStyle::Posix, PathStyle::Windows})
            QVERIFY_THROWS_EXCEPTION(Failure, folderPath(QString(), style));
    }

    void namePatternMatches_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        QTest::newRow("*.* takes a name without dot") << "*.*"
                                                      << "README" << true;
        QTest::newRow("*.* takes a dot file") << "*.*"
                                              << ".profile" << true;
        QTest::newRow("* takes anything") << "*"
                                          << "name." << true;
        QTest::newRow("extension, other case") << "*.txt"
                                               << "A.TXT" << true;
        QTest::newRow("extension not last") << "*.txt"
                                            << "a.txt.bak" << false;
        QTest::newRow("question mark, one character") << "?.c"
                                                      << "x.c" << true;
        QTest::newRow("question mark, two characters") << "?.c"
                                                       << "xy.c" << false;
        QTest::newRow("stars between") << "a*b*c"
                                       << "aXXbYc" << true;
        QTest::newRow("stars between, missing end") << "a*b*c"
                                                    << "aXbY" << false;
        QTest::newRow("star backtracks") << "*ab"
                                         << "aab" << true;
        QTest::newRow("non-ASCII, other case") << "*.ä"
                                               << "x.Ä" << true;
        QTest::newRow("exact name") << "README"
                                    << "readme" << true;
    }
    void namePatternMatches()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, matches);
        const QByteArray utf8 = name.toUtf8();
        QCOMPARE(NamePattern(pattern).matches(std::string_view(utf8.constData(), std::size_t(utf8.size()))), matches);
    }

    void folderListingTakesFilesOnly_data()
    {
        QTest::addColumn<QString>("folder"); // relative to the tree
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("names");
        const QStringList files = {".hidden", "README", "a b.txt", "link.txt", "pipe", "~x.txt", "Ünï.txt"};
        QTest::newRow("without separator") << "f"
                                           << "*.*" << files;
        QTest::newRow("with separator") << "f/"
                                        << "*.*" << files;
        QTest::newRow("a pattern") << "f"
                                   << "*.TXT" << QStringList{"a b.txt", "link.txt", "~x.txt", "Ünï.txt"};
        QTest::newRow("missing folder") << "nothing"
                                        << "*.*" << QStringList();
        QTest::newRow("a file named as folder") << "f/README"
                                                << "*.*" << QStringList();
        QTest::newRow("folder of folders") << "f/sub.d"
                                           << "*.*" << QStringList{"deep.txt"};
    }
    void folderListingTakesFilesOnly()
    {
        QFETCH(QString, folder);
        QFETCH(QString, pattern);
        QFETCH(QStringList, names);
        TestTree tree({"f/.hidden", "f/a b.txt", "f/README", "f/~x.txt", "f/Ünï.txt", "f/sub.d/", "f/sub.d/deep.txt",
                       "f/sub.d/inner/", "f/link.txt -> README", "f/tosub -> sub.d", "f/dangling -> gone"});
        tree.fifo(QStringLiteral("f/pipe"));
        const RawName bad(tree.path(QStringLiteral("f")), "bad\xff.txt");
        PosixFileSystem files;
        QCOMPARE(namesOf(ListFilesInFolder(files, tree.path(folder), pattern)), names);
    }
};

QTEST_GUILESS_MAIN(TestListingRules)
#include "test_listing_rules.moc"
