#pragma once

#include <windows.h>

namespace tnk {

// The multi-line edit that shows captured text. It takes its parent's font
// when created, and answers a copy request with nothing selected at the very
// start by copying the whole text.
HWND createOutputEdit(HWND parent, int id, DWORD style, DWORD exStyle, const RECT& rect);

// Gives an existing edit control (from a dialog template) the copy rule.
void makeOutputEdit(HWND edit);

}  // namespace tnk
