#pragma once

#include <windows.h>

#include <mshtml.h>

#include "capture/dom.h"

// The page object model of the capture engine over the browser's MSHTML
// COM interfaces.
namespace tnk::mshtml {

// Wraps a page document, adding a reference of the wrapper's own. Null in,
// or an object that cannot report its identity, gives null.
dom::DocumentPtr wrapDocument(IHTMLDocument2* document);

// The page document shown in a browser window ("WM_HTML_GETOBJECT" through
// OLEACC.DLL, loaded for the request); null when there is none or the window
// does not answer within `timeoutMs`. `answered`, when given, tells whether
// the window answered the request at all.
dom::DocumentPtr documentOfWindow(HWND window, UINT timeoutMs, bool* answered = nullptr);

}  // namespace tnk::mshtml
