#include "app/Help.h"

void PushButton11_Click(Reporter& reporter, const WindowDialogs& ask)
{
    Procedure proc(reporter, ProcedureText(QStringLiteral("Form1"), QStringLiteral("PushButton11_Click")));
    proc.step(100, [&] { ask.MsgBox(QStringLiteral("Questions? Please contact Team Quillmark at ") + kContactPage); });
}
