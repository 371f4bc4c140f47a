#pragma once

#include "platform/Form.h"

// The Delete key removes the selected result unless the pointer is busy.
void ListView2_KeyDown(Form& form, int keyCode, int shift);
// The results pane's "Clear List": empties it at any time, also while a command runs.
void PushButton8_Click(Form& form);
