#include "folders/AddFoldersCommand.h"

#include "folders/AddFolder.h"
#include "folders/CollapseBackslashes.h"
#include "platform/PathStyle.h"
#include "settings/SettingsStore.h"

#include <vector>

void PushButton6_Click(Form& form)
{
    Procedure proc(form.reporter, QStringLiteral("in Foldlister2021/08/31.Form1.PushButton6_Click "));
    QString picked;
    // A start folder that cannot be read stays as the last run left it.
    proc.step(100, [&] {
        form.StartFolder =
            GetSetting(form.sys.settings, kSettingsApplication, kSettingsSection, QStringLiteral("LastFolderDot"), {});
    });
    proc.step(100, [&] { picked = PickFolder(form, QStringLiteral("Please select folder:"), form.StartFolder); });
    if (proc.test(102, [&] { return picked.isEmpty(); }))
        return;
    proc.step(104, [&] { form.MousePointer.setValue(Pointer::Busy); });
    // The root comes back with its separator, so its seed has two; the copy into the pane folds them.
    std::vector<QString> work;
    proc.step(106, [&] { work.push_back(picked + separator()); });
    proc.step(108, [&] { GetSubDirectories2016(form, work, true); });
    for (const QString& entry : work)
        proc.step(112, [&] { form.ListView1.append(CollapseBackslashes(entry)); });
    proc.step(114, [&] { form.MousePointer.setValue(Pointer::Default); });
}
