#include "folders/AddFolders.h"

#include "base/PathStyle.h"
#include "folders/CollapseBackslashes.h"
#include "folders/SubfolderWalk.h"
#include "settings/SettingsStore.h"

#include <vector>

namespace {

// The folder chooser, modal to the window: the chosen folder without a trailing separator (but for the root),
// or "" when the user cancelled.
QString PickFolder(Dialogs& dialogs, const QString& prompt, const QString& startFolder)
{
    return dialogs.pickFolder(prompt, startFolder);
}

} // namespace

void PushButton6_Click(const CommandTools& tools, SettingsStorage& settings, PaneModel& folders, QString& startFolder)
{
    Procedure proc(tools.reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton6_Click")));
    QString picked;
    // A start folder that cannot be read stays as the last run left it.
    proc.step(100, [&] { startFolder = GetSetting(settings, Setting::StartFolder); });
    proc.step(100,
              [&] { picked = PickFolder(tools.dialogs, QStringLiteral("Please select folder:"), startFolder); });
    if (proc.test(102, [&] { return picked.isEmpty(); }))
        return;
    proc.step(104, [&] { tools.pointer.setValue(Pointer::Busy); });
    // The root comes back with its separator, so its seed has two; the copy into the pane folds them.
    std::vector<QString> work;
    proc.step(106, [&] { work.push_back(picked + separator()); });
    proc.step(108, [&] { GetSubDirectories2016(tools.reporter, tools.files, tools.yield, work, true); });
    // Many rows go into the pane here without a yield: the window goes on painting meanwhile, taking no input.
    for (const QString& entry : work) {
        proc.step(112, [&] { folders.append(CollapseBackslashes(entry)); });
        tools.yield.paintOnly();
    }
    proc.step(114, [&] { tools.pointer.setValue(Pointer::Default); });
}
