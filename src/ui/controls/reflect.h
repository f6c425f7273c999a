#pragma once

#include <windows.h>

namespace tnk {

// A parent hands a control's own notifications (owner drawing, colours) back
// to the control by sending it the message offset by this base, so that the
// control's class paints itself.
constexpr UINT kReflectBase = WM_USER + 0x1C00;
constexpr UINT kReflectDrawItem = kReflectBase + WM_DRAWITEM;
constexpr UINT kReflectCtlColorStatic = kReflectBase + WM_CTLCOLORSTATIC;

}  // namespace tnk
