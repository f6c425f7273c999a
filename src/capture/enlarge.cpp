#include <array>
#include <string>

#include "capture/capture_engine.h"

namespace tnk {

dom::ElementPtr CaptureEngine::containingFrameElement(dom::Element& element) {
    const dom::DocumentPtr document = element.document();
    const dom::WindowPtr window = document ? document->scriptWindow() : nullptr;
    const dom::WindowPtr parentWindow = window ? window->parent() : nullptr;
    const dom::DocumentPtr parentDocument = parentWindow ? parentWindow->document() : nullptr;
    if (!parentDocument) {
        return nullptr;
    }
    static const std::array<std::u16string, 2> frameTags = {u"FRAME", u"IFRAME"};
    for (const std::u16string& tag : frameTags) {
        const auto items = parentDocument->elementsByTagName(tag);
        if (!items) {
            continue;
        }
        for (const dom::ElementPtr& item : *items) {
            if (!item) {
                continue;
            }
            const dom::WindowPtr content = item->contentWindow();
            if (dom::sameObject(content.get(), window.get())) {
                return item;
            }
        }
    }
    return nullptr;
}

dom::ElementPtr CaptureEngine::parentOf(dom::Element& element) {
    if (dom::ElementPtr parent = element.parentElement()) {
        return parent;
    }
    return containingFrameElement(element);
}

dom::ElementPtr CaptureEngine::ancestorAt(std::int32_t n) {
    dom::ElementPtr reached = state_.baseElement;
    for (std::int32_t step = 0; step < n && reached; ++step) {
        reached = parentOf(*reached);
    }
    return reached;
}

void CaptureEngine::enlarge() {
    if (!state_.baseElement) {
        return;
    }
    const dom::ElementPtr shown = ancestorAt(state_.level);
    if (!shown) {
        return;
    }
    if (const dom::ElementPtr parent = shown->parentElement()) {
        ++state_.level;
        host_.enableShrink(true);
        showElement(parent);
    } else if (const dom::ElementPtr frame = containingFrameElement(*shown)) {
        showElement(frame);
        ++state_.level;
        host_.enableShrink(true);
    } else {
        host_.enableEnlarge(false);
    }
}

void CaptureEngine::shrink() {
    if (state_.level <= 0) {
        return;
    }
    --state_.level;
    host_.enableEnlarge(true);
    if (state_.level == 0) {
        host_.enableShrink(false);
    }
    showElement(ancestorAt(state_.level));
}

}  // namespace tnk
