// The CSV export of the results: every row against the files as Python's csv module and os.stat see them, odd
// names and a file gone meanwhile included; an empty pane; a write that fails.
#include "FailingDevice.h"
#include "ScriptedDialogs.h"
#include "ScriptedYield.h"
#include "TestTree.h"
#include "platform/posix/PosixFileSystem.h"
#include "results/CsvExport.h"

#include <QDateTime>
#include <QProcess>
#include <QtTest>

#include <ctime>

namespace {

struct RecordingReporter : Reporter
{
    QStringList reports; // "label: description"
    void ErrorReport(const QString& description, const QString&, int label) override
    {
        reports.append(QStringLiteral("%1: %2").arg(label).arg(description));
    }
};

struct FixedPointer : PointerState
{
    int value() const override { return 0; }
    void setValue(int) override {}
};

// A save whose device is given; commit does nothing.
struct DeviceTarget : SaveTarget
{
    explicit DeviceTarget(QIODevice& device) : m_device(device) {}
    QIODevice& device() override { return m_device; }
    void commit() override {}
    QIODevice& m_device;
};

struct Export
{
    RecordingReporter reporter;
    ScriptedDialogs dialogs;
    QString title = QStringLiteral("Tallyfold");
    FixedPointer pointer;
    PosixFileSystem files{0};
    ScriptedYield yield;
    CommandTools tools{reporter, dialogs, title, pointer, files, yield};
    PaneModel pane{false};

    bool run(SaveTarget& target)
    {
        Procedure proc(reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton7_Click")));
        return writeCsv(tools, proc, pane, target);
    }
};

} // namespace

class TestCsvExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // An offset in minutes and a summer time, in this process and in the checker alike.
        qputenv("TZ", "Pacific/Chatham");
        ::tzset();
    }

    void everyRowMatchesTheFileAsPythonReadsIt()
    {
        const QStringList names = {QStringLiteral("a,b.txt"),       QStringLiteral("say \"hi\".doc"),
                                   QStringLiteral("cr\rname.txt"),  QStringLiteral("lf\nname.txt"),
                                   QStringLiteral("=SUM(A1).csv"),  QStringLiteral("@cmd"),
                                   QStringLiteral("+1.x"),          QStringLiteral("-rf"),
                                   QStringLiteral("no extension"),  QStringLiteral(".hidden"),
                                   QStringLiteral("résumé.tar.gz"), QStringLiteral("gone.txt"),
                                   QStringLiteral("=x.=y"),         QStringLiteral("\tindented.txt")};
        TestTree tree;
        QByteArray expected;
        Export run;
        for (int i = 0; i < names.size(); ++i) {
            tree.file(names[i], QByteArray(i * 37, 'x'));
            // Times in summer (+13:45) and in winter (+12:45), one before 1970.
            QFile file(tree.path(names[i]));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::fromSecsSinceEpoch(i % 3 == 2 ? -86400 * 400 + i : 1.7e9 + i * 1.3e7),
                                     QFileDevice::FileModificationTime));
            const int prefix = run.pane.addPrefix((tree.path() + u'/').toStdString());
            run.pane.appendInFolder(prefix, names[i].toStdString());
            expected.append(tree.path(names[i]).toUtf8()).append('\0');
        }
        run.pane.append(tree.path(QStringLiteral("a,b.txt"))); // a row kept whole, without a folder prefix
        expected.append(tree.path(QStringLiteral("a,b.txt")).toUtf8()).append('\0');
        tree.remove(QStringLiteral("gone.txt"));

        const QString csv = tree.path(QStringLiteral("out.csv"));
        std::unique_ptr<SaveTarget> target = run.files.openSave(csv);
        QVERIFY(run.run(*target));
        target->commit();
        QCOMPARE(run.reporter.reports, QStringList());
        QVERIFY(run.yield.calls() >= 1);

        tree.file(QStringLiteral("paths"), expected);
        QProcess check;
        check.start(QStringLiteral(PYTHON3), {QStringLiteral(CSV_CHECK), csv, tree.path(QStringLiteral("paths")),
                                              tree.path(QStringLiteral("gone.txt"))});
        QVERIFY(check.waitForFinished(60000));
        const QString said = QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
        QVERIFY2(check.exitCode() == 0, qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral("%1 rows checked").arg(names.size() + 1)), qPrintable(said));
    }

    void emptyPaneGivesMarkAndHeaderOnly()
    {
        Export run;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        DeviceTarget target(buffer);
        QVERIFY(run.run(target));
        QCOMPARE(buffer.data(), QByteArray("\xEF\xBB\xBFPath,Name,Extension,Size,Modified\r\n"));
    }

    // Thousands of rows over several blocks: the writing stops at the first failed block, after one report.
    void writeFailureEndsAfterOneReport()
    {
        Export run;
        for (int i = 0; i < 5000; ++i)
            run.pane.append(QStringLiteral("/nowhere/some rather long name to fill a block %1.txt").arg(i));
        FailingDevice device(300000);
        DeviceTarget target(device);
        QVERIFY(!run.run(target));
        QCOMPARE(run.reporter.reports, QStringList{QStringLiteral("156: No space left on device")});
        QVERIFY(device.taken().size() <= 300000);
    }
};

QTEST_GUILESS_MAIN(TestCsvExport)
#include "test_csv_export.moc"
