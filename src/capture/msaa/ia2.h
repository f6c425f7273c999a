#pragma once

// The two IAccessible2 interfaces Tarnwick uses, declared from their
// published interface definitions (identifiers and method order). Only
// get_attributes and the text calls are called; the other members exist to
// keep the vtables in order.
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

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IAccessible2, 0xe89f726e, 0xc4f4, 0x4c19, 0xbb, 0x19, 0xb6, 0x47, 0xd7, 0xfa, 0x84,
                0x78)
__CRT_UUID_DECL(IAccessibleText, 0x24fd2ffb, 0x3aad, 0x4a08, 0x83, 0x35, 0xa3, 0xad, 0x89, 0xc0,
                0xfb, 0x4b)
#endif
