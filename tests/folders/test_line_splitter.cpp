// Splitting a folder list file into lines, on bytes, whatever the block sizes.
#include "folders/LineSplitter.h"

#include <QtTest>

using Lines = QList<QByteArray>;

class TestLineSplitter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splitsAtEveryLineEnd_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<Lines>("lines");
        QTest::newRow("empty input") << QByteArray() << Lines{};
        QTest::newRow("CR") << QByteArray("a\rb\r") << Lines{"a", "b"};
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << Lines{"a", "b"};
        // A lone LF ends a line too: list files written on Linux hold one folder per line.
        QTest::newRow("lone LF") << QByteArray("a\nb\n") << Lines{"a", "b"};
        QTest::newRow("mixed endings") << QByteArray("a\r\nb\nc\rd") << Lines{"a", "b", "c", "d"};
        QTest::newRow("no final line end") << QByteArray("a\r\nb") << Lines{"a", "b"};
        QTest::newRow("one line, no line end") << QByteArray("only") << Lines{"only"};
        QTest::newRow("empty line in the middle") << QByteArray("a\r\n\r\nc\r\n") << Lines{"a", "", "c"};
        QTest::newRow("only a line end") << QByteArray("\r\n") << Lines{""};
        QTest::newRow("two empty lines") << QByteArray("\n\n") << Lines{"", ""};
        QTest::newRow("LF then CR is two line ends") << QByteArray("\n\r") << Lines{"", ""};
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << Lines{"a", "", "b"};
        QTest::newRow("CR LF LF") << QByteArray("a\r\n\nb") << Lines{"a", "", "b"};
        QTest::newRow("blanks kept") << QByteArray("  a b \r\n\t") << Lines{"  a b ", "\t"};
        QTest::newRow("NUL bytes kept") << QByteArray("a\0b\nc", 5) << Lines{QByteArray("a\0b", 3), "c"};
        QTest::newRow("invalid bytes kept") << QByteArray("\xff\xfe\r\x80") << Lines{"\xff\xfe", "\x80"};
        QTest::newRow("duplicates kept") << QByteArray("/x/\r\n/x/\r\n") << Lines{"/x/", "/x/"};
    }
    void splitsAtEveryLineEnd()
    {
        QFETCH(QByteArray, input);
        QFETCH(Lines, lines);
        QCOMPARE(splitLines(std::string_view(input.constData(), std::size_t(input.size()))), lines);

        // Fed in blocks of every size, a CR LF split across two blocks included, the result is the same.
        for (int blockSize = 1; blockSize <= std::max<int>(1, int(input.size())); ++blockSize) {
            LineSplitter splitter;
            std::deque<QByteArray> got;
            for (qsizetype at = 0; at < input.size(); at += blockSize)
                splitter.feed(std::string_view(input.constData() + at,
                                               std::size_t(std::min<qsizetype>(blockSize, input.size() - at))),
                              got);
            if (std::optional<QByteArray> last = splitter.finish())
                got.push_back(*last);
            QCOMPARE(Lines(got.begin(), got.end()), lines);
        }
    }

    // An empty block between the CR and the LF of one line end does not split them.
    void emptyBlockBetweenCrAndLf()
    {
        LineSplitter splitter;
        std::deque<QByteArray> got;
        splitter.feed("a\r", got);
        splitter.feed("", got);
        splitter.feed("\nb", got);
        QCOMPARE(splitter.finish(), std::optional<QByteArray>("b"));
        QCOMPARE(Lines(got.begin(), got.end()), Lines{"a"});
    }

    void longLineAcrossManyBlocks()
    {
        const QByteArray line(3 * 65536 + 7, 'x');
        const QByteArray input = line + "\r\nend";
        QCOMPARE(splitLines(std::string_view(input.constData(), std::size_t(input.size()))), (Lines{line, "end"}));
    }
};

QTEST_APPLESS_MAIN(TestLineSplitter)
#include "test_line_splitter.moc"
