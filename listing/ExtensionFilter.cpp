#include "listing/ExtensionFilter.h"

#include "settings/SettingsStore.h"

void Text1_Change(Form& form)
{
    SaveSetting(form.sys.settings, kSettingsApplication, kSettingsSection, QStringLiteral("Text1"), form.Text1.text());
}

void PushButton15_Click(Form& form)
{
    Procedure proc(form.reporter, QStringLiteral("in Foldlister2021/08/31.Form1.PushButton15_Click "));
    proc.step(100, [&] { form.Text1.setText(QStringLiteral("*")); });
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

void PushButton12_Click(Form& form)
{
    Procedure proc(form.reporter, QStringLiteral("in Foldlister2021/08/31.Form1.PushButton12_Click "));
    proc.step(100, [&] { form.MsgBox(FilterHelpText()); });
}
