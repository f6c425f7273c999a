// The accessible page model over programs whose trees run in circles: what
// one capture writes, and how far "+" climbs, stay bounded.
#include <gtest/gtest.h>

#include "capture/accessible/accessible_document.h"
#include "capture/accessible/page_entry.h"
#include "capture/capture_engine.h"
#include "fake_windows.h"

namespace tnk {
namespace {

// A group whose children are itself twice and a text of a thousand
// characters, as a program with a cycle in its tree answers.
class LoopObject final : public acc::Object {
  public:
    explicit LoopObject(bool leaf) : leaf_(leaf) {}
    dom::Identity identity() const override { return {this, leaf_ ? 1 : 0}; }
    std::optional<acc::Role> role() override {
        return acc::Role{leaf_ ? acc::role::staticText : acc::role::grouping, {}, false};
    }
    std::optional<std::u16string> name() override {
        return leaf_ ? std::u16string(1000, u'x') : std::u16string();
    }
    std::optional<std::u16string> value() override { return std::nullopt; }
    std::uint32_t state() override { return 0; }
    acc::ObjectPtr parent() override { return nullptr; }
    std::vector<acc::ObjectPtr> children() override {
        if (leaf_) {
            return {};
        }
        return {std::make_shared<LoopObject>(false), std::make_shared<LoopObject>(false),
                std::make_shared<LoopObject>(true)};
    }
    acc::Hit hitTest(dom::Point) override { return {acc::Hit::Kind::self, nullptr}; }
    std::optional<std::u16string> objectAttributes() override { return std::nullopt; }
    std::optional<std::u16string> textAttributes() override { return std::nullopt; }

  private:
    bool leaf_;
};

TEST(AccessibleBounds, ALongTextListedOverAndOverFillsNoMoreThanTheWalkAllows) {
    testpage::FakeWindowSystem windows;
    const WindowHandle w = windows.add({.className = u"Loop", .size = {100, 100}});
    windows[w].accessible =
        acc::makeDocument({std::make_shared<LoopObject>(false), {}, u"loop", {}});
    CaptureState state;
    testpage::FakeCaptureHost host{state, windows};
    CaptureEngine engine{state, windows, host};
    engine.setAnyWindow(true);
    engine.captureAtPoint({10, 10});
    ASSERT_TRUE(state.baseElement);

    // While pointing, the view's share; the whole text is bounded by the
    // walk: without the bound, every object the walk may visit adds its
    // text; with it, only the closing tags and line breaks of what was
    // visited follow.
    EXPECT_EQ(state.text.size(), CaptureEngine::kViewTextChars + 1);
    EXPECT_EQ(state.text.back(), CaptureEngine::kCutMark);
    ASSERT_TRUE(engine.completeView());
    const std::size_t bound = acc::kMaxWalkChars + acc::kMaxWalkChars / 16;
    EXPECT_GT(state.text.size(), 100000u);
    EXPECT_LT(state.text.size(), bound);
    EXPECT_LT(state.html.size(), bound);
    std::u16string filtered;
    engine.filteredText(*state.baseElement, filtered);
    EXPECT_GT(filtered.size(), 100000u);
    EXPECT_LT(filtered.size(), bound);
}

// An object whose parent is a fresh object of the same kind, for ever.
class EndlessAncestry final : public acc::Object {
  public:
    dom::Identity identity() const override { return {this, 0}; }
    std::optional<acc::Role> role() override { return acc::Role{acc::role::grouping, {}, false}; }
    std::optional<std::u16string> name() override { return u"up"; }
    std::optional<std::u16string> value() override { return std::nullopt; }
    std::uint32_t state() override { return 0; }
    acc::ObjectPtr parent() override { return std::make_shared<EndlessAncestry>(); }
    std::vector<acc::ObjectPtr> children() override { return {}; }
    acc::Hit hitTest(dom::Point) override { return {acc::Hit::Kind::self, nullptr}; }
    std::optional<std::u16string> objectAttributes() override { return std::nullopt; }
    std::optional<std::u16string> textAttributes() override { return std::nullopt; }
};

// A client object whose hit test finds the endless one.
class EndlessClient final : public acc::Object {
  public:
    dom::Identity identity() const override { return {this, 0}; }
    std::optional<acc::Role> role() override { return acc::Role{acc::role::client, {}, false}; }
    std::optional<std::u16string> name() override { return std::nullopt; }
    std::optional<std::u16string> value() override { return std::nullopt; }
    std::uint32_t state() override { return 0; }
    acc::ObjectPtr parent() override { return nullptr; }
    std::vector<acc::ObjectPtr> children() override { return {found_}; }
    acc::Hit hitTest(dom::Point) override { return {acc::Hit::Kind::child, found_}; }
    std::optional<std::u16string> objectAttributes() override { return std::nullopt; }
    std::optional<std::u16string> textAttributes() override { return std::nullopt; }

  private:
    acc::ObjectPtr found_ = std::make_shared<EndlessAncestry>();
};

TEST(AccessibleBounds, PlusStopsClimbingParentsThatNeverReachTheTop) {
    testpage::FakeWindowSystem windows;
    const WindowHandle w = windows.add({.className = u"Loop", .size = {100, 100}});
    windows[w].accessible =
        acc::makeDocument({std::make_shared<EndlessClient>(), {}, u"endless", {}});
    CaptureState state;
    testpage::FakeCaptureHost host{state, windows};
    CaptureEngine engine{state, windows, host};
    engine.setAnyWindow(true);
    engine.captureAtPoint({10, 10});
    ASSERT_TRUE(state.baseElement);
    ASSERT_TRUE(host.enlargeEnabled);

    int presses = 0;
    while (host.enlargeEnabled && presses < 2000) {
        engine.enlarge();
        ++presses;
    }
    EXPECT_FALSE(host.enlargeEnabled) << "still climbing after " << presses << " presses";
    EXPECT_EQ(state.text, u"up");
    while (state.level > 0) {
        engine.shrink();
    }
    EXPECT_FALSE(host.shrinkEnabled);
}

}  // namespace
}  // namespace tnk
