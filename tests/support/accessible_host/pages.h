#pragma once

#include <memory>
#include <string>
#include <vector>

#include "accessible_node.h"

namespace tnk::accessible_host {

// The page window's client size.
constexpr int kPageWidth = 400;
constexpr int kPageHeight = 300;

// A served tree. Its nodes live as long as the page.
struct AccessiblePage {
    std::vector<std::unique_ptr<AccessibleNode>> nodes;
    // The page window's client object.
    AccessibleNode* root = nullptr;
    AccessibleNode* document = nullptr;
    // Children of the document not shown yet (the "late" page).
    std::vector<AccessibleNode*> held;
    // The page window's client size.
    SIZE size = {kPageWidth, kPageHeight};

    // Gives the document its held children.
    void reveal();
};

// "article" or "late"; null for any other name.
std::unique_ptr<AccessiblePage> buildPage(const std::wstring& name, const HostSettings& settings);

// A recorded page (tests/data/recordings/*.acc): its document is the top
// object, as a browser's page window serves it, and the page is the
// recorded viewport. Null, with the reason in `error`, when the file cannot
// be read.
std::unique_ptr<AccessiblePage> loadRecordedPage(const std::wstring& path,
                                                 const HostSettings& settings, std::string& error);

}  // namespace tnk::accessible_host
