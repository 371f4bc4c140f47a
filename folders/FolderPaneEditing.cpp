#include "folders/FolderPaneEditing.h"

void ListView1_DblClick(Form& form)
{
    RemoveSelectedEntry(form, form.ListView1);
}

void ListView1_KeyDown(Form& form, int keyCode, int /*shift*/)
{
    if (keyCode == kKeyDelete)
        RemoveSelectedEntry(form, form.ListView1);
}

void PushButton9_Click(Form& form)
{
    Procedure proc(form.reporter, QStringLiteral("in Foldlister2021/08/31.Form1.PushButton9_Click "));
    if (proc.test(100, [&] { return !form.busy(); }))
        proc.step(100, [&] { form.ListView1.clear(); });
}
