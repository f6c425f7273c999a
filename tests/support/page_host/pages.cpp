#include "pages.h"

#include <initializer_list>

namespace tnk::page_host {

namespace {

const wchar_t kSite[] = L"http://pages.tarnwick.test/";

// One child in a page description: an element or a run of text.
struct Child {
    Child(HostElement* e) : element(e) {}
    Child(const wchar_t* t) : text(t) {}
    HostElement* element = nullptr;
    const wchar_t* text = nullptr;
};

// Builds one document's elements; the tree lives as long as the process.
class Builder {
  public:
    explicit Builder(HostDocument* document) : document_(document) {}

    HostElement* operator()(const wchar_t* tag, RECT box, std::initializer_list<Child> kids = {},
                            const wchar_t* id = nullptr) {
        auto* e = new HostElement(document_, tag, box);
        if (id) {
            e->attributes = std::wstring(L" id=") + id;
        }
        for (const Child& kid : kids) {
            e->append(kid.element ? static_cast<HostNode*>(kid.element) : new HostText(kid.text));
        }
        return e;
    }

  private:
    HostDocument* document_;
};

// A document with its script window, at the top until a frame shows it.
HostDocument* newDocument(const std::wstring& file, const std::wstring& title) {
    auto* document = new HostDocument(kSite + file, title);
    auto* window = new HostWindow;
    window->document = document;
    document->window = window;
    return document;
}

HostElement* styled(HostElement* e, const wchar_t* display, const wchar_t* fontSize,
                    const wchar_t* color, const wchar_t* background) {
    if (display) {
        e->style.display = display;
    }
    if (fontSize) {
        e->style.fontSize = fontSize;
    }
    if (color) {
        e->style.color = color;
    }
    if (background) {
        e->style.backgroundColor = background;
    }
    return e;
}

HostElement* whiteSpace(HostElement* e, const wchar_t* value) {
    e->style.whiteSpace = value;
    return e;
}

// A frame element showing `content` in a window whose parent is the window
// of the document holding the frame.
HostElement* frame(HostElement* e, HostDocument* content) {
    e->content = content->window;
    content->window->parentWindow = e->ownerDocument()->window;
    return e;
}

HostDocument* simplePage() {
    HostDocument* d = newDocument(L"simple.html", L"Simple page");
    Builder el(d);
    d->root = el(
        L"HTML", {0, 0, 400, 300},
        {el(L"BODY", {0, 0, 400, 300},
            {el(L"DIV", {10, 10, 390, 40}, {L"Hello page"}, L"heading"),
             el(L"P", {10, 50, 390, 90},
                {L"First ", el(L"B", {60, 50, 100, 70}, {L"bold"}, L"strong"), L" words"}, L"para"),
             el(L"DIV", {10, 100, 390, 140}, {L"Note text"}, L"note"),
             el(L"DIV", {300, 250, 390, 290}, {L"Corner"}, L"corner")})});
    return d;
}

HostDocument* filteredPage() {
    HostDocument* d = newDocument(L"filtered.html", L"Filtered page");
    Builder el(d);
    d->root = el(L"HTML", {0, 0, 400, 300},
                 {el(L"BODY", {0, 0, 400, 300},
                     {el(L"DIV", {10, 10, 390, 290},
                         {L"Visible ",
                          styled(el(L"SPAN", {80, 10, 120, 30}, {L"hidden"}), L"none", nullptr,
                                 nullptr, nullptr),
                          L"  text", el(L"P", {10, 40, 390, 70}, {L"para"}),
                          styled(el(L"DIV", {10, 80, 390, 90}, {L"tiny"}), nullptr, L"0px", nullptr,
                                 nullptr),
                          styled(el(L"SPAN", {10, 100, 60, 120}, {L"ghost"}), nullptr, nullptr,
                                 L"#FFFFFF", L"white"),
                          L"one", el(L"BR", {10, 120, 10, 140}), L"two",
                          whiteSpace(el(L"SPAN", {10, 140, 200, 160}, {L"  three  four"}), L"pre")},
                         L"box")})});
    return d;
}

HostDocument* framesPage() {
    HostDocument* d = newDocument(L"frames.html", L"Frame page");
    HostDocument* left = newDocument(L"left.html", L"Left frame");
    HostDocument* right = newDocument(L"right.html", L"Right frame");
    Builder l(left);
    left->root =
        l(L"HTML", {0, 0, 200, 300},
          {l(L"BODY", {0, 0, 200, 300}, {l(L"P", {10, 10, 190, 50}, {L"Left text"}, L"lp")})});
    Builder r(right);
    right->root =
        r(L"HTML", {0, 0, 200, 300},
          {r(L"BODY", {0, 0, 200, 300}, {r(L"DIV", {10, 10, 190, 50}, {L"Right text"}, L"rd")})});
    Builder el(d);
    d->root = el(L"HTML", {0, 0, 400, 300},
                 {el(L"FRAMESET", {0, 0, 400, 300},
                     {frame(el(L"FRAME", {0, 0, 200, 300}, {}, L"left"), left),
                      frame(el(L"FRAME", {200, 0, 400, 300}, {}, L"right"), right)})});
    return d;
}

HostDocument* iframePage() {
    HostDocument* d = newDocument(L"iframe.html", L"IFrame page");
    HostDocument* inner = newDocument(L"inner.html", L"Inner frame");
    HostDocument* deep = newDocument(L"deep.html", L"Deep frame");
    Builder dp(deep);
    deep->root =
        dp(L"HTML", {0, 0, 280, 130},
           {dp(L"BODY", {0, 0, 280, 130}, {dp(L"P", {10, 10, 270, 40}, {L"Deep text"}, L"dp")})});
    Builder in(inner);
    inner->root = in(L"HTML", {0, 0, 300, 200},
                     {in(L"BODY", {0, 0, 300, 200},
                         {in(L"P", {10, 10, 290, 40}, {L"Inside text"}, L"ip"),
                          frame(in(L"IFRAME", {10, 60, 290, 190}, {}, L"nested"), deep)})});
    Builder el(d);
    d->root = el(L"HTML", {0, 0, 400, 300},
                 {el(L"BODY", {0, 0, 400, 300},
                     {el(L"P", {10, 10, 390, 40}, {L"Outer text"}, L"outer"),
                      frame(el(L"IFRAME", {50, 60, 350, 260}, {}, L"inner"), inner)})});
    return d;
}

HostDocument* tablePage() {
    HostDocument* d = newDocument(L"table.html", L"Table page");
    Builder el(d);
    HostElement* inner = el(L"TABLE", {210, 20, 380, 280},
                            {el(L"TBODY", {210, 20, 380, 280},
                                {el(L"TR", {210, 20, 380, 280},
                                    {el(L"TD", {210, 20, 380, 280}, {L"Inner cell"}, L"c3")})})},
                            L"inner");
    d->root = el(L"HTML", {0, 0, 400, 300},
                 {el(L"BODY", {0, 0, 400, 300},
                     {el(L"TABLE", {10, 10, 390, 290},
                         {el(L"TBODY", {10, 10, 390, 290},
                             {el(L"TR", {10, 10, 390, 290},
                                 {el(L"TD", {10, 10, 200, 290}, {L"Left cell"}, L"c1"),
                                  el(L"TD", {200, 10, 390, 290}, {inner}, L"c2")})})},
                         L"outer")})});
    return d;
}

// A FRAME and an IFRAME in one document, for a drag from one into the other.
HostDocument* mixedPage() {
    HostDocument* d = newDocument(L"mixed.html", L"Mixed page");
    HostDocument* side = newDocument(L"side.html", L"Side frame");
    HostDocument* inline_ = newDocument(L"inline.html", L"Inline frame");
    Builder s(side);
    side->root =
        s(L"HTML", {0, 0, 150, 200},
          {s(L"BODY", {0, 0, 150, 200}, {s(L"H1", {10, 10, 140, 50}, {L"Side text"}, L"sh")})});
    Builder i(inline_);
    inline_->root =
        i(L"HTML", {0, 0, 180, 200},
          {i(L"BODY", {0, 0, 180, 200}, {i(L"P", {10, 10, 170, 50}, {L"Inline text"}, L"ilp")})});
    Builder el(d);
    d->root = el(L"HTML", {0, 0, 400, 300},
                 {el(L"BODY", {0, 0, 400, 300},
                     {frame(el(L"FRAME", {10, 90, 160, 290}, {}, L"side"), side),
                      frame(el(L"IFRAME", {200, 50, 380, 250}, {}, L"inline"), inline_)})});
    return d;
}

// The page of the demo (scripts/demo.sh): a paragraph with a part hidden in
// each way the filtered walk drops, a table and a frame. The hidden parts
// have empty boxes, so the host draws them nowhere, as a browser would not
// show them; BODY's line-break texts make its innerText read in lines.
HostDocument* demoPage() {
    HostDocument* d = newDocument(L"demo.html", L"Demo page");
    HostDocument* aside = newDocument(L"aside.html", L"Demo frame");
    Builder a(aside);
    aside->root = a(
        L"HTML", {0, 0, 280, 115},
        {a(L"BODY", {0, 0, 280, 115}, {a(L"P", {10, 10, 270, 50}, {L"Text in a frame"}, L"fp")})});
    Builder el(d);
    d->root =
        el(L"HTML", {0, 0, 400, 300},
           {el(L"BODY", {0, 0, 400, 300},
               {el(L"DIV", {10, 10, 390, 35}, {L"Hidden text, a table and a frame"}, L"heading"),
                L"\r\n",
                el(L"P", {10, 45, 390, 95},
                   {L"Visible words stay",
                    styled(el(L"SPAN", {10, 45, 10, 45}, {L" [display none]"}), L"none", nullptr,
                           nullptr, nullptr),
                    L",",
                    styled(el(L"SPAN", {10, 45, 10, 45}, {L" [zero font size]"}), nullptr, L"0px",
                           nullptr, nullptr),
                    L" hidden words",
                    styled(el(L"SPAN", {10, 45, 10, 45}, {L" [white on white]"}), nullptr, nullptr,
                           L"#FFFFFF", L"white"),
                    L" go."},
                   L"para"),
                L"\r\n",
                el(L"TABLE", {10, 105, 390, 165},
                   {el(L"TBODY", {10, 105, 390, 165},
                       {el(L"TR", {10, 105, 390, 165},
                           {el(L"TD", {10, 105, 200, 165}, {L"First cell"}, L"cell1"), L" ",
                            el(L"TD", {200, 105, 390, 165}, {L"Second cell"}, L"cell2")})})},
                   L"grid"),
                frame(el(L"IFRAME", {10, 175, 290, 290}, {}, L"aside"), aside)})});
    return d;
}

}  // namespace

HostDocument* buildPage(const std::wstring& name) {
    if (name == L"simple") {
        return simplePage();
    }
    if (name == L"filtered") {
        return filteredPage();
    }
    if (name == L"frames") {
        return framesPage();
    }
    if (name == L"iframe") {
        return iframePage();
    }
    if (name == L"table") {
        return tablePage();
    }
    if (name == L"mixed") {
        return mixedPage();
    }
    if (name == L"demo") {
        return demoPage();
    }
    return nullptr;
}

}  // namespace tnk::page_host
