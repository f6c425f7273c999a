#pragma once

#include <windows.h>

namespace tnk {

// The program's panel colour, RGB(182, 200, 246).
constexpr COLORREF PanelColor = RGB(182, 200, 246);

// Paints an owner-drawn push button in the panel colour: raised edge, sunken
// while pressed, caption centred on one line, grey when disabled, no focus
// rectangle.
void drawPanelButton(const DRAWITEMSTRUCT& item);

}  // namespace tnk
