#pragma once

#include "platform/Form.h"

// The folder pane's own editing: a double-click or the Delete key removes the selected entry, and its
// "Clear List" empties it; none of them acts while a command holds the busy pointer.
void ListView1_DblClick(Form& form);
void ListView1_KeyDown(Form& form, int keyCode, int shift);
void PushButton9_Click(Form& form);
