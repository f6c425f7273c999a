#pragma once

#include <windows.h>

#include <oleacc.h>
#include <servprov.h>

#include <string>
#include <utility>
#include <vector>

#include "capture/msaa/ia2.h"

// The tree served by the accessible host: one real COM object per node, for
// the host's whole life, so the identities a client compares stay stable.
namespace tnk::accessible_host {

// What every node of one host shares.
struct HostSettings {
    // The window serving the tree: boxes are in its client coordinates.
    HWND page = nullptr;
    // Serve plain MSAA only: no IServiceProvider, no IAccessible2.
    bool msaaOnly = false;
    // While this file exists every served call waits inside the call.
    std::wstring hangFile;
    // accHitTest answers the deepest object under the point in one call, as
    // Chromium does, instead of the child right under it.
    bool deepHitTest = false;
};

// The calls the host has answered, by kind ("accName", "accHitTest", ...).
struct CallCounts {
    std::vector<std::pair<std::string, long>> kinds;
    long total = 0;
    void count(const char* kind);
};
CallCounts& callCounts();

// How a text run is drawn; IAccessibleText reports it as attribute strings.
struct TextLook {
    int fontPoints = 12;
    COLORREF color = RGB(0, 0, 0);
    bool opaqueBackground = false;
    COLORREF background = RGB(255, 255, 255);
};

// A node of the tree. A "simple" node is an element without an object of its
// own: its parent answers for it by child id, as browsers do for list items.
// With IAccessible2 every object is also a hyperlink (an embedded object of
// its parent's hypertext); a text run offers IAccessibleText over its own
// text, every other object IAccessibleHypertext over its children's.
class AccessibleNode final : public IAccessible2,
                             public IServiceProvider,
                             public IAccessibleHypertext,
                             public IAccessibleHyperlink {
  public:
    explicit AccessibleNode(const HostSettings& settings) : settings_(settings) {}

    long msaaRole = ROLE_SYSTEM_CLIENT;
    // When set, accRole gives this string instead of the role number.
    std::wstring roleText;
    // The IAccessible2 role; 0 means the MSAA role.
    long ia2Role = 0;
    std::wstring name;
    std::wstring value;
    long state = 0;
    RECT box = {};
    // A wrapped text run's line boxes; a point hits the run only in one of
    // them (deep hit-testing only). Empty: the box.
    std::vector<RECT> lines;
    std::vector<std::pair<std::wstring, std::wstring>> attributes;
    // Recorded attribute strings, served as they are instead of the above.
    std::wstring attributeText;
    std::wstring textAttributeText;
    // Leaves with text offer IAccessibleText over it, in one run of this look.
    bool hasText = false;
    TextLook look;
    bool simple = false;

    AccessibleNode* parent() const { return parent_; }
    const std::vector<AccessibleNode*>& children() const { return children_; }
    void append(AccessibleNode* child);
    // Detaches the children; they keep this node as their parent.
    std::vector<AccessibleNode*> takeChildren() { return std::move(children_); }
    // The text a leaf shows: its value when it is editable, else its name.
    const std::wstring& text() const { return msaaRole == ROLE_SYSTEM_TEXT ? value : name; }
    bool visible() const { return (state & STATE_SYSTEM_INVISIBLE) == 0; }
    // Whether a point lies on this node: in its box, or in one of its lines.
    bool holds(POINT p) const;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch: not needed to marshal IAccessible, which has a proxy of its own.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override;

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

    // IAccessible2: role and the object attributes are served.
    HRESULT STDMETHODCALLTYPE get_nRelations(long*) override;
    HRESULT STDMETHODCALLTYPE get_relation(long, IUnknown**) override;
    HRESULT STDMETHODCALLTYPE get_relations(long, IUnknown**, long*) override;
    HRESULT STDMETHODCALLTYPE role(long* out) override;
    HRESULT STDMETHODCALLTYPE scrollTo(long) override;
    HRESULT STDMETHODCALLTYPE scrollToPoint(long, long, long) override;
    HRESULT STDMETHODCALLTYPE get_groupPosition(long*, long*, long*) override;
    HRESULT STDMETHODCALLTYPE get_states(LONGLONG*) override;
    HRESULT STDMETHODCALLTYPE get_extendedRole(BSTR*) override;
    HRESULT STDMETHODCALLTYPE get_localizedExtendedRole(BSTR*) override;
    HRESULT STDMETHODCALLTYPE get_nExtendedStates(long*) override;
    HRESULT STDMETHODCALLTYPE get_extendedStates(long, BSTR**, long*) override;
    HRESULT STDMETHODCALLTYPE get_localizedExtendedStates(long, BSTR**, long*) override;
    HRESULT STDMETHODCALLTYPE get_uniqueID(long*) override;
    HRESULT STDMETHODCALLTYPE get_windowHandle(HWND*) override;
    HRESULT STDMETHODCALLTYPE get_indexInParent(long*) override;
    HRESULT STDMETHODCALLTYPE get_locale(ia2::IA2Locale*) override;
    HRESULT STDMETHODCALLTYPE get_attributes(BSTR* out) override;

    // IServiceProvider
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override;

    // IAccessibleText: the text, its length and its attributes are served.
    HRESULT STDMETHODCALLTYPE addSelection(long, long) override;
    HRESULT STDMETHODCALLTYPE get_attributes(long offset, long* start, long* end,
                                             BSTR* out) override;
    HRESULT STDMETHODCALLTYPE get_caretOffset(long*) override;
    HRESULT STDMETHODCALLTYPE get_characterExtents(long, long, long*, long*, long*, long*) override;
    HRESULT STDMETHODCALLTYPE get_nSelections(long*) override;
    HRESULT STDMETHODCALLTYPE get_offsetAtPoint(long, long, long, long*) override;
    HRESULT STDMETHODCALLTYPE get_selection(long, long*, long*) override;
    HRESULT STDMETHODCALLTYPE get_text(long start, long end, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE get_textBeforeOffset(long, long, long*, long*, BSTR*) override;
    HRESULT STDMETHODCALLTYPE get_textAfterOffset(long, long, long*, long*, BSTR*) override;
    HRESULT STDMETHODCALLTYPE get_textAtOffset(long, long, long*, long*, BSTR*) override;
    HRESULT STDMETHODCALLTYPE removeSelection(long) override;
    HRESULT STDMETHODCALLTYPE setCaretOffset(long) override;
    HRESULT STDMETHODCALLTYPE setSelection(long, long, long) override;
    HRESULT STDMETHODCALLTYPE get_nCharacters(long* out) override;
    HRESULT STDMETHODCALLTYPE scrollSubstringTo(long, long, long) override;
    HRESULT STDMETHODCALLTYPE scrollSubstringToPoint(long, long, long, long, long) override;
    HRESULT STDMETHODCALLTYPE get_newText(ia2::IA2TextSegment*) override;
    HRESULT STDMETHODCALLTYPE get_oldText(ia2::IA2TextSegment*) override;

    // IAccessibleHypertext: the embedded objects.
    HRESULT STDMETHODCALLTYPE get_nHyperlinks(long* count) override;
    HRESULT STDMETHODCALLTYPE get_hyperlink(long index, IAccessibleHyperlink** out) override;
    HRESULT STDMETHODCALLTYPE get_hyperlinkIndex(long charIndex, long* index) override;

    // IAccessibleAction: no actions.
    HRESULT STDMETHODCALLTYPE nActions(long* count) override;
    HRESULT STDMETHODCALLTYPE doAction(long) override;
    HRESULT STDMETHODCALLTYPE get_description(long, BSTR*) override;
    HRESULT STDMETHODCALLTYPE get_keyBinding(long, long, BSTR**, long*) override;
    HRESULT STDMETHODCALLTYPE get_name(long, BSTR*) override;
    HRESULT STDMETHODCALLTYPE get_localizedName(long, BSTR*) override;

    // IAccessibleHyperlink: where this object stands in its parent's hypertext.
    HRESULT STDMETHODCALLTYPE get_anchor(long, VARIANT*) override;
    HRESULT STDMETHODCALLTYPE get_anchorTarget(long, VARIANT*) override;
    HRESULT STDMETHODCALLTYPE get_startIndex(long* index) override;
    HRESULT STDMETHODCALLTYPE get_endIndex(long* index) override;
    HRESULT STDMETHODCALLTYPE get_valid(boolean* valid) override;

  private:
    // An object's hypertext: a shown text run child gives its name, any
    // other child one U+FFFC; simple children are not objects and give
    // nothing.
    struct Hypertext {
        std::wstring text;
        std::vector<AccessibleNode*> embedded;
        // Where each child's part starts (simple children: where they would).
        std::vector<long> starts;
    };
    Hypertext hypertext() const;
    // Where this object's part of its parent's hypertext starts.
    long startInParent() const;
    bool isTextRun() const { return hasText; }
    // The text IAccessibleText serves: a text run's own, else the hypertext.
    std::wstring servedText() const;
    // The deepest visible object under a point of the page window.
    AccessibleNode* deepest(POINT p);
    // Counts a served call, then holds it while the hang file exists.
    void serve(const char* kind) const;
    // This node for CHILDID_SELF, a child for its id (1..n); null otherwise.
    AccessibleNode* target(const VARIANT& child);
    HRESULT notImplemented() const;

    const HostSettings& settings_;
    LONG refs_ = 1;
    AccessibleNode* parent_ = nullptr;
    std::vector<AccessibleNode*> children_;
};

// The object attributes as IAccessible2 writes them, "name:value;" with
// backslash escapes in the values.
std::wstring attributeString(const std::vector<std::pair<std::wstring, std::wstring>>& pairs);

// The text attributes of a run.
std::wstring textAttributeString(const TextLook& look);

}  // namespace tnk::accessible_host
