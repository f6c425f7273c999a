#include "ui/controls/resize_layout.h"

#include <algorithm>

namespace tnk {
namespace {

std::int32_t share(std::int32_t growth, double percent) {
    return static_cast<std::int32_t>(growth * percent * 0.01);
}

}  // namespace

LayoutRect placeEntry(const LayoutEntry& entry, std::int32_t growthX, std::int32_t growthY) {
    return {entry.rect.x + share(growthX, entry.moveX), entry.rect.y + share(growthY, entry.moveY),
            entry.rect.width + share(growthX, entry.growX),
            entry.rect.height + share(growthY, entry.growY)};
}

void ResizeLayout::add(HWND control, double moveX, double moveY, double growX, double growY) {
    if (!control) {
        return;
    }
    RECT screen{};
    GetWindowRect(control, &screen);
    POINT topLeft{screen.left, screen.top};
    ScreenToClient(GetParent(control), &topLeft);
    addEntry({control,
              {topLeft.x, topLeft.y, screen.right - screen.left, screen.bottom - screen.top},
              moveX,
              moveY,
              growX,
              growY});
}

void ResizeLayout::addEntry(const LayoutEntry& entry) {
    if (!entry.control) {
        return;
    }
    entries_.insert(entries_.begin(), entry);
    const LayoutRect& r = entry.rect;
    minLeft_ = std::min(minLeft_, r.x);
    minTop_ = std::min(minTop_, r.y);
    maxRight_ = std::max(maxRight_, r.x + r.width);
    maxBottom_ = std::max(maxBottom_, r.y + r.height);
}

std::int32_t ResizeLayout::growthX(std::int32_t clientWidth) const {
    return std::max(0, clientWidth - minLeft_ - maxRight_);
}

std::int32_t ResizeLayout::growthY(std::int32_t clientHeight) const {
    return std::max(0, clientHeight - minTop_ - maxBottom_);
}

void ResizeLayout::apply(std::int32_t clientWidth, std::int32_t clientHeight) const {
    if (entries_.empty()) {
        return;
    }
    const std::int32_t gx = growthX(clientWidth);
    const std::int32_t gy = growthY(clientHeight);
    for (const LayoutEntry& entry : entries_) {
        const LayoutRect r = placeEntry(entry, gx, gy);
        MoveWindow(entry.control, r.x, r.y, r.width, r.height, TRUE);
    }
    if (HWND parent = GetParent(entries_.front().control)) {
        InvalidateRect(parent, nullptr, TRUE);
    }
}

bool ResizeLayout::replaceControl(HWND from, HWND to) {
    for (LayoutEntry& entry : entries_) {
        if (entry.control == from) {
            entry.control = to;
            return true;
        }
    }
    return false;
}

}  // namespace tnk
