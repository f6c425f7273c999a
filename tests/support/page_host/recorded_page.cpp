#include "dom_recording.h"
#include "pages.h"

namespace tnk::page_host {

namespace {

std::wstring wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

std::wstring quoted(const std::u16string& value) {
    std::wstring out;
    for (char16_t c : value) {
        switch (c) {
            case u'&':
                out += L"&amp;";
                break;
            case u'"':
                out += L"&quot;";
                break;
            case u'<':
                out += L"&lt;";
                break;
            default:
                out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

std::string narrow(const std::wstring& path) {
    std::string out;
    for (wchar_t c : path) {
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

// The host's element for a page element and, below it, its elements and
// text (comments are left out: the host has no comment nodes). Boxes become
// absolute in the document window: `origin` is the parent's content corner.
HostElement* convert(HostDocument* document, testpage::PageElement& element, POINT origin) {
    const testpage::Box& b = element.box();
    const RECT box = element.hasBox() ? RECT{origin.x + b.x, origin.y + b.y,
                                             origin.x + b.x + b.width, origin.y + b.y + b.height}
                                      : RECT{};
    auto* host = new HostElement(document, wide(element.tag()), box);
    for (const auto& [name, value] : element.attributes()) {
        host->attributes += L" " + wide(name) + L"=\"" + quoted(value) + L"\"";
    }
    const testpage::ComputedStyle& style = element.computed();
    host->style.display = wide(style.display);
    host->style.fontSize = wide(style.fontSize);
    host->style.color = wide(style.color.text);
    host->style.backgroundColor = wide(style.backgroundColor.text);
    if (element.recordedInnerText()) {
        host->recordedInnerText = wide(*element.recordedInnerText());
    }
    const POINT content = {box.left + element.border().x, box.top + element.border().y};
    for (const auto& child : element.children()) {
        if (child->nodeType() == 1) {
            host->append(convert(document, static_cast<testpage::PageElement&>(*child), content));
        } else if (child->nodeType() == 3) {
            host->append(new HostText(wide(child->value())));
        }
    }
    return host;
}

}  // namespace

HostDocument* loadRecordedPage(const std::wstring& path, SIZE& viewport, std::string& error) {
    const auto recording = testrec::readRecording(narrow(path), &error);
    if (!recording) {
        return nullptr;
    }
    const auto page = testpage::loadRecordedPage(*recording, &error);
    if (!page) {
        return nullptr;
    }
    auto* document = new HostDocument(wide(recording->url), wide(recording->title));
    auto* window = new HostWindow;
    window->document = document;
    document->window = window;
    document->overflowing = true;
    document->root = convert(document, *page->document()->root(), POINT{0, 0});
    viewport = {recording->viewport.x, recording->viewport.y};
    return document;
}

}  // namespace tnk::page_host
