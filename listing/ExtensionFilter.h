#pragma once

#include "platform/Form.h"

// The filter box: every change of its text is stored at once under "Text1".
void Text1_Change(Form& form);
// "All Files": the filter "*".
void PushButton15_Click(Form& form);
// "?": what the filter means.
void PushButton12_Click(Form& form);

// The filter help, six lines joined by carriage returns.
QString FilterHelpText();
