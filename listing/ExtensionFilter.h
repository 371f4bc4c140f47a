#pragma once

#include "window/Form.h"

// The filter box: every change of its text is stored at once under "Text1".
void Text1_Change(SettingsStorage& settings, const TextBox& filter);
// "All Files": the filter "*".
void PushButton15_Click(Reporter& reporter, TextBox& filter);
// "?": what the filter means.
void PushButton12_Click(Reporter& reporter, const WindowDialogs& ask);

// The filter help, six lines joined by carriage returns.
QString FilterHelpText();
