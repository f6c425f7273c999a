#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace tnk {

struct LayoutRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

// One anchored control: its rectangle when it was added and how much of the
// window's growth (in percent) moves it and widens it.
struct LayoutEntry {
    HWND control = nullptr;
    LayoutRect rect;
    double moveX = 0;
    double moveY = 0;
    double growX = 0;
    double growY = 0;
};

// Where an entry goes when the listed controls have grown by the given
// amounts; each share is truncated toward zero before it is added.
LayoutRect placeEntry(const LayoutEntry& entry, std::int32_t growthX, std::int32_t growthY);

// Keeps controls anchored while the dialog is resized. Positions always come
// from the rectangles recorded at `add`, so repeated resizing cannot drift.
class ResizeLayout {
  public:
    // Records the control's current rectangle in its parent's client area.
    void add(HWND control, double moveX, double moveY, double growX, double growY);
    // Puts an entry at the head of the list; a null control is ignored.
    void addEntry(const LayoutEntry& entry);
    // Moves every control for a client area of the given size.
    void apply(std::int32_t clientWidth, std::int32_t clientHeight) const;
    // The growth for a client area of the given size (never negative).
    std::int32_t growthX(std::int32_t clientWidth) const;
    std::int32_t growthY(std::int32_t clientHeight) const;
    // The first entry that held `from` holds `to` from now on.
    bool replaceControl(HWND from, HWND to);

    // Head first.
    const std::vector<LayoutEntry>& entries() const { return entries_; }
    std::int32_t minLeft() const { return minLeft_; }
    std::int32_t minTop() const { return minTop_; }
    std::int32_t maxRight() const { return maxRight_; }
    std::int32_t maxBottom() const { return maxBottom_; }

  private:
    std::vector<LayoutEntry> entries_;
    std::int32_t minLeft_ = 2147483647;
    std::int32_t minTop_ = 2147483647;
    std::int32_t maxRight_ = 0;
    std::int32_t maxBottom_ = 0;
};

}  // namespace tnk
