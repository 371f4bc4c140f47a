#pragma once

#include "platform/SettingsStorage.h"

#include <QString>

// The filter box: every change of its text is stored at once under "Text1".
void Text1_Change(SettingsStorage& settings, const QString& FilterExtension);
