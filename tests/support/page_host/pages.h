#pragma once

#include <string>

#include "host_objects.h"

namespace tnk::page_host {

// Size of the server window's client area; every page is laid out in it.
constexpr int kPageWidth = 400;
constexpr int kPageHeight = 300;

// The top document of a named page ("simple", "filtered", "frames",
// "iframe", "table"), or null for an unknown name. The boxes are listed in
// README.md.
HostDocument* buildPage(const std::wstring& name);

// A recorded page (tests/data/recordings/*.dom) at its recorded address,
// with the recorded boxes, styles and innerText; `viewport` gets the
// recorded viewport. Null, with the reason in `error`, when the file cannot
// be read.
HostDocument* loadRecordedPage(const std::wstring& path, SIZE& viewport, std::string& error);

}  // namespace tnk::page_host
