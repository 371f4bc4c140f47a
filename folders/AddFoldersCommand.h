#pragma once

#include "platform/Form.h"

// "1. Add Folders and Subfolders": the user picks a folder, and the folder pane gets that folder and every
// usable folder below it, level by level, each ending in one separator.
void PushButton6_Click(Form& form);
