#include "results/PaneMenuCommands.h"

#include "results/ClipboardText.h"
#include "results/ResultsOutput.h"

namespace {

// The menu's rows as the copy reads a pane: every one of them ticked, in the pane's order.
class MenuRowsSource : public PaneSource
{
public:
    MenuRowsSource(const PaneModel& pane, std::vector<int> rows) : m_pane(pane), m_rows(std::move(rows)) {}
    int columnCount() const override { return m_pane.columnHeaderCount(); }
    int rowCount() const override { return int(m_rows.size()); }
    QString cellText(int row, int column) const override
    {
        return column == 1 ? m_pane.text(m_rows.at(std::size_t(row - 1))) : QString();
    }
    bool checked(int) const override { return true; }
    std::uint64_t removals() const override { return m_pane.removals(); }

private:
    const PaneModel& m_pane;
    std::vector<int> m_rows;
};

Procedure menuProcedure(const CommandTools& tools, const char* name)
{
    return Procedure(tools.reporter, procedureText(QStringLiteral("Form1"), QString::fromLatin1(name)));
}

bool holdsLineBreak(const PaneModel& pane, int position)
{
    const RowStore::Utf8Text text = pane.utf8(position);
    const auto breaks = [](std::string_view part) { return part.find_first_of("\r\n") != std::string_view::npos; };
    return breaks(text.prefix) || breaks(text.name);
}

} // namespace

std::vector<int> menuRows(const PaneModel& pane, int row)
{
    if (row < 1 || row > pane.count())
        return {};
    if (!pane.checked(row))
        return {row};
    std::vector<int> rows;
    for (int i = 1; i <= pane.count(); ++i)
        if (pane.checked(i))
            rows.push_back(i);
    return rows;
}

void CopyPath(const CommandTools& tools, Clipboard& clipboard, const PaneModel& pane, int row)
{
    Procedure proc = menuProcedure(tools, "CopyPath");
    proc.step(100, [&] { tools.pointer.setValue(Pointer::Busy); });
    proc.step(102, [&] { ListViewToClipboard(MenuRowsSource(pane, menuRows(pane, row)), tools.yield, clipboard); });
    proc.step(104, [&] { tools.pointer.setValue(Pointer::Default); });
}

void OpenEntry(const CommandTools& tools, Desktop& desktop, const PaneModel& pane, int row)
{
    Procedure proc = menuProcedure(tools, "OpenEntry");
    proc.step(100, [&] { desktop.open(pane.text(row)); });
}

void ShowInFolder(const CommandTools& tools, Desktop& desktop, const PaneModel& pane, int row)
{
    Procedure proc = menuProcedure(tools, "ShowInFolder");
    proc.step(100, [&] { desktop.showInFolder(pane.text(row)); });
}

void TickAll(PaneModel& results, bool ticked)
{
    results.setAllChecked(ticked);
}

void SaveFolderListAs(const CommandTools& tools, const PaneModel& folders)
{
    Procedure proc = menuProcedure(tools, "SaveFolderListAs");
    int broken = 0;
    proc.step(100, [&] {
        for (int i = 1; i <= folders.count() && broken == 0; ++i)
            if (holdsLineBreak(folders, i))
                broken = i;
    });
    if (broken != 0) {
        proc.step(102, [&] {
            tools.MsgBox(QStringLiteral("Entry ") + QString::number(broken) +
                             QStringLiteral(" holds a line break, which a list file cannot keep. Nothing was saved."),
                         MsgBoxCode::Exclamation);
        });
        return;
    }
    QString path;
    proc.step(104, [&] { path = tools.dialogs.saveFileName(QStringLiteral("Save Folder List"), kTextFileFilters); });
    if (path.isEmpty())
        return;
    int answer = MsgBoxAnswer::Yes;
    if (proc.test(106, [&] { return tools.files.PathExists(path); }))
        proc.step(108, [&] { answer = tools.MsgBox(overwriteQuestion(path), MsgBoxCode::YesNo); });
    if (answer != MsgBoxAnswer::Yes)
        return;
    proc.step(110, [&] { tools.pointer.setValue(Pointer::Busy); });
    writeListFile(tools, proc, folders, path, SaveType::Text);
    proc.step(112, [&] { tools.pointer.setValue(Pointer::Default); });
}
