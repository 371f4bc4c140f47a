#include "app/Help.h"

void PushButton11_Click(const CommandTools& tools)
{
    Procedure proc(tools.reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton11_Click")));
    proc.step(100,
              [&] { tools.MsgBox(QStringLiteral("Questions? Please contact Team Quillmark at ") + kContactPage); });
}

QString filterHelpText()
{
    return QStringLiteral("Only get files with the specified file extension.\r"
                          "\r"
                          "* for all files\r"
                          "txt for all txt files\r"
                          "htm for all htm files\r"
                          "etc.");
}

void PushButton12_Click(const CommandTools& tools)
{
    Procedure proc(tools.reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton12_Click")));
    proc.step(100, [&] { tools.MsgBox(filterHelpText()); });
}
