// "Load Sample/Example Data": the two environment folders, exactly as held, or the platform's own folders.
#include "WindowHarness.h"
#include "folders/SampleData.h"
#include "platform/posix/SystemEnvironment.h"

#include <QtTest>

class TestSampleData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void appendsTheTwoFolders_data()
    {
        QTest::addColumn<QStringList>("defined"); // name=value pairs; a missing name is undefined
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("both undefined") << QStringList() << QStringList{"/var/tmp/own", "/usr/bin"};
        QTest::newRow("both defined") << QStringList{"TEMP=/data/t", "ProgramFiles=/opt"}
                                      << QStringList{"/data/t", "/opt"};
        QTest::newRow("TEMP undefined") << QStringList{"ProgramFiles=/opt"} << QStringList{"/var/tmp/own", "/opt"};
        QTest::newRow("ProgramFiles undefined") << QStringList{"TEMP=/data/t"} << QStringList{"/data/t", "/usr/bin"};
        QTest::newRow("defined empty stays empty") << QStringList{"TEMP=", "ProgramFiles="} << QStringList{"", ""};
        QTest::newRow("held exactly: separators, blanks, backslashes")
            << QStringList{"TEMP=/data//t/ ", "ProgramFiles=C:\\\\Program Files\\"}
            << QStringList{"/data//t/ ", "C:\\\\Program Files\\"};
    }
    void appendsTheTwoFolders()
    {
        QFETCH(QStringList, defined);
        QFETCH(QStringList, entries);
        WindowHarness h;
        h.environment.temporary = QStringLiteral("/var/tmp/own");
        for (const QString& pair : defined)
            h.environment.variables.insert(pair.section(QChar(u'='), 0, 0), pair.section(QChar(u'='), 1));
        h.start();
        h.form().FolderList.append(QStringLiteral("/already/there/"));
        h.click(3);
        QCOMPARE(h.folderEntries(), QStringList{"/already/there/"} + entries);
        QVERIFY(h.dialogs.calls().empty());
    }

    void twiceGivesFourEntriesAlsoWhileBusy()
    {
        WindowHarness h;
        h.environment.variables.insert(QStringLiteral("TEMP"), QStringLiteral("/t"));
        h.start();
        h.form().MousePointer.setValue(Pointer::Busy); // the command neither tests nor sets the pointer
        h.click(3);
        h.click(3);
        QCOMPARE(h.folderEntries(), (QStringList{"/t", "/usr/bin", "/t", "/usr/bin"}));
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Busy));
    }

    // The system's own stand-ins on Linux: the temporary folder as TMPDIR names it, and /usr/bin.
    void theSystemStandsInForUndefinedVariables()
    {
        const QTemporaryDir temporary;
        qunsetenv("TEMP");
        qunsetenv("ProgramFiles");
        qputenv("TMPDIR", temporary.path().toLocal8Bit());
        SystemEnvironment system;
        QCOMPARE(sampleFolder(system, QStringLiteral("TEMP")), temporary.path());
        QCOMPARE(sampleFolder(system, QStringLiteral("ProgramFiles")), QStringLiteral("/usr/bin"));
        QCOMPARE(sampleFolder(system, QStringLiteral("OTHER_UNDEFINED")), QString());
    }
};

QTEST_MAIN(TestSampleData)
#include "test_sample_data.moc"
