// The settings store: three-level addresses, exact round trips, missing told from empty, durable writes.
#include "ErrorReports.h"
#include "FaultySettings.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "settings/SettingsStore.h"

#include <QLineEdit>
#include <QtTest>

namespace {
void writeIni(const QString& folder, const QByteArray& content)
{
    QFile file(folder + QStringLiteral("/Quillmark.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray readIni(const QString& folder)
{
    QFile file(folder + QStringLiteral("/Quillmark.ini"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

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
        SaveSetting(store, QStringLiteral("Quillmark"), QStringLiteral("Other"), QStringLiteral("k"),
                    QStringLiteral("2"));
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

    void handWrittenValuesReadAsAPersonMeantThem_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << QByteArray("Text1=txt") << QStringLiteral("txt");
        QTest::newRow("blanks around the equals sign") << QByteArray("Text1 = txt ") << QStringLiteral("txt");
        QTest::newRow("quoted keeps blanks") << QByteArray("Text1=\" txt \"") << QStringLiteral(" txt ");
        QTest::newRow("a lone backslash stands for itself")
            << QByteArray("LastFolderDot=C:\\Data") << QStringLiteral("C:\\Data");
        QTest::newRow("an escaped backslash") << QByteArray("LastFolderDot=a\\\\b") << QStringLiteral("a\\b");
        QTest::newRow("CR LF line end") << QByteArray("Text1=htm\r") << QStringLiteral("htm");
        QTest::newRow("UTF-8") << QByteArray("Text1=\xc3\xa9t\xc3\xa9") << QStringLiteral("été");
    }
    void handWrittenValuesReadAsAPersonMeantThem()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, value);
        QTemporaryDir folder;
        writeIni(folder.path(), "[Tallyfold]\n" + line + "\n");
        IniSettingsStorage store(folder.path());
        const QString key = QString::fromUtf8(line.left(line.indexOf('=')).trimmed());
        QCOMPARE(store.read(kSettingsApplication, kSettingsSection, key).value_or(QStringLiteral("<missing>")), value);
    }

    // The store used to rewrite the whole file from what it understood, losing what it did not.
    void aWriteKeepsEveryOtherByteOfADamagedFile()
    {
        QTemporaryDir folder;
        const QByteArray before = QByteArray("; my notes\n\x01\x02garbage\xff without equals\n[Other]\nText1=mine\n"
                                             "[Tallyfold]\nLastFolderDot=/home/ann\nText1=doc\n\n[Last]\nx=1");
        writeIni(folder.path(), before);
        IniSettingsStorage store(folder.path());
        QCOMPARE(*store.read(kSettingsApplication, kSettingsSection, QStringLiteral("Text1")), QStringLiteral("doc"));
        store.write(kSettingsApplication, kSettingsSection, QStringLiteral("Text1"), QStringLiteral("txt"));
        QByteArray expected = before;
        expected.replace("Text1=doc", "Text1=txt");
        QCOMPARE(readIni(folder.path()), expected);
        store.write(kSettingsApplication, QStringLiteral("New"), QStringLiteral("k"), QStringLiteral("v"));
        QCOMPARE(readIni(folder.path()), expected + "\n\n[New]\nk=v\n");
    }

    // A store that cannot be written leaves the box as typed and the file as it was, without a report of the
    // change event's own; one that cannot be read is reported once at start-up, the box then shows every file,
    // and the file is not replaced.
    void aFailingStoreKeepsTheBoxAndTheFile_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("ini"); // the file before the start; empty for none
        QTest::addColumn<QString>("shown");  // the box after the start
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QString>("typed"); // keys typed into the box, or after "=" a text set at once
        QTest::addColumn<QString>("after");
        const QByteArray htm = "[Other]\nkey=value\n\n[Tallyfold]\nText1=htm\nLastFolderDot=/srv\n";
        QTest::newRow("writes fail, keys typed") << "writes" << QByteArray() << "*" << QStringList{} << "md"
                                                 << "*md";
        QTest::newRow("writes fail, text set") << "writes" << QByteArray() << "*" << QStringList{} << "=doc"
                                               << "doc";
        QTest::newRow("a read-only file")
            << "mode" << QByteArray("[Tallyfold]\nText1=htm\n") << "htm" << QStringList{} << "=jpg"
            << "jpg";
        QTest::newRow("a read-only file system") << "mount" << htm << "htm" << QStringList{} << "=jpg"
                                                 << "jpg";
        // The box kept its design-time text "Text1", a filter that lists nothing.
        QTest::newRow("reads fail") << "reads" << QByteArray() << "*" << QStringList{"Form_Load 136"} << ""
                                    << "*";
        // The "*" shown then was written over the stored filter at once.
        QTest::newRow("reads fail, a filter stored") << "reads" << htm << "*" << QStringList{"Form_Load 136"} << ""
                                                     << "*";
        QTest::newRow("a folder in the file's place")
            << "folder" << QByteArray() << "*" << QStringList{"Form_Load 136"} << ""
            << "*";
    }
    void aFailingStoreKeepsTheBoxAndTheFile()
    {
        QFETCH(QString, fault);
        QFETCH(QByteArray, ini);
        QFETCH(QString, shown);
        QFETCH(QStringList, reports);
        QFETCH(QString, typed);
        QFETCH(QString, after);
        WindowHarness h;
        const QString file = h.configFolder() + QStringLiteral("/Quillmark.ini");
        if (!ini.isEmpty())
            writeIni(h.configFolder(), ini);
        std::optional<TestMount> mount;
        if (fault == QLatin1String("mount") && !mount.emplace(h.configFolder(), TestMount::ReadOnly).isMounted())
            QSKIP("a read-only bind mount cannot be made here (needs root and mount rights)");
        if (fault == QLatin1String("mode"))
            QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadOther);
        if (fault == QLatin1String("folder"))
            QDir().mkpath(file);
        h.settings.failReads = fault == QLatin1String("reads");
        MainWindow& window = h.start();
        QCOMPARE(window.Text1()->text(), shown);
        QCOMPARE(reportPlaces(h), reports);
        h.settings.failWrites = fault == QLatin1String("writes");

        if (typed.startsWith(u'='))
            window.Text1()->setText(typed.mid(1));
        else
            QTest::keyClicks(window.Text1(), typed);

        QCOMPARE(window.Text1()->text(), after);
        QCOMPARE(h.dialogs.calls().size(), std::size_t(reports.size()));
        if (fault == QLatin1String("writes"))
            QCOMPARE(*h.storedFilter(), QStringLiteral("*"));
        if (!ini.isEmpty())
            QCOMPARE(readIni(h.configFolder()), ini);
        // A failed read with no file before writes none: the box's "*" then is no change of the user's.
        const bool noFile = fault == QLatin1String("reads") && ini.isEmpty();
        QCOMPARE(QDir(h.configFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 noFile ? QStringList{} : QStringList{"Quillmark.ini"});
        QCOMPARE(QFileInfo(file).isDir(), fault == QLatin1String("folder"));
    }

    // After a read that failed, the user's first change of the box is stored as every change is.
    void theUsersChangeIsStoredAfterAFailedRead()
    {
        WindowHarness h;
        writeIni(h.configFolder(), "[Tallyfold]\nText1=htm\n");
        h.settings.failReads = true;
        MainWindow& window = h.start();
        h.settings.failReads = false;
        QTest::keyClicks(window.Text1(), "t");
        QCOMPARE(h.storedFilter(), std::optional<QString>(QStringLiteral("*t")));
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
