// The settings store: three-level addresses, exact round trips, missing told from empty, durable writes.
#include "FaultySettings.h"
#include "WindowHarness.h"
#include "settings/SettingsStore.h"

#include <QLineEdit>
#include <QtTest>

class TestSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void anyStringSurvivesARoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("star") << QStringLiteral("*");
        QTest::newRow("blanks around") << QStringLiteral("  txt ");
        QTest::newRow("backslashes") << QStringLiteral("C:\\\\Data\\x\\");
        QTest::newRow("INI syntax") << QStringLiteral("a=b;c #d [e] \"f\" 'g'");
        QTest::newRow("looks like a variant") << QStringLiteral("@Variant(\\0\\0\\0\\x7f)");
        QTest::newRow("at sign first") << QStringLiteral("@@x");
        QTest::newRow("line breaks") << QStringLiteral("one\r\ntwo\rthree\nfour");
        QTest::newRow("tab and NUL") << QStringLiteral("a\tb") + QChar(u'\0') + QStringLiteral("c");
        QTest::newRow("non-ASCII") << QStringLiteral("Größe €uro 日本 🙂");
        QTest::newRow("long") << QString(100000, QChar(u'x'));
    }
    void anyStringSurvivesARoundTrip()
    {
        QFETCH(QString, value);
        QTemporaryDir folder;
        IniSettingsStorage store(folder.path());
        SaveSetting(store, QStringLiteral("Quillmark"), QStringLiteral("Tallyfold"), QStringLiteral("Text1"), value);
        IniSettingsStorage fresh(folder.path()); // nothing is held in memory between calls
        QCOMPARE(GetSetting(fresh, QStringLiteral("Quillmark"), QStringLiteral("Tallyfold"), QStringLiteral("Text1"),
                            QStringLiteral("default")),
                 value);
    }

    void aMissingKeyGivesTheDefaultAndAnEmptyOneDoesNot()
    {
        QTemporaryDir folder;
        IniSettingsStorage store(folder.path());
        QCOMPARE(GetSetting(store, kSettingsApplication, kSettingsSection, QStringLiteral("LastFolderDot"),
                            QStringLiteral("dflt")),
                 QStringLiteral("dflt"));
        QVERIFY(!QFile::exists(store.fileName(kSettingsApplication))); // reading creates nothing
        SaveSetting(store, kSettingsApplication, kSettingsSection, QStringLiteral("LastFolderDot"), QString());
        QCOMPARE(GetSetting(store, kSettingsApplication, kSettingsSection, QStringLiteral("LastFolderDot"),
                            QStringLiteral("dflt")),
                 QString());
    }

    void sectionsAndApplicationsAreApart()
    {
        QTemporaryDir folder;
        IniSettingsStorage store(folder.path());
        SaveSetting(store, QStringLiteral("Quillmark"), QStringLiteral("Tallyfold"), QStringLiteral("k"),
                    QStringLiteral("1"));
        SaveSetting(store, QStringLiteral("Quillmark"), QStringLiteral("Other"), QStringLiteral("k"), QStringLiteral("2"));
        SaveSetting(store, QStringLiteral("Elsewhere"), QStringLiteral("Tallyfold"), QStringLiteral("k"),
                    QStringLiteral("3"));
        QCOMPARE(*store.read(QStringLiteral("Quillmark"), QStringLiteral("Tallyfold"), QStringLiteral("k")),
                 QStringLiteral("1"));
        QCOMPARE(*store.read(QStringLiteral("Quillmark"), QStringLiteral("Other"), QStringLiteral("k")),
                 QStringLiteral("2"));
        QCOMPARE(*store.read(QStringLiteral("Elsewhere"), QStringLiteral("Tallyfold"), QStringLiteral("k")),
                 QStringLiteral("3"));
        QVERIFY(QFile::exists(folder.path() + QStringLiteral("/Quillmark.ini")));
        QVERIFY(QFile::exists(folder.path() + QStringLiteral("/Elsewhere.ini")));
    }

    void theStoreLivesUnderXdgConfigHome()
    {
        QTemporaryDir home;
        const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        IniSettingsStorage store;
        SaveSetting(store, kSettingsApplication, kSettingsSection, QStringLiteral("Text1"), QStringLiteral("htm"));
        qputenv("XDG_CONFIG_HOME", previous);
        QFile file(home.path() + QStringLiteral("/Quillmark.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QVERIFY(content.contains("[Tallyfold]"));
        QVERIFY(content.contains("Text1=htm"));
    }

    void everyKeystrokeIsStoredAtOnce()
    {
        WindowHarness h;
        MainWindow& window = h.start();
        window.Text1()->clear();
        QTest::keyClicks(window.Text1(), QStringLiteral("txt"));
        QCOMPARE(*h.settings.store().read(kSettingsApplication, kSettingsSection, QStringLiteral("Text1")),
                 QStringLiteral("txt"));
        // start-up, clear, t, tx, txt
        QCOMPARE(h.settings.writes, 5);
    }

    void aFailedWriteKeepsTheTextAsTyped()
    {
        WindowHarness h;
        MainWindow& window = h.start();
        h.settings.failWrites = true;
        window.Text1()->setText(QStringLiteral("doc"));
        QCOMPARE(window.Text1()->text(), QStringLiteral("doc"));
        QVERIFY(h.dialogs.calls().empty()); // the change event has no report of its own
        QCOMPARE(*h.settings.store().read(kSettingsApplication, kSettingsSection, QStringLiteral("Text1")),
                 QStringLiteral("*"));
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
