#include "listing/ExtensionFilter.h"

#include "settings/SettingsStore.h"

void Text1_Change(SettingsStorage& settings, const TextBox& filter)
{
    SaveSetting(settings, Setting::Filter, filter.text());
}

void PushButton15_Click(Reporter& reporter, TextBox& filter)
{
    Procedure proc(reporter, ProcedureText(QStringLiteral("Form1"), QStringLiteral("PushButton15_Click")));
    proc.step(100, [&] { filter.setText(QStringLiteral("*")); });
}

QString FilterHelpText()
{
    return QStringLiteral("Only get files with the specified file extension.\r"
                          "\r"
                          "* for all files\r"
                          "txt for all txt files\r"
                          "htm for all htm files\r"
                          "etc.");
}

void PushButton12_Click(Reporter& reporter, const WindowDialogs& ask)
{
    Procedure proc(reporter, ProcedureText(QStringLiteral("Form1"), QStringLiteral("PushButton12_Click")));
    proc.step(100, [&] { ask.MsgBox(FilterHelpText()); });
}
