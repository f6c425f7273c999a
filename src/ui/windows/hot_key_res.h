// Control ids of the "Capture key" dialog. Included by the resource script,
// so macros only.
#pragma once

#define IDC_KEY_LABEL 1040
#define IDC_KEY_HOTKEY 1041
#define IDC_KEY_STATUS 1042
