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

}  // namespace tnk::mshtml
