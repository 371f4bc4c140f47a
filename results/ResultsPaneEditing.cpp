#include "results/ResultsPaneEditing.h"

void ListView2_KeyDown(Form& form, int keyCode, int /*shift*/)
{
    if (keyCode == kKeyDelete)
        RemoveSelectedEntry(form, form.ListView2);
}

void PushButton8_Click(Form& form)
{
    Procedure proc(form.reporter, QStringLiteral("in Foldlister2021/08/31.Form1.PushButton8_Click "));
    proc.step(100, [&] { form.ListView2.clear(); });
}
