#pragma once

// The IAccessible2 interfaces Tarnwick uses, declared from their published
// interface definitions (identifiers and method order). Only the attribute,
// text and hypertext calls are called; the other members exist to keep the
// vtables in order.
#include <windows.h>

#include <oleacc.h>

namespace tnk::ia2 {

struct IA2Locale {
    BSTR language;
    BSTR country;
    BSTR variant;
};

struct IA2TextSegment {
    BSTR text;
    long start;
    long end;
};

}  // namespace tnk::ia2

MIDL_INTERFACE("E89F726E-C4F4-4c19-BB19-B647D7FA8478")
IAccessible2 : public IAccessible {
    virtual HRESULT STDMETHODCALLTYPE get_nRelations(long* nRelations) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_relation(long relationIndex, IUnknown** relation) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_relations(long maxRelations, IUnknown** relations,
                                                    long* nRelations) = 0;
    virtual HRESULT STDMETHODCALLTYPE role(long* role) = 0;
    virtual HRESULT STDMETHODCALLTYPE scrollTo(long scrollType) = 0;
    virtual HRESULT STDMETHODCALLTYPE scrollToPoint(long coordinateType, long x, long y) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_groupPosition(long* groupLevel, long* similarItemsInGroup,
                                                        long* positionInGroup) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_states(LONGLONG * states) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_extendedRole(BSTR * extendedRole) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_localizedExtendedRole(BSTR * localizedExtendedRole) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_nExtendedStates(long* nExtendedStates) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_extendedStates(
        long maxExtendedStates, BSTR** extendedStates, long* nExtendedStates) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_localizedExtendedStates(
        long maxLocalizedExtendedStates, BSTR** localizedExtendedStates,
        long* nLocalizedExtendedStates) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_uniqueID(long* uniqueID) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_windowHandle(HWND * windowHandle) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_indexInParent(long* indexInParent) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_locale(tnk::ia2::IA2Locale * locale) = 0;
    // "name:value;name:value;" with backslash escapes.
    virtual HRESULT STDMETHODCALLTYPE get_attributes(BSTR * attributes) = 0;
};

MIDL_INTERFACE("24FD2FFB-3AAD-4a08-8335-A3AD89C0FB4B")
IAccessibleText : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE addSelection(long startOffset, long endOffset) = 0;
    // The text attributes of the run holding `offset`, and that run's bounds.
    virtual HRESULT STDMETHODCALLTYPE get_attributes(long offset, long* startOffset,
                                                     long* endOffset, BSTR* textAttributes) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_caretOffset(long* offset) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_characterExtents(long offset, long coordType, long* x,
                                                           long* y, long* width, long* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_nSelections(long* nSelections) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_offsetAtPoint(long x, long y, long coordType,
                                                        long* offset) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_selection(long selectionIndex, long* startOffset,
                                                    long* endOffset) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_text(long startOffset, long endOffset, BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_textBeforeOffset(
        long offset, long boundaryType, long* startOffset, long* endOffset, BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_textAfterOffset(
        long offset, long boundaryType, long* startOffset, long* endOffset, BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_textAtOffset(
        long offset, long boundaryType, long* startOffset, long* endOffset, BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE removeSelection(long selectionIndex) = 0;
    virtual HRESULT STDMETHODCALLTYPE setCaretOffset(long offset) = 0;
    virtual HRESULT STDMETHODCALLTYPE setSelection(long selectionIndex, long startOffset,
                                                   long endOffset) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_nCharacters(long* nCharacters) = 0;
    virtual HRESULT STDMETHODCALLTYPE scrollSubstringTo(long startIndex, long endIndex,
                                                        long scrollType) = 0;
    virtual HRESULT STDMETHODCALLTYPE scrollSubstringToPoint(
        long startIndex, long endIndex, long coordinateType, long x, long y) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_newText(tnk::ia2::IA2TextSegment * newText) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_oldText(tnk::ia2::IA2TextSegment * oldText) = 0;
};

MIDL_INTERFACE("B70D9F59-3B5A-4dba-AB9E-22012F607DF5")
IAccessibleAction : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE nActions(long* nActions) = 0;
    virtual HRESULT STDMETHODCALLTYPE doAction(long actionIndex) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_description(long actionIndex, BSTR* description) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_keyBinding(long actionIndex, long nMaxBindings,
                                                     BSTR** keyBindings, long* nBindings) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_name(long actionIndex, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_localizedName(long actionIndex, BSTR* localizedName) = 0;
};

// An embedded object of a hypertext: a link, or any child object that is
// not plain text.
MIDL_INTERFACE("01C20F2B-3DD2-400f-949F-AD00BDAB1D41")
IAccessibleHyperlink : public IAccessibleAction {
    virtual HRESULT STDMETHODCALLTYPE get_anchor(long index, VARIANT* anchor) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_anchorTarget(long index, VARIANT* anchorTarget) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_startIndex(long* index) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_endIndex(long* index) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_valid(boolean * valid) = 0;
};

// An object's text with one U+FFFC standing for each embedded object.
MIDL_INTERFACE("6B4F8BBF-F1F2-418a-B35E-A195BC4103B9")
IAccessibleHypertext : public IAccessibleText {
    virtual HRESULT STDMETHODCALLTYPE get_nHyperlinks(long* hyperlinkCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_hyperlink(long index,
                                                    IAccessibleHyperlink** hyperlink) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_hyperlinkIndex(long charIndex, long* hyperlinkIndex) = 0;
};

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IAccessible2, 0xe89f726e, 0xc4f4, 0x4c19, 0xbb, 0x19, 0xb6, 0x47, 0xd7, 0xfa, 0x84,
                0x78)
__CRT_UUID_DECL(IAccessibleText, 0x24fd2ffb, 0x3aad, 0x4a08, 0x83, 0x35, 0xa3, 0xad, 0x89, 0xc0,
                0xfb, 0x4b)
__CRT_UUID_DECL(IAccessibleAction, 0xb70d9f59, 0x3b5a, 0x4dba, 0xab, 0x9e, 0x22, 0x01, 0x2f, 0x60,
                0x7d, 0xf5)
__CRT_UUID_DECL(IAccessibleHyperlink, 0x01c20f2b, 0x3dd2, 0x400f, 0x94, 0x9f, 0xad, 0x00, 0xbd,
                0xab, 0x1d, 0x41)
__CRT_UUID_DECL(IAccessibleHypertext, 0x6b4f8bbf, 0xf1f2, 0x418a, 0xb3, 0x5e, 0xa1, 0x95, 0xbc,
                0x41, 0x03, 0xb9)
#endif
