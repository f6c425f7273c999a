#pragma once

#include <functional>
#include <string>

#include "capture/accessible/accessible.h"
#include "capture/dom.h"

namespace tnk::acc {

// Where an accessible page comes from: the client object of a window, how
// that window's client points map to the screen and back, and its text.
struct PageSource {
    ObjectPtr client;
    std::function<dom::Point(dom::Point)> clientToScreen;
    // The window's text: the title when the page names no document.
    std::u16string windowText;
    // Asks the window for its client object again; may be empty. Some
    // programs build their tree only once asked and first hand out an empty
    // object.
    std::function<ObjectPtr()> reacquire;
    // The inverse of clientToScreen, for the boxes of elements.
    std::function<dom::Point(dom::Point)> screenToClient = {};
};

// The page model of the capture engine over accessible objects: every
// object is an element whose tag, text, markup and style are derived from
// its role, state, name, value and IAccessible2 attributes. Null when the
// source has no client object.
dom::DocumentPtr makeDocument(PageSource source);

}  // namespace tnk::acc
