// Folding doubled separators, under both path styles.
#include "folders/CollapseBackslashes.h"

#include <QtTest>

class TestCollapseBackslashes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void folds_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folded");
        const int windows = int(PathStyle::Windows), posix = int(PathStyle::Posix);
        QTest::newRow("drive root seed") << windows << "C:\\\\"
                                         << "C:\\";
        QTest::newRow("below a drive root") << windows << "C:\\\\Windows\\"
                                            << "C:\\Windows\\";
        QTest::newRow("nothing doubled") << windows << "D:\\a\\b\\"
                                         << "D:\\a\\b\\";
        QTest::newRow("network path") << windows << "\\\\srv\\share\\\\x\\"
                                      << "\\\\srv\\share\\x\\";
        QTest::newRow("one leading backslash") << windows << "\\x\\"
                                               << "\\\\x\\";
        QTest::newRow("a single backslash") << windows << "\\"
                                            << "\\\\";
        QTest::newRow("only backslashes") << windows << "\\\\\\\\\\"
                                          << "\\\\";
        QTest::newRow("leading run of four") << windows << "\\\\\\\\srv\\a"
                                             << "\\\\srv\\a";
        QTest::newRow("empty") << windows << ""
                               << "";
        QTest::newRow("three become two") << windows << "C:\\a\\\\\\b"
                                          << "C:\\a\\\\b";
        QTest::newRow("four become two") << windows << "C:\\a\\\\\\\\b"
                                         << "C:\\a\\\\b";
        QTest::newRow("slashes untouched on Windows") << windows << "C://a"
                                                      << "C://a";

        QTest::newRow("root seed") << posix << "//"
                                   << "/";
        QTest::newRow("folder seed") << posix << "/home/ann//"
                                     << "/home/ann/";
        QTest::newRow("no network branch") << posix << "//srv/share//x/"
                                           << "/srv/share/x/";
        QTest::newRow("three become two, posix") << posix << "/a///b"
                                                 << "/a//b";
        QTest::newRow("four become two, posix") << posix << "////"
                                                << "//";
        QTest::newRow("empty, posix") << posix << ""
                                      << "";
        QTest::newRow("backslashes untouched on Linux") << posix << "/a\\\\b"
                                                        << "/a\\\\b";
    }
    void folds()
    {
        QFETCH(int, style);
        QFETCH(QString, path);
        QFETCH(QString, folded);
        QCOMPARE(CollapseBackslashes(path, PathStyle(style)), folded);
    }
};

QTEST_GUILESS_MAIN(TestCollapseBackslashes)
#include "test_collapse_backslashes.moc"
