#pragma once

// A recorded page's document (a .dom recording) as the in-memory page: the
// recording becomes dom_page markup, with the recorded boxes, styles and
// innerText as layout attributes, and is parsed like any test page.

#include <optional>
#include <string>

#include "dom_page.h"
#include "recording.h"

namespace tnk::testpage {

// The markup; nothing, with the reason in `error`, for a recording of
// another type or one whose first node is not the HTML element.
std::optional<std::string> markupOf(const testrec::Recording& recording,
                                    std::string* error = nullptr);

// The page at the recorded address, its viewport the recorded one.
std::optional<Page> loadRecordedPage(const testrec::Recording& recording,
                                     std::string* error = nullptr);

}  // namespace tnk::testpage
