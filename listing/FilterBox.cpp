#include "listing/FilterBox.h"

#include "settings/SettingsStore.h"

void Text1_Change(SettingsStorage& settings, const TextBox& filter)
{
    SaveSetting(settings, Setting::Filter, filter.text());
}

void PushButton15_Click(Reporter& reporter, TextBox& filter)
{
    Procedure proc(reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton15_Click")));
    proc.step(100, [&] { filter.setText(QStringLiteral("*")); });
}
