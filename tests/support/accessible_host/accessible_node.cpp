#include "accessible_node.h"

#include <algorithm>

namespace tnk::accessible_host {

namespace {

// IAccessibleText's stand-in offset for "the end of the text".
constexpr long kTextOffsetLength = -1;
// What stands for an embedded object in a hypertext.
constexpr wchar_t kEmbeddedObject = 0xFFFC;
constexpr DWORD kHangPollMs = 50;

HRESULT stringOut(const std::wstring& s, BSTR* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// A property the object does not have: S_FALSE and no string, as servers
// answer for an empty name or value.
HRESULT optionalStringOut(const std::wstring& s, BSTR* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    return s.empty() ? S_FALSE : stringOut(s, out);
}

HRESULT longOut(long v, long* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = v;
    return S_OK;
}

HRESULT emptyOut(VARIANT* out) {
    if (!out) {
        return E_POINTER;
    }
    VariantInit(out);
    return S_FALSE;
}

template <class Itf>
HRESULT give(Itf* itf, void** out) {
    itf->AddRef();
    *out = itf;
    return S_OK;
}

bool boxHolds(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

void appendEscaped(std::wstring& out, const std::wstring& s) {
    for (wchar_t c : s) {
        if (c == L'\\' || c == L':' || c == L',' || c == L'=' || c == L';') {
            out += L'\\';
        }
        out += c;
    }
}

std::wstring rgb(COLORREF c) {
    return L"rgb(" + std::to_wstring(GetRValue(c)) + L", " + std::to_wstring(GetGValue(c)) + L", " +
           std::to_wstring(GetBValue(c)) + L")";
}

}  // namespace

std::wstring attributeString(const std::vector<std::pair<std::wstring, std::wstring>>& pairs) {
    std::wstring out;
    for (const auto& [name, value] : pairs) {
        appendEscaped(out, name);
        out += L':';
        appendEscaped(out, value);
        out += L';';
    }
    return out;
}

std::wstring textAttributeString(const TextLook& look) {
    return L"font-size:" + std::to_wstring(look.fontPoints) + L"pt;color:" + rgb(look.color) +
           L";background-color:" + (look.opaqueBackground ? rgb(look.background) : L"transparent") +
           L";";
}

void AccessibleNode::append(AccessibleNode* child) {
    child->parent_ = this;
    children_.push_back(child);
}

AccessibleNode* AccessibleNode::target(const VARIANT& child) {
    if (child.vt != VT_I4) {
        return nullptr;
    }
    if (child.lVal == CHILDID_SELF) {
        return this;
    }
    if (child.lVal < 1 || static_cast<size_t>(child.lVal) > children_.size()) {
        return nullptr;
    }
    return children_[child.lVal - 1];
}

void AccessibleNode::serve(const char* kind) const {
    callCounts().count(kind);
    if (settings_.hangFile.empty()) {
        return;
    }
    while (GetFileAttributesW(settings_.hangFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
        Sleep(kHangPollMs);
    }
}

HRESULT AccessibleNode::notImplemented() const {
    serve("notImplemented");
    return E_NOTIMPL;
}

// ---- IUnknown

HRESULT AccessibleNode::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
        return give(static_cast<IAccessible*>(this), out);
    }
    if (settings_.msaaOnly) {
        return E_NOINTERFACE;
    }
    if (iid == __uuidof(IAccessible2)) {
        return give(static_cast<IAccessible2*>(this), out);
    }
    if (iid == __uuidof(IServiceProvider)) {
        return give(static_cast<IServiceProvider*>(this), out);
    }
    if (simple) {
        return E_NOINTERFACE;
    }
    if (iid == __uuidof(IAccessibleText)) {
        return give(static_cast<IAccessibleText*>(this), out);
    }
    if (iid == __uuidof(IAccessibleHypertext) && !isTextRun()) {
        return give(static_cast<IAccessibleHypertext*>(this), out);
    }
    if (iid == __uuidof(IAccessibleHyperlink) || iid == __uuidof(IAccessibleAction)) {
        return give(static_cast<IAccessibleHyperlink*>(this), out);
    }
    return E_NOINTERFACE;
}

// Nodes live as long as the host; the count only keeps COM's rules.
ULONG AccessibleNode::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

ULONG AccessibleNode::Release() {
    return static_cast<ULONG>(InterlockedDecrement(&refs_));
}

// ---- IDispatch

HRESULT AccessibleNode::GetTypeInfoCount(UINT* count) {
    if (!count) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

HRESULT AccessibleNode::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return notImplemented();
}
HRESULT AccessibleNode::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return notImplemented();
}
HRESULT AccessibleNode::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                               UINT*) {
    return notImplemented();
}

// ---- IAccessible

// The client object at the top has no parent of its own here; above it a
// client finds nothing, as above a window's client object.
HRESULT AccessibleNode::get_accParent(IDispatch** out) {
    serve("get_accParent");
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (!parent_) {
        return S_FALSE;
    }
    return give<IDispatch>(static_cast<IAccessible*>(parent_), reinterpret_cast<void**>(out));
}

HRESULT AccessibleNode::get_accChildCount(long* out) {
    serve("get_accChildCount");
    return longOut(static_cast<long>(children_.size()), out);
}

HRESULT AccessibleNode::get_accChild(VARIANT child, IDispatch** out) {
    serve("get_accChild");
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    AccessibleNode* node = target(child);
    if (!node || node == this) {
        return E_INVALIDARG;
    }
    if (node->simple) {
        return S_FALSE;
    }
    return give<IDispatch>(static_cast<IAccessible*>(node), reinterpret_cast<void**>(out));
}

HRESULT AccessibleNode::get_accName(VARIANT child, BSTR* out) {
    serve("get_accName");
    AccessibleNode* node = target(child);
    return node ? optionalStringOut(node->name, out) : E_INVALIDARG;
}

HRESULT AccessibleNode::get_accValue(VARIANT child, BSTR* out) {
    serve("get_accValue");
    AccessibleNode* node = target(child);
    return node ? optionalStringOut(node->value, out) : E_INVALIDARG;
}

HRESULT AccessibleNode::get_accDescription(VARIANT child, BSTR* out) {
    serve("get_accDescription");
    return target(child) ? optionalStringOut(L"", out) : E_INVALIDARG;
}

HRESULT AccessibleNode::get_accRole(VARIANT child, VARIANT* out) {
    serve("get_accRole");
    if (!out) {
        return E_POINTER;
    }
    VariantInit(out);
    AccessibleNode* node = target(child);
    if (!node) {
        return E_INVALIDARG;
    }
    if (!node->roleText.empty()) {
        out->vt = VT_BSTR;
        return stringOut(node->roleText, &out->bstrVal);
    }
    out->vt = VT_I4;
    out->lVal = node->msaaRole;
    return S_OK;
}

HRESULT AccessibleNode::get_accState(VARIANT child, VARIANT* out) {
    serve("get_accState");
    if (!out) {
        return E_POINTER;
    }
    VariantInit(out);
    AccessibleNode* node = target(child);
    if (!node) {
        return E_INVALIDARG;
    }
    out->vt = VT_I4;
    out->lVal = node->state;
    return S_OK;
}

HRESULT AccessibleNode::get_accHelp(VARIANT child, BSTR* out) {
    serve("get_accHelp");
    return target(child) ? optionalStringOut(L"", out) : E_INVALIDARG;
}

HRESULT AccessibleNode::get_accHelpTopic(BSTR*, VARIANT, long*) {
    return notImplemented();
}

HRESULT AccessibleNode::get_accKeyboardShortcut(VARIANT child, BSTR* out) {
    serve("get_accKeyboardShortcut");
    return target(child) ? optionalStringOut(L"", out) : E_INVALIDARG;
}

HRESULT AccessibleNode::get_accFocus(VARIANT* out) {
    serve("get_accFocus");
    return emptyOut(out);
}

HRESULT AccessibleNode::get_accSelection(VARIANT* out) {
    serve("get_accSelection");
    return emptyOut(out);
}

HRESULT AccessibleNode::get_accDefaultAction(VARIANT child, BSTR* out) {
    serve("get_accDefaultAction");
    return target(child) ? optionalStringOut(L"", out) : E_INVALIDARG;
}

HRESULT AccessibleNode::accSelect(long, VARIANT) {
    return notImplemented();
}

// Screen pixels, as a browser gives them.
HRESULT AccessibleNode::accLocation(long* left, long* top, long* width, long* height,
                                    VARIANT child) {
    serve("accLocation");
    if (!left || !top || !width || !height) {
        return E_POINTER;
    }
    AccessibleNode* node = target(child);
    if (!node) {
        return E_INVALIDARG;
    }
    POINT origin = {0, 0};
    ClientToScreen(settings_.page, &origin);
    *left = origin.x + node->box.left;
    *top = origin.y + node->box.top;
    *width = node->box.right - node->box.left;
    *height = node->box.bottom - node->box.top;
    return S_OK;
}

HRESULT AccessibleNode::accNavigate(long, VARIANT, VARIANT*) {
    return notImplemented();
}

// Only the child right under the point answers, not the deepest object; a
// hidden child is never hit.
HRESULT AccessibleNode::accHitTest(long x, long y, VARIANT* out) {
    serve("accHitTest");
    if (!out) {
        return E_POINTER;
    }
    VariantInit(out);
    POINT p = {x, y};
    ScreenToClient(settings_.page, &p);
    if (!boxHolds(box, p)) {
        return S_FALSE;
    }
    if (settings_.deepHitTest) {
        AccessibleNode* found = deepest(p);
        if (found == this) {
            out->vt = VT_I4;
            out->lVal = CHILDID_SELF;
        } else {
            out->vt = VT_DISPATCH;
            give<IDispatch>(static_cast<IAccessible*>(found),
                            reinterpret_cast<void**>(&out->pdispVal));
        }
        return S_OK;
    }
    // Later siblings lie on top of earlier ones.
    for (size_t i = children_.size(); i-- > 0;) {
        AccessibleNode* child = children_[i];
        if (!child->visible() || !boxHolds(child->box, p)) {
            continue;
        }
        if (child->simple) {
            out->vt = VT_I4;
            out->lVal = static_cast<long>(i + 1);
        } else {
            out->vt = VT_DISPATCH;
            give<IDispatch>(static_cast<IAccessible*>(child),
                            reinterpret_cast<void**>(&out->pdispVal));
        }
        return S_OK;
    }
    out->vt = VT_I4;
    out->lVal = CHILDID_SELF;
    return S_OK;
}

HRESULT AccessibleNode::accDoDefaultAction(VARIANT) {
    return notImplemented();
}
HRESULT AccessibleNode::put_accName(VARIANT, BSTR) {
    return notImplemented();
}
HRESULT AccessibleNode::put_accValue(VARIANT, BSTR) {
    return notImplemented();
}

// ---- IAccessible2

HRESULT AccessibleNode::role(long* out) {
    serve("role");
    return longOut(ia2Role != 0 ? ia2Role : msaaRole, out);
}

HRESULT AccessibleNode::get_attributes(BSTR* out) {
    serve("objectAttributes");
    return stringOut(attributeText.empty() ? attributeString(attributes) : attributeText, out);
}

HRESULT AccessibleNode::get_nRelations(long*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_relation(long, IUnknown**) {
    return notImplemented();
}
HRESULT AccessibleNode::get_relations(long, IUnknown**, long*) {
    return notImplemented();
}
HRESULT AccessibleNode::scrollTo(long) {
    return notImplemented();
}
HRESULT AccessibleNode::scrollToPoint(long, long, long) {
    return notImplemented();
}
HRESULT AccessibleNode::get_groupPosition(long*, long*, long*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_states(LONGLONG*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_extendedRole(BSTR*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_localizedExtendedRole(BSTR*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_nExtendedStates(long*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_extendedStates(long, BSTR**, long*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_localizedExtendedStates(long, BSTR**, long*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_uniqueID(long*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_windowHandle(HWND*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_indexInParent(long*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_locale(ia2::IA2Locale*) {
    return notImplemented();
}

// ---- IServiceProvider

// Browsers hand out IAccessible2 for either service name.
HRESULT AccessibleNode::QueryService(REFGUID service, REFIID iid, void** out) {
    serve("QueryService");
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (service != __uuidof(IAccessible) && service != __uuidof(IAccessible2)) {
        return E_NOINTERFACE;
    }
    return QueryInterface(iid, out);
}

// ---- IAccessibleText

HRESULT AccessibleNode::get_attributes(long offset, long* start, long* end, BSTR* out) {
    serve("textAttributes");
    if (!start || !end || !out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (isTextRun()) {
        const long length = static_cast<long>(text().size());
        if (offset == kTextOffsetLength) {
            offset = length;
        }
        if (offset < 0 || offset > length) {
            return E_INVALIDARG;
        }
        *start = 0;
        *end = length;
        return stringOut(textAttributeText.empty() ? textAttributeString(look) : textAttributeText,
                         out);
    }
    // The run holding the offset: a text run child's whole span with its
    // attributes, or one embedded object's character with none.
    const Hypertext h = hypertext();
    const long length = static_cast<long>(h.text.size());
    if (offset == kTextOffsetLength) {
        offset = length;
    }
    if (offset < 0 || offset > length) {
        return E_INVALIDARG;
    }
    *start = *end = offset;
    for (size_t i = 0; i < children_.size(); ++i) {
        const long from = h.starts[i];
        const long to = i + 1 < children_.size() ? h.starts[i + 1] : length;
        if (offset >= from && offset < to) {
            *start = from;
            *end = to;
            const AccessibleNode* child = children_[i];
            if (child->isTextRun() && child->msaaRole == ROLE_SYSTEM_STATICTEXT) {
                return stringOut(child->textAttributeText.empty() ? textAttributeString(child->look)
                                                                  : child->textAttributeText,
                                 out);
            }
            break;
        }
    }
    return stringOut(L"", out);
}

HRESULT AccessibleNode::get_text(long start, long end, BSTR* out) {
    serve("get_text");
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    const std::wstring served = servedText();
    const long length = static_cast<long>(served.size());
    if (end == kTextOffsetLength) {
        end = length;
    }
    if (start > end) {
        std::swap(start, end);
    }
    if (start < 0 || end > length) {
        return E_INVALIDARG;
    }
    return stringOut(served.substr(start, end - start), out);
}

HRESULT AccessibleNode::get_nCharacters(long* out) {
    serve("get_nCharacters");
    return longOut(static_cast<long>(servedText().size()), out);
}

HRESULT AccessibleNode::addSelection(long, long) {
    return notImplemented();
}
HRESULT AccessibleNode::get_caretOffset(long*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_characterExtents(long, long, long*, long*, long*, long*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_nSelections(long*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_offsetAtPoint(long, long, long, long*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_selection(long, long*, long*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_textBeforeOffset(long, long, long*, long*, BSTR*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_textAfterOffset(long, long, long*, long*, BSTR*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_textAtOffset(long, long, long*, long*, BSTR*) {
    return notImplemented();
}
HRESULT AccessibleNode::removeSelection(long) {
    return notImplemented();
}
HRESULT AccessibleNode::setCaretOffset(long) {
    return notImplemented();
}
HRESULT AccessibleNode::setSelection(long, long, long) {
    return notImplemented();
}
HRESULT AccessibleNode::scrollSubstringTo(long, long, long) {
    return notImplemented();
}
HRESULT AccessibleNode::scrollSubstringToPoint(long, long, long, long, long) {
    return notImplemented();
}
HRESULT AccessibleNode::get_newText(ia2::IA2TextSegment*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_oldText(ia2::IA2TextSegment*) {
    return notImplemented();
}

// ---- hypertext

AccessibleNode::Hypertext AccessibleNode::hypertext() const {
    Hypertext h;
    for (AccessibleNode* child : children_) {
        h.starts.push_back(static_cast<long>(h.text.size()));
        if (child->simple) {
            continue;
        }
        if (child->isTextRun() && child->msaaRole == ROLE_SYSTEM_STATICTEXT) {
            // What is not shown is no part of the text, as a browser leaves
            // hidden parts out of its tree.
            if (!(child->state & STATE_SYSTEM_INVISIBLE)) {
                h.text += child->name;
            }
        } else {
            h.text += kEmbeddedObject;
            h.embedded.push_back(child);
        }
    }
    return h;
}

std::wstring AccessibleNode::servedText() const {
    return isTextRun() ? text() : hypertext().text;
}

HRESULT AccessibleNode::get_nHyperlinks(long* out) {
    serve("get_nHyperlinks");
    return longOut(static_cast<long>(hypertext().embedded.size()), out);
}

HRESULT AccessibleNode::get_hyperlink(long index, IAccessibleHyperlink** out) {
    serve("get_hyperlink");
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    const Hypertext h = hypertext();
    if (index < 0 || static_cast<size_t>(index) >= h.embedded.size()) {
        return E_INVALIDARG;
    }
    return give<IAccessibleHyperlink>(h.embedded[index], reinterpret_cast<void**>(out));
}

// -1 for a character that is not an embedded object.
HRESULT AccessibleNode::get_hyperlinkIndex(long charIndex, long* out) {
    serve("get_hyperlinkIndex");
    if (!out) {
        return E_POINTER;
    }
    *out = -1;
    const Hypertext h = hypertext();
    if (charIndex < 0 || charIndex >= static_cast<long>(h.text.size())) {
        return E_INVALIDARG;
    }
    if (h.text[charIndex] == kEmbeddedObject) {
        *out = static_cast<long>(
            std::count(h.text.begin(), h.text.begin() + charIndex, kEmbeddedObject));
    }
    return S_OK;
}

HRESULT AccessibleNode::nActions(long* out) {
    serve("nActions");
    return longOut(0, out);
}
HRESULT AccessibleNode::doAction(long) {
    return notImplemented();
}
HRESULT AccessibleNode::get_description(long, BSTR*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_keyBinding(long, long, BSTR**, long*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_name(long, BSTR*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_localizedName(long, BSTR*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_anchor(long, VARIANT*) {
    return notImplemented();
}
HRESULT AccessibleNode::get_anchorTarget(long, VARIANT*) {
    return notImplemented();
}

// A text run spans its text in its parent's hypertext, any other object its
// one embedded character. The top object is in no hypertext.
HRESULT AccessibleNode::get_startIndex(long* out) {
    serve("get_startIndex");
    if (!out) {
        return E_POINTER;
    }
    *out = parent_ ? startInParent() : 0;
    return parent_ ? S_OK : E_FAIL;
}

HRESULT AccessibleNode::get_endIndex(long* out) {
    serve("get_endIndex");
    if (!out) {
        return E_POINTER;
    }
    if (!parent_) {
        *out = 0;
        return E_FAIL;
    }
    const bool run = isTextRun() && msaaRole == ROLE_SYSTEM_STATICTEXT;
    const bool shown = !(state & STATE_SYSTEM_INVISIBLE);
    *out = startInParent() + (run ? (shown ? static_cast<long>(name.size()) : 0) : 1);
    return S_OK;
}

long AccessibleNode::startInParent() const {
    const auto at = std::find(parent_->children_.begin(), parent_->children_.end(), this);
    return parent_->hypertext().starts[at - parent_->children_.begin()];
}

HRESULT AccessibleNode::get_valid(boolean* out) {
    serve("get_valid");
    if (!out) {
        return E_POINTER;
    }
    *out = 1;
    return S_OK;
}

// ---- deep hit-testing

bool AccessibleNode::holds(POINT p) const {
    if (lines.empty()) {
        return boxHolds(box, p);
    }
    return std::any_of(lines.begin(), lines.end(),
                       [p](const RECT& line) { return boxHolds(line, p); });
}

// Children may lie outside their parent's box (a positioned element, an
// overflowing line), so every visible descendant is a candidate; later ones
// lie above earlier ones, and the deepest under the point wins.
AccessibleNode* AccessibleNode::deepest(POINT p) {
    AccessibleNode* found = this;
    size_t foundDepth = 0;
    std::vector<std::pair<AccessibleNode*, size_t>> work;
    for (AccessibleNode* child : children_) {
        work.emplace_back(child, 1);
    }
    // Document order: a node is checked before its descendants and its later
    // siblings, so ">=" keeps the last and deepest one.
    std::reverse(work.begin(), work.end());
    while (!work.empty()) {
        auto [node, depth] = work.back();
        work.pop_back();
        if (!node->visible() || node->simple) {
            continue;
        }
        if (node->holds(p) && depth >= foundDepth) {
            found = node;
            foundDepth = depth;
        }
        for (auto it = node->children_.rbegin(); it != node->children_.rend(); ++it) {
            work.emplace_back(*it, depth + 1);
        }
    }
    return found;
}

// ---- call counts

void CallCounts::count(const char* kind) {
    ++total;
    for (auto& [name, n] : kinds) {
        if (name == kind) {
            ++n;
            return;
        }
    }
    kinds.emplace_back(kind, 1);
}

CallCounts& callCounts() {
    static CallCounts counts;
    return counts;
}

}  // namespace tnk::accessible_host
