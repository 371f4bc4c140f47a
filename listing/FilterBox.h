#pragma once

#include "commands/Form.h"

// The filter box: every change of its text is stored at once under "Text1".
void Text1_Change(SettingsStorage& settings, const TextBox& filter);
// "All Files": the filter "*".
void PushButton15_Click(Reporter& reporter, TextBox& filter);
