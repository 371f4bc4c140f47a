// Which folder names the walk refuses: by code point, and names that are not UTF-8.
#include "folders/SubfolderWalk.h"

#include <QtTest>

class TestUnsafeNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void judgesEachCharacter_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("unsafe");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("plain") << QStringLiteral("Documents 2021") << false;
        QTest::newRow("space, code 32") << QStringLiteral(" ") << false;
        QTest::newRow("tilde, code 126") << QStringLiteral("~") << false;
        QTest::newRow("code 31") << QString::fromUtf16(u"a\u001fb") << true;
        QTest::newRow("tab") << QStringLiteral("a\tb") << true;
        QTest::newRow("line feed at the end") << QStringLiteral("ab\n") << true;
        QTest::newRow("carriage return first") << QStringLiteral("\rab") << true;
        QTest::newRow("code 1") << QString::fromUtf16(u"\u0001") << true;
        QTest::newRow("code 127") << QString::fromUtf16(u"x\u007f") << true;
        QTest::newRow("code 128") << QString::fromUtf16(u"\u0080") << true;
        QTest::newRow("code 133") << QString::fromUtf16(u"a\u0085") << true;
        QTest::newRow("code 159") << QString::fromUtf16(u"\u009f") << true;
        QTest::newRow("code 160") << QString::fromUtf16(u"\u00a0") << false;
        QTest::newRow("code 255") << QString::fromUtf16(u"\u00ff") << false;
        QTest::newRow("question mark") << QStringLiteral("what?") << true;
        QTest::newRow("accents") << QString::fromUtf16(u"\u00e9t\u00e9") << false;
        QTest::newRow("beyond one byte") << QString::fromUtf16(u"\u4e2d\u6587") << false;
        QTest::newRow("beyond 16 bits") << QString::fromUtf16(u"\U0001F4C1") << false;
        QTest::newRow("backslash and colon") << QStringLiteral("a\\b:c") << false;
        QTest::newRow("unsafe after many safe") << QString(200, u'a') + QChar(u'\u009b') << true;
    }
    void judgesEachCharacter()
    {
        QFETCH(QString, name);
        QFETCH(bool, unsafe);
        QCOMPARE(HasUnsafeNameChars(name), unsafe);
        // The walk asks with the name's bytes as stored: the same answer.
        QCOMPARE(HasUnsafeNameChars(name.toUtf8()), unsafe);
    }

    void bytesThatAreNotUtf8AreUnsafe_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("unsafe");
        QTest::newRow("Latin-1 byte") << QByteArray("caf\xe9") << true;
        QTest::newRow("lone continuation byte") << QByteArray("a\x80z") << true;
        QTest::newRow("cut-off sequence at the end") << QByteArray("a\xc3") << true;
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << true;
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << true;
        QTest::newRow("byte 0xff") << QByteArray("\xff") << true;
        QTest::newRow("C1 as UTF-8") << QByteArray("\xc2\x9f") << true;
        QTest::newRow("code 160 as UTF-8") << QByteArray("\xc2\xa0") << false;
        QTest::newRow("three-byte character") << QByteArray("\xe4\xb8\xad") << false;
        QTest::newRow("four-byte character") << QByteArray("\xf0\x9f\x93\x81") << false;
    }
    void bytesThatAreNotUtf8AreUnsafe()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, unsafe);
        QCOMPARE(HasUnsafeNameChars(name), unsafe);
    }
};

QTEST_GUILESS_MAIN(TestUnsafeNames)
#include "test_unsafe_names.moc"
