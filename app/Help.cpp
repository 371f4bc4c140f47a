#include "app/Help.h"

void PushButton11_Click(Form& form)
{
    Procedure proc(form.reporter, QStringLiteral("in Foldlister2021/08/31.Form1.PushButton11_Click "));
    proc.step(100, [&] { form.MsgBox(QStringLiteral("Questions? Please contact Team Quillmark at ") + kContactPage); });
}
