// The error report's text and box, and the carry-on rule that every reporting procedure follows.
#include "ErrorReports.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "app/ErrorReport.h"
#include "commands/Procedure.h"

#include <QtTest>

namespace {

// Records what would have been shown.
struct RecordingReporter : Reporter
{
    struct Report
    {
        QString description, procedure;
        int label;
    };
    std::vector<Report> reports;
    void ErrorReport(const QString& description, const QString& procedure, int label) override
    {
        reports.push_back({description, procedure, label});
    }
};

const QString kProc = procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton6_Click"));

// A called procedure without a report of its own.
void failsHalfway(QStringList& done)
{
    done.append(QStringLiteral("first half"));
    throw Failure(QStringLiteral("Path not found"));
}

} // namespace

class TestProcedure : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportTextIsExact_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<int>("label");
        QTest::addColumn<QString>("expected");
        QTest::newRow("add folders, line 108")
            << QStringLiteral("Permission denied") << kProc << 108
            << QStringLiteral("Permission denied\r\nin Foldlister2021/08/31.Form1.PushButton6_Click at line 108\r\r"
                              "Please email screenshot of this message to support@quillmark.example");
        QTest::newRow("empty description keeps the line break")
            << QString()
            << procedureText(QStringLiteral("AddFolder"), QStringLiteral("GetSubDirectories2016"), kWalkProject) << 150
            << QStringLiteral("\r\nin Brenwick2021/08/31.AddFolder.GetSubDirectories2016 at line 150\r\r"
                              "Please email screenshot of this message to support@quillmark.example");
    }
    void reportTextIsExact()
    {
        QFETCH(QString, description);
        QFETCH(QString, procedure);
        QFETCH(int, label);
        QFETCH(QString, expected);
        QCOMPARE(errorReportText(description, procedure, label), expected);
    }

    void reportBoxHasItsOwnTitleAndTheExclamation()
    {
        ScriptedDialogs dialogs;
        ErrorReportBox box(dialogs);
        box.ErrorReport(QStringLiteral("x"), kProc, 100);
        QCOMPARE(dialogs.calls().size(), size_t(1));
        QCOMPARE(dialogs.calls()[0].title, QStringLiteral("Application Error"));
        QCOMPARE(dialogs.calls()[0].buttons, 48);
        QVERIFY(dialogs.calls()[0].text.endsWith(QStringLiteral("at line 100\r\rPlease email screenshot of this "
                                                                "message to support@quillmark.example")));
    }

    void eachFailureIsReportedAndTheProcedureGoesOn()
    {
        RecordingReporter reporter;
        Procedure proc(reporter, kProc);
        QStringList done;
        proc.step(100, [&] { throw Failure(QStringLiteral("one")); });
        proc.step(102, [&] { done.append(QStringLiteral("102")); });
        proc.step(104, [&] { throw Failure(QStringLiteral("two")); });
        proc.step(106, [&] { done.append(QStringLiteral("106")); });
        QCOMPARE(done, QStringList({QStringLiteral("102"), QStringLiteral("106")}));
        QCOMPARE(reporter.reports.size(), size_t(2));
        QCOMPARE(reporter.reports[0].label, 100);
        QCOMPARE(reporter.reports[0].description, QStringLiteral("one"));
        QCOMPARE(reporter.reports[1].label, 104);
        QCOMPARE(reporter.reports[1].procedure, kProc);
    }

    void aFailingTestRunsTheGuardedStatements()
    {
        RecordingReporter reporter;
        Procedure proc(reporter, kProc);
        bool guardedRan = false;
        if (proc.test(106, [&]() -> bool { throw Failure(QStringLiteral("Device unavailable")); }))
            guardedRan = true;
        QVERIFY(guardedRan);
        QCOMPARE(reporter.reports.size(), size_t(1));
        QCOMPARE(reporter.reports[0].label, 106);

        bool skipped = true;
        if (proc.test(108, [] { return false; }))
            skipped = false;
        QVERIFY(skipped);
        QCOMPARE(reporter.reports.size(), size_t(1));
    }

    void aCalledProcedureFailsAtTheCallersLabel()
    {
        RecordingReporter reporter;
        Procedure proc(reporter, kProc);
        QStringList done;
        proc.step(106, [&] {
            failsHalfway(done);
            done.append(QStringLiteral("second half"));
        });
        proc.step(108, [&] { done.append(QStringLiteral("next step")); });
        QCOMPARE(done, QStringList({QStringLiteral("first half"), QStringLiteral("next step")}));
        QCOMPARE(reporter.reports.size(), size_t(1));
        QCOMPARE(reporter.reports[0].label, 106);
        QCOMPARE(reporter.reports[0].description, QStringLiteral("Path not found"));
    }

    void thePointerIsResetAfterAFailureInBetween()
    {
        // The listing shows the hourglass, fails to read its one folder, reports that and goes on to its end.
        TestTree tree({"folder/file.txt"});
        WindowHarness h;
        h.start();
        h.form().FolderList.append(tree.path(QStringLiteral("folder")));
        h.files.fail(FaultyFileSystem::Op::ListFiles, tree.path(QStringLiteral("folder")),
                     QStringLiteral("Disk not ready"));
        QList<int> pointerSeen;
        h.yield.every([&] { pointerSeen.append(h.form().MousePointer.value()); });
        h.click(5);
        QVERIFY(!pointerSeen.isEmpty());
        QCOMPARE(pointerSeen.first(), int(Pointer::Busy));
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Default));
        QCOMPARE(reportLines(h), QStringList{QStringLiteral("Form1.PushButton5_Click 114: Disk not ready")});
        QCOMPARE(otherMessages(h), QStringList{QStringLiteral("Done.")});
    }

    void otherExceptionsAreReportedButClosingIsNot()
    {
        RecordingReporter reporter;
        Procedure proc(reporter, kProc);
        proc.step(110, [] { throw std::bad_alloc(); });
        QCOMPARE(reporter.reports.size(), size_t(1));
        QCOMPARE(reporter.reports[0].description, QStringLiteral("Out of memory"));

        bool escaped = false;
        try {
            proc.step(112, [] { throw ProgramClosing{}; });
        } catch (const ProgramClosing&) {
            escaped = true;
        }
        QVERIFY2(escaped, "a step must never stop the program from closing");
        QCOMPARE(reporter.reports.size(), size_t(1));
    }
};

QTEST_MAIN(TestProcedure)
#include "test_procedure.moc"
