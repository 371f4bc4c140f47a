#include "listing/FilterChange.h"

#include "settings/SettingsStore.h"

void Text1_Change(SettingsStorage& settings, const QString& FilterExtension)
{
    SaveSetting(settings, Setting::Filter, FilterExtension);
}
