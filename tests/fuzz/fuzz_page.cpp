// The capture engine over the in-memory HTML page. Byte 0 holds switches
// (bit 0 fresh wrappers, bit 1 reused identities, bit 2 forget frame offsets
// after every point, bit 3 the page gives no URL or title); bytes 1-8 are
// four points in the browser window's client area (each byte times 4); the
// rest is the page's markup. At every point the engine captures, enlarges
// up to the top (at most kMaxEnlarge times), shrinks back, and takes the
// filtered text and the frame offset of what it captured.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "../unit/capture/test_rig.h"

namespace {

constexpr int kMaxEnlarge = 32;

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void exercise(tnk::Rig& rig, bool preformatted) {
    tnk::CaptureState& state = rig.state;
    const tnk::dom::ElementPtr base = state.baseElement;
    if (!base) {
        return;
    }
    const std::u16string html = state.html;
    check(html == base->outerHtml().value_or(u""));
    for (int i = 0; i < kMaxEnlarge && rig.host.enlargeEnabled; ++i) {
        rig.engine.enlarge();
    }
    const std::int32_t levels = state.level;
    check(levels >= 0 && levels <= kMaxEnlarge);
    for (std::int32_t i = 0; i < levels; ++i) {
        rig.engine.shrink();
    }
    check(state.level == 0 && !rig.host.shrinkEnabled && state.html == html);

    std::u16string text;
    rig.engine.filteredText(*base, text);
    if (const tnk::dom::NodePtr node = base->asNode()) {
        rig.engine.appendNodeText(*node, text);
    }
    // Tidy: no line break first, every line break whole, and where nothing
    // is preformatted no space before a line break or at the end.
    rig.engine.setTidyText(true);
    std::u16string tidy;
    rig.engine.filteredText(*base, tidy);
    rig.engine.setTidyText(false);
    check(!tidy.starts_with(u"\r\n"));
    check(preformatted || (!tidy.ends_with(u" ") && tidy.find(u" \r\n") == std::u16string::npos));
    for (std::size_t at = tidy.find(u'\r'); at != std::u16string::npos;
         at = tidy.find(u'\r', at + 1)) {
        check(at + 1 < tidy.size() && tidy[at + 1] == u'\n');
    }
    tnk::dom::Point offset;
    check(rig.engine.frameOffset(nullptr, base, offset) == 0);
}

// Whether the markup may keep spaces as written: a PRE or TEXTAREA element,
// or a white-space value that keeps them.
bool mayBePreformatted(std::string_view markup) {
    std::string lower(markup);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (const char* word : {"pre", "textarea", "break-spaces"}) {
        if (lower.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9) {
        return 0;
    }
    const std::uint8_t switches = data[0];
    const std::string_view markup(reinterpret_cast<const char*>(data + 9), size - 9);
    const bool preformatted = mayBePreformatted(markup);
    tnk::Rig rig(markup);
    const auto& document = rig.page.document();
    document->freshWrappers = switches & 1;
    document->reusedIdentities = switches & 2;
    document->urlFails = document->titleFails = switches & 8;

    for (int i = 0; i < 4; ++i) {
        rig.moveTo(data[1 + 2 * i] * 4, data[2 + 2 * i] * 4);
        exercise(rig, preformatted);
        if (switches & 4) {
            rig.engine.clearFrameOffsets();
        }
    }
    if (const tnk::dom::ElementPtr root = document->documentElement()) {
        std::u16string text;
        rig.engine.filteredText(*root, text);
    }
    rig.engine.recordSource();
    rig.engine.clearFrameOffsets();
    return 0;
}
