// The program's small text rules, each against a table written out by hand: UTF-8 and ASCII as the listing,
// the filter and the removals read names, and the procedure names that error reports carry.
#include "base/Utf8.h"
#include "commands/Procedure.h"

#include <QtTest>

class TestTextRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void utf8_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ascii");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("text"); // what the bytes read as, where they are valid
        QTest::newRow("empty") << QByteArray() << true << true << QString();
        QTest::newRow("ascii") << QByteArray("Report 2026.TXT") << true << true << QStringLiteral("Report 2026.TXT");
        QTest::newRow("DEL is ascii") << QByteArray("\x7f") << true << true << QStringLiteral("\x7f");
        QTest::newRow("two-byte") << QByteArray("caf\xc3\xa9") << false << true << QStringLiteral(u"caf\u00e9");
        QTest::newRow("three-byte") << QByteArray("\xe2\x84\xaa") << false << true << QStringLiteral(u"\u212a");
        QTest::newRow("four-byte") << QByteArray("\xf0\x9f\x93\x81") << false << true << QStringLiteral(u"\U0001F4C1");
        QTest::newRow("lone continuation") << QByteArray("a\x80") << false << false << QString();
        QTest::newRow("cut short") << QByteArray("\xc3") << false << false << QString();
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << false << false << QString();
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << false << false << QString();
        QTest::newRow("latin-1 byte") << QByteArray("na\xefve") << false << false << QString();
        QTest::newRow("past U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << false << false << QString();
        QTest::newRow("lead byte past F4") << QByteArray("\xf5\x80\x80\x80") << false << false << QString();
        QTest::newRow("last before the surrogates")
            << QByteArray("\xed\x9f\xbf") << false << true << QStringLiteral(u"\ud7ff");
        QTest::newRow("last surrogate") << QByteArray("\xed\xbf\xbf") << false << false << QString();
        QTest::newRow("overlong three-byte slash") << QByteArray("\xe0\x80\xaf") << false << false << QString();
        QTest::newRow("overlong four-byte slash") << QByteArray("\xf0\x80\x80\xaf") << false << false << QString();
        QTest::newRow("four-byte cut short") << QByteArray("\xf0\x9f\x93") << false << false << QString();
        QTest::newRow("noncharacter U+FFFE")
            << QByteArray("\xef\xbf\xbe") << false << true << QStringLiteral(u"\ufffe");
        QTest::newRow("noncharacter U+10FFFF")
            << QByteArray("\xf4\x8f\xbf\xbf") << false << true << QStringLiteral(u"\U0010FFFF");
        // Past eight ASCII bytes, which are read as one word.
        QTest::newRow("after a long ASCII run")
            << QByteArray("abcdefghij\xc3\xa9") << false << true << QStringLiteral(u"abcdefghij\u00e9");
        QTest::newRow("cut short after a long ASCII run")
            << QByteArray("abcdefgh\xe2\x82") << false << false << QString();
        QTest::newRow("stray continuation after a long ASCII run")
            << QByteArray("abcdefgh\x80" "abcdefgh") << false << false << QString();
    }

    void utf8()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ascii);
        QFETCH(bool, valid);
        QFETCH(QString, text);
        const std::string_view view(bytes.constData(), std::size_t(bytes.size()));
        QCOMPARE(Utf8::isAscii(view), ascii);
        QCOMPARE(Utf8::isValid(view), valid);
        if (valid) {
            QCOMPARE(Utf8::toQString(view), text);
            QCOMPARE(Utf8::utf16Length(view), text.size());
            QCOMPARE(Utf8::isAscii(QStringView(text)), ascii);
        }
    }

    // Only A to Z are lowered, in bytes and in UTF-16 alike; the neighbours of the range, digits, lower-case
    // letters and every code past ASCII stay as they are.
    void asciiLower_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("lowered");
        const QList<QPair<int, int>> table = {{'A', 'a'}, {'M', 'm'}, {'Z', 'z'}, {'@', '@'}, {'[', '['},
                                              {'a', 'a'}, {'z', 'z'}, {'0', '0'}, {'.', '.'}, {0x7f, 0x7f}};
        for (const auto& [code, lowered] : table)
            QTest::addRow("%c", char(code)) << code << lowered;
    }

    void asciiLower()
    {
        QFETCH(int, code);
        QFETCH(int, lowered);
        QCOMPARE(int(Utf8::asciiLower(char(code))), lowered);
        QCOMPARE(int(Utf8::asciiLower(char16_t(code))), lowered);
    }

    void asciiLowerLeavesTheRestAlone()
    {
        for (const char16_t code : {u'\u00c0', u'\u0130', u'\u212a', u'\uff21'})
            QCOMPARE(Utf8::asciiLower(code), code);
        for (const int byte : {0x80, 0xc3, 0xc4, 0xff})
            QCOMPARE(Utf8::asciiLower(char(byte)), char(byte));
    }

    void procedureTexts_data()
    {
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<QString>("project");
        QTest::addColumn<QString>("text");
        QTest::newRow("a button") << "Form1"
                                  << "PushButton6_Click" << QString()
                                  << "in Foldlister2021/08/31.Form1.PushButton6_Click ";
        QTest::newRow("start-up") << "Form1"
                                  << "Form_Load" << QString() << "in Foldlister2021/08/31.Form1.Form_Load ";
        QTest::newRow("list file") << "Main"
                                   << "FileToListbox" << QString() << "in Foldlister2021/08/31.Main.FileToListbox ";
        QTest::newRow("the walk") << "AddFolder"
                                  << "GetSubDirectories2016"
                                  << "Brenwick2021/08/31"
                                  << "in Brenwick2021/08/31.AddFolder.GetSubDirectories2016 ";
    }

    void procedureTexts()
    {
        QFETCH(QString, module);
        QFETCH(QString, procedure);
        QFETCH(QString, project);
        QFETCH(QString, text);
        QCOMPARE(project.isEmpty() ? procedureText(module, procedure) : procedureText(module, procedure, project),
                 text);
    }
};

QTEST_GUILESS_MAIN(TestTextRules)
#include "test_text_rules.moc"
