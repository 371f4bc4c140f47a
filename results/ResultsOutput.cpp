#include "results/ResultsOutput.h"

#include "commands/RowLossCheck.h"
#include "results/ClipboardText.h"
#include "results/CsvExport.h"
#include "results/ResultsFile.h"

#include <cstdint>
#include <memory>
#include <optional>

QString copiedMessage()
{
    return QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where you normally type "
                          "and press Ctrl+V to paste the clipboard.");
}

QString overwriteQuestion(const QString& path)
{
    return QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?");
}

void PushButton1_Click(const CommandTools& tools, Clipboard& clipboard, const PaneModel& results)
{
    Procedure proc(tools.reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton1_Click")));
    proc.step(104, [&] { tools.pointer.setValue(Pointer::Busy); });
    // The message tells the user the text is there to paste: not after a copy that failed.
    const bool copied = proc.step(106, [&] { ListViewToClipboard(PaneModelSource(results), tools.yield, clipboard); });
    if (copied)
        proc.step(108, [&] { tools.MsgBox(copiedMessage(), MsgBoxCode::OkOnly); });
    proc.step(108, [&] { tools.pointer.setValue(Pointer::Default); });
}

void PushButton7_Click(const CommandTools& tools, const PaneModel& results)
{
    saveResultsAs(tools, results, SaveType::Text);
}

void saveResultsAs(const CommandTools& tools, const PaneModel& results, SaveType offered)
{
    Procedure proc(tools.reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton7_Click")));

    // 106 to 112 prepare the dialog: no proposed name (never the previous one), the title and the filters.
    // The dialog itself asks nothing about overwriting and adds no extension.
    QString fileName;
    QString title;
    QStringList filters;
    int type = offered == SaveType::Csv ? kCsvFilterIndex : 0;
    proc.step(110, [&] { title = QStringLiteral("Save"); });
    proc.step(112, [&] { filters = kSaveFileFilters; });
    proc.step(114, [&] { fileName = tools.dialogs.saveFileName(title, filters, &type); });
    QString path;
    proc.step(116, [&] { path = fileName; });
    if (proc.test(118, [&] { return path.isEmpty(); }))
        return;

    int answer = 0;
    if (proc.test(120, [&] { return tools.files.PathExists(path); }))
        proc.step(122, [&] { answer = tools.MsgBox(overwriteQuestion(path), MsgBoxCode::YesNo); });
    else
        proc.step(124, [&] { answer = MsgBoxAnswer::Yes; });
    if (proc.test(126, [&] { return answer != MsgBoxAnswer::Yes; }))
        return;

    proc.step(128, [&] { tools.pointer.setValue(Pointer::Busy); });
    writeListFile(tools, proc, results, path, type == kCsvFilterIndex ? SaveType::Csv : SaveType::Text);
    proc.step(142, [&] { tools.pointer.setValue(Pointer::Default); });
}

bool writeListFile(const CommandTools& tools, Procedure& proc, const PaneModel& pane, const QString& path, SaveType type)
{
    // Nothing replaces the old file until every line is written: a file that may not be written or has no
    // room, a write that fails or an entry that vanished meanwhile ends the writing after one report, and
    // the old file stays.
    std::unique_ptr<SaveTarget> target;
    if (type == SaveType::Csv) {
        return proc.step(130, [&] { target = tools.files.openSave(path); }) && writeCsv(tools, proc, pane, *target) &&
               proc.step(140, [&] { target->commit(); });
    }
    std::optional<ResultsFileWriter> writer;
    if (!proc.step(130, [&] {
            target = tools.files.openSave(path);
            writer.emplace(target->device());
            target->reserve(writer->bytesFor(pane, tools.yield));
        }))
        return false;
    int count = 0;
    proc.step(132, [&] { count = pane.count(); });
    // The file holds the list as it stood when the count was read: entries appended later are not part of
    // it, and a removal meanwhile leaves no such list to write.
    const RowLossCheck rowsLost(pane, QStringLiteral("Index out of bounds"));
    bool written = true;
    for (int i = 1; i <= count && written; ++i) {
        proc.step(134, [&] { tools.yield.DoEvents(); });
        written = proc.step(136, [&] {
            rowsLost.check();
            writer->writeEntry(pane, i);
        });
    }
    const bool committed =
        written && proc.step(136, [&] { writer->flush(); }) && proc.step(140, [&] { target->commit(); });
    // The writer hands its last bytes to the target before the target closes.
    writer.reset();
    target.reset();
    return committed;
}
