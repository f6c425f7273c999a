#pragma once

#include <windows.h>

#include <oleacc.h>

#include "capture/accessible/accessible.h"
#include "capture/com/com_ptr.h"
#include "capture/dom.h"

// The accessible objects of other programs over IAccessible, with the
// IAccessible2 extensions where the object offers them (through
// IServiceProvider, never registered by Tarnwick itself).
namespace tnk::msaa {

// The object itself (CHILDID_SELF) or one of its simple children; null for
// a null object or one that will not give its identity.
acc::ObjectPtr wrapObject(com::ComPtr<IAccessible> object, long childId = CHILDID_SELF);

// The page of a window's accessible objects: its client object, asked for
// with WM_GETOBJECT and a time-out; null when the window answers with no
// object of its own (plain controls do) or does not answer in time; then
// `answered`, where given, tells the two apart.
dom::DocumentPtr documentOfWindow(HWND window, UINT timeoutMs, bool* answered = nullptr);

}  // namespace tnk::msaa
